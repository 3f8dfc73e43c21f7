// CUnlhaArchiver: one archive operation over unlha32.dll, which is loaded for each call and freed
// after it (the DLL may be missing, or busy in another program).
#pragma once

#include "framework/core/CString.h"

#include <windows.h>

class CUnlhaArchiver {
public:
    enum CheckResult { kValid = 0, kNoArchiver = 1, kInvalid = 2, kBusy = 3 };

    // Extracts every member into folder (ending in '\'); the folder is passed quoted.
    bool Extract(HWND owner, const CString& archive, const CString& folder);
    // Rebuilds archive from the plain files of folder (ending in '\').
    bool Compress(HWND owner, const CString& archive, const CString& folder);
    WORD GetVersion();
    BOOL IsRunning();
    int CheckArchive(const CString& archive);

    // The archiver's non-zero return code of the last failed command (0 when the DLL could not
    // be used at all).
    WORD GetLastResult() const { return m_lastResult; }
    WORD GetArchiverVersion() const { return m_version; }

    // The DLL to load ("unlha32.dll" by default, found by the system's search order).
    static void SetLibraryPath(const char* path);
    static const char* GetLibraryPath();

private:
    bool Run(HWND owner, const char* verb, const CString& archive, const CString& folder);

    WORD m_lastResult = 0;
    WORD m_version = 0;
};
