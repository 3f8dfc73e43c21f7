#include "voip/voice/core/MixFile.h"

#include "framework/core/Cp932.h"

#include <cstdio>
#include <cstring>

namespace voice {

size_t MixChunkHead(uint8_t out[kMixChunkHead], size_t frames, bool sent) {
  std::memcpy(out, "mix ", 4);
  const int32_t length = sent ? -int32_t(frames) : int32_t(frames);
  const uint32_t u = static_cast<uint32_t>(length);
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(u >> (8 * i));
  return kMixChunkHead;
}

bool ParseMix(const uint8_t* data, size_t size, std::vector<MixChunk>& out) {
  out.clear();
  if (size < 8 || std::memcmp(data, kMixMagic, 8) != 0) return false;
  size_t at = 8;
  while (at < size) {
    if (size - at < kMixChunkHead || std::memcmp(data + at, "mix ", 4) != 0) return false;
    const uint32_t u = uint32_t(data[at + 4]) | uint32_t(data[at + 5]) << 8 | uint32_t(data[at + 6]) << 16 |
                       uint32_t(data[at + 7]) << 24;
    const int32_t length = static_cast<int32_t>(u);
    const uint64_t n = length < 0 ? uint64_t(-int64_t(length)) : uint64_t(length);
    at += kMixChunkHead;
    if (n > size - at) return false;
    out.push_back({length < 0, std::vector<uint8_t>(data + at, data + at + n)});
    at += size_t(n);
  }
  return true;
}

std::string MixFileName(const std::string& folder, int year, int month, int day, int hour, int minute,
                        int second, bool outcall) {
  char name[64];
  std::snprintf(name, sizeof name, "%4d-%02d-%02d %02d%02d%02d %s.mix", year, month, day, hour, minute, second,
                outcall ? "outcall" : "incall");
  return WithoutTrailingSeparators(folder) + "\\" + name;
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Where the text after the last separator begins (0 without one), and where the run of
// separators that ends the text begins (the length without one).
struct SeparatorPlaces {
  size_t afterLast = 0;
  size_t trailingRun = 0;
};

SeparatorPlaces FindSeparators(const std::string& path) {
  SeparatorPlaces places;
  places.trailingRun = path.size();
  bool inRun = false;
  for (size_t at = 0; at < path.size();) {
    const size_t length = cp932::CharLength(path.data() + at, path.size() - at);
    const bool separator = length == 1 && IsSeparator(path[at]);
    if (separator) {
      places.afterLast = at + 1;
      if (!inRun) places.trailingRun = at;
    }
    inRun = separator;
    at += length;
  }
  if (!inRun) places.trailingRun = path.size();
  return places;
}

}  // namespace

std::string FolderOfPath(const std::string& path) { return path.substr(0, FindSeparators(path).afterLast); }

std::string WithoutTrailingSeparators(const std::string& folder) {
  return folder.substr(0, FindSeparators(folder).trailingRun);
}

}  // namespace voice
