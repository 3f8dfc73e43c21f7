// unlha32.dll through its exports, as the programs load it: by name, undecorated stdcall exports.
#include "platform/unlha32/tests/LhaFixtures.h"
#include "tests/support/WinTestSupport.h"
#include "platform/unlha32/codec/Lha.h"
#include "platform/unlha32/codec/UnlhaCommand.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

using Bytes = std::vector<std::uint8_t>;
using UnlhaFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using GetVersionFn = WORD(WINAPI*)();
using GetRunningFn = BOOL(WINAPI*)();
using CheckArchiveFn = BOOL(WINAPI*)(LPCSTR, int);
using SetCursorModeFn = BOOL(WINAPI*)(BOOL);

template <class Fn>
Fn Export(HMODULE dll, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}



bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int CountFiles(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int n = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ++n;
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return n;
}

class Unlha32Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string path = nvtest::UnixToWindowsPath(nvtest::Env("NV_UNLHA32"));
        m_dll = LoadLibraryA(path.c_str());
        ASSERT_NE(m_dll, nullptr) << path;
        m_unlha = Export<UnlhaFn>(m_dll, "Unlha");
        ASSERT_NE(m_unlha, nullptr);
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        // Blanks in the folder: the callers pass it unquoted or quoted.
        m_root = std::string(temp) + "nv unlha test " + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(m_root.c_str(), nullptr);
        for (const char* sub : {"src\\", "out\\", "out2\\"})
            CreateDirectoryA((m_root + sub).c_str(), nullptr);
    }
    void TearDown() override
    {
        nvtest::RemoveTree(m_root.substr(0, m_root.size() - 1));
        if (m_dll)
            FreeLibrary(m_dll);
    }
    int Run(const std::string& command)
    {
        char output[10240];
        return m_unlha(nullptr, command.c_str(), output, sizeof output);
    }

    HMODULE m_dll = nullptr;
    UnlhaFn m_unlha = nullptr;
    std::string m_root;
};

TEST_F(Unlha32Test, ExportsAnswerByTheirPlainNames)
{
    auto version = Export<GetVersionFn>(m_dll, "UnlhaGetVersion");
    auto running = Export<GetRunningFn>(m_dll, "UnlhaGetRunning");
    auto check = Export<CheckArchiveFn>(m_dll, "UnlhaCheckArchive");
    auto cursor = Export<SetCursorModeFn>(m_dll, "UnlhaSetCursorMode");
    ASSERT_TRUE(version && running && check && cursor);
    EXPECT_NE(version(), 0);
    EXPECT_FALSE(running());
    EXPECT_TRUE(cursor(FALSE));
    EXPECT_EQ(GetProcAddress(m_dll, "Unlha@16"), nullptr);
}

TEST_F(Unlha32Test, CompressThenExtractGivesTheFilesBackWithEitherFolderForm)
{
    const std::string japanese = "\x95\x5C\x8E\xA6.bmp";  // 表示.bmp: second byte 0x5C
    struct File {
        std::string name;
        Bytes data;
    } files[] = {{"NVPCINFO.TXT", Bytes{'F', 'I', 'L', 'E', '_', 'V', '=', '1', '\r', '\n'}},
                 {"main.bmp", lhatest::FixtureFar()},
                 {japanese, lhatest::FixtureText()}};
    for (const File& f : files)
        ASSERT_TRUE(nvtest::WriteFileBytes(m_root + "src\\" + f.name, f.data));
    std::string archive = m_root + "my skin.csz";
    ASSERT_EQ(Run("a -ycngm \"" + archive + "\" " + m_root + "src\\"), 0);

    auto check = Export<CheckArchiveFn>(m_dll, "UnlhaCheckArchive");
    EXPECT_TRUE(check(archive.c_str(), 1));

    struct Form {
        const char* name;
        std::string command;
        std::string folder;
    } forms[] = {
        {"unquoted folder with blanks", "e -ycngm \"" + archive + "\" " + m_root + "out\\", m_root + "out\\"},
        {"quoted folder", "e -ycngm \"" + archive + "\" \"" + m_root + "out2\\\"", m_root + "out2\\"},
    };
    for (const Form& form : forms) {
        SCOPED_TRACE(form.name);
        ASSERT_EQ(Run(form.command), 0);
        for (const File& f : files)
            EXPECT_EQ(nvtest::ReadFileBytes(form.folder + f.name), f.data) << f.name;
    }
}

TEST_F(Unlha32Test, HostileOrDamagedArchivesWriteNothing)
{
    auto check = Export<CheckArchiveFn>(m_dll, "UnlhaCheckArchive");
    lha::Writer good;
    Bytes body = lhatest::FixtureText();
    good.Add("fine.txt", body.data(), body.size(), 0);
    Bytes goodArchive = good.Finish();

    lha::Writer evil;
    evil.Add("fine.txt", body.data(), body.size(), 0);
    evil.Add("..\\escaped.txt", body.data(), body.size(), 0);
    Bytes truncated(goodArchive.begin(), goodArchive.begin() + goodArchive.size() / 2);
    Bytes damaged = goodArchive;
    damaged[damaged.size() - 30] ^= 0x44;

    struct Row {
        const char* name;
        Bytes archive;
        unsigned expected;
    } rows[] = {
        {"parent-folder name", evil.Finish(), lha::kUnlhaUnsafeName},
        {"truncated", truncated, lha::kUnlhaBadArchive},
        {"damaged data", damaged, 0},
        {"not an archive", Bytes{'M', 'Z', 0x90, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xB8, 0, 0, 0, 0, 0, 0, 0},
         0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string archive = m_root + "bad.csz";
        ASSERT_TRUE(nvtest::WriteFileBytes(archive, row.archive));
        EXPECT_FALSE(check(archive.c_str(), 1));
        int result = Run("e -ycngm \"" + archive + "\" " + m_root + "out\\");
        if (row.expected)
            EXPECT_EQ(result, static_cast<int>(row.expected));
        else
            EXPECT_NE(result, 0);
        EXPECT_EQ(CountFiles(m_root + "out\\"), 0);
        EXPECT_FALSE(Exists(m_root + "escaped.txt"));
    }
}

TEST_F(Unlha32Test, FailedRebuildLeavesTheOldArchive)
{
    Bytes body = lhatest::FixtureText();
    ASSERT_TRUE(nvtest::WriteFileBytes(m_root + "src\\a.txt", body));
    std::string archive = m_root + "keep.csz";
    ASSERT_EQ(Run("a -ycngm \"" + archive + "\" " + m_root + "src\\"), 0);
    Bytes before = nvtest::ReadFileBytes(archive);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(Run("a -ycngm \"" + archive + "\" " + m_root + "missing\\"), static_cast<int>(lha::kUnlhaNoFiles));
    EXPECT_EQ(Run("a -ycngm \"" + archive + "\" " + m_root + "out\\"), static_cast<int>(lha::kUnlhaNoFiles));
    EXPECT_EQ(nvtest::ReadFileBytes(archive), before);
    EXPECT_EQ(Run("bogus"), static_cast<int>(lha::kUnlhaBadCommand));
}

} // namespace
