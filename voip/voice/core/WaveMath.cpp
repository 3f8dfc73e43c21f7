#include "voip/voice/core/WaveMath.h"

namespace voice {

PlayoutPosition PlayoutFromPosition(uint32_t framesWritten, uint32_t positionSamples) {
  const uint32_t played = (positionSamples + 239) / 240;
  PlayoutPosition p;
  p.pendingFrames = framesWritten > played ? int(framesWritten - played) : 0;
  p.lagSamples = int(int64_t(framesWritten) * 240 - int64_t(positionSamples));
  return p;
}

uint32_t VolumeValue(int percent, int* clamped) {
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  if (clamped) *clamped = percent;
  const uint32_t v = uint32_t(percent) * 65535u / 100u;
  return v | v << 16;
}

int VolumePercent(uint32_t value) { return int((value & 0xFFFF) * 100u / 65535u); }

int PickDevice(const std::vector<std::string>& productNames, const std::string& wanted) {
  if (wanted.empty()) return -1;
  for (size_t i = 0; i < productNames.size(); ++i)
    if (productNames[i].find(wanted) != std::string::npos) return int(i);
  return -1;
}

}  // namespace voice
