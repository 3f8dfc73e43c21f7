#include "voip/voice/win/TonePlayer.h"

#include "voip/voice/core/ToneFile.h"

#include <cstdio>
#include <vector>

namespace voice {

TonePlayer::TonePlayer(WaveDevice& wave, VoiceHost& host) : wave_(wave), host_(host) {
  InitializeCriticalSection(&cs_);
}

TonePlayer::~TonePlayer() {
  PlaySound2(nullptr, 0);
  DeleteCriticalSection(&cs_);
}

void TonePlayer::PlayToneFile(const char* name) {
  if (!name) {
    PlaySound2(nullptr, 0);
    return;
  }
  std::string file = name;
  if (file == "ringi.wav" && !arrival_.empty()) file = arrival_;
  PlaySound2((folder_ + "/" + file).c_str(), kAsync | kLoop);
}

void TonePlayer::PlayDtmfTone(char digit) {
  char name[8];
  if (!DtmfFileName(digit, name)) return;
  std::string path = folder_ + "/" + name;
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) path = name;
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) PlaySound2(path.c_str(), 0);
}

bool TonePlayer::WaitIdle(DWORD timeoutMs) {
  HANDLE t;
  EnterCriticalSection(&cs_);
  t = thread_;
  LeaveCriticalSection(&cs_);
  return !t || WaitForSingleObject(t, timeoutMs) == WAIT_OBJECT_0;
}

int TonePlayer::PlaySound2(const char* path, unsigned flags) {
  char line[300];
  std::snprintf(line, sizeof line, "PlaySound2(%s)", path ? path : "null");
  host_.Log(kLogSetup, line);
  // Tell a running tone to stop and let it finish on its own: it holds no lock while waiting,
  // so it ends within one chunk. A thread that overruns is left to end by itself, never killed.
  InterlockedExchange(&stop_, 1);
  EnterCriticalSection(&cs_);
  HANDLE previous = thread_;
  thread_ = nullptr;
  playing_.clear();
  LeaveCriticalSection(&cs_);
  if (previous) {
    if (WaitForSingleObject(previous, 10000) != WAIT_OBJECT_0) host_.Log(kLogErrors, "tone thread does not stop!!");
    CloseHandle(previous);
  }
  if (!path || !*path) return 1;
  FILE* probe = std::fopen(path, "rb");
  if (!probe) return 1;
  std::fclose(probe);
  EnterCriticalSection(&cs_);
  playing_ = path;
  flags_ = flags;
  InterlockedExchange(&stop_, 0);
  HANDLE t = CreateThread(nullptr, 0, &TonePlayer::ThreadProc, this, 0, nullptr);
  thread_ = t;
  LeaveCriticalSection(&cs_);
  if (t && !(flags & kAsync)) WaitForSingleObject(t, INFINITE);
  return 1;
}

DWORD WINAPI TonePlayer::ThreadProc(void* self) {
  static_cast<TonePlayer*>(self)->PlayFile();
  return 0;
}

void TonePlayer::PlayFile() {
  bool opened = false;
  if (!wave_.OutputOpen() || !wave_.Running()) {
    if (wave_.Start(nullptr, 1) != 0 || !wave_.OutputOpen()) return;
    opened = true;
  }
  EnterCriticalSection(&cs_);
  const std::string path = playing_;
  const unsigned flags = flags_;
  LeaveCriticalSection(&cs_);
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f) {
    std::vector<uint8_t> chunk(kFrameBytesPcm);  // one frame per chunk keeps a stop request prompt
    do {
      uint8_t head[kToneHeadBytes];
      std::fseek(f, 0, SEEK_SET);
      const size_t n = std::fread(head, 1, sizeof head, f);
      const long at = FindToneData(head, n);
      if (at < 0) break;
      std::fseek(f, at, SEEK_SET);
      for (;;) {
        if (stop_ || !wave_.Running() || !wave_.OutputOpen()) break;
        if (wave_.PendingBuffers() >= 8) {
          Sleep(30);
          continue;
        }
        const size_t got = std::fread(chunk.data(), 1, chunk.size(), f) & ~size_t(1);
        if (got == 0) break;
        wave_.Play(chunk.data(), got);
      }
    } while ((flags & kLoop) && !stop_ && wave_.Running() && wave_.OutputOpen());
    std::fclose(f);
  }
  if (opened) {
    // Let what is queued play to its end before the device closes (a stop request cuts it).
    const DWORD deadline = GetTickCount() + 2000 + DWORD(wave_.PendingBuffers()) * 100;
    while (!stop_ && wave_.PendingBuffers() > 0 && int(GetTickCount() - deadline) < 0) Sleep(5);
    wave_.Stop();
  }
}

}  // namespace voice
