// The library's diagnostic log file "c:/nc@pc.log" and its level.
#pragma once

#include "voip/core/LogLevels.h"

#include <cstddef>
#include <cstdint>

namespace qelo {

int LogLevel();
// lib_log: one line when the level is at least level (kLogAlways ... kLogVoiceTrace).
void LibLog(int level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
void LogText(int level, const char* text);
void LogHexDump(int level, const std::uint8_t* bytes, std::size_t length);

// PW_set_loglevel (the host's choice) and the library's own defaults.
void HostSetsLogLevel(int level);
void LibrarySetsLogLevel(int level);
// The signalling start: the ini key "loglevel" read with default "4".
void SignallingSetsLogLevel();

// Where the log goes ("c:/nc@pc.log" unless a test moves it before the first line).
void SetLogPath(const char* path);

} // namespace qelo
