// decode_frames with arbitrary bytes split at arbitrary places into a small output.
#include "voip/voice/core/FrameCodec.h"

#include "platform/sx5363s/sx5363s.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  void* handle = nullptr;
  SX5363_Open(&handle);
  voice::CodecEntries codec;
  codec.handle = handle;
  codec.decode = &SX5363_SpeechDecode;
  voice::FrameDecoder d;
  int16_t out[960];
  size_t at = 0;
  while (at < size) {
    const size_t cut = data[at] % 64;
    ++at;
    const size_t n = cut < size - at ? cut : size - at;
    d.Decode(codec, data + at, n, out, (data[at - 1] & 3) * 240 + 5);
    at += n;
  }
  SX5363_Close(&handle);
  return 0;
}
