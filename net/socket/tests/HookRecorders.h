// Recorders for the library's two observation points, each with a condition variable that the
// observed thread notifies: the program's failure hook, and the passes of the time-out thread.
// Each installs itself for its lifetime and restores what was there before.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct FailureReport {
    std::string where;
    std::string what;
};

class FailureRecorder {
public:
    FailureRecorder();
    ~FailureRecorder();
    std::vector<FailureReport> Reports();
    // Waits (bounded) until pred(reports) holds; returns its last answer.
    bool WaitFor(const std::function<bool(const std::vector<FailureReport>&)>& pred, int timeoutMs = 10000);
    bool WaitForCount(std::size_t count, int timeoutMs = 10000);

private:
    static void Hook(const char* where, const char* what);
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<FailureReport> m_reports;
    void (*m_previous)(const char*, const char*) = nullptr;
};

// Each pass of the time-out thread: the wait it starts afterwards (CWaitEvent::kInfinite when no
// guard is pending).
class TimeoutPassRecorder {
public:
    TimeoutPassRecorder();
    ~TimeoutPassRecorder();
    // Waits (bounded) until pred(waits so far) holds, re-checking after every pass.
    bool WaitFor(const std::function<bool(const std::vector<std::uint32_t>&)>& pred, int timeoutMs = 10000);
    std::vector<std::uint32_t> Waits();

private:
    static void Observe(std::uint32_t waitMs);
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::uint32_t> m_waits;
};

// A clock the test moves by hand (nvnet::SetTickSource); starts at the real clock's reading.
class ManualClock {
public:
    ManualClock();
    ~ManualClock();
    void Advance(std::uint32_t ms);

private:
    static std::uint32_t Now();
};
