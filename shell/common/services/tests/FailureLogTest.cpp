// Failures that no caller can be told of reach the routed target once each, and the log file
// keeps every one of them as a whole line, from any thread.
#include "shell/common/services/FailureLog.h"

#include "framework/core/Failure.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct RecordingTarget : IFailureTarget {
    std::mutex lock;
    std::vector<std::string> records;
    void Record(const char* where, const char* what) override
    {
        std::lock_guard<std::mutex> hold(lock);
        records.push_back(std::string(where) + ": " + what);
    }
};

std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

std::string ScratchPath(const char* name)
{
    std::string path = ::testing::TempDir() + name;
    std::remove(path.c_str());
    return path;
}

TEST(FailureRoute, ReportsReachTheTargetOnceUntilItIsReplaced)
{
    RecordingTarget first, second;
    IFailureTarget* before = RouteFailuresTo(&first);
    nv::ReportFailure("window procedure", "handler failed");
    EXPECT_EQ(&first, RouteFailuresTo(&second)) << "the replaced target is handed back";
    nv::ReportFailure("message box not shown", "text");
    EXPECT_EQ(&second, RouteFailuresTo(before));
    EXPECT_EQ(std::vector<std::string>{"window procedure: handler failed"}, first.records);
    EXPECT_EQ(std::vector<std::string>{"message box not shown: text"}, second.records);
}

TEST(FailureLogFile, WritesOneStampedLineAFailureWithItsBreaksFlattened)
{
    std::string path = ScratchPath("nv_failure_lines.log");
    CFailureLogFile log(path.c_str());
    log.Record("message box not shown", "first line\r\nsecond line");
    log.Record("window procedure", "unknown exception");
    std::vector<std::string> lines = ReadLines(path);
    ASSERT_EQ(2u, lines.size());
    const std::regex stamp(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d (.*)\r)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, stamp)) << lines[0];
    EXPECT_EQ("message box not shown: first line  second line", match[1].str());
    ASSERT_TRUE(std::regex_match(lines[1], match, stamp)) << lines[1];
    EXPECT_EQ("window procedure: unknown exception", match[1].str());
    std::remove(path.c_str());
}

TEST(FailureLogFile, KeepsEveryReportOfSeveralThreadsWhole)
{
    std::string path = ScratchPath("nv_failure_threads.log");
    CFailureLogFile log(path.c_str());
    IFailureTarget* before = RouteFailuresTo(&log);
    const int kThreads = 4, kEach = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kEach; ++i) {
                std::ostringstream what;
                what << "thread " << t << " report " << i;
                nv::ReportFailure("worker", what.str().c_str());
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    RouteFailuresTo(before);
    std::vector<std::string> lines = ReadLines(path);
    ASSERT_EQ(static_cast<size_t>(kThreads * kEach), lines.size());
    const std::regex whole(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d worker: thread \d report \d+\r)");
    for (const std::string& line : lines)
        EXPECT_TRUE(std::regex_match(line, whole)) << line;
    std::remove(path.c_str());
}

TEST(FailureLogFile, WithoutAPathNothingIsWritten)
{
    std::string path = ScratchPath("nv_failure_later.log");
    CFailureLogFile log;
    log.Record("early", "lost");
    log.SetPath(path.c_str());
    EXPECT_EQ(path, log.GetPath().GetString());
    log.Record("later", "kept");
    std::vector<std::string> lines = ReadLines(path);
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("later: kept"));
    std::remove(path.c_str());
}

} // namespace
