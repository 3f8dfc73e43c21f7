// What the message database needs of the machine and of the application, behind one interface so
// that the store itself is portable: it runs natively under sanitizers and as part of the Windows
// program. Paths and texts are in the program's code page (932 on Windows).
#pragma once

#include "framework/core/CString.h"
#include "messaging/store/StoreTime.h"

#include <string>

namespace msgstore {

// Message-box flags and answers as the system's message box codes them; the store is portable and
// does not include windows.h, the Windows platform checks that they agree.
namespace box {
constexpr unsigned kOk = 0x00;            // MB_OK
constexpr unsigned kYesNo = 0x04;         // MB_YESNO
constexpr unsigned kIconStop = 0x10;      // MB_ICONSTOP
constexpr unsigned kIconQuestion = 0x20;  // MB_ICONQUESTION
constexpr int kAnswerOk = 1;              // IDOK
constexpr int kAnswerCancel = 2;          // IDCANCEL
constexpr int kAnswerYes = 6;             // IDYES
constexpr int kAnswerNo = 7;              // IDNO
} // namespace box

class IStorePlatform {
public:
    virtual ~IStorePlatform() = default;

    // --- Folders and names
    // The install folder, or empty when it is not known yet (it is asked again next time).
    virtual CString GetInstallFolder() = 0;
    // The Windows user name; "Any" when it can't be read.
    virtual CString GetWindowsUserName() = 0;
    virtual char PathSeparator() const = 0;

    // --- Files
    // Whether anything exists under this name, readable or not.
    virtual bool PathExists(const CString& path) = 0;
    // Makes one folder; true when it was made or already exists.
    virtual bool MakeDirectory(const CString& path) = 0;
    virtual bool RemoveFile(const CString& path) = 0;
    // Creates a new empty file; false when anything exists under the name already.
    virtual bool CreateEmptyFile(const CString& path) = 0;
    // Copies every byte of source to destination and flushes it to disk. exclusive: the
    // destination must not exist yet (it is created, never overwritten); a destination made by a
    // failed exclusive copy is removed again. True only when the destination holds exactly the
    // source's bytes.
    virtual bool CopyFileBytes(const CString& destination, const CString& source, bool exclusive) = 0;
    // Creates a new empty file with a unique name "<prefix><hex>.tmp" in folder, as
    // GetTempFileName does; returns its full path, empty on failure.
    virtual CString MakeUniqueFile(const CString& folder, const char* prefix) = 0;
    // A path as SQLite takes it (UTF-8).
    virtual std::string ToSqlitePath(const CString& path) = 0;

    // --- Text: false when the text does not convert (invalid bytes, or a character the target
    // lacks; Utf8ToCp932 then still gives its best, with '?' for what it could not convert).
    virtual bool Cp932ToUtf8(const std::string& text, std::string& utf8) = 0;
    virtual bool Utf8ToCp932(const std::string& utf8, std::string& text) = 0;

    // --- The application
    virtual CStoreTime Now() = 0;
    // The application's database-available flag.
    virtual bool IsDatabaseAvailable() = 0;
    virtual void SetDatabaseAvailable(bool available) = 0;
    virtual CString ReadProfileString(const char* section, const char* entry, const char* defaultValue) = 0;
    // The application's message boxes (flags and answers: msgstore::box below).
    virtual int MessageBoxId(unsigned id, unsigned flags) = 0;
    virtual int ShowMessageBox(const char* text, unsigned flags) = 0;
};

// The platform that the store uses: the one set last, else the built-in one of this build.
IStorePlatform& StorePlatform();
// nullptr goes back to the built-in platform. The application sets its own once at start-up.
void SetStorePlatform(IStorePlatform* platform);
// The built-in platform of this build (Windows or POSIX).
IStorePlatform& DefaultStorePlatform();

} // namespace msgstore
