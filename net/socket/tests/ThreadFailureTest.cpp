// What a thread of the library does with an exception: it reaches the failure hook once per
// failure; a loop whose step keeps failing backs off (a growing, bounded pause) and after a bounded
// number of failures in a row ends, with exactly one report that it ends.
#include "net/socket/tests/HookRecorders.h"

#include "net/socket/CommThread.h"
#include "net/socket/SocketExceptions.h"

#include <gtest/gtest.h>

#include <deque>
#include <future>
#include <stdexcept>

namespace {

// Holds a started thread in Init until the test has taken its completion: a thread that ends at
// once gives its handle up as it ends.
class StartGate {
public:
    void WaitOpen() { m_gate.wait(); }
    template <class Thread>
    ThreadCompletionRef StartAndOpen(Thread& thread)
    {
        if (!thread.Start(false))
            return nullptr;
        ThreadCompletionRef done = thread.Handle();
        m_open.set_value();
        return done;
    }

private:
    std::promise<void> m_open;
    std::shared_future<void> m_gate = m_open.get_future().share();
};

// A loop thread whose steps follow a script: 'e' throws a std::exception, 'c' a CExc, 'i' an
// int, 'o' returns normally; past the script it asks to stop.
class ScriptedLoop : public CEventLoopThread {
public:
    explicit ScriptedLoop(std::string script) : m_script(std::move(script)) {}
    StartGate gate;
    int Init() override
    {
        gate.WaitOpen();
        return 0;
    }
    int Step() override
    {
        std::lock_guard<std::mutex> hold(m_lock);
        ++steps;
        if (m_next >= m_script.size()) {
            RequestStop();
            return 0;
        }
        switch (m_script[m_next++]) {
        case 'e': throw std::runtime_error("step failed");
        case 'c': throw CExc(kExcGeneralText);
        case 'i': throw 42;
        default: return 0;
        }
    }
    int Exit() override
    {
        std::lock_guard<std::mutex> hold(m_lock);
        ++exits;
        return 0;
    }
    const char* FailureSite() const override { return "scripted loop"; }
    std::vector<std::uint32_t> Pauses()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_pauses;
    }
    int Steps()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return steps;
    }
    int Exits()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return exits;
    }

protected:
    void Pause(std::uint32_t ms) override
    {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_pauses.push_back(ms);
        }
        CEventLoopThread::Pause(ms);
    }

private:
    std::mutex m_lock;
    std::string m_script;
    std::size_t m_next = 0;
    std::vector<std::uint32_t> m_pauses;
    int steps = 0;
    int exits = 0;
};

std::vector<std::string> Whats(const std::vector<FailureReport>& reports)
{
    std::vector<std::string> whats;
    for (const auto& r : reports)
        whats.push_back(r.what);
    return whats;
}

TEST(LoopThreadFailure, EachFailureIsReportedThePauseGrowsAndTheLoopGivesUpOnce)
{
    const std::string endText = "stopped after 5 failures in a row";
    const std::string cp932General = kExcGeneralText;
    const struct {
        const char* name;
        std::string script;
        std::vector<std::string> reports;
        std::vector<std::uint32_t> pauses;
        bool gaveUp;
    } rows[] = {
        {"a step that always throws", "eeeeeeeeee",
         {"step failed", "step failed", "step failed", "step failed", "step failed", endText}, {1, 2, 4, 4}, true},
        {"any kind of exception counts", "ceiec",
         {cp932General, "step failed", "unknown exception", "step failed", cp932General, endText}, {1, 2, 4, 4}, true},
        {"a good step resets the count and the pause", "eeeeoeeeeoeeee",
         std::vector<std::string>(12, "step failed"), {1, 2, 4, 4, 1, 2, 4, 4, 1, 2, 4, 4}, false},
        {"no failure, no report", "ooo", {}, {}, false},
    };
    StepFailurePolicy policy;
    policy.firstPauseMs = 1;
    policy.maxPauseMs = 4;
    policy.failureLimit = 5;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FailureRecorder failures;
        ScriptedLoop loop(row.script);
        loop.SetFailurePolicy(policy);
        ThreadCompletionRef done = loop.gate.StartAndOpen(loop);
        ASSERT_TRUE(done);
        ASSERT_TRUE(done->Wait(10000)) << "the loop ended";
        EXPECT_EQ(row.reports, Whats(failures.Reports()));
        for (const auto& r : failures.Reports())
            EXPECT_EQ("scripted loop", r.where);
        EXPECT_EQ(row.pauses, loop.Pauses());
        EXPECT_EQ(row.gaveUp, loop.GaveUp());
        EXPECT_EQ(1, loop.Exits()) << "the loop ends the normal way";
    }
}

TEST(LoopThreadFailure, AFailedStepPausesInsteadOfSpinningAndAStopCutsThePauseShort)
{
    FailureRecorder failures;
    ScriptedLoop loop("eeee");
    StepFailurePolicy policy;
    policy.firstPauseMs = 600000; // ten minutes: only a stop ends this pause
    loop.SetFailurePolicy(policy);
    ThreadCompletionRef done = loop.gate.StartAndOpen(loop);
    ASSERT_TRUE(done);
    ASSERT_TRUE(failures.WaitForCount(1));
    loop.RequestStop();
    ASSERT_TRUE(done->Wait(10000)) << "the stop ended the pause";
    EXPECT_EQ(1, loop.Steps()) << "no step ran between the failure and the stop";
    EXPECT_EQ(std::vector<std::uint32_t>{600000}, loop.Pauses());
    EXPECT_EQ(1u, failures.Reports().size()) << "a requested stop is no failure";
    EXPECT_FALSE(loop.GaveUp());
}

TEST(ThreadFailure, WhatInitOrExitThrowsIsReportedAndExitStillRuns)
{
    class Throwing : public CCommThread {
    public:
        explicit Throwing(char where) : m_where(where) {}
        StartGate gate;
        int Init() override
        {
            gate.WaitOpen();
            return m_where == 'i' ? throw std::runtime_error("init failed") : 0;
        }
        int Run() override
        {
            ran = true;
            return 0;
        }
        int Exit() override
        {
            exited = true;
            return m_where == 'x' ? throw std::runtime_error("exit failed") : 0;
        }
        bool ran = false, exited = false;

    private:
        char m_where;
    };
    const struct {
        const char* name;
        char where;
        const char* what;
        bool ran;
    } rows[] = {
        {"Init throws", 'i', "init failed", false},
        {"Exit throws", 'x', "exit failed", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FailureRecorder failures;
        Throwing thread(row.where);
        ThreadCompletionRef done = thread.gate.StartAndOpen(thread);
        ASSERT_TRUE(done);
        ASSERT_TRUE(done->Wait(10000));
        auto reports = failures.Reports();
        ASSERT_EQ(1u, reports.size());
        EXPECT_EQ("socket library thread", reports[0].where);
        EXPECT_EQ(row.what, reports[0].what);
        EXPECT_EQ(row.ran, thread.ran);
        EXPECT_TRUE(thread.exited);
    }
}

} // namespace
