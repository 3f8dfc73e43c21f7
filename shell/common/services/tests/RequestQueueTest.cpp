// The request queue as a state machine: which request runs, what waits, and that the lock is
// released exactly when it was taken and the request failed or ended.
#include "shell/common/services/RequestQueue.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

struct FakeClient : IRequestClient {
    std::map<uint16_t, int> results; // kind -> result of the start
    std::vector<uint16_t> started;
    int StartRequest(const RequestEntry& entry) override
    {
        started.push_back(entry.kind);
        auto found = results.find(entry.kind);
        return found == results.end() ? 0 : found->second;
    }
};

struct FakeLock : IRequestLock {
    bool held = false;
    bool heldElsewhere = false;
    int releases = 0;
    std::vector<uint16_t> holders;
    bool Acquire(uint16_t kind, unsigned timeoutMs) override
    {
        EXPECT_EQ(10000u, timeoutMs);
        if (held || heldElsewhere)
            return false;
        held = true;
        holders.push_back(kind);
        return true;
    }
    void Release() override
    {
        if (held)
            ++releases;
        held = false;
    }
};

std::vector<uint16_t> Kinds(const CRequestQueue& q)
{
    std::vector<uint16_t> kinds;
    for (const RequestEntry& e : q.Entries())
        kinds.push_back(e.kind);
    return kinds;
}

void Record(void* context, int code) { static_cast<std::vector<int>*>(context)->push_back(code); }

} // namespace

TEST(RequestQueue, ASecondRequestWaitsAndStartsWhenTheFirstEnds)
{
    CRequestQueue q;
    FakeClient client;
    FakeLock lock;
    EXPECT_EQ(0, q.Submit({kRequestMessageList, 0}, &client, &lock, true));
    EXPECT_EQ(-1, q.Submit({kRequestPresence, 0x20}, &client, &lock, true));
    EXPECT_EQ((std::vector<uint16_t>{32}), client.started);
    EXPECT_EQ((std::vector<uint16_t>{32, 5}), Kinds(q));
    EXPECT_TRUE(lock.held);
    // The message-list result has arrived.
    EXPECT_EQ(0, q.Submit({kRequestDone, 0}, &client, &lock, true));
    EXPECT_EQ((std::vector<uint16_t>{32, 5}), client.started);
    EXPECT_EQ((std::vector<uint16_t>{5}), Kinds(q));
    EXPECT_EQ((std::vector<uint16_t>{32, 5}), lock.holders);
    EXPECT_EQ(0, q.Submit({kRequestDone, 0}, &client, &lock, true));
    EXPECT_TRUE(Kinds(q).empty());
    EXPECT_FALSE(lock.held);
    EXPECT_EQ(2, lock.releases);
}

TEST(RequestQueue, AFailedStartReleasesTheLockIsReportedAndTheNextRuns)
{
    CRequestQueue q;
    std::vector<int> reported;
    q.SetFailureReporter(Record, &reported);
    FakeClient client;
    FakeLock lock;
    client.results[kRequestFriendList] = 12213;
    EXPECT_EQ(12213, q.Submit({kRequestFriendList, 0}, &client, &lock, true)) << "not queued";
    EXPECT_TRUE(Kinds(q).empty());
    EXPECT_FALSE(lock.held);
    EXPECT_EQ(std::vector<int>{12213}, reported);

    EXPECT_EQ(0, q.Submit({kRequestMessageList, 0}, &client, &lock, true));
    EXPECT_EQ(-1, q.Submit({kRequestFriendList, 0}, &client, &lock, true));
    EXPECT_EQ(-1, q.Submit({kRequestUrlList, 0}, &client, &lock, true));
    EXPECT_EQ(0, q.Submit({kRequestDone, 0}, &client, &lock, true));
    EXPECT_EQ((std::vector<uint16_t>{3, 32, 3, 2}), client.started) << "the failed friend list gave way to the URL list";
    EXPECT_EQ((std::vector<uint16_t>{2}), Kinds(q));
    EXPECT_TRUE(lock.held);
}

TEST(RequestQueue, NothingStartsWhileTheLockIsHeldElsewhere)
{
    CRequestQueue q;
    FakeClient client;
    FakeLock lock;
    lock.heldElsewhere = true; // a send window's operation holds the client
    EXPECT_EQ(CRequestQueue::kLockBusy, q.Submit({kRequestMessageList, 0}, &client, &lock, true));
    EXPECT_TRUE(client.started.empty());
    EXPECT_TRUE(Kinds(q).empty());
    EXPECT_EQ(0, lock.releases) << "a lock that was never taken is not released";

    lock.heldElsewhere = false;
    EXPECT_EQ(0, q.Submit({kRequestMessageList, 0}, &client, &lock, true));
    EXPECT_EQ(-1, q.Submit({kRequestPresence, 0}, &client, &lock, true));
    lock.held = false;
    lock.heldElsewhere = true;
    EXPECT_EQ(CRequestQueue::kLockBusy, q.Submit({kRequestDone, 0}, &client, &lock, true));
    EXPECT_EQ((std::vector<uint16_t>{32}), client.started);
    EXPECT_TRUE(Kinds(q).empty());
}

TEST(RequestQueue, WithoutASessionTheQueueEmpties)
{
    CRequestQueue q;
    FakeClient client;
    FakeLock lock;
    q.Submit({kRequestMessageList, 0}, &client, &lock, true);
    q.Submit({kRequestPresence, 0}, &client, &lock, true);
    EXPECT_EQ(-2, q.Submit({kRequestUrlList, 0}, &client, &lock, false));
    EXPECT_TRUE(Kinds(q).empty());
    EXPECT_EQ(-2, q.Submit({kRequestUrlList, 0}, nullptr, &lock, true));
}

TEST(RequestQueue, UnknownKindsStartNothing)
{
    CRequestQueue q;
    FakeClient client;
    FakeLock lock;
    EXPECT_EQ(0, q.Submit({7, 0}, &client, &lock, true));
    EXPECT_TRUE(client.started.empty());
}
