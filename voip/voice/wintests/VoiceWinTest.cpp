// The wave device, tone player, codec binding and voice engine under Wine over the test audio
// device; two engines in one process talk over 127.0.0.2 and 127.0.0.3.
#include "voip/voice/core/FrameCodec.h"
#include "voip/voice/core/MixFile.h"
#include "voip/voice/core/ToneFile.h"
#include "voip/voice/win/AudioBackend.h"
#include "voip/voice/win/CodecBinding.h"
#include "voip/voice/win/TonePlayer.h"
#include "voip/voice/win/VoiceEngine.h"
#include "voip/voice/win/WaveDevice.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace voice {
namespace {

constexpr double kPi = 3.14159265358979323846;

class TestHost : public VoiceHost {
 public:
  std::mutex m;
  std::vector<std::string> lines, errors;
  std::atomic<int> stats{0}, noVoice{0};
  std::atomic<int> lastRx{-1};
  std::atomic<uint32_t> clockOffset{0};
  std::function<void()> onNoVoice;
  int record = 0, recask = 0;
  std::string mixdir;
  std::string finished;
  void Log(int, const std::string& line) override {
    std::lock_guard<std::mutex> g(m);
    lines.push_back(line);
  }
  void Error(const std::string& text) override {
    std::lock_guard<std::mutex> g(m);
    errors.push_back(text);
  }
  void VoiceStat(int rx, int) override {
    lastRx = rx;
    ++stats;
  }
  void NoVoice() override {
    ++noVoice;
    if (onNoVoice) onNoVoice();
  }
  uint32_t NowMs() override { return GetTickCount() + clockOffset; }
  int RegistryInt(const char* name) override {
    if (!std::strcmp(name, "record")) return record;
    if (!std::strcmp(name, "recask")) return recask;
    return 0;
  }
  std::string RegistryString(const char* name) override { return std::strcmp(name, "mixdir") ? "" : mixdir; }
  void RecordingFinished(const std::string& recording) override {
    std::lock_guard<std::mutex> g(m);
    finished = recording;
  }
  std::string Dump() {
    std::lock_guard<std::mutex> g(m);
    std::string all;
    for (auto& l : lines) all += l + "\n";
    for (auto& l : errors) all += "error: " + l + "\n";
    return all;
  }
  bool Logged(const std::string& text) {
    std::lock_guard<std::mutex> g(m);
    for (auto& l : lines) if (l.find(text) != std::string::npos) return true;
    return false;
  }
};

std::string TempDir(const char* name) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  std::string dir = std::string(temp) + name;
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

void WriteWav(const std::string& path, const std::vector<int16_t>& samples, bool withData = true) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  auto le32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) std::fputc(int(v >> (8 * i)) & 0xFF, f); };
  std::fwrite("RIFF", 1, 4, f);
  le32(uint32_t(36 + samples.size() * 2));
  std::fwrite("WAVEfmt ", 1, 8, f);
  le32(16);
  const uint8_t fmt[] = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0};
  std::fwrite(fmt, 1, sizeof fmt, f);
  std::fwrite(withData ? "data" : "dat_", 1, 4, f);
  le32(uint32_t(samples.size() * 2));
  std::fwrite(samples.data(), 2, samples.size(), f);
  std::fclose(f);
}

std::vector<int16_t> Tone(double hz, double seconds, double amplitude = 10000) {
  std::vector<int16_t> s(size_t(seconds * 8000));
  for (size_t n = 0; n < s.size(); ++n) s[n] = int16_t(std::lround(amplitude * std::sin(2 * kPi * hz * n / 8000)));
  return s;
}

std::vector<int16_t> ReadWav(const std::string& path) {
  std::vector<int16_t> out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  std::vector<uint8_t> bytes;
  int c;
  while ((c = std::fgetc(f)) != EOF) bytes.push_back(uint8_t(c));
  std::fclose(f);
  const long at = FindToneData(bytes.data(), bytes.size());
  if (at < 0) return out;
  for (size_t i = size_t(at); i + 1 < bytes.size(); i += 2) out.push_back(int16_t(bytes[i] | bytes[i + 1] << 8));
  return out;
}

double PowerAt(const std::vector<int16_t>& x, double hz) {
  const double w = 2 * kPi * hz / 8000, c = 2 * std::cos(w);
  double s1 = 0, s2 = 0;
  for (int16_t v : x) {
    const double s = v + c * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  return (s1 * s1 + s2 * s2 - c * s1 * s2) / (double(x.size()) * x.size() + 1);
}

TEST(WaveDevice, RecordsBlocksPlaysQueuedSoundAndClampsVolume) {
  TestHost host;
  const std::string dir = TempDir("nv-wave");
  WriteWav(dir + "\\mic.wav", Tone(440, 1));
  FileAudioConfig cfg{dir + "\\mic.wav", dir + "\\out.wav", false};
  {
    auto backend = CreateFileBackend(cfg);
    WaveDevice wave(*backend, host);
    std::atomic<int> blocks{0};
    std::atomic<size_t> bytes{0};
    ASSERT_EQ(wave.Start([&](const int16_t*, size_t n) { ++blocks; bytes = n; }, 0), 0);
    EXPECT_TRUE(wave.Running());
    EXPECT_EQ(wave.Start(nullptr, 1), 0) << "a second start does nothing";
    ASSERT_TRUE(nvtest::PumpUntil([&] { return blocks >= 3; }, 5000));
    EXPECT_EQ(bytes.load(), 1440u);
    const auto tone = Tone(1000, 0.5);
    wave.Play(tone.data(), tone.size() * 2);
    EXPECT_GT(wave.PlayoutPending(), 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return wave.PendingBuffers() == 0; }, 5000));
    EXPECT_EQ(wave.SetVolume(150), 100);
    EXPECT_EQ(wave.SetVolume(-5), 0);
    EXPECT_EQ(wave.SetVolume(50), 49);
    wave.Stop();
    EXPECT_FALSE(wave.Running());
    EXPECT_EQ(wave.SetVolume(30), -1) << "no device open";
    EXPECT_EQ(wave.SetVolume(0), 0);
  }
  const auto played = ReadWav(dir + "\\out.wav");
  EXPECT_EQ(played.size(), 4000u) << "every queued sample played once, nothing more";
  EXPECT_GT(PowerAt(played, 1000), 100 * PowerAt(played, 440));
}

TEST(WaveDevice, FullQueueIsResetAndTheRestDropped) {
  TestHost host;
  auto backend = CreateFileBackend({});
  WaveDevice wave(*backend, host);
  ASSERT_EQ(wave.Start(nullptr, 1), 0);
  const auto tone = Tone(500, 30 * 0.03);  // 30 one-frame buffers at once; there are 16
  wave.Play(tone.data(), tone.size() * 2);
  EXPECT_TRUE(host.Logged("no wohdr[]!!"));
  EXPECT_TRUE(host.Logged("wave_out_reset!!"));
  ASSERT_TRUE(nvtest::PumpUntil([&] { return wave.PendingBuffers() == 0; }, 3000)) << "every buffer came back";
  EXPECT_EQ(wave.PlayoutPending(), 0);
  // The device takes buffers again afterwards.
  wave.Play(tone.data(), 480);
  EXPECT_EQ(wave.PendingBuffers(), 1);
  wave.Stop();
}

TEST(WaveDevice, PicksTheDeviceByPartOfItsNameAndReportsOpenFailures) {
  TestHost host;
  auto backend = CreateFileBackend({});
  WaveDevice wave(*backend, host);
  wave.SetDeviceName("Speaker");
  ASSERT_EQ(wave.Start(nullptr, 1), 0);
  EXPECT_TRUE(host.Logged("wdev[0]=Test Speaker (Speaker)"));
  // The device is taken: a second wave layer on the same backend cannot open it.
  WaveDevice other(*backend, host);
  EXPECT_EQ(other.Start(nullptr, 1), -1);
  EXPECT_FALSE(other.Running());
  {
    std::lock_guard<std::mutex> g(host.m);
    ASSERT_FALSE(host.errors.empty());
    EXPECT_EQ(host.errors.back().rfind("waveOutOpen(", 0), 0u) << host.errors.back();
  }
  wave.Stop();
}

TEST(TonePlayer, LoopsStopsCooperativelyAndPlaysDtmfToTheEnd) {
  TestHost host;
  const std::string dir = TempDir("nv-tones");
  WriteWav(dir + "\\busy.wav", Tone(480, 0.3));
  WriteWav(dir + "\\ringo.wav", Tone(425, 0.3));
  WriteWav(dir + "\\d5.wav", Tone(770, 0.2));
  WriteWav(dir + "\\nodata.wav", Tone(300, 0.2), false);
  FileAudioConfig cfg{"", dir + "\\out.wav", false};
  {
    auto backend = CreateFileBackend(cfg);
    WaveDevice wave(*backend, host);
    TonePlayer tones(wave, host);
    tones.SetFolder(dir);
    tones.PlayToneFile("busy.wav");
    ASSERT_TRUE(nvtest::PumpUntil([&] { return wave.OutputOpen(); }, 3000));
    // A ring-back started while busy plays stops the busy tone first.
    tones.PlayToneFile("ringo.wav");
    ASSERT_TRUE(nvtest::PumpUntil([&] { return host.Logged("PlaySound2(" + dir + "/ringo.wav)"); }, 3000));
    tones.PlayToneFile(nullptr);
    EXPECT_TRUE(tones.WaitIdle(3000));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return !wave.OutputOpen(); }, 3000)) << "the tone thread closes what it opened";
    // A DTMF tone is synchronous and fully played before the device closes.
    tones.PlayDtmfTone('5');
    EXPECT_FALSE(wave.OutputOpen());
    tones.PlaySound2((dir + "\\nodata.wav").c_str(), 0);
  }
  const auto out = ReadWav(dir + "\\out.wav");
  const std::vector<int16_t> tail(out.end() - 1600, out.end());
  EXPECT_GT(PowerAt(tail, 770), 100 * PowerAt(tail, 425)) << "the DTMF tone is the last thing played";
  EXPECT_GT(PowerAt(tail, 770), 100 * PowerAt(tail, 300)) << "a file without a data chunk plays nothing";
  EXPECT_GE(out.size(), 1600u);
}

TEST(CodecBinding, LoadsOurDllAndFailsCleanlyWithoutIt) {
  TestHost host;
  CodecBinding codec(host);
  ASSERT_EQ(codec.Load(63), 0);
  const auto tone = Tone(1000, 0.09);
  uint8_t frames[100];
  EXPECT_EQ(codec.EncodeFrames(tone.data(), tone.size(), frames, sizeof frames), 72u);
  codec.SetMute(true);
  EXPECT_EQ(codec.EncodeFrames(tone.data(), tone.size(), frames, sizeof frames), 3u);
  codec.SetMute(false);
  codec.Unload();
  ASSERT_EQ(codec.Load(53), 0);
  EXPECT_EQ(codec.EncodeFrames(tone.data(), 100, frames, sizeof frames), 20u) << "a partial frame is padded";
  int16_t out[720];
  EXPECT_EQ(codec.DecodeFrames(frames, 20, out, 720), 240u);
  codec.Unload();
  EXPECT_FALSE(codec.Loaded());
  EXPECT_TRUE(codec.ModuleLoaded()) << "the library stays for the next call";

  CodecBinding missing(host, "no-such-codec.dll");
  EXPECT_EQ(missing.Load(63), -1);
  std::lock_guard<std::mutex> g(host.m);
  ASSERT_FALSE(host.errors.empty());
  EXPECT_EQ(host.errors.back(), "Codec 'no-such-codec.dll' is not found!");
}

struct Side {
  TestHost host;
  std::unique_ptr<AudioBackend> backend;
  std::unique_ptr<WaveDevice> wave;
  std::unique_ptr<TonePlayer> tones;
  std::unique_ptr<CodecBinding> codec;
  std::unique_ptr<VoiceEngine> engine;
  void Make(const FileAudioConfig& cfg) {
    backend = CreateFileBackend(cfg);
    wave = std::make_unique<WaveDevice>(*backend, host);
    tones = std::make_unique<TonePlayer>(*wave, host);
    codec = std::make_unique<CodecBinding>(host);
    engine = std::make_unique<VoiceEngine>(host, *wave, *tones, *codec);
  }
  // Dependents first; the backend flushes its speaker file when it goes.
  void Close() {
    engine.reset();
    tones.reset();
    codec.reset();
    wave.reset();
    backend.reset();
  }
  ~Side() { Close(); }
};

// Wine binds a UDP socket for a local interface address to the any-address (so that broadcasts
// arrive), so two engines on 127.0.0.2 and 127.0.0.3 cannot both have port 8995: A uses 8997.
constexpr uint16_t kPortA = 8997;
constexpr uint16_t kSilentPort = 8979; // used by no other test

VoiceCall Call(const char* local, const char* remote, bool outcall, uint16_t localPort = kRtpPort,
               uint16_t remotePort = kRtpPort) {
  VoiceCall c;
  c.localAddress = local;
  c.localPort = localPort;
  c.endpoint.sin_family = AF_INET;
  c.endpoint.sin_port = htons(remotePort);
  c.endpoint.sin_addr.s_addr = inet_addr(remote);
  c.outcall = outcall;
  return c;
}

class VoiceEngineTest : public testing::Test {
 protected:
  void SetUp() override {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
  }
  void TearDown() override { WSACleanup(); }
};

TEST_F(VoiceEngineTest, TwoEnginesCarryToneBothWaysAndRecordTheCall) {
  const std::string dir = TempDir("nv-voice");
  WriteWav(dir + "\\a-mic.wav", Tone(1000, 3));
  WriteWav(dir + "\\b-mic.wav", Tone(600, 3));
  Side a, b;
  a.host.record = 1;
  a.host.recask = 1;
  a.host.mixdir = dir;
  a.Make({dir + "\\a-mic.wav", dir + "\\a-out.wav", false});
  b.Make({dir + "\\b-mic.wav", dir + "\\b-out.wav", false});
  // B answers a call: its endpoint is a wrong port until A's first packet latches it.
  VoiceCall bc = Call("127.0.0.3", "127.0.0.2", false, kRtpPort, 9999);
  ASSERT_EQ(b.engine->Start(bc), 0);
  ASSERT_EQ(a.engine->Start(Call("127.0.0.2", "127.0.0.3", true, kPortA)), 0) << a.host.Dump();
  ASSERT_TRUE(nvtest::PumpUntil([&] { return a.engine->TotalPlayed() >= 15 && b.engine->TotalPlayed() >= 15; }, 15000));
  EXPECT_TRUE(b.engine->Latched());
  EXPECT_EQ(ntohs(b.engine->Endpoint().sin_port), kPortA);
  EXPECT_FALSE(a.engine->Latched()) << "the caller never latches";
  ASSERT_TRUE(nvtest::PumpUntil([&] { return a.host.stats > 0; }, 3000));
  const std::string recording = a.engine->RecordingName();
  a.engine->Stop();
  b.engine->Stop();
  EXPECT_EQ(a.host.finished, recording) << "the save question goes to the host, not asked here";
  a.Close();
  b.Close();

  const auto atA = ReadWav(dir + "\\a-out.wav");
  const auto atB = ReadWav(dir + "\\b-out.wav");
  ASSERT_GT(atA.size(), 8000u);
  ASSERT_GT(atB.size(), 8000u);
  EXPECT_GT(PowerAt(atB, 1000), 50 * PowerAt(atB, 600)) << "B hears A's 1 kHz";
  EXPECT_GT(PowerAt(atA, 600), 50 * PowerAt(atA, 1000)) << "A hears B's 600 Hz";

  // The recording: the head, then sent (negative) and played (positive) chunks of 72 bytes.
  FILE* f = std::fopen(recording.c_str(), "rb");
  ASSERT_NE(f, nullptr) << recording;
  std::vector<uint8_t> bytes;
  int c;
  while ((c = std::fgetc(f)) != EOF) bytes.push_back(uint8_t(c));
  std::fclose(f);
  std::vector<MixChunk> chunks;
  ASSERT_TRUE(ParseMix(bytes.data(), bytes.size(), chunks));
  size_t sent = 0, heard = 0;
  // The chunks hold real codec frames: decoded, A's side carries 1 kHz and B's side 600 Hz.
  void* handle = nullptr;
  ASSERT_EQ(SX5363_Open(&handle), 0);
  CodecEntries codec;
  codec.handle = handle;
  codec.decode = &SX5363_SpeechDecode;
  FrameDecoder sentFrames, heardFrames;
  std::vector<int16_t> sentPcm, heardPcm;
  for (auto& ch : chunks) {
    EXPECT_EQ(ch.frames.size(), 72u);
    (ch.sent ? sent : heard)++;
    int16_t pcm[720];
    const size_t n = (ch.sent ? sentFrames : heardFrames).Decode(codec, ch.frames.data(), ch.frames.size(), pcm, 720);
    (ch.sent ? sentPcm : heardPcm).insert((ch.sent ? sentPcm : heardPcm).end(), pcm, pcm + n);
  }
  SX5363_Close(&handle);
  EXPECT_GE(sent, 15u);
  EXPECT_GE(heard, 15u);
  EXPECT_GT(PowerAt(sentPcm, 1000), 50 * PowerAt(sentPcm, 600));
  EXPECT_GT(PowerAt(heardPcm, 600), 50 * PowerAt(heardPcm, 1000));
  const std::string name = recording.substr(recording.find_last_of('\\') + 1);
  EXPECT_EQ(name.size(), std::string("2026-01-05 090307 outcall.mix").size()) << name;
  EXPECT_NE(name.find(" outcall.mix"), std::string::npos);

  // Moving it to the user's choice: an existing file is replaced only by a successful move.
  const std::string chosen = dir + "\\chosen.mix";
  WriteWav(chosen, Tone(100, 0.01));
  EXPECT_FALSE(MoveRecording(dir + "\\missing.mix", chosen));
  EXPECT_EQ(GetFileAttributesA(chosen.c_str()) != INVALID_FILE_ATTRIBUTES, true) << "kept when the move fails";
  EXPECT_TRUE(MoveRecording(recording, chosen));
  EXPECT_EQ(GetFileAttributesA(recording.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(MoveRecording(chosen, chosen)) << "the same file is left alone";
  DeleteFileA(chosen.c_str());
}

TEST_F(VoiceEngineTest, EchoModeReflectsAndMuteStillSendsSilentFrames) {
  const std::string dir = TempDir("nv-echo");
  WriteWav(dir + "\\a-mic.wav", Tone(1000, 3));
  Side a, b;
  a.Make({dir + "\\a-mic.wav", dir + "\\a-out.wav", false});
  b.Make({dir + "\\a-mic.wav", "", false});
  b.engine->SetEcho(true);
  ASSERT_EQ(b.engine->Start(Call("127.0.0.3", "127.0.0.2", false, kRtpPort, kPortA)), 0);
  ASSERT_EQ(a.engine->Start(Call("127.0.0.2", "127.0.0.3", true, kPortA)), 0);
  ASSERT_TRUE(nvtest::PumpUntil([&] { return a.engine->TotalPlayed() >= 10; }, 15000));
  EXPECT_TRUE(b.host.Logged("vecho-out")) << "B returns A's packets";
  EXPECT_FALSE(b.host.Logged("voice-out")) << "B sends nothing of its own";
  a.codec->SetMute(true);
  const unsigned before = a.engine->TotalSent();
  ASSERT_TRUE(nvtest::PumpUntil([&] { return a.engine->TotalSent() >= before + 3; }, 5000))
      << "muted blocks still go out";
  a.engine->Stop();
  b.engine->Stop();
  a.Close();
  const auto heard = ReadWav(dir + "\\a-out.wav");
  EXPECT_GT(PowerAt(heard, 1000), 100 * PowerAt(heard, 600)) << "A hears itself through B";
}

TEST_F(VoiceEngineTest, SilentFarSideIsReportedOnceAndStopFromTheVoiceThreadDoesNotHang) {
  Side a;
  a.Make({});
  std::atomic<bool> stopped{false};
  a.host.onNoVoice = [&] {
    a.engine->Stop();  // what a host that resets the call at once would do, on the voice thread
    stopped = true;
  };
  // A port of its own: any packet (another test's call on the usual port) would be a voice.
  ASSERT_EQ(a.engine->Start(Call("127.0.0.2", "127.0.0.9", true, kSilentPort, kSilentPort)), 0);
  // The voice thread takes its start time when it runs: on a loaded machine that can be after
  // the clock moves, and then no silence is ever seen. Its first statistics line says it runs.
  ASSERT_TRUE(nvtest::PumpUntil([&] { return a.host.stats > 0; }, 5000));
  a.host.clockOffset = 181000;  // three minutes pass without a packet
  // A deadline, not a pace: on a loaded machine the report and the stop from the voice thread
  // (which closes the wave devices) have taken over 5 s under Wine.
  ASSERT_TRUE(nvtest::PumpUntil([&] { return stopped.load(); }, 20000));
  EXPECT_EQ(a.host.noVoice.load(), 1);
  EXPECT_FALSE(a.engine->Running());
  // The next call may start at once: it waits for the old thread's cleanup, then has the port.
  a.host.clockOffset = 0;
  ASSERT_EQ(a.engine->Start(Call("127.0.0.2", "127.0.0.9", true, kSilentPort, kSilentPort)), 0);
  EXPECT_TRUE(a.host.Logged("RTP socket closed."));
  a.engine->Stop();
}

TEST_F(VoiceEngineTest, MissingCodecFailsTheStartAndReleasesThePort) {
  Side a;
  a.backend = CreateFileBackend({});
  a.wave = std::make_unique<WaveDevice>(*a.backend, a.host);
  a.tones = std::make_unique<TonePlayer>(*a.wave, a.host);
  a.codec = std::make_unique<CodecBinding>(a.host, "absent-codec.dll");
  a.engine = std::make_unique<VoiceEngine>(a.host, *a.wave, *a.tones, *a.codec);
  EXPECT_EQ(a.engine->Start(Call("127.0.0.2", "127.0.0.3", true)), -1);
  EXPECT_FALSE(a.wave->Running());
  SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(kRtpPort);
  at.sin_addr.s_addr = inet_addr("127.0.0.2");
  EXPECT_EQ(bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  closesocket(s);
}

}  // namespace
}  // namespace voice
