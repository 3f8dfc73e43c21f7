// Crash safety under Wine: a writer process killed (TerminateProcess) in the middle of a batch of
// inserts costs no committed message, and the file opens at the next start as it is.
#include "messaging/store/tests/StoreFixture.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <map>

namespace {

std::string SampleWriterPath()
{
    char module[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path(module);
    return path.substr(0, path.rfind('\\') + 1) + "msgstore_write_sample.exe";
}

// The writer's output reaches the test through a named pipe read overlapped, so that every read
// waits only until the test's deadline (an anonymous pipe can only be read blocking).
struct AckPipe {
    HANDLE readEnd = INVALID_HANDLE_VALUE;
    HANDLE writeEnd = INVALID_HANDLE_VALUE;   // inherited by the writer as its output
    HANDLE readDone = nullptr;
    ~AckPipe()
    {
        for (HANDLE handle : {readEnd, writeEnd})
            if (handle != INVALID_HANDLE_VALUE)
                CloseHandle(handle);
        if (readDone)
            CloseHandle(readDone);
    }
};

} // namespace

TEST_F(StoreTest, AWriterProcessKilledMidBatchKeepsEveryCommittedMessage)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    AckPipe pipe;
    std::string pipeName = "\\\\.\\pipe\\nvstore-crash-" + std::to_string(GetCurrentProcessId());
    pipe.readEnd = CreateNamedPipeA(pipeName.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED |
                                                          FILE_FLAG_FIRST_PIPE_INSTANCE,
                                    PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 65536, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, pipe.readEnd) << GetLastError();
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    pipe.writeEnd = CreateFileA(pipeName.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, pipe.writeEnd) << GetLastError();
    pipe.readDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, pipe.readDone);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = pipe.writeEnd;
    startup.hStdError = pipe.writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + SampleWriterPath() + "\" \"" + m_install + "\" --forever";
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        << command;
    CloseHandle(pipe.writeEnd);
    pipe.writeEnd = INVALID_HANDLE_VALUE;

    // Read acknowledgements until enough messages are committed, the writer is gone, or the
    // deadline has passed (a silent writer included).
    std::map<long, std::string> committed;
    std::string pending;
    char block[4096];
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (committed.size() < 150) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        OVERLAPPED read = {};
        read.hEvent = pipe.readDone;
        ResetEvent(pipe.readDone);
        DWORD got = 0;
        if (!ReadFile(pipe.readEnd, block, sizeof block, nullptr, &read) && GetLastError() != ERROR_IO_PENDING)
            break;   // the writer has gone and its end is closed
        if (WaitForSingleObject(pipe.readDone, static_cast<DWORD>(left.count())) != WAIT_OBJECT_0) {
            CancelIo(pipe.readEnd);
            GetOverlappedResult(pipe.readEnd, &read, &got, TRUE);   // the buffer stays ours until then
            break;
        }
        if (!GetOverlappedResult(pipe.readEnd, &read, &got, FALSE) || got == 0)
            break;
        pending.append(block, got);
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            long seqNo = 0, index = 0;
            if (std::sscanf(line.c_str(), "%ld %ld", &seqNo, &index) == 2)
                committed[seqNo] = storetest::CrashTestText(index);
        }
    }
    ASSERT_TRUE(TerminateProcess(process.hProcess, 9));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 30000));
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_EQ(9u, exitCode) << "the writer stopped by itself";
    ASSERT_GE(committed.size(), 150u);

    ASSERT_NO_FATAL_FAILURE(ExpectEveryCommittedMessageAfterTheCrash(committed));
}
