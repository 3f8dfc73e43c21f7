// The arithmetic of the wave device layer, apart from the device itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace voice {

constexpr int kSampleRate = 8000;
constexpr int kFrameBytesPcm = 480;   // 240 samples
constexpr int kInputBufferBytes = 1440;
constexpr int kBuffers = 16;

// Frames per output buffer: 1 to 3; 0 or more than 3 give 3.
inline int ClampFramesPerBuffer(int n) { return n >= 1 && n <= 3 ? n : 3; }

struct PlayoutPosition {
  int pendingFrames;  // written and not yet played
  int lagSamples;     // written x 240 - position
};
PlayoutPosition PlayoutFromPosition(uint32_t framesWritten, uint32_t positionSamples);

// waveOutSetVolume value for a percentage (limited to 0..100), both channels.
uint32_t VolumeValue(int percent, int* clamped = nullptr);
// The left channel's volume as a percentage.
int VolumePercent(uint32_t value);

// The first device whose product name contains `wanted`; -1 (the wave mapper) for an empty
// name or no match.
int PickDevice(const std::vector<std::string>& productNames, const std::string& wanted);

}  // namespace voice
