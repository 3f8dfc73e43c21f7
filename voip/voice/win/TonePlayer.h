// Ring, ring-back, busy and DTMF tones played from WAV files through the wave device, on a tone
// thread that stops cooperatively when another tone (or none) is asked for.
#pragma once

#include "voip/voice/win/VoiceHost.h"
#include "voip/voice/win/WaveDevice.h"

#include <string>

namespace voice {

class TonePlayer {
 public:
  enum Flags { kAsync = 1, kLoop = 8 };
  TonePlayer(WaveDevice& wave, VoiceHost& host);
  ~TonePlayer();

  void SetFolder(const std::string& folder) { if (!folder.empty()) folder_ = folder.substr(0, 79); }
  void SetArrivalFile(const std::string& name) { if (!name.empty()) arrival_ = name; }
  const std::string& Folder() const { return folder_; }
  const std::string& ArrivalFile() const { return arrival_; }

  // play_tone_file: null stops; "ringi.wav" may be replaced by the arrival file; loops.
  void PlayToneFile(const char* name);
  // play_dtmf_tone: played to its end before returning.
  void PlayDtmfTone(char digit);
  // PlaySound2: returns 1.
  int PlaySound2(const char* path, unsigned flags);
  // Waits for a running tone to end (for tests and shutdown); true when none runs.
  bool WaitIdle(DWORD timeoutMs);

 private:
  static DWORD WINAPI ThreadProc(void* self);
  void PlayFile();

  WaveDevice& wave_;
  VoiceHost& host_;
  std::string folder_ = "./waves";
  std::string arrival_;
  CRITICAL_SECTION cs_;  // guards playing_ and thread_
  std::string playing_;  // empty = stop
  volatile LONG stop_ = 0;
  unsigned flags_ = 0;
  HANDLE thread_ = nullptr;
};

}  // namespace voice
