#include "voip/voice/win/VoiceEngine.h"

#include "voip/voice/core/MixFile.h"
#include "voip/voice/core/Rtp.h"

#include <commdlg.h>
#include <ws2tcpip.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace voice {
namespace {

constexpr uint32_t kNoVoiceMs = 180000;

std::string Dotted(const sockaddr_in& a) {
  const uint8_t* b = reinterpret_cast<const uint8_t*>(&a.sin_addr.s_addr);
  char text[20];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return text;
}

bool AnySpeech(const uint8_t* frames, size_t n) {
  for (size_t at = 0; at < n; at += FrameBytes(frames[at]))
    if (IsSpeechFrame(frames[at])) return true;
  return false;
}

}  // namespace

VoiceEngine::VoiceEngine(VoiceHost& host, WaveDevice& wave, TonePlayer& tones, CodecBinding& codec)
    : host_(host), wave_(wave), tones_(tones), codec_(codec) {}

VoiceEngine::~VoiceEngine() {
  Stop();
  AwaitExiting();
}

void VoiceEngine::AwaitExiting() {
  if (!exiting_) return;
  if (GetThreadId(exiting_) != GetCurrentThreadId()) WaitForSingleObject(exiting_, INFINITE);
  CloseHandle(exiting_);
  exiting_ = nullptr;
}

void VoiceEngine::Logf(int level, const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  host_.Log(level, line);
}

int VoiceEngine::Start(const VoiceCall& call) {
  if (server_) Stop();
  AwaitExiting();  // its cleanup must not meet the new call's socket and devices
  tones_.PlaySound2(nullptr, 0);
  if (!lockBReady_) {
    InitializeCriticalSection(&lockB_);
    lockBReady_ = true;
  }
  outcall_ = call.outcall;
  callKind_ = call.callKind;
  endpoint_ = call.endpoint;
  latched_ = false;
  recordingName_.clear();
  recordingHandedOver_ = false;

  socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (socket_ == INVALID_SOCKET) return Stop(), -1;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(call.localPort);
  local.sin_addr.s_addr = call.localAddress.empty() ? INADDR_ANY : inet_addr(call.localAddress.c_str());
  if (bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    Logf(kLogErrors, "voice socket bind %s:%d failed (%d)", call.localAddress.c_str(), call.localPort, WSAGetLastError());
    Stop();
    return -1;
  }
  u_long nonBlocking = 1;
  ioctlsocket(socket_, FIONBIO, &nonBlocking);
  int size = 2048;
  setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
  setsockopt(socket_, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&size), sizeof size);
  linger lg{1, 0};
  setsockopt(socket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&lg), sizeof lg);  // may be refused
  int got = 0, len = sizeof got;
  getsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&got), &len);
  Logf(kLogSetup, "voice Rx buf=%d", got);
  len = sizeof got;
  getsockopt(socket_, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&got), &len);
  Logf(kLogSetup, "voice Tx buf=%d", got);
  Logf(kLogProtocol, "remote RTP ip=%s port=%d", Dotted(endpoint_).c_str(), ntohs(endpoint_.sin_port));
  seq_ = 0;
  ts_ = 0;

  if (codec_.Load(call.rate) != 0) return Stop(), -1;

  InterlockedExchange(&running_, 1);
  InterlockedExchange(&finishOnExit_, 0);
  server_ = CreateThread(nullptr, 0, &VoiceEngine::ServerProc, this, 0, &serverId_);
  if (!server_) return Stop(), -1;

  if (wave_.Start([this](const int16_t* s, size_t b) { SendProc(s, b); }, 3) != 0) return Stop(), -1;

  if (host_.RegistryInt("record")) {
    std::string folder = host_.RegistryString("mixdir");
    if (folder.empty()) {
      char temp[MAX_PATH] = "";
      GetTempPathA(sizeof temp, temp);
      folder = temp;
    }
    SYSTEMTIME t;
    GetLocalTime(&t);
    recordingName_ = MixFileName(folder, t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, outcall_);
    EnterCriticalSection(&lockB_);
    recording_ = CreateFileA(recordingName_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD wrote = 0;
    if (recording_ != INVALID_HANDLE_VALUE) WriteFile(recording_, kMixMagic, 8, &wrote, nullptr);
    LeaveCriticalSection(&lockB_);
    Logf(kLogSetup, "record %d=%s", recording_ != INVALID_HANDLE_VALUE ? 1 : -1, recordingName_.c_str());
  }
  maxPending_ = 0;
  return 0;
}

void VoiceEngine::Stop() {
  Logf(kLogSetup, "voice_stop: maxpf=%d", maxPending_);
  maxPending_ = 0;
  if (server_) {
    InterlockedExchange(&running_, 0);
    if (GetCurrentThreadId() == serverId_) {
      // Asked from the voice thread itself (the no-voice report): it finishes when it leaves
      // its loop instead of waiting for itself.
      InterlockedExchange(&finishOnExit_, 1);
      if (exiting_) CloseHandle(exiting_);
      exiting_ = server_;
      server_ = nullptr;
      return;
    }
    WaitForSingleObject(server_, INFINITE);
    CloseHandle(server_);
    server_ = nullptr;
  }
  Finish();
}

void VoiceEngine::Finish() {
  wave_.Stop();
  if (socket_ != INVALID_SOCKET) {
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
    host_.Log(kLogSetup, "RTP socket closed.");
  }
  codec_.Unload();
  if (lockBReady_) {
    EnterCriticalSection(&lockB_);
    if (recording_ != INVALID_HANDLE_VALUE) CloseHandle(recording_);
    recording_ = INVALID_HANDLE_VALUE;
    LeaveCriticalSection(&lockB_);
  }
  if (!recordingName_.empty() && !recordingHandedOver_ && host_.RegistryInt("recask")) {
    recordingHandedOver_ = true;
    host_.RecordingFinished(recordingName_);
  }
}

void VoiceEngine::Record(const uint8_t* frames, size_t n, bool sent) {
  if (!lockBReady_) return;
  EnterCriticalSection(&lockB_);
  if (recording_ != INVALID_HANDLE_VALUE) {
    uint8_t head[kMixChunkHead];
    MixChunkHead(head, n, sent);
    DWORD wrote = 0;
    WriteFile(recording_, head, sizeof head, &wrote, nullptr);
    WriteFile(recording_, frames, DWORD(n), &wrote, nullptr);
  }
  LeaveCriticalSection(&lockB_);
}

void VoiceEngine::SendProc(const int16_t* samples, size_t bytes) {
  if (echo_ || !running_) return;
  uint8_t packet[kMaxPacket];
  BuildHeader(packet, seq_, ts_);
  ts_ += uint32_t(bytes / 2);
  const size_t n = codec_.EncodeFrames(samples, bytes / 2, packet + kHeaderSize, kMaxPayload);
  if (!AnySpeech(packet + kHeaderSize, n)) {
    host_.Log(kLogVoiceTrace, "Tx all silences.");
    if (!codec_.Mute()) {
      InterlockedIncrement(&sends_);
      return;
    }
  }
  EnterCriticalSection(&lockB_);
  const sockaddr_in to = endpoint_;
  LeaveCriticalSection(&lockB_);
  const int r = sendto(socket_, reinterpret_cast<const char*>(packet), int(kHeaderSize + n), 0,
                       reinterpret_cast<const sockaddr*>(&to), sizeof to);
  if (r >= 0) {
    InterlockedIncrement(&sends_);
    ++totalSent_;
  } else {
    InterlockedIncrement(&sendErrors_);
  }
  const uint32_t now = host_.NowMs();
  Logf(kLogVoiceTrace, "voice-out sn=%-5d ts=%08X send(%d)=%-3d ms", seq_, ts_ - uint32_t(bytes / 2), r,
       r >= 0 ? int(now - lastSendMs_) : -1);
  lastSendMs_ = now;
  ++seq_;
  Record(packet + kHeaderSize, n, true);
}

DWORD WINAPI VoiceEngine::ServerProc(void* self) {
  static_cast<VoiceEngine*>(self)->ServerLoop();
  return 0;
}

void VoiceEngine::ServerLoop() {
  host_.Log(kLogProtocol, "voice server started...");
  if (!settingsRead_) {
    settingsRead_ = true;
    auto ini = [&](const char* key) { return std::atoi(host_.IniString(key).c_str()); };
    settings_.Set(ini("jitz"), ini("misz"), ini("fffz"));
    const std::string echo = host_.IniString("echo");
    if (!echo.empty()) echo_ = std::atoi(echo.c_str()) != 0;
  }
  Logf(kLogProtocol, "jit-buf jitz=%d misz=%d fffz=%d (in frames)", int(settings_.Cap() / 240), settings_.misz,
       settings_.fffz);
  auto jb = std::make_unique<JitterBuffer>(
      settings_,
      [this](const uint8_t* p, size_t n, int16_t* out, size_t cap) { return codec_.DecodeFrames(p, n, out, cap); },
      [this](const uint8_t* p, size_t n) { Record(p, n, false); },
      [this](int level, const std::string& line) { host_.Log(level, line); });
  if (!SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL))
    host_.Log(kLogCalls, "voice server thread is not realtime!!");
  uint32_t lastRecv = host_.NowMs(), lastStat = lastRecv;
  lastSendMs_ = lastRecv;
  bool silentReported = false;
  uint8_t buf[2048];
  int16_t block[JitterBuffer::kBlockSamples];
  uint32_t waitMs = 1;
  while (running_) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    // Packets end the wait at once; between them it lasts only until the feed's next decision,
    // which saves most wake-ups while the output is paced.
    timeval wait{0, long(waitMs) * 1000};
    select(0, &readable, nullptr, nullptr, &wait);
    for (;;) {
      sockaddr_in from{};
      int fromLen = sizeof from;
      const int n = recvfrom(socket_, reinterpret_cast<char*>(buf), sizeof buf, 0,
                             reinterpret_cast<sockaddr*>(&from), &fromLen);
      if (n < 0) break;
      RtpView v;
      if (!ParseRtp(buf, size_t(n), v) || v.payloadType != kPayloadType) continue;
      const uint32_t now = host_.NowMs();
      if (!outcall_ && !latched_) {
        const bool differs = callKind_ == 300
                                 ? from.sin_addr.s_addr != endpoint_.sin_addr.s_addr
                                 : (from.sin_addr.s_addr != endpoint_.sin_addr.s_addr || from.sin_port != endpoint_.sin_port);
        if (differs) {
          EnterCriticalSection(&lockB_);
          endpoint_ = from;
          LeaveCriticalSection(&lockB_);
          latched_ = true;
          Logf(kLogCalls, "IP in RTP header=%s", Dotted(from).c_str());
        }
      }
      if (echo_) {
        const int r = sendto(socket_, reinterpret_cast<const char*>(buf), n, 0,
                             reinterpret_cast<const sockaddr*>(&endpoint_), sizeof endpoint_);
        InterlockedIncrement(r >= 0 ? &sends_ : &sendErrors_);
        if (r >= 0) ++totalSent_;
        Logf(kLogVoiceTrace, "vecho-out sn=%-5d ts=%08X send(%d)=%-3d ms", v.seq, v.timestamp, r, int(now - lastSendMs_));
        lastSendMs_ = now;
      }
      Logf(kLogVoiceTrace, "voice-in  sn=%-5d ts=%08X recv(%d)=%-3d ms", v.seq, v.timestamp, n, int(now - lastRecv));
      lastRecv = now;
      jb->Receive(buf, size_t(n));
    }
    jb->PlayoutStep();
    const uint32_t now = host_.NowMs();
    const int pending = wave_.PlayoutPending();
    if (jb->Feed(now, pending, wave_.LagSamples(), block)) {
      wave_.Play(block, sizeof block);
      ++totalPlayed_;
      waitMs = 1;
    } else {
      waitMs = jb->IdleMs(now, pending, wave_.LagSamples());
    }
    if (now - lastStat > 1000) {
      lastStat = now;
      const int rx = RatioPercent(jb->good, jb->bad);
      const int tx = RatioPercent(unsigned(sends_), unsigned(sendErrors_));
      host_.VoiceStat(rx, tx);
      jb->good = jb->bad = 0;
      InterlockedExchange(&sends_, 0);
      InterlockedExchange(&sendErrors_, 0);
      if (rx != tx) Logf(kLogCalls, "ratios tx=%d%% rx=%d%%", tx, rx);
    }
    if (!silentReported && now - lastRecv > kNoVoiceMs) {
      silentReported = true;  // once: the host resets the call
      host_.NoVoice();
    }
  }
  maxPending_ = jb->MaxPending();
  serverCpuMs_ = ThreadCpuMs();
  host_.Log(kLogProtocol, "voice server stopped...");
  if (finishOnExit_) Finish();
}

uint64_t ThreadCpuMs() {
  FILETIME c, e, k, u;
  if (!GetThreadTimes(GetCurrentThread(), &c, &e, &k, &u)) return 0;
  auto ms = [](FILETIME f) { return ((uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000; };
  return ms(k) + ms(u);
}

bool MoveRecording(const std::string& recording, const std::string& chosen) {
  if (recording.empty() || chosen.empty()) return false;
  // The same file under another spelling: nothing to move.
  HANDLE a = CreateFileA(recording.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (a == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  GetFileInformationByHandle(a, &ia);
  CloseHandle(a);
  HANDLE b = CreateFileA(chosen.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (b != INVALID_HANDLE_VALUE) {
    GetFileInformationByHandle(b, &ib);
    CloseHandle(b);
    if (ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
        ia.nFileIndexLow == ib.nFileIndexLow &&
        CompareFileTime(&ia.ftCreationTime, &ib.ftCreationTime) == 0)
      return true;
  }
  return MoveFileExA(recording.c_str(), chosen.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != 0;
}

int RecordAsk(HWND owner, const std::string& filter, const std::string& title, std::string& mixdir,
              std::string& pathOut) {
  char path[256] = "";
  char initial[256];
  std::snprintf(initial, sizeof initial, "%s", mixdir.c_str());
  // Resource filters separate their parts with '|'.
  std::string f = filter;
  for (char& c : f) if (c == '|') c = '\0';
  f.push_back('\0');
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = f.c_str();
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  ofn.lpstrInitialDir = initial;
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = "mix";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameA(&ofn)) return -1;
  pathOut = path;
  mixdir = FolderOfPath(pathOut);
  return 0;
}

}  // namespace voice
