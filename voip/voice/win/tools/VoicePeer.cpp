// voice_peer: one voice engine over the test audio device (or WinMM with --winmm), talking RTP
// to another address for a given time. Prints its totals and CPU time at the end.
//   voice_peer --local 127.0.0.2 --remote 127.0.0.3 --mic in.wav --out out.wav --ms 4000
//              [--echo] [--rate 53] [--record DIR] [--log FILE] [--incall] [--winmm]
//              [--port N] [--remote-port N] [--tone FILE] [--jitter jitz,misz,fffz]  (plays FILE through the tone player first; --ms 0 then ends)
#include "voip/voice/win/AudioBackend.h"
#include "voip/voice/win/CodecBinding.h"
#include "voip/voice/win/TonePlayer.h"
#include "voip/voice/win/VoiceEngine.h"
#include "voip/voice/win/WaveDevice.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

class PeerHost : public voice::VoiceHost {
 public:
  FILE* log = nullptr;
  std::string mixdir;
  bool record = false;
  int rx = -1, tx = -1;
  void Log(int level, const std::string& line) override {
    if (log) std::fprintf(log, "%lu %d %s\n", GetTickCount(), level, line.c_str());
  }
  void Error(const std::string& text) override { std::fprintf(stderr, "error: %s\n", text.c_str()); }
  void VoiceStat(int r, int t) override {
    rx = r, tx = t;
    std::printf("stat rx=%d tx=%d\n", r, t);
    std::fflush(stdout);
  }
  int RegistryInt(const char* name) override { return std::strcmp(name, "record") == 0 && record ? 1 : 0; }
  std::string RegistryString(const char* name) override { return std::strcmp(name, "mixdir") == 0 ? mixdir : ""; }
};

uint64_t CpuMs() {
  FILETIME c, e, k, u;
  GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
  auto ms = [](FILETIME f) { return ((uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000; };
  return ms(k) + ms(u);
}

}  // namespace

int main(int argc, char** argv) {
  std::string local, remote, mic, out, logPath, tone;
  int ms = 3000, rate = 63, port = voice::kRtpPort, remotePort = voice::kRtpPort;
  bool echo = false, incall = false, winmm = false;
  int jitter[3] = {0, 0, 0};
  PeerHost host;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
    if (a == "--local") local = next();
    else if (a == "--remote") remote = next();
    else if (a == "--mic") mic = next();
    else if (a == "--out") out = next();
    else if (a == "--ms") ms = std::atoi(next().c_str());
    else if (a == "--rate") rate = std::atoi(next().c_str());
    else if (a == "--port") port = std::atoi(next().c_str());
    else if (a == "--remote-port") remotePort = std::atoi(next().c_str());
    else if (a == "--echo") echo = true;
    else if (a == "--incall") incall = true;
    else if (a == "--winmm") winmm = true;
    else if (a == "--log") logPath = next();
    else if (a == "--tone") tone = next();
    else if (a == "--jitter") {
      int j = 0, m = 0, f = 0;
      std::sscanf(next().c_str(), "%d,%d,%d", &j, &m, &f);
      jitter[0] = j, jitter[1] = m, jitter[2] = f;
    }
    else if (a == "--record") host.record = true, host.mixdir = next();
  }
  if (!logPath.empty()) host.log = std::fopen(logPath.c_str(), "w");
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  voice::FileAudioConfig config;
  config.micWav = mic;
  config.speakerWav = out;
  auto backend = winmm ? voice::CreateWinmmBackend() : voice::CreateFileBackend(config);
  voice::WaveDevice wave(*backend, host);
  voice::TonePlayer tones(wave, host);
  voice::CodecBinding codec(host);
  voice::VoiceEngine engine(host, wave, tones, codec);
  engine.SetEcho(echo);
  engine.SetJitter(jitter[0], jitter[1], jitter[2]);
  if (!tone.empty()) {
    const DWORD t = GetTickCount();
    tones.PlaySound2(tone.c_str(), 0);
    std::printf("tone played in %lu ms, device %s\n", static_cast<unsigned long>(GetTickCount() - t),
                wave.OutputOpen() ? "still open" : "closed");
    if (ms <= 0) return 0;
  }
  voice::VoiceCall call;
  call.localAddress = local;
  call.endpoint.sin_family = AF_INET;
  call.localPort = uint16_t(port);
  call.endpoint.sin_port = htons(uint16_t(remotePort));
  call.endpoint.sin_addr.s_addr = inet_addr(remote.c_str());
  call.rate = rate;
  call.outcall = !incall;
  const uint64_t cpu0 = CpuMs();
  const DWORD t0 = GetTickCount();
  if (engine.Start(call) != 0) {
    std::printf("start failed\n");
    return 2;
  }
  std::printf("started\n");
  std::fflush(stdout);
  Sleep(DWORD(ms));
  const uint64_t cpu = CpuMs() - cpu0;
  const DWORD wall = GetTickCount() - t0;
  engine.Stop();
  std::printf("sent=%u played=%u cpu_ms=%llu server_cpu_ms=%llu wave_cpu_ms=%llu wall_ms=%lu recording=%s\n",
              engine.TotalSent(), engine.TotalPlayed(), static_cast<unsigned long long>(cpu),
              static_cast<unsigned long long>(engine.ServerCpuMs()), static_cast<unsigned long long>(wave.ThreadCpuMs()),
              static_cast<unsigned long>(wall), engine.RecordingName().c_str());
  if (host.log) std::fclose(host.log);
  WSACleanup();
  return 0;
}
