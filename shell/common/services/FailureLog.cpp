#include "shell/common/services/FailureLog.h"

#include "framework/core/Failure.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <string>

namespace {

std::atomic<IFailureTarget*> g_target{nullptr};

void SendToTarget(const char* where, const char* what)
{
    if (IFailureTarget* target = g_target.load())
        target->Record(where, what);
}

std::string OneLine(const char* text)
{
    std::string line = text;
    for (char& c : line) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return line;
}

std::string Now()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char stamp[32] = {};
    std::strftime(stamp, sizeof stamp, "%Y/%m/%d %H:%M:%S", &local);
    return stamp;
}

} // namespace

void CFailureLogFile::SetPath(const CString& path)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_path = path;
}

CString CFailureLogFile::GetPath() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_path;
}

void CFailureLogFile::Record(const char* where, const char* what)
{
    try {
        std::string line = Now() + " " + OneLine(where) + ": " + OneLine(what) + "\r\n";
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_path.IsEmpty())
            return;
        if (std::FILE* file = std::fopen(m_path.GetString(), "ab")) {
            std::fwrite(line.data(), 1, line.size(), file);
            std::fclose(file);
        }
    } catch (...) {
        // Out of memory while reporting a failure: nothing is left to tell.
    }
}

IFailureTarget* RouteFailuresTo(IFailureTarget* target)
{
    IFailureTarget* previous = g_target.exchange(target);
    nv::SetFailureHook(target ? &SendToTarget : nullptr);
    return previous;
}
