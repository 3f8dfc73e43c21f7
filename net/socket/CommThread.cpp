#include "net/socket/CommThread.h"

#include "net/socket/SocketExceptions.h"

#include "framework/core/Failure.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <system_error>
#include <thread>

CScopedLock::CScopedLock(CCriticalSection* section) : m_section(section), m_held(true)
{
    m_section->Lock();
}

CScopedLock::~CScopedLock()
{
    if (m_held)
        m_section->Unlock();
}

void CScopedLock::Unlock()
{
    if (!m_held)
        throw CExc(kExcGeneralText);
    m_held = false;
    m_section->Unlock();
}

void CWaitEvent::Set()
{
    std::lock_guard<std::mutex> hold(m_mutex);
    m_signalled = true;
    m_changed.notify_one();
}

bool CWaitEvent::Wait(std::uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> hold(m_mutex);
    if (timeoutMs == kInfinite)
        m_changed.wait(hold, [this] { return m_signalled; });
    else if (!m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [this] { return m_signalled; }))
        return false;
    m_signalled = false; // auto-reset: one waiter takes the signal
    return true;
}

void CThreadCompletion::MarkDone()
{
    std::lock_guard<std::mutex> hold(m_mutex);
    m_done = true;
    m_changed.notify_all();
}

bool CThreadCompletion::Wait(std::uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> hold(m_mutex);
    if (timeoutMs == CWaitEvent::kInfinite) {
        m_changed.wait(hold, [this] { return m_done; });
        return true;
    }
    return m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [this] { return m_done; });
}

bool CThreadCompletion::IsDone()
{
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_done;
}

std::string CurrentExceptionText()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (const CExc& e) {
        return e.GetMessage();
    } catch (...) {
        return "unknown exception";
    }
}

bool CCommThread::Start(bool autoDelete)
{
    CScopedLock lock(&m_threadLock);
    if (m_handle)
        return false;
    m_autoDelete = autoDelete;
    auto done = std::make_shared<CThreadCompletion>();
    m_handle = done;
    try {
        // The thread may run (and an auto-delete object delete itself) before this returns, so
        // nothing of the object is touched after the thread exists.
        std::thread(ThreadProc, this, done).detach();
    } catch (const std::system_error&) {
        m_handle.reset();
        return false;
    }
    return true;
}

ThreadCompletionRef CCommThread::Handle()
{
    CScopedLock lock(&m_threadLock);
    return m_handle;
}

bool CCommThread::IsRunning()
{
    CScopedLock lock(&m_threadLock);
    return m_running;
}

void CCommThread::ThreadProc(CCommThread* self, ThreadCompletionRef done)
{
    bool autoDelete;
    {
        CScopedLock lock(&self->m_threadLock);
        self->m_running = true;
        autoDelete = self->m_autoDelete;
    }
    // A thread never takes the process down with it, and what it throws is reported; Exit runs
    // even when Init or Run threw, so a thread always gets to say goodbye to whoever references it.
    try {
        if (self->Init() == 0)
            self->Run();
    } catch (...) {
        nv::ReportFailure(self->FailureSite(), CurrentExceptionText().c_str());
    }
    try {
        self->Exit();
    } catch (...) {
        nv::ReportFailure(self->FailureSite(), CurrentExceptionText().c_str());
    }
    if (autoDelete)
        self->Delete();
    else
        self->ResetState();
    done->MarkDone();
}

void CCommThread::ResetState()
{
    CScopedLock lock(&m_threadLock);
    m_running = false;
    m_handle.reset();
}

int CEventLoopThread::Run()
{
    {
        CScopedLock lock(&m_loopLock);
        m_gaveUp = false;
    }
    int failures = 0;
    std::uint32_t pause = 0;
    for (;;) {
        {
            CScopedLock lock(&m_loopLock);
            if (m_stopRequest) {
                m_stopRequest = StopCheck();
                if (m_stopRequest)
                    return 0;
            }
        }
        std::string failure;
        if (RunStep(&failure)) {
            failures = 0;
            pause = 0;
            continue;
        }
        nv::ReportFailure(FailureSite(), failure.c_str());
        if (++failures >= m_policy.failureLimit) {
            {
                CScopedLock lock(&m_loopLock);
                m_gaveUp = true;
            }
            std::string end = "stopped after " + std::to_string(failures) + " failures in a row";
            nv::ReportFailure(FailureSite(), end.c_str());
            return 0;
        }
        // A step that throws at once every turn would otherwise spin a core.
        pause = pause == 0 ? m_policy.firstPauseMs : std::min(pause * 2, m_policy.maxPauseMs);
        Pause(pause);
    }
}

bool CEventLoopThread::RunStep(std::string* failure)
{
    try {
        Step();
        return true;
    } catch (...) {
        *failure = CurrentExceptionText();
        return false;
    }
}

void CEventLoopThread::Pause(std::uint32_t ms)
{
    if (!StopRequested())
        m_stopWake.Wait(ms);
}

void CEventLoopThread::RequestStop()
{
    {
        CScopedLock lock(&m_loopLock);
        m_stopRequest = true;
    }
    m_stopWake.Set();
}

bool CEventLoopThread::StopRequested()
{
    CScopedLock lock(&m_loopLock);
    return m_stopRequest;
}

bool CEventLoopThread::GaveUp()
{
    CScopedLock lock(&m_loopLock);
    return m_gaveUp;
}

int CEventLoopThread::Step()
{
    RequestStop();
    return 0;
}
