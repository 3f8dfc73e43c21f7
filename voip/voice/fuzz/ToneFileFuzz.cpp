#include "voip/voice/core/ToneFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const long at = voice::FindToneData(data, size);
  if (at >= 0 && (at < 8 || size_t(at) > voice::kToneHeadBytes + 4)) __builtin_trap();
  return 0;
}
