// The library's diagnostic log: line layout, the 2 MiB wrap rule, hex dumps and the level rule.
// Portable: the file itself is written by the Windows side through these pieces.
#pragma once

#include "voip/core/LogLevels.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qelo {

// Formats like vsnprintf into a bounded text: never more than limit - 1 bytes, cut silently.
std::string BoundedFormatV(std::size_t limit, const char* format, va_list args);
std::string BoundedFormat(std::size_t limit, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

constexpr std::size_t kLogLineLimit = 8000;
constexpr std::size_t kNotifyTextLimit = 1024;

struct LogClock {
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// One line: "%02d:%02d:%02d.%03d> " unless the text starts with a tab, carriage returns become
// spaces, and the line ends with exactly one added "\n" when it has none. At most 8000 bytes.
std::string BuildLogLine(const LogClock& clock, const std::string& text);

// The running byte counter of the log file: when it has reached 2 MiB the file keeps its first
// 1024 bytes and writing continues there. The counter grows by each line's length plus 32.
class LogWrap {
public:
    static constexpr std::uint32_t kLimit = 2u * 1024u * 1024u;
    static constexpr std::uint32_t kKeep = 1024;
    // True when the file must be cut to kKeep bytes (and written at kKeep) before this line.
    bool BeforeWrite(std::size_t lineLength);
    std::uint32_t Counter() const { return m_counter; }
    void Reset() { m_counter = 0; }

private:
    std::uint32_t m_counter = 0;
};

// The dump layout: "\t\n", then per 16 bytes " %04X ", "%02X " per byte, padding for a short
// row, the bytes as characters ('.' below 32) and "\n"; stops before the text reaches 4096 bytes.
std::string HexDump(const std::uint8_t* bytes, std::size_t length);

// Who decides the log level. The ini key "loglevel" wins whenever it holds a non-zero number
// (its value times 10). Otherwise a level the host asked for stays until the host asks again:
// the library's own defaults (30 at start, 40 when the signalling starts) only apply while the
// host has chosen nothing.
class LogLevelRule {
public:
    int Level() const { return m_level; }
    bool IniRead() const { return m_iniRead; }
    // First use: the ini text read with default "x".
    void SetIniText(const std::string& text);
    void HostSets(int level);
    void LibrarySets(int level);
    // The signalling start reads "loglevel" again with default "4": an ini key that holds a
    // number sets the level; a missing one sets 40 unless the host chose a level.
    void SignallingStart(const std::string& iniText, bool keyPresent);

private:
    void Apply(int level);
    int m_level = kLogSetup;
    bool m_iniRead = false;
    std::string m_iniText;
    bool m_hostChose = false;
};

} // namespace qelo
