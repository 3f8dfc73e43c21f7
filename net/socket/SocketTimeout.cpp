#include "net/socket/SocketTimeout.h"

#include "net/socket/SocketApi.h"

#include "framework/core/Failure.h"

#include <atomic>
#include <new>

namespace {

const char kTimeoutSite[] = "socket time-out thread";

} // namespace

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
        nv::ReportFailure(kTimeoutSite, CurrentExceptionText().c_str());
    }
}

void CTimeoutEntry::Disarm()
{
    CScopedLock lock(m_lock);
    m_fired = false;
    try {
        OnCancel();
    } catch (...) {
        nv::ReportFailure(kTimeoutSite, CurrentExceptionText().c_str());
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

bool CTimeoutEntry::Fired() const
{
    CScopedLock lock(m_lock);
    return m_fired;
}

void CSocketTimeout::OnExpire()
{
    if (m_socket)
        m_socket->Close();
}

namespace {

class CTimerThread : public CEventLoopThread {
public:
    int Step() override;
    int Exit() override;
    const char* FailureSite() const override { return kTimeoutSite; }
    // Before each start: a quit or stop left from the last run must not end the new one, and a
    // quit asked for after the start must not be lost (so this is not done in Init, which may run
    // after a shutdown has already asked the new thread to quit).
    void Prepare()
    {
        m_quit = false;
        CScopedLock lock(&m_loopLock);
        m_stopRequest = false;
    }
    void SetQuit() { m_quit = true; }

private:
    std::atomic<bool> m_quit{false};
};

// The process-wide state. It is never destroyed: a time-out thread that is still running when the
// program ends must not find its list, locks or event gone.
struct TimeoutState {
    CCriticalSection stateLock;     // taken first: guards started; held by whoever starts or stops
    CCriticalSection guardListLock; // taken second: guards the list, accepting and every entry's flag
    CLinkList guards;
    CWaitEvent wake;
    CTimerThread thread;
    bool started = false;   // a thread was started and not shut down
    bool accepting = false; // the thread runs and takes guards
    std::atomic<TimeoutPassObserver> observer{nullptr};
};

TimeoutState& State()
{
    static TimeoutState* state = new TimeoutState;
    return *state;
}

// Fires every guard still linked, so that no guarded call stays blocked, and takes no new ones.
void ReleaseAllGuards(TimeoutState& state)
{
    CScopedLock listLock(&state.guardListLock);
    state.accepting = false;
    CLinkNode* head = state.guards.Head();
    for (CLinkNode* node = head->Next(); node != head; node = node->Next())
        static_cast<CTimeoutEntry*>(node)->Fire();
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
    if (TimeoutPassObserver observer = state.observer.load())
        observer(wait);
    state.wake.Wait(wait);
    if (m_quit)
        RequestStop();
    return 0;
}

int CTimerThread::Exit()
{
    // However the loop ended (a shutdown, or a step that kept failing), a guarded call must not
    // stay blocked and no new guard may count on this thread.
    ReleaseAllGuards(State());
    return 0;
}

} // namespace

bool IsTimerThreadRunning()
{
    TimeoutState& state = State();
    CScopedLock lock(&state.guardListLock);
    return state.accepting;
}

bool EnsureTimerThread()
{
    TimeoutState& state = State();
    CScopedLock lock(&state.stateLock);
    {
        CScopedLock listLock(&state.guardListLock);
        if (state.accepting)
            return true;
    }
    // A thread that gave up, or one a shutdown could not wait out, may still be on its way out:
    // let it finish (it needs no lock held here) before a new one starts.
    if (ThreadCompletionRef last = state.thread.Handle())
        last->Wait(5000);
    state.thread.Prepare();
    {
        CScopedLock listLock(&state.guardListLock);
        state.accepting = true;
    }
    if (!state.thread.Start(false)) {
        CScopedLock listLock(&state.guardListLock);
        state.accepting = false;
        return false;
    }
    state.started = true;
    return true;
}

CTimeoutEntry* AddSocketTimeout(std::uint32_t ms, CCommSocket* socket)
{
    TimeoutState& state = State();
    CScopedLock listLock(&state.guardListLock);
    if (!state.accepting)
        return nullptr;
    auto* guard = new (std::nothrow) CSocketTimeout(&state.guardListLock, ms, socket ? socket->Share() : nullptr);
    if (!guard)
        return nullptr;
    state.guards.PushFront(guard);
    state.wake.Set();
    return guard;
}

void ShutdownSocketTimeouts()
{
    TimeoutState& state = State();
    CScopedLock stateLock(&state.stateLock);
    if (!state.started)
        return;
    state.thread.SetQuit();
    state.thread.RequestStop(); // also cuts short a pause after a failed step
    ThreadCompletionRef handle = state.thread.Handle();
    state.wake.Set();
    // Waiting without the guard-list lock lets a step that is busy with the list finish its turn
    // and see the quit flag, instead of running the wait out. The thread never takes the state lock.
    if (handle && !handle->Wait(5000))
        nv::ReportFailure(kTimeoutSite, "did not end within 5 s of its shutdown");
    ReleaseAllGuards(state);
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

void SetTimeoutPassObserver(TimeoutPassObserver observer)
{
    State().observer = observer;
}
