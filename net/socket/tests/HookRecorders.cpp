#include "net/socket/tests/HookRecorders.h"

#include "net/socket/SocketApi.h"
#include "net/socket/SocketTimeout.h"

#include "framework/core/Failure.h"

#include <atomic>
#include <chrono>

namespace {
std::atomic<FailureRecorder*> g_failures{nullptr};
std::atomic<TimeoutPassRecorder*> g_passes{nullptr};
std::atomic<std::uint32_t> g_manualNow{0};
} // namespace

FailureRecorder::FailureRecorder()
{
    g_failures = this;
    m_previous = nv::SetFailureHook(&FailureRecorder::Hook);
}

FailureRecorder::~FailureRecorder()
{
    nv::SetFailureHook(m_previous);
    g_failures = nullptr;
}

void FailureRecorder::Hook(const char* where, const char* what)
{
    FailureRecorder* self = g_failures.load();
    if (!self)
        return;
    std::lock_guard<std::mutex> hold(self->m_lock);
    self->m_reports.push_back({where, what});
    self->m_changed.notify_all();
}

std::vector<FailureReport> FailureRecorder::Reports()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_reports;
}

bool FailureRecorder::WaitFor(const std::function<bool(const std::vector<FailureReport>&)>& pred, int timeoutMs)
{
    std::unique_lock<std::mutex> hold(m_lock);
    return m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return pred(m_reports); });
}

bool FailureRecorder::WaitForCount(std::size_t count, int timeoutMs)
{
    return WaitFor([count](const std::vector<FailureReport>& r) { return r.size() >= count; }, timeoutMs);
}

TimeoutPassRecorder::TimeoutPassRecorder()
{
    g_passes = this;
    SetTimeoutPassObserver(&TimeoutPassRecorder::Observe);
}

TimeoutPassRecorder::~TimeoutPassRecorder()
{
    SetTimeoutPassObserver(nullptr);
    g_passes = nullptr;
}

void TimeoutPassRecorder::Observe(std::uint32_t waitMs)
{
    TimeoutPassRecorder* self = g_passes.load();
    if (!self)
        return;
    std::lock_guard<std::mutex> hold(self->m_lock);
    self->m_waits.push_back(waitMs);
    self->m_changed.notify_all();
}

bool TimeoutPassRecorder::WaitFor(const std::function<bool(const std::vector<std::uint32_t>&)>& pred, int timeoutMs)
{
    std::unique_lock<std::mutex> hold(m_lock);
    return m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return pred(m_waits); });
}

std::vector<std::uint32_t> TimeoutPassRecorder::Waits()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_waits;
}

ManualClock::ManualClock()
{
    g_manualNow = nvnet::TickMs();
    nvnet::SetTickSource(&ManualClock::Now);
}

ManualClock::~ManualClock()
{
    nvnet::SetTickSource(nullptr);
}

void ManualClock::Advance(std::uint32_t ms)
{
    g_manualNow += ms;
}

std::uint32_t ManualClock::Now()
{
    return g_manualNow.load();
}
