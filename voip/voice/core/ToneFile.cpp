#include "voip/voice/core/ToneFile.h"

#include <cstdio>
#include <cstring>

namespace voice {

long FindToneData(const uint8_t* head, size_t size) {
  if (!head) return -1;
  if (size > kToneHeadBytes) size = kToneHeadBytes;
  for (size_t i = 0; i + 4 <= size; ++i)
    if (std::memcmp(head + i, "data", 4) == 0) return long(i + 8);
  return -1;
}

bool DtmfFileName(char digit, char out[8]) {
  if (digit == '*') digit = '_';
  if (!((digit >= '0' && digit <= '9') || digit == '_' || digit == '#')) return false;
  std::snprintf(out, 8, "d%c.wav", digit);
  return true;
}

}  // namespace voice
