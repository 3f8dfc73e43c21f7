// Thread base classes of the socket library: a thread object with Init/Run/Exit steps that may
// delete itself when its thread ends, the receive-thread base that can be stopped from outside,
// and a loop thread that repeats a step until told to stop. Also the lock and event the library
// uses everywhere.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

// A re-entrant lock (a critical section).
class CCriticalSection {
public:
    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

// Every lock of the library is taken through this. Unlock releases the section as often as it is
// held and throws CExc when nothing is held.
class CScopedLock {
public:
    explicit CScopedLock(CCriticalSection* section);
    ~CScopedLock();
    CScopedLock(const CScopedLock&) = delete;
    CScopedLock& operator=(const CScopedLock&) = delete;
    void Unlock();
    int HoldCount() const { return m_count; }

private:
    CCriticalSection* m_section;
    int m_count;
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

class CCommThread {
public:
    CCommThread() = default;
    virtual ~CCommThread() = default;
    CCommThread(const CCommThread&) = delete;
    CCommThread& operator=(const CCommThread&) = delete;

    // Starts the thread (the library always runs it at once, default stack). False when a thread
    // is already held or none could be made. An auto-delete object deletes itself when it ends.
    bool Start(bool runAtOnce, bool autoDelete, std::uint32_t stackSize);
    // The completion of the running thread (the "thread handle" to wait on); null when none.
    ThreadCompletionRef Handle();
    bool IsRunning();

    virtual int Init() { return 0; }
    virtual int Run() { return 0; }
    virtual int Exit() { return 0; }
    virtual void Delete() { delete this; }

protected:
    CCriticalSection m_threadLock;

private:
    static void ThreadProc(CCommThread* self, ThreadCompletionRef done);
    void ResetState();

    bool m_running = false;
    ThreadCompletionRef m_handle;
    std::uint32_t m_stackSize = 0;
    bool m_autoDelete = false;
};

class CSocketThread : public CCommThread {
public:
    // Closes the thread's socket (ending its blocking call) and sets the stop flag.
    virtual void Stop() = 0;

protected:
    bool m_stopFlag = false;
};

class CEventLoopThread : public CCommThread {
public:
    int Run() override;
    void RequestStop();
    bool StopRequested();
    // One turn of the loop; the default asks to stop.
    virtual int Step();
    // Confirms a requested stop (true) or cancels it (false).
    virtual bool StopCheck() { return true; }

protected:
    bool m_waiting = false;
    bool m_stopRequest = false;
    CWaitEvent m_ownEvent;
    CCriticalSection m_loopLock;
};
