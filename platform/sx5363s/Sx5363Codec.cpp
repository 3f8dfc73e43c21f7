#include "platform/sx5363s/Sx5363Codec.h"

#include <cmath>
#include <cstring>

namespace sx5363 {
namespace {

constexpr int kSteps = 64;

struct Tables {
  float lowpass[kTaps];
  int32_t step[kSteps];
  Tables() {
    // Windowed-sinc low-pass at 1220 Hz for 8 kHz: keeps the voice band a 2667 Hz rate can carry.
    const double pi = 3.14159265358979323846;
    const double fc = 1220.0 / 8000.0;
    const int mid = (kTaps - 1) / 2;
    double sum = 0;
    for (int k = 0; k < kTaps; ++k) {
      const int n = k - mid;
      const double sinc = n == 0 ? 2 * fc : std::sin(2 * pi * fc * n) / (pi * n);
      const double window = 0.54 - 0.46 * std::cos(2 * pi * k / (kTaps - 1));
      lowpass[k] = static_cast<float>(sinc * window);
      sum += sinc * window;
    }
    for (float& h : lowpass) h = static_cast<float>(h / sum);
    for (int i = 0; i < kSteps; ++i) step[i] = static_cast<int32_t>(8.0 * std::pow(1.13, i) + 0.5);
  }
};

const Tables& T() {
  static const Tables tables;
  return tables;
}

int32_t Clamp16(int32_t v) { return v > 32767 ? 32767 : v < -32768 ? -32768 : v; }
int ClampIndex(int i) { return i < 0 ? 0 : i >= kSteps ? kSteps - 1 : i; }

// Predictor coefficients in Q6, kept inside the stability triangle with a margin so that a lost
// frame's error dies away instead of ringing on.
void Stabilise(int& a1, int& a2) {
  if (a2 > 60) a2 = 60;
  if (a2 < -60) a2 = -60;
  const int limit = (62 * (64 - a2)) / 64;
  if (a1 > limit) a1 = limit;
  if (a1 < -limit) a1 = -limit;
}

// Quantiser levels in half steps, and how each code moves the step index.
const int kLevels4[4] = {-3, -1, 1, 3};
const int kAdapt4[4] = {4, -2, -2, 4};
const int kLevels3[3] = {-2, 0, 2};
const int kAdapt3[3] = {3, -2, 3};

}  // namespace

void InitEncoder(Encoder& e) {
  std::memset(&e, 0, sizeof e);
  e.stepIndex = 10;
}

void InitDecoder(Decoder& d) {
  std::memset(&d, 0, sizeof d);
  d.stepIndex = 10;
  d.noiseSeed = 0x2545F491u;
}

size_t EncodeFrame(Encoder& e, const int16_t* in, uint8_t* out, FrameType type) {
  const Tables& t = T();
  const bool four = type != kRate53;
  const size_t size = four ? 24 : 20;
  std::memset(out, 0, size);

  // Band-limit and keep every third sample.
  float x[kTaps - 1 + kFrameSamples];
  std::memcpy(x, e.history, sizeof e.history);
  for (int i = 0; i < kFrameSamples; ++i) x[kTaps - 1 + i] = in[i];
  std::memcpy(e.history, x + kFrameSamples, sizeof e.history);
  int32_t d[kCoded];
  for (int j = 0; j < kCoded; ++j) {
    const float* p = x + kDecimation * j + kTaps - 1;
    float acc = 0;
    for (int k = 0; k < kTaps; ++k) acc += t.lowpass[k] * p[-k];
    d[j] = Clamp16(static_cast<int32_t>(std::lround(acc)));
  }

  // Predictor for this frame from its autocorrelation (Levinson, order 2).
  double r0 = 1e-3, r1 = 0, r2 = 0;
  for (int j = 0; j < kCoded; ++j) {
    r0 += double(d[j]) * d[j];
    if (j >= 1) r1 += double(d[j]) * d[j - 1];
    if (j >= 2) r2 += double(d[j]) * d[j - 2];
  }
  const double k1 = r1 / r0;
  const double err = r0 * (1 - k1 * k1);
  const double k2 = err > 1e-6 ? (r2 - k1 * r1) / err : 0;
  int a1 = static_cast<int>(std::lround((k1 - k1 * k2) * 64));
  int a2 = static_cast<int>(std::lround(k2 * 64));
  Stabilise(a1, a2);

  // Closed-loop quantisation from a given starting step; returns the squared error. The
  // encoder tries a few starting steps and sends the best (the decoder is told which).
  auto run = [&](int startIndex, uint8_t* codes, int32_t* s1, int32_t* s2, int* endIndex) {
    int index = startIndex;
    int32_t p1 = e.s1, p2 = e.s2;
    double err2 = 0;
    int trits = 0, tritCount = 0, tritByte = 0, mul = 1;
    for (int j = 0; j < kCoded; ++j) {
      const int32_t pred = Clamp16((a1 * p1 + a2 * p2) / 64);
      const int32_t step = t.step[index];
      const int32_t diff = d[j] - pred;
      int code;
      int32_t recon;
      if (four) {
        code = diff < -step ? 0 : diff < 0 ? 1 : diff < step ? 2 : 3;
        recon = Clamp16(pred + kLevels4[code] * step / 2);
        if (codes) codes[j / 4] |= static_cast<uint8_t>(code << ((j % 4) * 2));
        index = ClampIndex(index + kAdapt4[code]);
      } else {
        code = diff < -step / 2 ? 0 : diff < step / 2 ? 1 : 2;
        recon = Clamp16(pred + kLevels3[code] * step / 2);
        trits += code * mul;
        mul *= 3;
        if (++tritCount == 5) {
          if (codes) codes[tritByte] = static_cast<uint8_t>(trits);
          ++tritByte;
          trits = 0, tritCount = 0, mul = 1;
        }
        index = ClampIndex(index + kAdapt3[code]);
      }
      err2 += double(d[j] - recon) * (d[j] - recon);
      p2 = p1;
      p1 = recon;
    }
    *s1 = p1, *s2 = p2, *endIndex = index;
    return err2;
  };
  int bestStart = e.stepIndex;
  double bestErr = -1;
  for (int delta = -8; delta <= 8; delta += 2) {
    const int candidate = ClampIndex(e.stepIndex + delta);
    int32_t s1, s2;
    int endIndex;
    const double err2 = run(candidate, nullptr, &s1, &s2, &endIndex);
    if (bestErr < 0 || err2 < bestErr) bestErr = err2, bestStart = candidate;
  }
  out[0] = static_cast<uint8_t>((four ? kRate63 : kRate53) | (bestStart << 2));
  out[1] = static_cast<uint8_t>(static_cast<int8_t>(a1 > 127 ? 127 : a1 < -127 ? -127 : a1));
  out[2] = static_cast<uint8_t>(static_cast<int8_t>(a2));
  int32_t s1, s2;
  int endIndex;
  run(bestStart, out + 3, &s1, &s2, &endIndex);
  e.s1 = s1, e.s2 = s2, e.stepIndex = endIndex;
  return size;
}

FrameType DecodeFrame(Decoder& dec, const uint8_t* frame, int16_t* out) {
  const Tables& t = T();
  const FrameType type = static_cast<FrameType>(frame[0] & 3);
  int32_t d[kCoded] = {};
  if (type == kRate63 || type == kRate53) {
    dec.stepIndex = frame[0] >> 2;
    int a1 = static_cast<int8_t>(frame[1]);
    int a2 = static_cast<int8_t>(frame[2]);
    Stabilise(a1, a2);
    const uint8_t* codes = frame + 3;
    int tritValue = 0;
    for (int j = 0; j < kCoded; ++j) {
      const int32_t pred = Clamp16((a1 * dec.s1 + a2 * dec.s2) / 64);
      const int32_t step = t.step[dec.stepIndex];
      int32_t recon;
      if (type == kRate63) {
        const int code = (codes[j / 4] >> ((j % 4) * 2)) & 3;
        recon = Clamp16(pred + kLevels4[code] * step / 2);
        dec.stepIndex = ClampIndex(dec.stepIndex + kAdapt4[code]);
      } else {
        if (j % 5 == 0) tritValue = codes[j / 5];
        int code = tritValue % 3;
        tritValue /= 3;
        if (code > 2) code = 2;
        recon = Clamp16(pred + kLevels3[code] * step / 2);
        dec.stepIndex = ClampIndex(dec.stepIndex + kAdapt3[code]);
      }
      dec.s2 = dec.s1;
      dec.s1 = recon;
      d[j] = recon;
    }
  } else if (type == kSid) {
    // Comfort noise at the level the sender put in the second byte.
    const int32_t level = frame[1] & 0x3F;
    for (int j = 0; j < kCoded; ++j) {
      dec.noiseSeed = dec.noiseSeed * 1664525u + 1013904223u;
      d[j] = static_cast<int32_t>((dec.noiseSeed >> 16) % (2 * level + 1)) - level;
    }
    dec.s1 = dec.s2 = 0;
  } else {
    dec.s1 = dec.s2 = 0;
  }

  // Back to 8 kHz: zero-stuff and interpolate with the same low-pass.
  float x[kTaps - 1 + kFrameSamples];
  std::memcpy(x, dec.history, sizeof dec.history);
  for (int i = 0; i < kFrameSamples; ++i)
    x[kTaps - 1 + i] = i % kDecimation == 0 ? float(kDecimation) * float(d[i / kDecimation]) : 0.0f;
  std::memcpy(dec.history, x + kFrameSamples, sizeof dec.history);
  for (int i = 0; i < kFrameSamples; ++i) {
    const float* p = x + kTaps - 1 + i;
    float acc = 0;
    for (int k = 0; k < kTaps; ++k) acc += t.lowpass[k] * p[-k];
    const long v = std::lround(acc);
    out[i] = static_cast<int16_t>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
  }
  return type;
}

}  // namespace sx5363
