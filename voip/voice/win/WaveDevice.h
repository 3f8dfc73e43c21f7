// The wave device layer: a wave thread that receives the device's buffer messages, 16 output
// buffers of 1 to 3 frames and 16 input buffers of 1440 bytes, paced playback queueing, the
// playout position, volume and the device choice by name. One per library (the voice engine,
// the tone player and the dial tones share it).
#pragma once

#include "voip/voice/win/AudioBackend.h"
#include "voip/voice/win/VoiceHost.h"

#include "voip/voice/core/WaveMath.h"

#include <functional>
#include <string>

namespace voice {

class WaveDevice {
 public:
  // Receives every recorded block (samples, byte count) on the wave thread.
  using InputFn = std::function<void(const int16_t* samples, size_t bytes)>;

  WaveDevice(AudioBackend& backend, VoiceHost& host);
  ~WaveDevice();

  // wave_start: 0 or -1; nothing while the devices run.
  int Start(InputFn input, int framesPerBuffer);
  // wave_stop: closes what Start opened.
  void Stop();
  // wave_play: queues samples (nothing without the thread or the output device).
  void Play(const void* samples, size_t bytes);
  // wave_out_reset.
  void OutReset();
  // playout_pending: frames written and not yet played; also updates LagSamples().
  int PlayoutPending();
  int LagSamples() const { return lag_; }
  int SetVolume(int percent);
  int GetVolume();
  void SetDeviceName(const std::string& name) { deviceName_ = name; }
  const std::string& DeviceName() const { return deviceName_; }

  bool Running() const { return threadId_ != 0; }
  bool OutputOpen() { return backend_.OutIsOpen(); }
  int PendingBuffers() const { return pending_; }
  CRITICAL_SECTION& LockA() { return lockA_; }
  // CPU time of the last wave thread (for the benchmark).
  uint64_t ThreadCpuMs() const { return threadCpuMs_; }

 private:
  struct Buffer {
    WAVEHDR hdr;
    char data[voice::kInputBufferBytes];
  };
  static DWORD WINAPI ThreadProc(void* self);
  void ThreadLoop();
  UINT FindDevice(bool input);
  int Error(bool input, const char* name, MMRESULT code);
  void GiveBack(WAVEHDR* h);

  AudioBackend& backend_;
  VoiceHost& host_;
  CRITICAL_SECTION lockA_;
  CRITICAL_SECTION threadLock_;  // held by the wave thread while it handles a message
  HANDLE thread_ = nullptr;
  volatile DWORD threadId_ = 0;
  HANDLE ready_ = nullptr;
  InputFn input_;
  int framesPerBuffer_ = 3;
  Buffer out_[kBuffers];
  Buffer in_[kBuffers];
  volatile LONG pending_ = 0;
  uint32_t framesWritten_ = 0;
  int nextOut_ = 0;
  int lag_ = 0;
  bool outPrepared_ = false, inPrepared_ = false;
  std::string deviceName_;
  uint64_t threadCpuMs_ = 0;
};

}  // namespace voice
