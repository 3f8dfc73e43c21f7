// The head of a tone file from the program folder: where its sound data starts. The first byte
// also names a DTMF key.
#include "voip/voice/core/ToneFile.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const long at = voice::FindToneData(data, size);
  if (at >= 0 && (at < 8 || size_t(at) > voice::kToneHeadBytes + 4)) __builtin_trap();
  char name[8];
  if (size > 0 && voice::DtmfFileName(static_cast<char>(data[0]), name) &&
      (std::strlen(name) != 6 || std::strcmp(name + 2, ".wav") != 0))
    __builtin_trap();
  return 0;
}
