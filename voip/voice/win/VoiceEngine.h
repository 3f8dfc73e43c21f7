// The RTP voice engine: microphone blocks from the wave thread are encoded and sent as RTP
// packets; a time-critical voice server thread receives the far side's packets, orders them in
// the packet window, decodes them into the jitter buffer and feeds the wave output. It keeps
// statistics, offers an echo mode, reports a far side silent for three minutes, and can record
// both directions into a .mix file.
#pragma once

#include "voip/voice/win/CodecBinding.h"
#include "voip/voice/win/TonePlayer.h"
#include "voip/voice/win/VoiceHost.h"
#include "voip/voice/win/WaveDevice.h"

#include "voip/voice/core/JitterBuffer.h"

#include <winsock2.h>

#include <memory>
#include <string>

namespace voice {

struct VoiceCall {
  std::string localAddress;  // dotted IPv4 to bind port 8995 to ("" = any)
  sockaddr_in endpoint{};    // the far side's voice address (from the signalling)
  int rate = 63;
  bool outcall = true;       // this side sent the INVITE
  int callKind = 0;          // 300: a gateway call (the latch compares the address only)
  uint16_t localPort = kRtpPort;
};

class VoiceEngine {
 public:
  VoiceEngine(VoiceHost& host, WaveDevice& wave, TonePlayer& tones, CodecBinding& codec);
  ~VoiceEngine();

  // voice_start: 0 or -1.
  int Start(const VoiceCall& call);
  // voice_stop: safe from any thread, the voice server thread included.
  void Stop();
  bool Running() const { return server_ != nullptr; }
  // set_jitter: each value only when in range.
  void SetJitter(int jitz, int misz, int fffz) { settings_.Set(jitz, misz, fffz); }
  const JitterSettings& Jitter() const { return settings_; }
  void SetEcho(bool on) { echo_ = on; }
  const std::string& RecordingName() const { return recordingName_; }
  sockaddr_in Endpoint() const { return endpoint_; }
  bool Latched() const { return latched_; }
  // Totals since the start (the statistics counters are per second).
  unsigned TotalSent() const { return totalSent_; }
  unsigned TotalPlayed() const { return totalPlayed_; }
  // CPU time of the last voice server thread (for the benchmark).
  uint64_t ServerCpuMs() const { return serverCpuMs_; }

 private:
  static DWORD WINAPI ServerProc(void* self);
  void ServerLoop();
  void SendProc(const int16_t* samples, size_t bytes);
  void Record(const uint8_t* frames, size_t n, bool sent);
  void Finish();
  void AwaitExiting();
  void Logf(int level, const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 3, 4)))
#endif
      ;

  VoiceHost& host_;
  WaveDevice& wave_;
  TonePlayer& tones_;
  CodecBinding& codec_;
  JitterSettings settings_;
  bool settingsRead_ = false;
  volatile bool echo_ = false;
  SOCKET socket_ = INVALID_SOCKET;
  sockaddr_in endpoint_{};
  volatile bool latched_ = false;
  bool outcall_ = true;
  int callKind_ = 0;
  uint16_t seq_ = 0;
  uint32_t ts_ = 0;
  volatile uint32_t lastSendMs_ = 0;
  volatile LONG sends_ = 0, sendErrors_ = 0;
  volatile unsigned totalSent_ = 0, totalPlayed_ = 0;
  HANDLE server_ = nullptr;
  DWORD serverId_ = 0;
  HANDLE exiting_ = nullptr;  // a server thread finishing a stop it was asked for itself
  volatile LONG running_ = 0;
  volatile LONG finishOnExit_ = 0;
  CRITICAL_SECTION lockB_;
  bool lockBReady_ = false;
  HANDLE recording_ = INVALID_HANDLE_VALUE;
  std::string recordingName_;
  bool recordingHandedOver_ = false;  // a second stop must not offer the same file again
  int maxPending_ = 0;
  uint64_t serverCpuMs_ = 0;
};

// CPU time (kernel + user) of the calling thread in milliseconds.
uint64_t ThreadCpuMs();

// Moves a finished recording to the name the user chose. The chosen file is replaced only by a
// move that succeeds; choosing the recording itself changes nothing. True when the recording is
// now at `chosen`.
bool MoveRecording(const std::string& recording, const std::string& chosen);

// record_ask: the save dialog for a recording, on the calling (UI) thread. `mixdir` is the
// initial folder and receives the chosen file's folder. 0 when the user chose a file, else -1.
int RecordAsk(HWND owner, const std::string& filter, const std::string& title, std::string& mixdir,
              std::string& pathOut);

}  // namespace voice
