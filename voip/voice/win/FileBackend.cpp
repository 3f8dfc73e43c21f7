// The test sound device. A pacing thread plays queued output buffers into a WAV file and fills
// input buffers from another, 8 samples per millisecond of the clock, and posts the same thread
// messages as the real device.
#include "voip/voice/win/AudioBackend.h"

#include "voip/voice/core/ToneFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

namespace voice {
namespace {

uint64_t NowUs() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return uint64_t(c.QuadPart) * 1000000 / uint64_t(freq.QuadPart);
}

class Lock {
 public:
  explicit Lock(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
  ~Lock() { LeaveCriticalSection(&cs_); }

 private:
  CRITICAL_SECTION& cs_;
};

class FileBackend : public AudioBackend {
 public:
  explicit FileBackend(const FileAudioConfig& config) : config_(config) {
    InitializeCriticalSection(&cs_);
    LoadMic();
  }
  ~FileBackend() override {
    StopPacer();
    if (speaker_) {
      FixWavHead();
      std::fclose(speaker_);
    }
    DeleteCriticalSection(&cs_);
  }

  UINT NumDevs(bool) override { return 1; }
  std::string DevName(bool input, UINT index) override {
    return index == 0 ? (input ? "Test Microphone" : "Test Speaker") : "";
  }
  std::string ErrorText(bool, MMRESULT code) override { return "test device error " + std::to_string(code); }

  MMRESULT OutOpen(UINT device, const WAVEFORMATEX& format, DWORD threadId) override {
    if (device != WAVE_MAPPER && device != 0) return MMSYSERR_BADDEVICEID;
    if (format.nSamplesPerSec != 8000 || format.wBitsPerSample != 16 || format.nChannels != 1) return WAVERR_BADFORMAT;
    Lock lock(cs_);
    if (outOpen_) return MMSYSERR_ALLOCATED;
    if (!speaker_ && !config_.speakerWav.empty()) OpenSpeaker();
    outOpen_ = true;
    outThread_ = threadId;
    outQueue_.clear();
    outPosition_ = 0;
    outStartUs_ = NowUs();
    outTimeline_ = 0;
    StartPacer();
    return MMSYSERR_NOERROR;
  }
  MMRESULT OutPrepare(WAVEHDR* h) override {
    h->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
  }
  MMRESULT OutUnprepare(WAVEHDR* h) override {
    if (h->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    h->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
  }
  MMRESULT OutWrite(WAVEHDR* h) override {
    Lock lock(cs_);
    if (!outOpen_) return MMSYSERR_INVALHANDLE;
    if (!(h->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    h->dwFlags = (h->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    h->reserved = 0;  // bytes of this buffer already played
    outQueue_.push_back(h);
    return MMSYSERR_NOERROR;
  }
  MMRESULT OutReset() override {
    Lock lock(cs_);
    if (!outOpen_) return MMSYSERR_INVALHANDLE;
    for (WAVEHDR* h : outQueue_) Done(h, outThread_, MM_WOM_DONE);
    outQueue_.clear();
    outPosition_ = 0;
    return MMSYSERR_NOERROR;
  }
  MMRESULT OutClose() override {
    {
      Lock lock(cs_);
      if (!outOpen_) return MMSYSERR_INVALHANDLE;
      if (!outQueue_.empty()) return WAVERR_STILLPLAYING;
      outOpen_ = false;
      if (speaker_) FixWavHead();
    }
    MaybeStopPacer();
    return MMSYSERR_NOERROR;
  }
  MMRESULT OutGetPosition(MMTIME* t) override {
    Lock lock(cs_);
    if (!outOpen_) return MMSYSERR_INVALHANDLE;
    if (t->wType == TIME_SAMPLES) {
      t->u.sample = DWORD(outPosition_);
    } else {
      t->wType = TIME_BYTES;
      t->u.cb = DWORD(outPosition_ * 2);
    }
    return MMSYSERR_NOERROR;
  }
  MMRESULT OutSetVolume(DWORD v) override {
    Lock lock(cs_);
    if (!outOpen_) return MMSYSERR_INVALHANDLE;
    volume_ = v;
    return MMSYSERR_NOERROR;
  }
  MMRESULT OutGetVolume(DWORD* v) override {
    Lock lock(cs_);
    if (!outOpen_) return MMSYSERR_INVALHANDLE;
    *v = volume_;
    return MMSYSERR_NOERROR;
  }
  bool OutIsOpen() override {
    Lock lock(cs_);
    return outOpen_;
  }

  MMRESULT InOpen(UINT device, const WAVEFORMATEX& format, DWORD threadId) override {
    if (device != WAVE_MAPPER && device != 0) return MMSYSERR_BADDEVICEID;
    if (format.nSamplesPerSec != 8000 || format.wBitsPerSample != 16 || format.nChannels != 1) return WAVERR_BADFORMAT;
    Lock lock(cs_);
    if (inOpen_) return MMSYSERR_ALLOCATED;
    inOpen_ = true;
    inStarted_ = false;
    inThread_ = threadId;
    inQueue_.clear();
    StartPacer();
    return MMSYSERR_NOERROR;
  }
  MMRESULT InPrepare(WAVEHDR* h) override {
    h->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
  }
  MMRESULT InUnprepare(WAVEHDR* h) override {
    if (h->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    h->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
  }
  MMRESULT InAddBuffer(WAVEHDR* h) override {
    Lock lock(cs_);
    if (!inOpen_) return MMSYSERR_INVALHANDLE;
    if (!(h->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    h->dwFlags = (h->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    h->dwBytesRecorded = 0;
    inQueue_.push_back(h);
    return MMSYSERR_NOERROR;
  }
  MMRESULT InStart() override {
    Lock lock(cs_);
    if (!inOpen_) return MMSYSERR_INVALHANDLE;
    if (!inStarted_) {
      inStarted_ = true;
      inStartUs_ = NowUs();
      inDelivered_ = 0;
    }
    return MMSYSERR_NOERROR;
  }
  MMRESULT InStop() override {
    Lock lock(cs_);
    if (!inOpen_) return MMSYSERR_INVALHANDLE;
    inStarted_ = false;
    return MMSYSERR_NOERROR;
  }
  MMRESULT InReset() override {
    Lock lock(cs_);
    if (!inOpen_) return MMSYSERR_INVALHANDLE;
    inStarted_ = false;
    for (WAVEHDR* h : inQueue_) Done(h, inThread_, MM_WIM_DATA);
    inQueue_.clear();
    return MMSYSERR_NOERROR;
  }
  MMRESULT InClose() override {
    {
      Lock lock(cs_);
      if (!inOpen_) return MMSYSERR_INVALHANDLE;
      if (!inQueue_.empty()) return WAVERR_STILLPLAYING;
      inOpen_ = false;
    }
    MaybeStopPacer();
    return MMSYSERR_NOERROR;
  }
  bool InIsOpen() override {
    Lock lock(cs_);
    return inOpen_;
  }

 private:
  static void Done(WAVEHDR* h, DWORD thread, UINT message) {
    h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    PostThreadMessageA(thread, message, 0, reinterpret_cast<LPARAM>(h));
  }

  void LoadMic() {
    if (config_.micWav.empty()) return;
    FILE* f = std::fopen(config_.micWav.c_str(), "rb");
    if (!f) return;
    std::vector<uint8_t> bytes;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    const long at = FindToneData(bytes.data(), bytes.size());
    if (at < 0 || size_t(at) > bytes.size()) return;
    mic_.resize((bytes.size() - size_t(at)) / 2);
    for (size_t i = 0; i < mic_.size(); ++i)
      mic_[i] = int16_t(bytes[size_t(at) + 2 * i] | bytes[size_t(at) + 2 * i + 1] << 8);
  }

  void OpenSpeaker() {
    speaker_ = std::fopen(config_.speakerWav.c_str(), "wb");
    if (!speaker_) return;
    speakerSamples_ = 0;
    uint8_t head[44] = {};
    std::fwrite(head, 1, sizeof head, speaker_);
    FixWavHead();
  }

  void FixWavHead() {
    auto le32 = [](uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i)); };
    uint8_t head[44];
    std::memcpy(head, "RIFF", 4);
    le32(head + 4, uint32_t(36 + speakerSamples_ * 2));
    std::memcpy(head + 8, "WAVEfmt ", 8);
    le32(head + 16, 16);
    head[20] = 1, head[21] = 0, head[22] = 1, head[23] = 0;
    le32(head + 24, 8000);
    le32(head + 28, 16000);
    head[32] = 2, head[33] = 0, head[34] = 16, head[35] = 0;
    std::memcpy(head + 36, "data", 4);
    le32(head + 40, uint32_t(speakerSamples_ * 2));
    std::fseek(speaker_, 0, SEEK_SET);
    std::fwrite(head, 1, sizeof head, speaker_);
    std::fseek(speaker_, 0, SEEK_END);
    std::fflush(speaker_);
  }

  void WriteSpeaker(const void* data, size_t samples) {
    if (!speaker_) return;
    std::fwrite(data, 2, samples, speaker_);
    speakerSamples_ += samples;
  }

  void StartPacer() {
    if (pacer_) return;
    stop_ = false;
    pacer_ = CreateThread(nullptr, 0, &FileBackend::PacerProc, this, 0, nullptr);
  }
  void MaybeStopPacer() {
    bool idle;
    {
      Lock lock(cs_);
      idle = !outOpen_ && !inOpen_;
    }
    if (idle) StopPacer();
  }
  void StopPacer() {
    if (!pacer_) return;
    stop_ = true;
    if (GetCurrentThreadId() != GetThreadId(pacer_)) WaitForSingleObject(pacer_, INFINITE);
    CloseHandle(pacer_);
    pacer_ = nullptr;
  }

  static DWORD WINAPI PacerProc(void* self) {
    static_cast<FileBackend*>(self)->Pace();
    return 0;
  }

  void Pace() {
    timeBeginPeriod(1);
    while (!stop_) {
      Sleep(2);
      Lock lock(cs_);
      const uint64_t now = NowUs();
      if (outOpen_) PaceOutput(now);
      if (inOpen_ && inStarted_) PaceInput(now);
      if (speaker_) std::fflush(speaker_);
    }
    timeEndPeriod(1);
  }

  void PaceOutput(uint64_t now) {
    const uint64_t due = (now - outStartUs_) * 8 / 1000;  // samples since the output opened
    while (outTimeline_ < due) {
      if (outQueue_.empty()) {
        if (config_.timeline) {
          static const int16_t zeros[256] = {};
          const size_t gap = size_t(std::min<uint64_t>(due - outTimeline_, 256));
          WriteSpeaker(zeros, gap);
        }
        outTimeline_ = due;
        break;
      }
      WAVEHDR* h = outQueue_.front();
      const size_t left = (h->dwBufferLength - h->reserved) / 2;
      const size_t n = size_t(std::min<uint64_t>(left, due - outTimeline_));
      WriteSpeaker(h->lpData + h->reserved, n);
      h->reserved += n * 2;
      outTimeline_ += n;
      outPosition_ += n;
      if (h->reserved + 1 >= h->dwBufferLength) {
        outQueue_.pop_front();
        Done(h, outThread_, MM_WOM_DONE);
      }
    }
  }

  void PaceInput(uint64_t now) {
    const uint64_t due = (now - inStartUs_) * 8 / 1000;
    while (!inQueue_.empty()) {
      WAVEHDR* h = inQueue_.front();
      const size_t samples = h->dwBufferLength / 2;
      if (inDelivered_ + samples > due) break;
      int16_t* dst = reinterpret_cast<int16_t*>(h->lpData);
      for (size_t i = 0; i < samples; ++i) {
        const uint64_t at = inDelivered_ + i;
        dst[i] = at < mic_.size() ? mic_[size_t(at)] : 0;
      }
      inDelivered_ += samples;
      h->dwBytesRecorded = DWORD(samples * 2);
      inQueue_.pop_front();
      Done(h, inThread_, MM_WIM_DATA);
    }
    // With no buffer queued the device drops that time, as a real one would overrun.
    if (inQueue_.empty() && due > inDelivered_ + 720) inDelivered_ = due - 720;
  }

  FileAudioConfig config_;
  CRITICAL_SECTION cs_;
  HANDLE pacer_ = nullptr;
  volatile bool stop_ = false;
  std::vector<int16_t> mic_;
  FILE* speaker_ = nullptr;
  uint64_t speakerSamples_ = 0;
  bool outOpen_ = false, inOpen_ = false, inStarted_ = false;
  DWORD outThread_ = 0, inThread_ = 0;
  std::deque<WAVEHDR*> outQueue_, inQueue_;
  uint64_t outStartUs_ = 0, outTimeline_ = 0, outPosition_ = 0;
  uint64_t inStartUs_ = 0, inDelivered_ = 0;
  DWORD volume_ = 0xFFFFFFFF;
};

}  // namespace

std::unique_ptr<AudioBackend> CreateFileBackend(const FileAudioConfig& config) {
  return std::make_unique<FileBackend>(config);
}

}  // namespace voice
