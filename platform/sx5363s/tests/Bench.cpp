// Codec speed (run by hand): encodes and decodes 60 s of the speech-like signal at both rates
// and prints how many times faster than real time each direction runs on one core.
#include "platform/sx5363s/Sx5363Codec.h"
#include "platform/sx5363s/tests/SpeechLike.h"

#include <chrono>
#include <cstdio>
#include <vector>

int main() {
  const auto speech = SpeechLike(8000 * 60);
  for (auto type : {sx5363::kRate63, sx5363::kRate53}) {
    sx5363::Encoder e;
    sx5363::Decoder d;
    sx5363::InitEncoder(e);
    sx5363::InitDecoder(d);
    std::vector<uint8_t> frames;
    auto t0 = std::chrono::steady_clock::now();
    for (size_t f = 0; f + 240 <= speech.size(); f += 240) {
      uint8_t frame[24];
      const size_t n = sx5363::EncodeFrame(e, &speech[f], frame, type);
      frames.insert(frames.end(), frame, frame + n);
    }
    auto t1 = std::chrono::steady_clock::now();
    int16_t out[240];
    long sum = 0;
    for (size_t at = 0; at < frames.size(); at += sx5363::FrameSize(frames[at])) {
      sx5363::DecodeFrame(d, &frames[at], out);
      sum += out[0];
    }
    auto t2 = std::chrono::steady_clock::now();
    const double enc = std::chrono::duration<double>(t1 - t0).count();
    const double dec = std::chrono::duration<double>(t2 - t1).count();
    std::printf("type %d: encode %.0fx real time (%.1f ms for 60 s), decode %.0fx real time (%.1f ms) [%ld]\n",
                int(type), 60 / enc, enc * 1000, 60 / dec, dec * 1000, sum);
  }
  return 0;
}
