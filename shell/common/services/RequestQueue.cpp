#include "shell/common/services/RequestQueue.h"

int CRequestQueue::Run(const RequestEntry& entry, IRequestClient& client, IRequestLock* lock)
{
    // Never start while another operation still holds the client: after the wait the running
    // operation's result would be mixed up with this one's.
    if (lock && !lock->Acquire(entry.kind, kLockTimeoutMs))
        return kLockBusy;
    int result = 0;
    switch (entry.kind) {
    case kRequestUrlList:
    case kRequestFriendList:
    case kRequestPresence:
    case kRequestMessageList:
        result = client.StartRequest(entry);
        break;
    default:
        break;
    }
    if (result != 0) {
        if (lock)
            lock->Release();
        if (m_reporter)
            m_reporter(m_reporterContext, result);
    }
    return result;
}

int CRequestQueue::Submit(const RequestEntry& entry, IRequestClient* client, IRequestLock* lock, bool loggedIn)
{
    if (!loggedIn) {
        m_entries.clear();
        return kNoClient;
    }
    if (!client)
        return kNoClient;
    if (entry.kind == kRequestDone) {
        if (lock)
            lock->Release();
        // Each failed start drops its entry and goes on with the next; a busy lock stops the
        // whole queue (every later entry would wait on the same holder).
        while (!m_entries.empty()) {
            m_entries.pop_front();
            if (m_entries.empty())
                return kStartedOrNext;
            int result = Run(m_entries.front(), *client, lock);
            if (result == 0)
                return kStartedOrNext;
            if (result == kLockBusy) {
                m_entries.clear();
                return kLockBusy;
            }
        }
        return kStartedOrNext;
    }
    if (m_entries.empty()) {
        int result = Run(entry, *client, lock);
        if (result != 0)
            return result;
        m_entries.push_back(entry);
        return kStartedOrNext;
    }
    m_entries.push_back(entry);
    return kQueued;
}
