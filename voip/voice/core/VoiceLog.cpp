#include "voip/voice/core/VoiceLog.h"

#include <cstdio>

namespace voice {

void Logf(const LogFn& log, int level, const char* format, ...) {
  if (!log) return;
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  log(level, line);
}

}  // namespace voice
