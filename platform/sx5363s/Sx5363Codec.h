// Our own low-rate speech coder behind sx5363s.dll. It keeps the frame sizes and type bits the
// voice path expects (240 samples in, 24/20/4/1 bytes out by type) but is NOT G.723.1: it
// band-limits to about 1.2 kHz, decimates by 3 and codes the 80 remaining samples with a
// per-frame second-order predictor and an adaptive 2-bit (6.3 kbit/s) or 3-level (5.3 kbit/s)
// quantiser. Encoder and decoder keep separate state, so one handle may encode on one thread
// and decode on another.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sx5363 {

constexpr int kFrameSamples = 240;
constexpr int kDecimation = 3;
constexpr int kCoded = kFrameSamples / kDecimation;  // 80
constexpr int kTaps = 63;

enum FrameType : uint8_t { kRate63 = 0, kRate53 = 1, kSid = 2, kUntransmitted = 3 };

// Size in bytes of a frame whose first byte is `first` (type in the low two bits).
inline size_t FrameSize(uint8_t first) {
  static const uint8_t sizes[4] = {24, 20, 4, 1};
  return sizes[first & 3];
}

struct Encoder {
  float history[kTaps - 1];   // input samples before this frame, for the anti-alias filter
  int32_t s1, s2;             // last two reconstructed (decimated) samples
  int stepIndex;
};

struct Decoder {
  int32_t s1, s2;
  int stepIndex;
  float history[kTaps - 1];   // zero-stuffed samples before this frame, for interpolation
  uint32_t noiseSeed;
};

void InitEncoder(Encoder& e);
void InitDecoder(Decoder& d);

// Codes one frame of 240 samples as `type` (kRate63 or kRate53); returns the bytes written
// (24 or 20). `out` must hold 24 bytes.
size_t EncodeFrame(Encoder& e, const int16_t* in, uint8_t* out, FrameType type);

// Decodes one frame of FrameSize(frame[0]) bytes into 240 samples. Any bytes are acceptable.
FrameType DecodeFrame(Decoder& d, const uint8_t* frame, int16_t* out);

}  // namespace sx5363
