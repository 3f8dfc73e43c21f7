// The receive side of the voice path as a pure object: an 8-slot packet window ordered by
// sequence number, the late-run resynchronisation, a sample ring of jitz x 720 + 1 samples, and
// the feed that hands 90-ms play blocks to the wave output at a paced rate. Time, the device's
// pending frames and its lag come in as arguments, so tests drive it with tables.
#pragma once

#include "voip/voice/core/Rtp.h"
#include "voip/voice/core/VoiceLog.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace voice {

struct JitterSettings {
  int jitz = 3;  // ring size in 720-sample units (1..8)
  int misz = 3;  // pacing threshold in output frames (1..7)
  int fffz = 9;  // pre-buffer in 240-sample frames (1..cap/240)
  // set_jitter: each value is taken only when in range.
  void Set(int newJitz, int newMisz, int newFffz);
  size_t Cap() const { return size_t(jitz) * kSamplesPerPacket + 1; }
};

class JitterBuffer {
 public:
  static constexpr size_t kSlots = 8;
  static constexpr size_t kBlockSamples = 720;
  static constexpr size_t kMaxCap = 8 * 720 + 1;

  // Decodes a payload into at most `capacity` samples; returns the samples written.
  using DecodeFn = std::function<size_t(const uint8_t* payload, size_t size, int16_t* out, size_t capacity)>;
  // A packet's payload as played (for the call recording).
  using PlayedFn = std::function<void(const uint8_t* payload, size_t size)>;

  JitterBuffer(const JitterSettings& settings, DecodeFn decode, PlayedFn played = nullptr, LogFn log = nullptr);

  // Empties the window, the ring, the expectations and the counters; pre-buffer = fffz.
  void Reset();

  enum class Arrival { Stored, Replaced, Late, Rejected };
  // One received datagram: PT 4 and at most 1292 bytes, else Rejected.
  Arrival Receive(const uint8_t* packet, size_t size);
  // Moves the next packet in order from the window into the ring.
  void PlayoutStep();
  // Feed step: true when `block` (720 samples) must be played now.
  bool Feed(uint32_t nowMs, int pending, int lagSamples, int16_t* block);

  // How long the server may wait for a packet before the feed has a decision to make (1..10 ms):
  // a packet ends the wait anyway, so a longer wait only saves wake-ups, never delays audio.
  uint32_t IdleMs(uint32_t nowMs, int pending, int lagSamples) const;

  size_t Buffered() const { return (write_ + cap_ - read_) % cap_; }
  uint16_t ExpectedSeq() const { return expectedSeq_; }
  uint32_t NextTimestamp() const { return nextTs_; }
  bool PreBuffering() const { return prebuffer_ != 0; }
  int MaxPending() const { return maxPending_; }
  void ClearMaxPending() { maxPending_ = 0; }

  // Statistics of the last period, then zero.
  unsigned good = 0, bad = 0;

 private:
  struct Slot {
    uint16_t length = 0;  // 0 = empty
    uint16_t seq = 0;
    uint32_t ts = 0;
    uint16_t payloadOffset = 0, payloadSize = 0;
    uint8_t data[kMaxPacket];
  };
  void WriteRing(const int16_t* samples, size_t n);
  size_t Decode(const uint8_t* payload, size_t size);
  void Play(uint32_t nowMs, int pending, int lagSamples, int16_t* block, const char* late);

  JitterSettings settings_;
  DecodeFn decode_;
  PlayedFn played_;
  LogFn log_;
  size_t cap_;
  Slot slots_[kSlots];
  bool synced_ = false;
  uint16_t expectedSeq_ = 0;
  uint32_t nextTs_ = 0;
  int lateRun_ = 0;
  uint32_t lateRunTs_ = 0;
  int16_t ring_[kMaxCap];
  int16_t scratch_[kMaxCap];
  size_t write_ = 0, read_ = 0;
  int prebuffer_ = 0;
  int16_t lastSample_ = 0;
  bool fedOnce_ = false;
  uint32_t lastFeedMs_ = 0;
  int lastFeedPending_ = 0;
  bool dry_ = false;
  uint32_t dryMs_ = 0;
  int maxPending_ = 0;
};

// The percentages reported each second; an all-zero pair gives 0 %.
int RatioPercent(unsigned ok, unsigned failed);

}  // namespace voice
