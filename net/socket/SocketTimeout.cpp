#include "net/socket/SocketTimeout.h"

#include "net/socket/Socket.h"
#include "net/socket/SocketApi.h"

#include <atomic>
#include <new>

void CLinkNode::InsertAfter(CLinkNode* position)
{
    Unlink();
    m_prev = position;
    m_next = position->m_next;
    position->m_next->m_prev = this;
    position->m_next = this;
}

void CLinkNode::Unlink()
{
    m_prev->m_next = m_next;
    m_next->m_prev = m_prev;
    m_next = m_prev = this;
}

CTimeoutEntry::CTimeoutEntry(CCriticalSection* lock, std::uint32_t durationMs)
    : m_lock(lock), m_start(nvnet::TickMs()), m_duration(durationMs)
{
}

std::int32_t CTimeoutEntry::Remaining() const
{
    return static_cast<std::int32_t>(m_start + m_duration - nvnet::TickMs());
}

void CTimeoutEntry::Fire()
{
    CScopedLock lock(m_lock);
    m_fired = true;
    try {
        OnExpire();
    } catch (...) {
    }
}

void CTimeoutEntry::Disarm()
{
    CScopedLock lock(m_lock);
    m_fired = false;
    try {
        OnCancel();
    } catch (...) {
    }
}

bool CTimeoutEntry::Cancel(bool remove)
{
    CScopedLock lock(m_lock);
    bool fired = m_fired;
    if (remove) {
        Disarm();
        delete this; // unlinks it from the guard list, still under the list lock
    }
    return fired;
}

void CSocketTimeout::OnExpire()
{
    if (m_socket)
        m_socket->Close();
}

namespace {

class CTimerThread : public CEventLoopThread {
public:
    int Init() override;
    int Step() override;
    void SetQuit() { m_quit = true; }

private:
    std::atomic<bool> m_quit{false};
};

// The process-wide state. It is never destroyed: a time-out thread that is still running when the
// program ends must not find its list, locks or event gone.
struct TimeoutState {
    CCriticalSection stateLock;     // taken first: guards started
    CCriticalSection guardListLock; // taken second: guards the list and every entry's flag
    CLinkList guards;
    CWaitEvent wake;
    CTimerThread thread;
    bool started = false;
};

TimeoutState& State()
{
    static TimeoutState* state = new TimeoutState;
    return *state;
}

int CTimerThread::Init()
{
    m_quit = false;
    CScopedLock lock(&m_loopLock);
    m_stopRequest = false;
    return 0;
}

int CTimerThread::Step()
{
    TimeoutState& state = State();
    std::uint32_t wait = CWaitEvent::kInfinite;
    {
        CScopedLock lock(&state.guardListLock);
        CLinkNode* head = state.guards.Head();
        for (CLinkNode* node = head->Next(); node != head;) {
            CLinkNode* next = node->Next();
            auto* entry = static_cast<CTimeoutEntry*>(node);
            std::int32_t remaining = entry->Remaining();
            if (remaining <= 0) {
                // It stays linked: its own call removes it when it returns.
                entry->Fire();
            } else if (static_cast<std::uint32_t>(remaining) < wait) {
                wait = static_cast<std::uint32_t>(remaining);
            }
            node = next;
        }
    }
    m_waiting = true;
    state.wake.Wait(wait);
    m_waiting = false;
    if (m_quit)
        RequestStop();
    return 0;
}

} // namespace

bool IsTimerThreadRunning()
{
    TimeoutState& state = State();
    CScopedLock lock(&state.stateLock);
    return state.started;
}

bool EnsureTimerThread()
{
    TimeoutState& state = State();
    CScopedLock lock(&state.stateLock);
    if (state.started)
        return false;
    if (!state.thread.Start(true, false, 0))
        return false;
    state.started = true;
    return true;
}

CTimeoutEntry* AddSocketTimeout(std::uint32_t ms, CCommSocket* socket)
{
    TimeoutState& state = State();
    CScopedLock stateLock(&state.stateLock);
    if (!state.started)
        return nullptr;
    CScopedLock listLock(&state.guardListLock);
    auto* guard = new (std::nothrow) CSocketTimeout(&state.guardListLock, ms, socket);
    if (!guard)
        return nullptr;
    state.guards.PushFront(guard);
    state.wake.Set();
    return guard;
}

void ShutdownSocketTimeouts()
{
    TimeoutState& state = State();
    ThreadCompletionRef handle;
    {
        CScopedLock stateLock(&state.stateLock);
        if (!state.started)
            return;
        state.thread.SetQuit();
        handle = state.thread.Handle();
        state.wake.Set();
    }
    // Waiting without the locks lets a step that is busy with the guard list finish its turn and
    // see the quit flag, instead of running the wait out.
    if (handle && !handle->Wait(5000))
        state.thread.RequestStop();

    CScopedLock stateLock(&state.stateLock);
    CScopedLock listLock(&state.guardListLock);
    CLinkNode* head = state.guards.Head();
    for (CLinkNode* node = head->Next(); node != head; node = node->Next())
        static_cast<CTimeoutEntry*>(node)->Fire();
    state.started = false;
}

int PendingSocketTimeouts()
{
    TimeoutState& state = State();
    CScopedLock lock(&state.guardListLock);
    int count = 0;
    CLinkNode* head = state.guards.Head();
    for (CLinkNode* node = head->Next(); node != head; node = node->Next())
        ++count;
    return count;
}
