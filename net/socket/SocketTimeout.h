// The process-wide time-out thread: a guarded blocking call registers a CSocketTimeout; when the
// call overruns, the thread closes the socket, which ends the call with an error. The thread
// sleeps until the nearest deadline or until a new guard or a stop wakes it; it never polls.
#pragma once

#include "net/socket/CommThread.h"
#include "net/socket/Socket.h"

#include <cstdint>

// Node of an intrusive circular doubly linked list; a lone node points to itself.
class CLinkNode {
public:
    CLinkNode() : m_next(this), m_prev(this) {}
    virtual ~CLinkNode() { Unlink(); }
    CLinkNode(const CLinkNode&) = delete;
    CLinkNode& operator=(const CLinkNode&) = delete;
    void InsertAfter(CLinkNode* position);
    void Unlink();
    CLinkNode* Next() const { return m_next; }

private:
    CLinkNode* m_next;
    CLinkNode* m_prev;
};

class CLinkList {
public:
    virtual ~CLinkList() = default;
    bool IsEmpty() const { return m_head.Next() == &m_head; }
    CLinkNode* Head() { return &m_head; }
    void PushFront(CLinkNode* node) { node->InsertAfter(&m_head); }

private:
    CLinkNode m_head;
};

class CTimeoutEntry : public CLinkNode {
public:
    // lock: the guard-list lock, which also guards the fired flag and OnExpire/OnCancel.
    CTimeoutEntry(CCriticalSection* lock, std::uint32_t durationMs);
    // Milliseconds left (start + duration - now in 32-bit arithmetic, so the clock may wrap).
    std::int32_t Remaining() const;
    void Fire();
    void Disarm();
    // Returns whether the guard fired; with remove, disarms and deletes the entry.
    bool Cancel(bool remove);
    bool Fired() const;

protected:
    virtual void OnExpire() = 0;
    virtual void OnCancel() = 0;

private:
    CCriticalSection* m_lock;
    bool m_fired = false;
    std::uint32_t m_start;
    std::uint32_t m_duration;
};

// Guards one socket: holds a share of its handle (so the handle it closes is the socket's own,
// never a value the system has handed out again), closes it on expiry, forgets it on cancel.
class CSocketTimeout : public CTimeoutEntry {
public:
    CSocketTimeout(CCriticalSection* lock, std::uint32_t durationMs, SocketHandleRef socket)
        : CTimeoutEntry(lock, durationMs), m_socket(std::move(socket)) {}

protected:
    void OnExpire() override;
    void OnCancel() override { m_socket.reset(); }

private:
    SocketHandleRef m_socket;
};

// Whether the time-out thread runs and takes guards.
bool IsTimerThreadRunning();
// Starts the time-out thread unless it runs; true when it runs afterwards.
bool EnsureTimerThread();
// A guard of ms milliseconds for socket, or null when the time-out thread is not running (or the
// guard could not be made). The caller removes it with Cancel(true) when its call returns.
CTimeoutEntry* AddSocketTimeout(std::uint32_t ms, CCommSocket* socket);
// Stops the time-out thread (waiting at most 5 s) and fires every guard left, so that no guarded
// call stays blocked. A later TCP connect starts the thread again.
void ShutdownSocketTimeouts();
// Guards currently linked (for tests and diagnostics).
int PendingSocketTimeouts();
// Called by the time-out thread after each walk of the guard list with the wait it then starts
// (CWaitEvent::kInfinite when no guard is pending); for tests and diagnostics. Null: none.
using TimeoutPassObserver = void (*)(std::uint32_t waitMs);
void SetTimeoutPassObserver(TimeoutPassObserver observer);
