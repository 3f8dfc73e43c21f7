// A speech-like test signal: a voiced source whose pitch glides between 110 and 180 Hz, its
// harmonics up to 1 kHz shaped by two moving formants, under a 4 Hz syllable envelope.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

inline std::vector<int16_t> SpeechLike(int samples) {
  const double pi = 3.14159265358979323846;
  std::vector<int16_t> out(samples);
  double phase = 0;
  for (int n = 0; n < samples; ++n) {
    const double t = n / 8000.0;
    const double f0 = 145 + 35 * std::sin(2 * pi * 0.7 * t);
    phase += 2 * pi * f0 / 8000.0;
    const double f1 = 550 + 150 * std::sin(2 * pi * 1.3 * t);
    const double f2 = 950 + 100 * std::cos(2 * pi * 0.9 * t);
    double v = 0;
    for (int k = 1; k * f0 <= 1000; ++k) {
      const double f = k * f0;
      const double a = 1.0 / (1 + std::pow((f - f1) / 120, 2)) + 0.6 / (1 + std::pow((f - f2) / 150, 2)) + 0.05;
      v += a * std::sin(k * phase);
    }
    const double env = 0.55 + 0.45 * std::sin(2 * pi * 4 * t);
    out[n] = static_cast<int16_t>(std::lround(4000 * env * v));
  }
  return out;
}
