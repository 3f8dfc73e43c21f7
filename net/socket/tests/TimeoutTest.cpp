// The time-out thread and its guards, the scoped lock and the exceptions.
#include "net/socket/tests/HookRecorders.h"
#include "net/socket/tests/LoopbackPeer.h"
#include "net/socket/tests/OwnerRecorder.h"

#include "net/socket/SocketExceptions.h"
#include "net/socket/SocketTimeout.h"
#include "net/socket/TcpClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <stdexcept>

namespace {

void* const kOwner = reinterpret_cast<void*>(0x9abc);

std::atomic<std::uint32_t> g_fakeNow{0};
std::uint32_t FakeNow() { return g_fakeNow; }

class ProbeEntry : public CTimeoutEntry {
public:
    using CTimeoutEntry::CTimeoutEntry;
    int expired = 0, cancelled = 0;
    bool throws = false;

protected:
    void OnExpire() override
    {
        ++expired;
        if (throws)
            throw std::runtime_error("expiry failed");
    }
    void OnCancel() override { ++cancelled; }
};

TEST(TimeoutEntry, RemainingCountsAcrossTheWrapOfTheClock)
{
    const struct {
        std::uint32_t start, duration, now;
        std::int32_t remaining;
    } rows[] = {
        {1000, 500, 1000, 500},
        {1000, 500, 1499, 1},
        {1000, 500, 1500, 0},
        {1000, 500, 1600, -100},
        {0xFFFFFF00u, 0x200, 0xFFFFFF00u, 0x200},
        {0xFFFFFF00u, 0x200, 0x50, 0xB0},  // the clock wrapped, the deadline has not passed
        {0xFFFFFF00u, 0x200, 0x150, -0x50}, // wrapped and passed
    };
    CCriticalSection lock;
    nvnet::SetTickSource(FakeNow);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.now);
        g_fakeNow = r.start;
        ProbeEntry entry(&lock, r.duration);
        g_fakeNow = r.now;
        EXPECT_EQ(r.remaining, entry.Remaining());
    }
    nvnet::SetTickSource(nullptr);
}

TEST(TimeoutEntry, FireSetsTheFlagAndCancelReportsIt)
{
    CCriticalSection lock;
    auto* entry = new ProbeEntry(&lock, 10);
    EXPECT_FALSE(entry->Cancel(false));
    entry->Fire();
    entry->Fire(); // a fired entry fires again on every later pass
    EXPECT_EQ(2, entry->expired);
    EXPECT_TRUE(entry->Cancel(false));
    EXPECT_TRUE(entry->Cancel(true)); // disarms and deletes it
}

TEST(TimeoutEntry, AnExpiryThatThrowsIsReportedEachTimeAndStillFires)
{
    FailureRecorder failures;
    CCriticalSection lock;
    auto* entry = new ProbeEntry(&lock, 10);
    entry->throws = true;
    entry->Fire();
    entry->Fire();
    EXPECT_TRUE(entry->Fired());
    auto reports = failures.Reports();
    ASSERT_EQ(2u, reports.size());
    for (const auto& r : reports) {
        EXPECT_EQ("socket time-out thread", r.where);
        EXPECT_EQ("expiry failed", r.what);
    }
    entry->Cancel(true);
}

TEST(ScopedLock, SecondExplicitUnlockThrowsTheGeneralException)
{
    CCriticalSection section;
    CScopedLock lock(&section);
    lock.Unlock();
    try {
        lock.Unlock();
        FAIL() << "no exception";
    } catch (const CExc& e) {
        EXPECT_STREQ(kExcGeneralText, e.GetMessage());
        EXPECT_STREQ("", e.GetDetail());
    }
}

TEST(Exceptions, TextsAreCodePage932)
{
    // Bytes computed with Python's cp932 codec.
    EXPECT_EQ(std::string("\x97\xE1\x8A\x4F\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD"),
              kExcGeneralText);
    EXPECT_EQ(std::string("Windows\x82\xCC\x83\x8A\x83\x5C\x81\x5B\x83\x58\x95\x73\x91\xAB\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD"),
              kExcResourceText);
}

TEST(TimeoutThread, GuardedReceiveOnAnIdleConnectionEndsWithAnEndForm)
{
    OwnerRecorder owner;
    LoopbackPeer peer(PeerBehaviour::Silent);
    CTcpClient client(kOwner, 150, 0);
    ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", peer.Port()));
    EXPECT_TRUE(IsTimerThreadRunning());
    const std::intptr_t end = client.GetSocket().GetLocalPort() | SOCKET_END_FLAG;
    ASSERT_TRUE(owner.WaitForEnd(10000));
    auto ends = owner.EndForms();
    ASSERT_EQ(1u, ends.size());
    EXPECT_EQ(-1, ends[0].wParam);
    EXPECT_EQ(end, ends[0].lParam);
    // The guarded call removes its guard before the thread posts its end form.
    EXPECT_EQ(0, PendingSocketTimeouts());
    client.ReleaseReceiver();
    client.Close(); // the guard closed the handle: Close must not close it a second time
}

TEST(TimeoutThread, ShorterGuardWakesTheThreadAtOnce)
{
    // The clock stands still unless the test moves it, so the waits the thread starts are exact.
    ManualClock clock;
    TimeoutPassRecorder passes;
    OwnerRecorder owner;
    LoopbackPeer peer(PeerBehaviour::Silent);
    CTcpClient client(kOwner, 0, 0);
    ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", peer.Port()));
    CCommSocket unrelated;
    CTimeoutEntry* longGuard = AddSocketTimeout(600000, &unrelated);
    ASSERT_NE(nullptr, longGuard);
    ASSERT_TRUE(passes.WaitFor([](const std::vector<std::uint32_t>& w) { return !w.empty() && w.back() == 600000; }))
        << "the thread sleeps until the only deadline";
    CTimeoutEntry* shortGuard = AddSocketTimeout(100, &client.GetSocket());
    ASSERT_NE(nullptr, shortGuard);
    ASSERT_TRUE(passes.WaitFor([](const std::vector<std::uint32_t>& w) { return !w.empty() && w.back() == 100; }))
        << "a shorter guard cuts the sleep to its own deadline at once";
    clock.Advance(99);
    ASSERT_TRUE(passes.WaitFor([](const std::vector<std::uint32_t>& w) { return !w.empty() && w.back() == 1; }));
    EXPECT_FALSE(shortGuard->Fired()) << "one millisecond early";
    EXPECT_TRUE(owner.Messages().empty());
    clock.Advance(1);
    ASSERT_TRUE(owner.WaitForEnd()) << "the short guard did not close the socket";
    EXPECT_TRUE(shortGuard->Cancel(true));
    EXPECT_FALSE(longGuard->Cancel(true));
    client.Close();
}

TEST(TimeoutThread, EnsureAnswersWhetherTheThreadRuns)
{
    EXPECT_TRUE(EnsureTimerThread());
    EXPECT_TRUE(EnsureTimerThread()) << "already running is running";
    EXPECT_TRUE(IsTimerThreadRunning());
    ShutdownSocketTimeouts();
    EXPECT_FALSE(IsTimerThreadRunning());
    EXPECT_TRUE(EnsureTimerThread()) << "started again";
    EXPECT_TRUE(IsTimerThreadRunning());
}

TEST(TimeoutThread, ShutdownReleasesBlockedCallsAndTheNextConnectStartsItAgain)
{
    ShutdownSocketTimeouts();
    EXPECT_FALSE(IsTimerThreadRunning());
    ShutdownSocketTimeouts(); // nothing to do when stopped
    CCommSocket socket;
    EXPECT_EQ(nullptr, AddSocketTimeout(100, &socket)) << "no guards without the thread";

    TimeoutPassRecorder passes;
    OwnerRecorder owner;
    LoopbackPeer peer(PeerBehaviour::Silent);
    CTcpClient client(kOwner, 60000, 0);
    ASSERT_EQ(SOCKET_OK, client.Connect("127.0.0.1", peer.Port()));
    ASSERT_TRUE(IsTimerThreadRunning());
    // The receive thread blocks under a one-minute guard; a shutdown fires it.
    ASSERT_TRUE(passes.WaitFor([](const std::vector<std::uint32_t>&) { return PendingSocketTimeouts() == 1; }));
    ShutdownSocketTimeouts();
    EXPECT_FALSE(IsTimerThreadRunning());
    ASSERT_TRUE(owner.WaitForEnd(10000));
    client.Close();

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        OwnerRecorder again;
        CTcpClient next(kOwner, 100, 0);
        LoopbackPeer silent(PeerBehaviour::Silent);
        ASSERT_EQ(SOCKET_OK, next.Connect("127.0.0.1", silent.Port()));
        EXPECT_TRUE(IsTimerThreadRunning());
        ASSERT_TRUE(again.WaitForEnd(10000)) << "guards work after a restart";
        next.Close();
        ShutdownSocketTimeouts();
    }
}

} // namespace
