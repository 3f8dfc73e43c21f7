#include "voip/voice/core/JitterBuffer.h"

#include <cstring>

namespace voice {

void JitterSettings::Set(int newJitz, int newMisz, int newFffz) {
  if (newJitz >= 1 && newJitz <= 8) jitz = newJitz;
  if (newMisz >= 1 && newMisz <= 7) misz = newMisz;
  if (newFffz >= 1 && size_t(newFffz) <= Cap() / 240) fffz = newFffz;
  if (size_t(fffz) > Cap() / 240) fffz = int(Cap() / 240);
}

int RatioPercent(unsigned ok, unsigned failed) {
  if (ok == 0 && failed == 0) failed = 100;
  return int(uint64_t(ok) * 100 / (uint64_t(ok) + failed));
}

JitterBuffer::JitterBuffer(const JitterSettings& settings, DecodeFn decode, PlayedFn played, LogFn log)
    : settings_(settings), decode_(std::move(decode)), played_(std::move(played)), log_(std::move(log)),
      cap_(settings.Cap()) {
  Reset();
}

void JitterBuffer::Reset() {
  for (Slot& s : slots_) s.length = 0;
  synced_ = false;
  expectedSeq_ = 0;
  nextTs_ = 0;
  lateRun_ = 0;
  lateRunTs_ = 0;
  write_ = read_ = 0;
  prebuffer_ = settings_.fffz;
  lastSample_ = 0;
  fedOnce_ = false;
  lastFeedMs_ = 0;
  lastFeedPending_ = 0;
  dry_ = false;
  good = bad = 0;
}

JitterBuffer::Arrival JitterBuffer::Receive(const uint8_t* packet, size_t size) {
  RtpView v;
  if (!ParseRtp(packet, size, v) || v.payloadType != kPayloadType) return Arrival::Rejected;
  if (synced_ && TsBefore(v.timestamp, nextTs_)) {
    Logf(log_, kLogVoiceTrace, "outdated!! p->ts=%08X next=%08X", v.timestamp, nextTs_);
    // A run of late packets 720 apart means the sender's clock moved: follow it after five.
    lateRun_ = (lateRun_ > 0 && v.timestamp == lateRunTs_) ? lateRun_ + 1 : 1;
    lateRunTs_ = v.timestamp + kSamplesPerPacket;
    if (lateRun_ < 5) return Arrival::Late;
    lateRun_ = 0;
    lateRunTs_ = 0;
    nextTs_ = v.timestamp;
  } else {
    lateRun_ = 0;
  }
  Slot& slot = slots_[v.seq % kSlots];
  const bool replaced = slot.length != 0;
  if (replaced) ++bad;
  std::memcpy(slot.data, packet, size);
  slot.length = static_cast<uint16_t>(size);
  slot.seq = v.seq;
  slot.ts = v.timestamp;
  slot.payloadOffset = static_cast<uint16_t>(v.payloadOffset);
  slot.payloadSize = static_cast<uint16_t>(v.payloadSize);
  return replaced ? Arrival::Replaced : Arrival::Stored;
}

void JitterBuffer::WriteRing(const int16_t* samples, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    ring_[write_] = samples[i];
    write_ = (write_ + 1) % cap_;
    if (write_ == read_) read_ = (read_ + 1) % cap_;  // the oldest sample gives way
  }
}

size_t JitterBuffer::Decode(const uint8_t* payload, size_t size) {
  size_t n = decode_ ? decode_(payload, size, scratch_, cap_ - 1) : 0;
  if (n > cap_ - 1) n = cap_ - 1;
  WriteRing(scratch_, n);
  return n;
}

void JitterBuffer::PlayoutStep() {
  const uint16_t previous = expectedSeq_;
  Slot* candidate = nullptr;
  for (Slot& s : slots_) {
    if (!s.length) continue;
    if (synced_ && TsBefore(s.ts, nextTs_)) {
      s.length = 0;
      continue;
    }
    if (!candidate || TsBefore(s.ts, candidate->ts)) candidate = &s;
  }
  if (!candidate) return;
  expectedSeq_ = candidate->seq;
  Slot& slot = *candidate;
  if (synced_ && SeqBefore(previous, slot.seq)) {
    Logf(log_, kLogVoiceTrace, "%d lost packets before %d (expected=%d)", int(uint16_t(slot.seq - previous)), slot.seq, previous);
    bad += 2;
  } else {
    ++good;
    if (synced_ && TsBefore(nextTs_, slot.ts)) {
      Logf(log_, kLogVoiceTrace, "%d silence frames suppressed (Texpect=%08X Trecved=%08X)",
           int((slot.ts - nextTs_) / 240), nextTs_, slot.ts);
      static const uint8_t silence[3] = {3, 3, 3};
      Decode(silence, sizeof silence);
    }
  }
  slot.length = 0;
  size_t decoded = 0;
  if (slot.payloadSize >= 1 && slot.payloadSize <= kMaxPayload) {
    const uint8_t* payload = slot.data + slot.payloadOffset;
    if (played_) played_(payload, slot.payloadSize);
    decoded = Decode(payload, slot.payloadSize);
  }
  nextTs_ = slot.ts + static_cast<uint32_t>(decoded);
  expectedSeq_ = static_cast<uint16_t>(slot.seq + 1);
  synced_ = true;
}

void JitterBuffer::Play(uint32_t nowMs, int pending, int lagSamples, int16_t* block, const char* late) {
  const uint32_t since = fedOnce_ ? nowMs - lastFeedMs_ : 0;
  lastFeedMs_ = nowMs;
  fedOnce_ = true;
  lastFeedPending_ = pending;
  lastSample_ = block[kBlockSamples - 1];
  Logf(log_, kLogVoiceTrace, "%splay %d frms aft %dms (jitter=%dfrm pending=%dfrm=%dsmp)", late, 3, int(since),
       int(Buffered() / 240), pending, lagSamples);
}

uint32_t JitterBuffer::IdleMs(uint32_t nowMs, int pending, int lagSamples) const {
  constexpr uint32_t kMax = 10;
  if (prebuffer_ != 0) return kMax;  // only a packet can change anything
  uint32_t idle = kMax;
  if (pending >= settings_.misz && fedOnce_) {
    const uint32_t since = nowMs - lastFeedMs_;
    idle = since >= 91 ? 0 : 91 - since;  // the pacing wait ends
  } else if (Buffered() >= kBlockSamples) {
    return 1;  // a block goes out at once
  } else if (lagSamples > 0) {
    idle = uint32_t(lagSamples) / 8 + 10;  // the device runs dry, then the gap decision
  } else if (dry_) {
    const uint32_t since = nowMs - dryMs_;
    idle = since > 10 ? 0 : 11 - since;
  } else {
    idle = 1;
  }
  if (idle < 1) idle = 1;
  return idle < kMax ? idle : kMax;
}

bool JitterBuffer::Feed(uint32_t nowMs, int pending, int lagSamples, int16_t* block) {
  const size_t buffered = Buffered();
  if (prebuffer_ != 0) {
    if (buffered < size_t(prebuffer_) * 240) return false;
    prebuffer_ = 0;
  }
  if (pending > maxPending_) maxPending_ = pending;
  if (lagSamples > 0) {
    dry_ = false;
  } else if (!dry_) {
    dry_ = true;
    dryMs_ = nowMs;
  }
  if (pending >= settings_.misz && fedOnce_ && nowMs - lastFeedMs_ < 91) return false;
  if (buffered >= kBlockSamples) {
    const bool late = fedOnce_ && nowMs - lastFeedMs_ > uint32_t(30 * lastFeedPending_);
    for (size_t i = 0; i < kBlockSamples; ++i) {
      block[i] = ring_[read_];
      read_ = (read_ + 1) % cap_;
    }
    Play(nowMs, pending, lagSamples, block, late ? "LATE!" : "");
    return true;
  }
  if (dry_ && nowMs - dryMs_ > 10) {
    if (lastSample_ != 0) {
      // Bridge a short gap with the last level instead of a click to zero.
      for (size_t i = 0; i < kBlockSamples; ++i) block[i] = lastSample_;
      block[kBlockSamples - 1] = 0;
      Logf(log_, kLogVoiceTrace, "fake %d frames for late packet %d!!", 3, expectedSeq_);
      Play(nowMs, pending, lagSamples, block, "");
      return true;
    }
    prebuffer_ = settings_.fffz;
    Logf(log_, kLogVoiceTrace, "wait another %d frames!!", settings_.fffz);
  }
  return false;
}

}  // namespace voice
