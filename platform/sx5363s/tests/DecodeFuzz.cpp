// The decoder takes whatever a peer sends: frames of any bytes, in any order of types.
#include "platform/sx5363s/Sx5363Codec.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sx5363::Decoder d;
  sx5363::InitDecoder(d);
  int16_t out[240];
  while (size > 0) {
    uint8_t frame[24] = {};
    const size_t n = sx5363::FrameSize(data[0]);
    if (n > size) break;
    std::memcpy(frame, data, n);
    sx5363::DecodeFrame(d, data, out);  // reads only n bytes
    data += n;
    size -= n;
  }
  return 0;
}
