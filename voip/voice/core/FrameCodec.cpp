#include "voip/voice/core/FrameCodec.h"

#include <algorithm>
#include <cstring>

namespace voice {

size_t EncodeFrames(const CodecEntries& codec, int rate, bool mute, const int16_t* samples, size_t count,
                    uint8_t* out, size_t capacity) {
  size_t written = 0;
  for (size_t first = 0; first < count; first += kFrameSamples) {
    if (capacity - written < (mute ? 1 : kMaxFrameBytes)) break;
    uint8_t* frame = out + written;
    if (mute) {
      frame[0] = 3;
      written += 1;
      continue;
    }
    short block[kFrameSamples] = {};
    std::memcpy(block, samples + first, std::min(kFrameSamples, count - first) * sizeof(short));
    const SX5363_EncodeFn encode = rate == 63 ? codec.encode63 : codec.encode53;
    int info = 0;
    if (!encode || encode(codec.handle, 2, block, frame, &info) != 0) frame[0] = 3;
    written += FrameBytes(frame[0]);
  }
  return written;
}

size_t FrameDecoder::DecodeOne(const CodecEntries& codec, const uint8_t* frame, int16_t* out, size_t capacity,
                               size_t written) {
  if (capacity - written < kFrameSamples) return 0;
  int info = 0;
  short* dst = reinterpret_cast<short*>(out + written);
  if (!codec.decode || codec.decode(codec.handle, 2, frame, dst, &info) != 0)
    std::memset(dst, 0, kFrameSamples * sizeof(short));
  return kFrameSamples;
}

size_t FrameDecoder::Decode(const CodecEntries& codec, const uint8_t* bytes, size_t count, int16_t* out,
                            size_t capacity) {
  size_t written = 0;
  if (carried_ > 0 && count > 0) {
    const size_t need = FrameBytes(carry_[0]) - carried_;
    const size_t take = std::min(need, count);
    std::memcpy(carry_ + carried_, bytes, take);
    carried_ += take;
    bytes += take;
    count -= take;
    if (carried_ < FrameBytes(carry_[0])) return 0;
    written += DecodeOne(codec, carry_, out, capacity, written);
    carried_ = 0;
  }
  while (count > 0) {
    const size_t size = FrameBytes(bytes[0]);
    if (size > count) {
      std::memcpy(carry_, bytes, count);
      carried_ = count;
      break;
    }
    written += DecodeOne(codec, bytes, out, capacity, written);
    bytes += size;
    count -= size;
  }
  return written;
}

}  // namespace voice
