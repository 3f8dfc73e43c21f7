// The real program logs in and out against the login_service peer (with its message server), driven
// through the main window's requests: 0x40C 0 logs in and starts the message client at the
// addresses of the reply, 0x40C 1 logs out, 0x40C 3 while logged in sends the log-out form before
// the process ends. What the servers saw is read from the peers' logs.
#include "shell/tests/SessionProgramSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace sessiontest;

TEST(SessionProgram, LogsInStartsTheMessageClientLogsOutAndLogsOutAtExit)
{
    EXPECT_TRUE(SeedAccount()) << "the profile could not be written";
    EXPECT_EQ(0u, Control("reset=1")) << "the peer's switch";
    // The character's texts come from the service's event file, fetched as the log-in greets.
    const int eventPort = std::atoi(ReadPeerFile("event_data.port").c_str());
    ASSERT_GT(eventPort, 0);
    EXPECT_TRUE(SetString("Event", "EVENT_URL", "http://127.0.0.1:" + std::to_string(eventPort) + "/event/eventdata.txt"));
    const std::size_t eventMark = ReadPeerFile("event_data.log").size();
    const std::size_t loginMark = ReadPeerFile("login_service.log").size();
    const std::size_t serverMark = ReadPeerFile("message_server.log").size();
    Program program;
    ASSERT_TRUE(program.Start(nvtest::UnixToWindowsPath(nvtest::Env("NV_MAIN_EXE"))));
    HWND main = nullptr;
    ASSERT_TRUE(nvtest::PumpUntil([&] { return (main = FindMainWindow(program.Id())) != nullptr; }, 30000));

    ::PostMessageA(main, kCommandRequest, 0, 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return Count("login_service.log", loginMark, "logged-in") == 1; }, 30000))
        << ReadPeerFile("login_service.log").substr(loginMark);
    EXPECT_TRUE(nvtest::PumpUntil(
        [&] {
            const std::string log = ReadPeerFile("event_data.log");
            return log.size() > eventMark && log.find("/event/eventdata.txt", eventMark) != std::string::npos;
        },
        30000))
        << "the event file was not fetched at log-in";
    // The message client went to the message server at the reply's addresses, and the start page
    // was reported as visited (Flags bit 0x1).
    EXPECT_TRUE(nvtest::PumpUntil(
        [&] {
            const std::string log = ReadPeerFile("message_server.log");
            return log.size() > serverMark && log.find("\"type\": 259", serverMark) != std::string::npos &&
                   log.find("\"user\": \"7573657230310000", serverMark) != std::string::npos &&
                   log.find("\"type\": 18", serverMark) != std::string::npos; // the visited start page
        },
        30000))
        << ReadPeerFile("message_server.log").substr(serverMark);

    ::PostMessageA(main, kCommandRequest, 1, 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return Count("login_service.log", loginMark, "logged-out") == 1; }, 30000))
        << ReadPeerFile("login_service.log").substr(loginMark);

    // Exit while logged in: the log-out form goes before the process ends.
    ::PostMessageA(main, kCommandRequest, 0, 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return Count("login_service.log", loginMark, "logged-in") == 2; }, 30000));
    ::PostMessageA(main, kCommandRequest, 3, 0);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !program.Running(); }, 30000));
    EXPECT_EQ(Count("login_service.log", loginMark, "logged-out"), 2);

    // The message server keeps the client waiting for its session answer: exit arrives while the
    // client's start waits, and the session goes only once that wait has returned.
    Program second;
    ASSERT_TRUE(second.Start(nvtest::UnixToWindowsPath(nvtest::Env("NV_MAIN_EXE"))));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return (main = FindMainWindow(second.Id())) != nullptr; }, 30000));
    EXPECT_EQ(0u, Control("message_session=silent")) << "the peer's switch";
    ::PostMessageA(main, kCommandRequest, 0, 0);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return Count("login_service.log", loginMark, "logged-in") == 3; }, 30000));
    ::PostMessageA(main, kCommandRequest, 3, 0);
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !second.Running(); }, 60000));
    EXPECT_EQ(0u, Control("message_session=0")) << "the peer's switch";
    DWORD code = 1;
    EXPECT_TRUE(second.ExitCode(&code));
    EXPECT_EQ(code, 0u); // ended, not crashed
    EXPECT_EQ(Count("login_service.log", loginMark, "logged-out"), 3);
    EXPECT_EQ(Count("login_service.log", loginMark, "violation"), 0) << ReadPeerFile("login_service.log").substr(loginMark);
}
