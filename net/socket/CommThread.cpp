#include "net/socket/CommThread.h"

#include "net/socket/SocketExceptions.h"

#include <chrono>
#include <system_error>
#include <thread>

CScopedLock::CScopedLock(CCriticalSection* section) : m_section(section), m_count(1)
{
    m_section->Lock();
}

CScopedLock::~CScopedLock()
{
    while (m_count > 0) {
        m_section->Unlock();
        --m_count;
    }
}

void CScopedLock::Unlock()
{
    if (m_count <= 0)
        throw CExc(kExcGeneralText);
    while (m_count > 0) {
        m_section->Unlock();
        --m_count;
    }
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

bool CCommThread::Start(bool /*runAtOnce*/, bool autoDelete, std::uint32_t stackSize)
{
    CScopedLock lock(&m_threadLock);
    if (m_handle)
        return false;
    m_stackSize = stackSize;
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
    {
        CScopedLock lock(&self->m_threadLock);
        self->m_running = true;
    }
    bool autoDelete;
    {
        CScopedLock lock(&self->m_threadLock);
        autoDelete = self->m_autoDelete;
    }
    // A thread never takes the process down with it; Exit runs even when Init or Run threw, so a
    // thread always gets to say goodbye to whoever references it.
    try {
        if (self->Init() == 0)
            self->Run();
    } catch (...) {
    }
    try {
        self->Exit();
    } catch (...) {
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
    for (;;) {
        {
            CScopedLock lock(&m_loopLock);
            if (m_stopRequest) {
                m_stopRequest = StopCheck();
                m_ownEvent.Set();
                if (m_stopRequest)
                    return 0;
            }
        }
        try {
            Step();
        } catch (...) {
        }
    }
}

void CEventLoopThread::RequestStop()
{
    CScopedLock lock(&m_loopLock);
    m_stopRequest = true;
}

bool CEventLoopThread::StopRequested()
{
    CScopedLock lock(&m_loopLock);
    return m_stopRequest;
}

int CEventLoopThread::Step()
{
    RequestStop();
    return 0;
}
