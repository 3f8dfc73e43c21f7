// Crash safety under Wine: a writer process killed (TerminateProcess) in the middle of a batch of
// inserts costs no committed message, and the file opens at the next start as it is.
#include "StoreFixture.h"

#include <windows.h>

#include <map>

namespace {

std::string SampleWriterPath()
{
    char module[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path(module);
    return path.substr(0, path.rfind('\\') + 1) + "msgstore_write_sample.exe";
}

} // namespace

TEST_F(StoreTest, AWriterProcessKilledMidBatchKeepsEveryCommittedMessage)
{
    OpenStore();
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + SampleWriterPath() + "\" \"" + m_install + "\" --forever";
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        << command;
    CloseHandle(writeEnd);

    // Read acknowledgements until enough messages are committed; each ReadFile returns as soon
    // as the writer prints, or fails when it is gone.
    std::map<long, std::string> committed;
    std::string pending;
    char block[4096];
    DWORD got = 0;
    while (committed.size() < 150 && ReadFile(readEnd, block, sizeof block, &got, nullptr) && got > 0) {
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
    CloseHandle(readEnd);
    ASSERT_EQ(9u, exitCode) << "the writer stopped by itself";
    ASSERT_GE(committed.size(), 150u);

    ExpectEveryCommittedMessageAfterTheCrash(committed);
}
