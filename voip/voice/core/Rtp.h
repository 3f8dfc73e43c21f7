// RTP as the voice path uses it: 12-byte headers with payload type 4 and SSRC 204 going out;
// anything coming in is parsed defensively (short packets, CSRC lists, extensions, padding).
#pragma once

#include <cstddef>
#include <cstdint>

namespace voice {

constexpr uint8_t kPayloadType = 4;
constexpr uint32_t kSsrc = 204;
constexpr size_t kHeaderSize = 12;
constexpr size_t kMaxPacket = 1292;
constexpr size_t kMaxPayload = 1280;
constexpr uint16_t kRtpPort = 8995;
constexpr uint32_t kSamplesPerPacket = 720;

void BuildHeader(uint8_t out[kHeaderSize], uint16_t seq, uint32_t timestamp);

struct RtpView {
  uint8_t payloadType = 0;
  bool marker = false;
  uint16_t seq = 0;
  uint32_t timestamp = 0;
  uint32_t ssrc = 0;
  size_t payloadOffset = 0;
  size_t payloadSize = 0;
};

// False for anything the receiver must not touch: shorter than a header, longer than
// kMaxPacket, or CSRCs/extension/padding that run past the end.
bool ParseRtp(const uint8_t* data, size_t size, RtpView& out);

// Serial-number arithmetic: a call longer than the counters' range keeps ordering right.
inline bool SeqBefore(uint16_t a, uint16_t b) { return static_cast<int16_t>(static_cast<uint16_t>(a - b)) < 0; }
inline bool TsBefore(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) < 0; }

}  // namespace voice
