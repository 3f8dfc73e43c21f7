// Frames of the speech codec in and out of the voice path: encode_frames and decode_frames,
// over the codec's entry points (bound from sx5363s.dll on Windows, linked directly natively).
#pragma once

#include "platform/sx5363s/sx5363s.h"

#include <cstddef>
#include <cstdint>

namespace voice {

constexpr size_t kFrameSamples = 240;
constexpr size_t kMaxFrameBytes = 24;

inline size_t FrameBytes(uint8_t first) {
  static const uint8_t sizes[4] = {24, 20, 4, 1};
  return sizes[first & 3];
}
inline bool IsSpeechFrame(uint8_t first) { return (first & 3) < 2; }

struct CodecEntries {
  void* handle = nullptr;
  SX5363_EncodeFn encode53 = nullptr;
  SX5363_EncodeFn encode63 = nullptr;
  SX5363_DecodeFn decode = nullptr;
};

// Codes `count` samples as ceil(count / 240) frames; the last frame is zero-padded, never read
// past the input. Muted frames are the single byte 3. Stops before a frame that would not fit
// in `capacity` bytes. Returns the bytes written.
size_t EncodeFrames(const CodecEntries& codec, int rate, bool mute, const int16_t* samples, size_t count,
                    uint8_t* out, size_t capacity);

// decode_frames: a frame split across two calls is carried to the next call. Writes at most
// `capacity` samples; whole frames that no longer fit are skipped.
class FrameDecoder {
 public:
  void Reset() { carried_ = 0; }
  size_t Decode(const CodecEntries& codec, const uint8_t* bytes, size_t count, int16_t* out, size_t capacity);
  size_t Carried() const { return carried_; }

 private:
  size_t DecodeOne(const CodecEntries& codec, const uint8_t* frame, int16_t* out, size_t capacity, size_t written);
  uint8_t carry_[kMaxFrameBytes] = {};
  size_t carried_ = 0;
};

}  // namespace voice
