// decode_frames with arbitrary bytes split at arbitrary places into a small output; what decodes
// is coded again at both rates and muted.
#include "voip/voice/core/FrameCodec.h"

#include "platform/sx5363s/sx5363s.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  void* handle = nullptr;
  SX5363_Open(&handle);
  voice::CodecEntries codec;
  codec.handle = handle;
  codec.decode = &SX5363_SpeechDecode;
  codec.encode53 = &SX53_SpeechEncode;
  codec.encode63 = &SX63_SpeechEncode;
  voice::FrameDecoder d;
  int16_t out[960];
  uint8_t coded[4 * 24];
  size_t at = 0;
  int round = 0;
  while (at < size) {
    const size_t cut = data[at] % 64;
    ++at;
    const size_t n = cut < size - at ? cut : size - at;
    const size_t samples = d.Decode(codec, data + at, n, out, (data[at - 1] & 3) * 240 + 5);
    if (samples > 960 || samples % 240 != 0) __builtin_trap();
    at += n;
    const int rate = round % 3 == 0 ? 63 : 53;
    const bool mute = round % 3 == 2;
    const size_t bytes = voice::EncodeFrames(codec, rate, mute, out, samples, coded, sizeof coded);
    const size_t frameBytes = mute ? 1 : rate == 63 ? 24 : 20;
    if (bytes != samples / 240 * frameBytes) __builtin_trap();
    ++round;
  }
  SX5363_Close(&handle);
  return 0;
}
