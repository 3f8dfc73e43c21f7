// A platform for the store's tests: real files (the build's own platform) in a fresh folder per
// test, with a fixed clock, a recorded flag, profile and message boxes, and switches for faults.
#pragma once

#include "messaging/store/MsgStore.h"
#include "messaging/store/StorePlatform.h"

#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace storetest {

class TestPlatform : public msgstore::IStorePlatform {
public:
    explicit TestPlatform(const std::string& installFolder) : m_install(installFolder.c_str()) {}

    CString GetInstallFolder() override { Trip(); return m_install; }
    CString GetWindowsUserName() override { Trip(); return "tester"; }
    char PathSeparator() const override { return Real().PathSeparator(); }
    bool PathExists(const CString& path) override { Trip(); return Real().PathExists(path); }
    bool MakeDirectory(const CString& path) override { Trip(); return Real().MakeDirectory(path); }
    bool RemoveFile(const CString& path) override { Trip(); return Real().RemoveFile(path); }
    bool CreateEmptyFile(const CString& path) override { Trip(); return Real().CreateEmptyFile(path); }
    bool CopyFileBytes(const CString& destination, const CString& source, bool exclusive) override
    {
        Trip();
        if (failCopies)
            return false;
        return Real().CopyFileBytes(destination, source, exclusive);
    }
    CString MakeUniqueFile(const CString& folder, const char* prefix) override
    {
        Trip();
        return Real().MakeUniqueFile(folder, prefix);
    }
    std::string ToSqlitePath(const CString& path) override { Trip(); return Real().ToSqlitePath(path); }
    bool Cp932ToUtf8(const std::string& text, std::string& utf8) override
    {
        Trip();
        return Real().Cp932ToUtf8(text, utf8);
    }
    bool Utf8ToCp932(const std::string& utf8, std::string& text) override
    {
        Trip();
        return Real().Utf8ToCp932(utf8, text);
    }

    msgstore::CStoreTime Now() override { Trip(); return now; }
    bool IsDatabaseAvailable() override { Trip(); return available; }
    void SetDatabaseAvailable(bool value) override
    {
        Trip();
        available = value;
    }
    CString ReadProfileString(const char* section, const char* entry, const char* defaultValue) override
    {
        Trip();
        auto it = profile.find(std::string(section) + "/" + entry);
        return it == profile.end() ? CString(defaultValue) : CString(it->second.c_str());
    }
    int MessageBoxId(unsigned id, unsigned flags) override
    {
        Trip();
        shownIds.push_back(id);
        shownFlags.push_back(flags);
        return answer;
    }
    int ShowMessageBox(const char* text, unsigned) override
    {
        Trip();
        shownTexts.push_back(text);
        return answer;
    }

    // Throws from the n-th call of a platform function (counted from ThrowAtCall), once.
    void ThrowAtCall(int n, bool runtimeError = false)
    {
        m_throwAt = n;
        m_callsSeen = 0;
        m_runtimeError = runtimeError;
        threw = false;
    }

    msgstore::CStoreTime now{2027, 3, 15, 10, 30, 0};
    bool available = false;
    bool failCopies = false;
    int answer = msgstore::box::kAnswerOk;
    bool threw = false;
    std::map<std::string, std::string> profile;
    std::vector<unsigned> shownIds, shownFlags;
    std::vector<std::string> shownTexts;

private:
    static msgstore::IStorePlatform& Real() { return msgstore::DefaultStorePlatform(); }
    void Trip()
    {
        if (m_throwAt <= 0 || ++m_callsSeen != m_throwAt)
            return;
        threw = true;
        if (m_runtimeError)
            throw std::runtime_error("the platform failed");
        throw std::bad_alloc();
    }
    CString m_install;
    int m_throwAt = 0;
    int m_callsSeen = 0;
    bool m_runtimeError = false;
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
