#include "voip/voice/win/AudioBackend.h"

namespace voice {
namespace {

class WinmmBackend : public AudioBackend {
 public:
  UINT NumDevs(bool input) override { return input ? waveInGetNumDevs() : waveOutGetNumDevs(); }
  std::string DevName(bool input, UINT index) override {
    if (input) {
      WAVEINCAPSA caps{};
      return waveInGetDevCapsA(index, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "";
    }
    WAVEOUTCAPSA caps{};
    return waveOutGetDevCapsA(index, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "";
  }
  std::string ErrorText(bool input, MMRESULT code) override {
    char text[1024] = "";
    if (input) waveInGetErrorTextA(code, text, sizeof text);
    else waveOutGetErrorTextA(code, text, sizeof text);
    return text;
  }
  MMRESULT OutOpen(UINT device, const WAVEFORMATEX& format, DWORD threadId) override {
    return waveOutOpen(&out_, device, &format, threadId, 0, CALLBACK_THREAD);
  }
  MMRESULT OutPrepare(WAVEHDR* h) override { return waveOutPrepareHeader(out_, h, sizeof *h); }
  MMRESULT OutUnprepare(WAVEHDR* h) override { return waveOutUnprepareHeader(out_, h, sizeof *h); }
  MMRESULT OutWrite(WAVEHDR* h) override { return waveOutWrite(out_, h, sizeof *h); }
  MMRESULT OutReset() override { return waveOutReset(out_); }
  MMRESULT OutClose() override {
    const MMRESULT r = waveOutClose(out_);
    if (r == MMSYSERR_NOERROR) out_ = nullptr;
    return r;
  }
  MMRESULT OutGetPosition(MMTIME* t) override { return waveOutGetPosition(out_, t, sizeof *t); }
  MMRESULT OutSetVolume(DWORD v) override { return waveOutSetVolume(out_, v); }
  MMRESULT OutGetVolume(DWORD* v) override { return waveOutGetVolume(out_, v); }
  bool OutIsOpen() override { return out_ != nullptr; }
  MMRESULT InOpen(UINT device, const WAVEFORMATEX& format, DWORD threadId) override {
    return waveInOpen(&in_, device, &format, threadId, 0, CALLBACK_THREAD);
  }
  MMRESULT InPrepare(WAVEHDR* h) override { return waveInPrepareHeader(in_, h, sizeof *h); }
  MMRESULT InUnprepare(WAVEHDR* h) override { return waveInUnprepareHeader(in_, h, sizeof *h); }
  MMRESULT InAddBuffer(WAVEHDR* h) override { return waveInAddBuffer(in_, h, sizeof *h); }
  MMRESULT InStart() override { return waveInStart(in_); }
  MMRESULT InStop() override { return waveInStop(in_); }
  MMRESULT InReset() override { return waveInReset(in_); }
  MMRESULT InClose() override {
    const MMRESULT r = waveInClose(in_);
    if (r == MMSYSERR_NOERROR) in_ = nullptr;
    return r;
  }
  bool InIsOpen() override { return in_ != nullptr; }

 private:
  HWAVEOUT out_ = nullptr;
  HWAVEIN in_ = nullptr;
};

}  // namespace

std::unique_ptr<AudioBackend> CreateWinmmBackend() { return std::make_unique<WinmmBackend>(); }

}  // namespace voice
