// The Windows platform of the store: where the install folder comes from, code page 932 and
// UTF-8 at the SQLite boundary, and the file operations that keep set-aside copies safe.
#include "messaging/store/tests/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

void SetAppPath(const char* exe, const char* folder)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + exe).c_str(), 0, nullptr,
                                             0, KEY_SET_VALUE, nullptr, &key, nullptr));
    if (folder)
        RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                       static_cast<DWORD>(strlen(folder) + 1));
    RegCloseKey(key);
}

void RemoveAppPath(const char* exe) { RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + exe).c_str()); }

} // namespace

TEST(Win32StorePlatform, InstallFolderFromAppPathsThenTheProgramsFolder)
{
    msgstore::IStorePlatform& platform = msgstore::DefaultStorePlatform();
    RemoveAppPath("q2nimbovandrell.exe");
    RemoveAppPath("NimboVandrell.exe");

    char module[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string own(module);
    own = own.substr(0, own.rfind('\\'));
    EXPECT_EQ(own, platform.GetInstallFolder().str()) << "neither key: the program's folder";

    SetAppPath("NimboVandrell.exe", "C:\\Second");
    EXPECT_EQ("C:\\Second", platform.GetInstallFolder().str());
    SetAppPath("q2nimbovandrell.exe", "C:\\First\\");
    EXPECT_EQ("C:\\First", platform.GetInstallFolder().str()) << "the first key wins; no trailing separator";
    RemoveAppPath("q2nimbovandrell.exe");
    SetAppPath("q2nimbovandrell.exe", nullptr);
    EXPECT_EQ("", platform.GetInstallFolder().str()) << "a key without its value gives no folder";
    RemoveAppPath("q2nimbovandrell.exe");
    RemoveAppPath("NimboVandrell.exe");

    EXPECT_FALSE(platform.GetWindowsUserName().IsEmpty());
}

TEST(Win32StorePlatform, TextAndPathsCrossToUtf8AndBack)
{
    msgstore::IStorePlatform& platform = msgstore::DefaultStorePlatform();
    struct Case {
        const char* name;
        std::string cp932, utf8;
        bool reversible;
    } cases[] = {
        {"ASCII", "abc", "abc", true},
        {"kana and kanji", "\x82\xA0\x83\x41\x8A\xBF", "\xE3\x81\x82\xE3\x82\xA2\xE6\xBC\xA2", true},
        {"half-width kana", "\xB1\xB2", "\xEF\xBD\xB1\xEF\xBD\xB2", true},
        {"0x5C trail byte", "\x83\x5C", "\xE3\x82\xBD", true},
        {"wave dash", "\x81\x60", "\xEF\xBD\x9E", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string utf8, back;
        ASSERT_TRUE(platform.Cp932ToUtf8(c.cp932, utf8));
        EXPECT_EQ(c.utf8, utf8);
        EXPECT_EQ(c.reversible, platform.Utf8ToCp932(utf8, back));
        EXPECT_EQ(c.cp932, back);
    }
    std::string utf8;
    EXPECT_FALSE(platform.Cp932ToUtf8(std::string("\x82", 1), utf8)) << "a lone lead byte";
    EXPECT_EQ("C:\\\xE3\x83\x86\\a.db", platform.ToSqlitePath("C:\\\x83\x65\\a.db"));
}

TEST(Win32StorePlatform, ExclusiveCopiesNeverOverwrite)
{
    msgstore::IStorePlatform& platform = msgstore::DefaultStorePlatform();
    std::string folder = storetest::MakeTempFolder();
    std::string source = storetest::Join(folder, "a.bin"), target = storetest::Join(folder, "b.bin");
    ASSERT_TRUE(storetest::WriteFile(source, "new"));
    ASSERT_TRUE(storetest::WriteFile(target, "old"));
    EXPECT_FALSE(platform.CopyFileBytes(target.c_str(), source.c_str(), true));
    std::string bytes;
    ASSERT_TRUE(storetest::ReadFile(target, bytes));
    EXPECT_EQ("old", bytes);
    EXPECT_TRUE(platform.CopyFileBytes(target.c_str(), source.c_str(), false));
    ASSERT_TRUE(storetest::ReadFile(target, bytes));
    EXPECT_EQ("new", bytes);
    EXPECT_TRUE(platform.PathExists(folder.c_str()));
    EXPECT_FALSE(platform.PathExists(storetest::Join(folder, "none").c_str()));
    EXPECT_FALSE(platform.CreateEmptyFile(target.c_str()));
    CString unique = platform.MakeUniqueFile(folder.c_str(), "SOU");
    EXPECT_EQ(0, unique.Find((folder + "\\SOU").c_str()));
    CString extension = unique.Right(4);
    extension.MakeUpper();
    EXPECT_STREQ(".TMP", extension);
    storetest::RemoveTree(folder);
}
