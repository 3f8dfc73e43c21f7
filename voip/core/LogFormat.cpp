#include "voip/core/LogFormat.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace qelo {

std::string BoundedFormatV(std::size_t limit, const char* format, va_list args)
{
    if (!format || limit == 0)
        return std::string();
    std::vector<char> buffer(limit);
    int written = std::vsnprintf(buffer.data(), limit, format, args);
    if (written < 0)
        return std::string();
    std::size_t length = static_cast<std::size_t>(written) < limit ? static_cast<std::size_t>(written) : limit - 1;
    return std::string(buffer.data(), length);
}

std::string BoundedFormat(std::size_t limit, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = BoundedFormatV(limit, format, args);
    va_end(args);
    return text;
}

std::string BuildLogLine(const LogClock& clock, const std::string& text)
{
    std::string line;
    if (text.empty() || text[0] != '\t') {
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "%02d:%02d:%02d.%03d> ", clock.hour, clock.minute, clock.second,
                      clock.millisecond);
        line = prefix;
    }
    line += text;
    // Room for the closing newline inside the line buffer.
    if (line.size() > kLogLineLimit - 2)
        line.resize(kLogLineLimit - 2);
    for (char& ch : line)
        if (ch == '\r')
            ch = ' ';
    if (line.empty() || line.back() != '\n')
        line += '\n';
    return line;
}

bool LogWrap::BeforeWrite(std::size_t lineLength)
{
    bool cut = false;
    if (m_counter >= kLimit) {
        m_counter = kKeep;
        cut = true;
    }
    m_counter += static_cast<std::uint32_t>(lineLength) + 32;
    return cut;
}

std::string HexDump(const std::uint8_t* bytes, std::size_t length)
{
    constexpr std::size_t kLimit = 4096;
    std::string dump = "\t\n";
    for (std::size_t row = 0; bytes && row < length; row += 16) {
        std::string line;
        char cell[16];
        std::snprintf(cell, sizeof cell, " %04X ", static_cast<unsigned>(row & 0xFFFF));
        line += cell;
        std::size_t count = length - row < 16 ? length - row : 16;
        for (std::size_t i = 0; i < count; ++i) {
            std::snprintf(cell, sizeof cell, "%02X ", bytes[row + i]);
            line += cell;
        }
        line.append((16 - count) * 3, ' ');
        for (std::size_t i = 0; i < count; ++i) {
            unsigned char ch = bytes[row + i];
            line += ch < 32 ? '.' : static_cast<char>(ch);
        }
        line += '\n';
        if (dump.size() + line.size() >= kLimit)
            break;
        dump += line;
    }
    return dump;
}

namespace {

int IniNumber(const std::string& text)
{
    return std::atoi(text.c_str());
}

} // namespace

void LogLevelRule::SetIniText(const std::string& text)
{
    m_iniText = text.substr(0, 79);
    m_iniRead = true;
}

void LogLevelRule::Apply(int level)
{
    int fromIni = IniNumber(m_iniText);
    m_level = fromIni != 0 ? fromIni * kLogIniScale : level;
}

void LogLevelRule::HostSets(int level)
{
    m_hostChose = true;
    Apply(level);
}

void LogLevelRule::LibrarySets(int level)
{
    if (m_hostChose && IniNumber(m_iniText) == 0)
        return;
    Apply(level);
}

void LogLevelRule::SignallingStart(const std::string& iniText, bool keyPresent)
{
    if (keyPresent && !iniText.empty()) {
        m_iniText = iniText.substr(0, 79);
        m_level = IniNumber(iniText) * kLogIniScale;
        return;
    }
    LibrarySets(kLogSetup);
}

} // namespace qelo
