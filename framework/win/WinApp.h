// CWinApp: the one application object of a program. The framework's WinMain constructs nothing:
// the program defines a static object of a class derived from CWinApp, and WinMain runs its
// InitInstance, then Run when InitInstance returns TRUE, and ExitInstance in either case.
//
// Profile access: after SetRegistryKey("Company") the profile lives in
// HKEY_CURRENT_USER\Software\Company\<profile name>, one subkey per section.
#pragma once

#include "framework/win/Afx.h"

#include <vector>

class CWinApp : public CObject {
public:
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return m_exitCode; }
    // The framework's message loop; programs whose InitInstance returns FALSE never reach it.
    virtual int Run();
    // Gets and dispatches one message (with PreTranslateMessage); FALSE on WM_QUIT.
    BOOL PumpMessage();

    void SetRegistryKey(const char* company);
    const CString& GetRegistryKey() const { return m_registryKey; }
    const CString& GetProfileName() const { return m_profileName; }
    void SetProfileName(const char* name) { m_profileName = name ? name : ""; }

    CString GetProfileString(const char* section, const char* entry, const char* defaultValue = nullptr);
    UINT GetProfileInt(const char* section, const char* entry, int defaultValue);
    // A null entry deletes the whole section; a null value deletes the entry.
    BOOL WriteProfileString(const char* section, const char* entry, const char* value);
    BOOL WriteProfileInt(const char* section, const char* entry, int value);
    BOOL GetProfileBinary(const char* section, const char* entry, std::vector<BYTE>& data);
    BOOL WriteProfileBinary(const char* section, const char* entry, const void* data, UINT bytes);
    // The application key (HKCU\Software\<company>\<profile>), created when missing; the caller closes it.
    HKEY GetAppRegistryKey();
    // A section's key below it, created when missing; the caller closes it.
    HKEY GetSectionKey(const char* section);

    CString m_appName;
    HINSTANCE m_hInstance = nullptr;
    CString m_commandLine;
    int m_showCommand = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = nullptr;

protected:
    int m_exitCode = 0;

private:
    CString m_registryKey;
    CString m_profileName;
};
