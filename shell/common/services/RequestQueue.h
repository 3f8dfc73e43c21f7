// The request queue: background requests to the message-server client run one at a time under
// the lock "PmWaitObject"; the head entry is the request that runs.
#pragma once

#include <cstdint>
#include <deque>

enum RequestKind : uint16_t {
    kRequestDone = 1, // the running request has ended: run the next (never stored)
    kRequestUrlList = 2,
    kRequestFriendList = 3,
    kRequestPresence = 5,
    kRequestMessageList = 32,
};

struct RequestEntry {
    uint16_t kind;
    uint32_t argument;
};

// The message-server client as the queue sees it: starts a request, 0 or a failure code.
class IRequestClient {
public:
    virtual ~IRequestClient() = default;
    virtual int StartRequest(const RequestEntry& entry) = 0;
};

// The lock shared by the windows that use the message client.
class IRequestLock {
public:
    virtual ~IRequestLock() = default;
    // True when the lock was taken within timeoutMs.
    virtual bool Acquire(uint16_t holderKind, unsigned timeoutMs) = 0;
    virtual void Release() = 0;
};

class CRequestQueue {
public:
    static constexpr int kStartedOrNext = 0;
    static constexpr int kQueued = -1;
    static constexpr int kNoClient = -2;
    // The lock stayed taken by another operation for the whole wait: nothing was started.
    static constexpr int kLockBusy = -3;
    static constexpr unsigned kLockTimeoutMs = 10000;

    // reportFailure is told of every request that failed to start.
    using FailureReporter = void (*)(void* context, int code);
    void SetFailureReporter(FailureReporter reporter, void* context)
    {
        m_reporter = reporter;
        m_reporterContext = context;
    }

    // client is null while no session with a message client exists (the queue is then emptied).
    int Submit(const RequestEntry& entry, IRequestClient* client, IRequestLock* lock, bool loggedIn);
    void Clear() { m_entries.clear(); }
    const std::deque<RequestEntry>& Entries() const { return m_entries; }

private:
    int Run(const RequestEntry& entry, IRequestClient& client, IRequestLock* lock);

    std::deque<RequestEntry> m_entries;
    FailureReporter m_reporter = nullptr;
    void* m_reporterContext = nullptr;
};
