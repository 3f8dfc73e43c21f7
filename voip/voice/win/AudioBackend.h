// The sound device under the wave layer: the waveOut/waveIn calls it makes, with one output and
// one input device per backend. Completed buffers come back to the wave thread as the usual
// MM_WOM_DONE / MM_WIM_DATA thread messages, so the wave layer is the same for every backend.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <memory>
#include <string>

namespace voice {

class AudioBackend {
 public:
  virtual ~AudioBackend() = default;
  virtual UINT NumDevs(bool input) = 0;
  virtual std::string DevName(bool input, UINT index) = 0;
  virtual std::string ErrorText(bool input, MMRESULT code) = 0;
  // `device` is an index or WAVE_MAPPER; messages go to `threadId`.
  virtual MMRESULT OutOpen(UINT device, const WAVEFORMATEX& format, DWORD threadId) = 0;
  virtual MMRESULT OutPrepare(WAVEHDR* h) = 0;
  virtual MMRESULT OutUnprepare(WAVEHDR* h) = 0;
  virtual MMRESULT OutWrite(WAVEHDR* h) = 0;
  virtual MMRESULT OutReset() = 0;
  virtual MMRESULT OutClose() = 0;
  virtual MMRESULT OutGetPosition(MMTIME* t) = 0;
  virtual MMRESULT OutSetVolume(DWORD v) = 0;
  virtual MMRESULT OutGetVolume(DWORD* v) = 0;
  virtual bool OutIsOpen() = 0;
  virtual MMRESULT InOpen(UINT device, const WAVEFORMATEX& format, DWORD threadId) = 0;
  virtual MMRESULT InPrepare(WAVEHDR* h) = 0;
  virtual MMRESULT InUnprepare(WAVEHDR* h) = 0;
  virtual MMRESULT InAddBuffer(WAVEHDR* h) = 0;
  virtual MMRESULT InStart() = 0;
  virtual MMRESULT InStop() = 0;
  virtual MMRESULT InReset() = 0;
  virtual MMRESULT InClose() = 0;
  virtual bool InIsOpen() = 0;
};

// The Windows multimedia functions.
std::unique_ptr<AudioBackend> CreateWinmmBackend();

// The test device: the microphone reads `micWav` (8 kHz mono 16-bit; silence after its end or
// when empty) and everything played is appended to `speakerWav`, both paced by the clock in
// real time. With `timeline`, output gaps while the device is open are written as silence, so
// a sample's place in the file is its time since the output was opened.
struct FileAudioConfig {
  std::string micWav;
  std::string speakerWav;
  bool timeline = true;
};
std::unique_ptr<AudioBackend> CreateFileBackend(const FileAudioConfig& config);

}  // namespace voice
