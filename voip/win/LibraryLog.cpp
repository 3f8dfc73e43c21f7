#include "voip/win/LibraryLog.h"

#include "voip/core/LogFormat.h"
#include "voip/win/Settings.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdarg>
#include <mutex>
#include <string>

namespace qelo {

namespace {

struct LogState {
    std::mutex lock;
    LogLevelRule rule;
    int descriptor = 0; // 0 while not open
    LogWrap wrap;
    std::string path = "c:/nc@pc.log";
};

LogState& State()
{
    static LogState state;
    return state;
}

// write_log; the lock keeps lines of different threads whole.
void WriteLine(const std::string& text)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    LogClock clock{now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    std::string line = BuildLogLine(clock, text);
    LogState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.descriptor == 0) {
        int fd = _open(state.path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd < 0)
            return;
        state.descriptor = fd;
        state.wrap.Reset();
    }
    if (state.wrap.BeforeWrite(line.size())) {
        _chsize(state.descriptor, LogWrap::kKeep);
        _lseek(state.descriptor, LogWrap::kKeep, SEEK_SET);
    }
    _write(state.descriptor, line.data(), static_cast<unsigned>(line.size()));
}

void ReadIniOnce(LogState& state)
{
    if (!state.rule.IniRead())
        state.rule.SetIniText(IniString("loglevel", "x"));
}

} // namespace

int LogLevel()
{
    return State().rule.Level();
}

void LogText(int level, const char* text)
{
    if (LogLevel() >= level)
        WriteLine(text ? text : "");
}

void LibLog(int level, const char* format, ...)
{
    if (LogLevel() < level)
        return;
    va_list args;
    va_start(args, format);
    std::string text = BoundedFormatV(kLogLineLimit, format, args);
    va_end(args);
    WriteLine(text);
}

void LogHexDump(int level, const std::uint8_t* bytes, std::size_t length)
{
    if (LogLevel() >= level)
        WriteLine(HexDump(bytes, length));
}

void HostSetsLogLevel(int level)
{
    LogState& state = State();
    ReadIniOnce(state);
    state.rule.HostSets(level);
}

void LibrarySetsLogLevel(int level)
{
    LogState& state = State();
    ReadIniOnce(state);
    state.rule.LibrarySets(level);
}

void SignallingSetsLogLevel()
{
    LogState& state = State();
    ReadIniOnce(state);
    std::string text = IniString("loglevel", "");
    state.rule.SignallingStart(text, !text.empty());
}

void SetLogPath(const char* path)
{
    LogState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.descriptor == 0 && path)
        state.path = path;
}

} // namespace qelo
