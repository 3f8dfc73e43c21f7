// What the skin manager needs of the program around it: where the program is installed, the
// profile, the temporary folder, the program's message box and ending the program. The main
// program registers its own; CDefaultSkinHost is a plain implementation over the registry and
// the system.
#pragma once

#include "framework/core/CString.h"

#include <windows.h>

class ISkinHost {
public:
    enum class AppPathResult { NoKey, Unreadable, Found };

    virtual ~ISkinHost() = default;
    // The install folder from the App Paths entry of the program: NoKey when no entry exists,
    // Unreadable when an entry exists without a readable "Path".
    virtual AppPathResult ReadAppPath(CString& path) = 0;
    // The program's own folder, without a trailing backslash.
    virtual CString GetProgramFolder() = 0;
    // The system temporary folder, ending with a backslash; empty when unknown.
    virtual CString GetTempFolder() = 0;
    // A value directly under the application key of the profile.
    virtual CString GetProfileValue(const char* entry, const char* defaultValue) = 0;
    virtual void WriteProfileValue(const char* entry, const char* value) = 0;
    // The program's message box (flags as for the system's: buttons and icon).
    virtual int ShowMessage(HWND owner, const CString& text, UINT flags) = 0;
    // Ends the program at once with this exit code (start-up failures of the base skin).
    virtual void EndProgram(int exitCode) = 0;
};

class CDefaultSkinHost : public ISkinHost {
public:
    // profileKey: the application key path under HKEY_CURRENT_USER, e.g.
    // "Software\\Qelo\\NimboVandrell".
    explicit CDefaultSkinHost(const char* profileKey) : m_profileKey(profileKey) {}

    AppPathResult ReadAppPath(CString& path) override;
    CString GetProgramFolder() override;
    CString GetTempFolder() override;
    CString GetProfileValue(const char* entry, const char* defaultValue) override;
    void WriteProfileValue(const char* entry, const char* value) override;
    int ShowMessage(HWND owner, const CString& text, UINT flags) override;
    void EndProgram(int exitCode) override;

private:
    CString m_profileKey;
};
