// A platform for the store's tests: real files (the build's own platform) in a fresh folder per
// test, with a fixed clock, a recorded flag, profile and message boxes, and switches for faults.
#pragma once

#include "messaging/store/MsgStore.h"
#include "messaging/store/StorePlatform.h"

#include <map>
#include <string>
#include <vector>

namespace storetest {

class TestPlatform : public msgstore::IStorePlatform {
public:
    explicit TestPlatform(const std::string& installFolder) : m_install(installFolder.c_str()) {}

    CString GetInstallFolder() override { return m_install; }
    CString GetWindowsUserName() override { return "tester"; }
    char PathSeparator() const override { return Real().PathSeparator(); }
    bool PathExists(const CString& path) override { return Real().PathExists(path); }
    bool MakeDirectory(const CString& path) override { return Real().MakeDirectory(path); }
    bool RemoveFile(const CString& path) override { return Real().RemoveFile(path); }
    bool CreateEmptyFile(const CString& path) override { return Real().CreateEmptyFile(path); }
    bool CopyFileBytes(const CString& destination, const CString& source, bool exclusive) override
    {
        if (failCopies)
            return false;
        return Real().CopyFileBytes(destination, source, exclusive);
    }
    CString MakeUniqueFile(const CString& folder, const char* prefix) override
    {
        return Real().MakeUniqueFile(folder, prefix);
    }
    std::string ToSqlitePath(const CString& path) override { return Real().ToSqlitePath(path); }
    bool Cp932ToUtf8(const std::string& text, std::string& utf8) override { return Real().Cp932ToUtf8(text, utf8); }
    bool Utf8ToCp932(const std::string& utf8, std::string& text) override { return Real().Utf8ToCp932(utf8, text); }

    msgstore::CStoreTime Now() override { return now; }
    bool IsDatabaseAvailable() override { return available; }
    void SetDatabaseAvailable(bool value) override { available = value; }
    CString ReadProfileString(const char* section, const char* entry, const char* defaultValue) override
    {
        auto it = profile.find(std::string(section) + "/" + entry);
        return it == profile.end() ? CString(defaultValue) : CString(it->second.c_str());
    }
    int MessageBoxId(unsigned id, unsigned flags) override
    {
        shownIds.push_back(id);
        shownFlags.push_back(flags);
        return answer;
    }
    int ShowMessageBox(const char* text, unsigned) override
    {
        shownTexts.push_back(text);
        return answer;
    }

    msgstore::CStoreTime now{2027, 3, 15, 10, 30, 0};
    bool available = false;
    bool failCopies = false;
    int answer = 1;
    std::map<std::string, std::string> profile;
    std::vector<unsigned> shownIds, shownFlags;
    std::vector<std::string> shownTexts;

private:
    static msgstore::IStorePlatform& Real() { return msgstore::DefaultStorePlatform(); }
    CString m_install;
};

// A new empty folder for one test (removed with everything in it by RemoveTree).
std::string MakeTempFolder();
void RemoveTree(const std::string& folder);
char Separator();
std::string Join(const std::string& folder, const std::string& name);
bool WriteFile(const std::string& path, const std::string& bytes);
bool ReadFile(const std::string& path, std::string& bytes);
bool Exists(const std::string& path);
// Names in a folder (files and folders), sorted.
std::vector<std::string> ListFolder(const std::string& folder);
// Japanese text in the program's code page (932 on Windows; the native build runs with UTF-8
// paths, so names there are UTF-8).
std::string JapaneseFolderName();

// Runs one SQL statement on a database file directly (outside the store) and returns the first
// column of every row, "|"-joined; "ERROR: ..." on failure.
std::string QueryFile(const std::string& dbPath, const std::string& sql);

// The text of the i-th message of the crash-safety tests (about 800 bytes).
std::string CrashTestText(long i);

} // namespace storetest
