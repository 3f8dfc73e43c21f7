// How the voice pieces write their diagnostic lines: the host routes them into the library's
// log with its levels (kLogErrors ... kLogVoiceTrace, the per-packet detail).
#pragma once

#include "voip/core/LogLevels.h"

#include <cstdarg>
#include <functional>
#include <string>

namespace voice {

using qelo::kLogCalls;
using qelo::kLogErrors;
using qelo::kLogProtocol;
using qelo::kLogSetup;
using qelo::kLogVoiceTrace;

using LogFn = std::function<void(int level, const std::string& line)>;

void Logf(const LogFn& log, int level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

}  // namespace voice
