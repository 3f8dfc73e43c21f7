// Thread base classes of the socket library: a thread object with Init/Run/Exit steps that may
// delete itself when its thread ends, the receive-thread base that can be stopped from outside,
// and a loop thread that repeats a step until told to stop. Also the lock and event the library
// uses everywhere.
//
// Nothing a thread throws is lost: every exception caught here goes to the program's failure hook
// (framework/core/Failure.h) with the place that caught it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

// A re-entrant lock (a critical section).
class CCriticalSection {
public:
    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

// Every lock of the library is taken through this: construction enters the section once, and the
// section is left once, by Unlock or by the destructor, whichever comes first. A second Unlock
// is a programming error and throws CExc.
class CScopedLock {
public:
    explicit CScopedLock(CCriticalSection* section);
    ~CScopedLock();
    CScopedLock(const CScopedLock&) = delete;
    CScopedLock& operator=(const CScopedLock&) = delete;
    void Unlock();

private:
    CCriticalSection* m_section;
    bool m_held;
};

// One auto-reset event, created non-signalled.
class CWaitEvent {
public:
    CWaitEvent() = default;
    virtual ~CWaitEvent() = default;
    void Set();
    // Waits at most timeoutMs (kInfinite: without limit); true when the event was signalled.
    bool Wait(std::uint32_t timeoutMs);
    static constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_signalled = false;
};

// Completion of one started thread, shared by the thread and whoever waits for it, so that a
// waiter never touches a thread object that has deleted itself.
class CThreadCompletion {
public:
    void MarkDone();
    bool Wait(std::uint32_t timeoutMs);
    bool IsDone();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
};
using ThreadCompletionRef = std::shared_ptr<CThreadCompletion>;

// The text of the exception being handled (call only inside a catch block): what() of a
// std::exception, the message of a CExc, or "unknown exception".
std::string CurrentExceptionText();

class CCommThread {
public:
    CCommThread() = default;
    virtual ~CCommThread() = default;
    CCommThread(const CCommThread&) = delete;
    CCommThread& operator=(const CCommThread&) = delete;

    // Starts the thread at once with the default stack. False when a thread is already held or
    // none could be made. An auto-delete object deletes itself when it ends.
    bool Start(bool autoDelete);
    // The completion of the running thread (the "thread handle" to wait on); null when none.
    ThreadCompletionRef Handle();
    bool IsRunning();

    virtual int Init() { return 0; }
    virtual int Run() { return 0; }
    virtual int Exit() { return 0; }
    virtual void Delete() { delete this; }
    // Where this thread's failures are reported from ("socket receive thread", ...).
    virtual const char* FailureSite() const { return "socket library thread"; }

protected:
    CCriticalSection m_threadLock;

private:
    static void ThreadProc(CCommThread* self, ThreadCompletionRef done);
    void ResetState();

    bool m_running = false;
    ThreadCompletionRef m_handle;
    bool m_autoDelete = false;
};

class CSocketThread : public CCommThread {
public:
    // Closes the thread's socket, which ends its blocking call; the loop then ends through its
    // error path and posts its end form.
    virtual void Stop() = 0;
};

// How a loop thread copes with a step that throws: each failure is reported, the next turn
// waits first (firstPauseMs, doubling up to maxPauseMs), and after failureLimit failures in a
// row the loop gives up. A step that returns normally resets the count and the pause.
struct StepFailurePolicy {
    std::uint32_t firstPauseMs = 10;
    std::uint32_t maxPauseMs = 1000;
    int failureLimit = 10;
};

class CEventLoopThread : public CCommThread {
public:
    // Repeats Step until a stop is requested and confirmed, or until the step has failed
    // failureLimit times in a row; then reports once that it ends, and returns.
    int Run() override;
    // Asks the loop to stop; also cuts short a pause after a failed step.
    void RequestStop();
    bool StopRequested();
    // One turn of the loop; the default asks to stop.
    virtual int Step();
    // Confirms a requested stop (true) or cancels it (false).
    virtual bool StopCheck() { return true; }
    // Set before Start.
    void SetFailurePolicy(const StepFailurePolicy& policy) { m_policy = policy; }
    // Whether the last run ended because its step kept failing.
    bool GaveUp();

protected:
    // The wait after a failed step; returns early when a stop is requested.
    virtual void Pause(std::uint32_t ms);

    bool m_stopRequest = false;
    CCriticalSection m_loopLock;

private:
    bool RunStep(std::string* failure);

    StepFailurePolicy m_policy;
    CWaitEvent m_stopWake;
    bool m_gaveUp = false;
};
