#include "voip/voice/win/WaveDevice.h"

#include "voip/voice/core/VoiceLog.h"

#include <cstring>
#include <vector>

namespace voice {
namespace {

constexpr UINT kRetryInput = WM_USER + 0x3FF;  // 0x7FF

class Lock {
 public:
  explicit Lock(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
  ~Lock() { LeaveCriticalSection(&cs_); }

 private:
  CRITICAL_SECTION& cs_;
};

WAVEFORMATEX Format() {
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = 1;
  f.nSamplesPerSec = 8000;
  f.nAvgBytesPerSec = 16000;
  f.nBlockAlign = 2;
  f.wBitsPerSample = 16;
  return f;
}

}  // namespace

WaveDevice::WaveDevice(AudioBackend& backend, VoiceHost& host) : backend_(backend), host_(host) {
  InitializeCriticalSection(&lockA_);
  InitializeCriticalSection(&threadLock_);
  std::memset(out_, 0, sizeof out_);
  std::memset(in_, 0, sizeof in_);
}

WaveDevice::~WaveDevice() {
  Stop();
  DeleteCriticalSection(&threadLock_);
  DeleteCriticalSection(&lockA_);
}

int WaveDevice::Error(bool input, const char* name, MMRESULT code) {
  if (code == MMSYSERR_NOERROR) return 0;
  char line[1200];
  std::snprintf(line, sizeof line, "%s(%u): %s", name, unsigned(code), backend_.ErrorText(input, code).c_str());
  host_.Log(kLogErrors, line);
  host_.Error(line);
  return -1;
}

UINT WaveDevice::FindDevice(bool input) {
  if (deviceName_.empty()) return WAVE_MAPPER;
  std::vector<std::string> names;
  const UINT n = backend_.NumDevs(input);
  for (UINT i = 0; i < n; ++i) {
    names.push_back(backend_.DevName(input, i));
    char line[300];
    std::snprintf(line, sizeof line, "wdev[%u]=%s (%s)", i, names.back().c_str(), deviceName_.c_str());
    host_.Log(kLogSetup, line);
  }
  const int pick = PickDevice(names, deviceName_);
  return pick < 0 ? WAVE_MAPPER : UINT(pick);
}

DWORD WINAPI WaveDevice::ThreadProc(void* self) {
  static_cast<WaveDevice*>(self)->ThreadLoop();
  return 0;
}

void WaveDevice::GiveBack(WAVEHDR* h) {
  if (backend_.InAddBuffer(h) != MMSYSERR_NOERROR)
    PostThreadMessageA(GetCurrentThreadId(), kRetryInput, 0, reinterpret_cast<LPARAM>(h));
}

void WaveDevice::ThreadLoop() {
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before the device posts
  SetEvent(ready_);
  const bool trace = host_.RegistryInt("wavemsg") == 1;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (trace) {
      char line[40];
      std::snprintf(line, sizeof line, "wave msg=%X", msg.message);
      host_.Log(kLogVoiceTrace, line);
    }
    Lock lock(threadLock_);
    if (!threadId_) continue;
    WAVEHDR* h = reinterpret_cast<WAVEHDR*>(msg.lParam);
    switch (msg.message) {
      case MM_WOM_DONE:
        if (InterlockedDecrement(&pending_) < 0) InterlockedExchange(&pending_, 0);
        h->dwUser = 0;  // fill count: free again
        break;
      case MM_WIM_DATA:
        if (h->dwBytesRecorded > 0 && input_)
          input_(reinterpret_cast<const int16_t*>(h->lpData), h->dwBytesRecorded);
        GiveBack(h);
        break;
      case kRetryInput:
        GiveBack(h);
        break;
      default:
        break;
    }
  }
  FILETIME c, e, k, u;
  if (GetThreadTimes(GetCurrentThread(), &c, &e, &k, &u))
    threadCpuMs_ = (((uint64_t(k.dwHighDateTime) << 32) | k.dwLowDateTime) +
                    ((uint64_t(u.dwHighDateTime) << 32) | u.dwLowDateTime)) / 10000;
  host_.Log(kLogSetup, "wave thread exits!");
}

int WaveDevice::Start(InputFn input, int framesPerBuffer) {
  Lock lock(lockA_);
  char line[64];
  std::snprintf(line, sizeof line, "wave_start=%lu", static_cast<unsigned long>(threadId_));
  host_.Log(kLogSetup, line);
  if (threadId_) return 0;
  input_ = std::move(input);
  InterlockedExchange(&pending_, 0);
  framesWritten_ = 0;
  nextOut_ = 0;
  framesPerBuffer_ = ClampFramesPerBuffer(framesPerBuffer);
  if (!thread_) {
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    thread_ = CreateThread(nullptr, 0, &WaveDevice::ThreadProc, this, 0, &id);
    if (!thread_) {
      host_.Error("Fails to create wave thread!");
      return -1;
    }
    WaitForSingleObject(ready_, 5000);
    CloseHandle(ready_);
    ready_ = nullptr;
    threadId_ = id;
  }
  const WAVEFORMATEX format = Format();
  auto fail = [&](bool in, const char* name, MMRESULT code) {
    Error(in, name, code);
    Stop();  // release what was opened so that the next start begins clean (lock A nests)
    return -1;
  };
  if (MMRESULT r = backend_.OutOpen(FindDevice(false), format, threadId_)) return fail(false, "waveOutOpen", r);
  host_.Log(kLogSetup, "waveOutOpen ok");
  if (input_) {
    if (MMRESULT r = backend_.InOpen(FindDevice(true), format, threadId_)) return fail(true, "waveInOpen", r);
    host_.Log(kLogSetup, "waveInOpen ok");
  }
  for (Buffer& b : out_) {
    std::memset(&b.hdr, 0, sizeof b.hdr);
    b.hdr.lpData = b.data;
    b.hdr.dwBufferLength = DWORD(framesPerBuffer_ * kFrameBytesPcm);
    if (MMRESULT r = backend_.OutPrepare(&b.hdr)) return fail(false, "waveOutPrepareHeader", r);
    b.hdr.dwUser = 0;
  }
  outPrepared_ = true;
  if (input_) {
    for (Buffer& b : in_) {
      std::memset(&b.hdr, 0, sizeof b.hdr);
      b.hdr.lpData = b.data;
      b.hdr.dwBufferLength = kInputBufferBytes;
      if (MMRESULT r = backend_.InPrepare(&b.hdr)) return fail(true, "waveInPrepareHeader", r);
      if (MMRESULT r = backend_.InAddBuffer(&b.hdr)) return fail(true, "waveInAddBuffer", r);
    }
    inPrepared_ = true;
    if (MMRESULT r = backend_.InStart()) return fail(true, "waveInStart", r);
    host_.Log(kLogSetup, "waveInStart ok");
  }
  return 0;
}

void WaveDevice::Stop() {
  Lock lock(lockA_);
  host_.Log(kLogSetup, thread_ ? "wave_stop " : "wave_stop bypassed!!");
  {
    Lock t(threadLock_);
    threadId_ = 0;
  }
  if (backend_.OutIsOpen()) {
    if (!Error(false, "waveOutReset", backend_.OutReset())) host_.Log(kLogSetup, "waveOutReset ok");
  }
  if (backend_.InIsOpen()) {
    if (!Error(true, "waveInStop", backend_.InStop())) host_.Log(kLogSetup, "waveInStop ok");
    if (!Error(true, "waveInReset", backend_.InReset())) host_.Log(kLogSetup, "waveInReset ok");
  }
  if (outPrepared_) for (Buffer& b : out_) backend_.OutUnprepare(&b.hdr);
  if (inPrepared_) for (Buffer& b : in_) backend_.InUnprepare(&b.hdr);
  outPrepared_ = inPrepared_ = false;
  for (bool input : {false, true}) {
    if (input ? !backend_.InIsOpen() : !backend_.OutIsOpen()) continue;
    int tries = 0;
    MMRESULT r;
    while ((r = input ? backend_.InClose() : backend_.OutClose()) != MMSYSERR_NOERROR && tries < 50) {
      Sleep(100);
      ++tries;
    }
    char line[40];
    std::snprintf(line, sizeof line, input ? "waveInClose-%d ok" : "waveOutClose-%d ok", tries);
    if (r == MMSYSERR_NOERROR) host_.Log(kLogSetup, line);
    else Error(input, input ? "waveInClose" : "waveOutClose", r);
  }
  if (thread_) {
    // The thread leaves its loop on WM_QUIT; never wait for ourselves.
    PostThreadMessageA(GetThreadId(thread_), WM_QUIT, 0, 0);
    if (GetThreadId(thread_) != GetCurrentThreadId()) WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  for (Buffer& b : out_) b.hdr.dwUser = 0;
  InterlockedExchange(&pending_, 0);
}

void WaveDevice::OutReset() {
  host_.Log(kLogCalls, "wave_out_reset!!");
  if (backend_.OutIsOpen()) backend_.OutReset();
  framesWritten_ = 0;
}

void WaveDevice::Play(const void* samples, size_t bytes) {
  Lock lock(lockA_);
  if (!threadId_ || !backend_.OutIsOpen()) return;
  const char* p = static_cast<const char*>(samples);
  const size_t capacity = size_t(framesPerBuffer_) * kFrameBytesPcm;
  while (bytes > 0) {
    const size_t piece = bytes < size_t(kFrameBytesPcm) ? bytes : size_t(kFrameBytesPcm);
    Buffer* free = nullptr;
    for (int i = 0; i < kBuffers && !free; ++i) {
      Buffer& b = out_[(nextOut_ + i) % kBuffers];
      if (!(b.hdr.dwFlags & WHDR_INQUEUE) && b.hdr.dwUser < capacity) {
        free = &b;
        nextOut_ = (nextOut_ + i) % kBuffers;
      }
    }
    if (!free) {
      host_.Log(kLogErrors, "no wohdr[]!!");
      OutReset();
      return;
    }
    std::memcpy(free->data + free->hdr.dwUser, p, piece);
    free->hdr.dwUser += piece;
    p += piece;
    bytes -= piece;
    if (free->hdr.dwUser >= capacity || bytes == 0) {
      free->hdr.dwBufferLength = DWORD(free->hdr.dwUser);
      free->hdr.dwFlags &= ~WHDR_DONE;
      InterlockedIncrement(&pending_);
      framesWritten_ += 3;
      if (MMRESULT r = backend_.OutWrite(&free->hdr)) {
        InterlockedDecrement(&pending_);
        free->hdr.dwUser = 0;
        Error(false, "waveOutBuffer", r);
      }
      nextOut_ = (nextOut_ + 1) % kBuffers;
    }
  }
}

int WaveDevice::PlayoutPending() {
  MMTIME t{};
  t.wType = TIME_SAMPLES;
  uint32_t position = 0;
  if (backend_.OutIsOpen() && backend_.OutGetPosition(&t) == MMSYSERR_NOERROR)
    position = t.wType == TIME_SAMPLES ? t.u.sample : t.u.cb / 2;
  const PlayoutPosition p = PlayoutFromPosition(framesWritten_, position);
  lag_ = p.lagSamples;
  return p.pendingFrames;
}

int WaveDevice::SetVolume(int percent) {
  int clamped = 0;
  const DWORD value = VolumeValue(percent, &clamped);
  const bool open = backend_.OutIsOpen();
  const bool ok = open && backend_.OutSetVolume(value) == MMSYSERR_NOERROR;
  char line[80];
  std::snprintf(line, sizeof line, "set volume=%08lX=%d%% %s", static_cast<unsigned long>(value), clamped,
                ok ? "ok" : "error!!");
  host_.Log(kLogProtocol, line);
  if (!ok && (open || clamped != 0)) return -1;
  return GetVolume();
}

int WaveDevice::GetVolume() {
  DWORD value = 0;
  const bool ok = backend_.OutIsOpen() && backend_.OutGetVolume(&value) == MMSYSERR_NOERROR;
  const int percent = ok ? VolumePercent(value) : 0;
  char line[80];
  std::snprintf(line, sizeof line, "get volume=%08lX=%d%% %s", static_cast<unsigned long>(value), percent,
                ok ? "ok" : "error!!");
  host_.Log(kLogProtocol, line);
  return percent;
}

}  // namespace voice
