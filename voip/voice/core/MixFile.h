// Call recordings (.mix): "gonoyapi", then chunks "mix " + little-endian signed 32-bit length +
// |length| bytes of codec frames as carried in RTP; negative = sent, positive = received.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace voice {

constexpr char kMixMagic[9] = "gonoyapi";
constexpr size_t kMixChunkHead = 8;

// Writes the chunk head for `frames` bytes, sent (negative length) or received; returns 8.
size_t MixChunkHead(uint8_t out[kMixChunkHead], size_t frames, bool sent);

struct MixChunk {
  bool sent;
  std::vector<uint8_t> frames;
};
// Reads a recording; false when the head is wrong or a chunk runs past the end.
bool ParseMix(const uint8_t* data, size_t size, std::vector<MixChunk>& out);

// "<folder>\<yyyy>-<mm>-<dd> <hhmmss> outcall.mix" (or "incall"); separators that end the
// folder are not doubled.
std::string MixFileName(const std::string& folder, int year, int month, int day, int hour, int minute,
                        int second, bool outcall);

// Paths here are code page 932 text: 0x5C ('\\') also occurs as the second byte of a double-byte
// character, which is no separator.
// The folder of a path, up to and including its last separator ('\\' or '/'); empty without one.
std::string FolderOfPath(const std::string& path);
// The folder without the separators that end it.
std::string WithoutTrailingSeparators(const std::string& folder);

}  // namespace voice
