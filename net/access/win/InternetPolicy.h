// The program's WinINet policy over CNetInfo's connection settings: time-outs by connection kind,
// the proxy (own settings, the browser's when the protocol is automatic, or direct), request
// flags and proxy credentials. Every HTTP request of the programs goes through it: form posts as
// IInternetSettings, whole-URL reads through the options it fills for winutil::HttpGetUrl.
#pragma once

#include "net/access/NetAccount.h"
#include "net/forms/win/HttpPostForm.h"
#include "shell/common/settings/NetInfo.h"
#include "shell/common/utilities/WinUtil.h"

// Result bits of ReadProxySettings.
constexpr unsigned kBrowserProxyEnabled = 4;
constexpr unsigned kBrowserAutoConfig = 32;

class CInternetPolicy : public IInternetSettings {
public:
    explicit CInternetPolicy(CNetInfo& info) : m_info(info) {}

    void SetupInternetHandle(HINTERNET session) override { SetupInternetHandle(session, -1, 0); }
    DWORD GetRequestFlags(const char* url) override { return m_info.GetRequestFlags(url); }
    void SetProxyCredentials(HINTERNET request) override;
    DWORD GetOpenAccessType(CString* proxy) override { return ProxyChoice(-1, proxy); }

    // Time-outs, the connected state when the user chose to work off-line, and the proxy.
    void SetupInternetHandle(HINTERNET session, int accessType, DWORD connectTimeout);
    void SetupTimeouts(HINTERNET session, DWORD connectTimeout);
    static bool IsGlobalOffline();
    bool GetProxyAddress(CString* host, CString* port);
    // Only when the protocol is automatic: the browser's proxy becomes the one in use.
    void LoadBrowserProxy(const char* keyPath = kInternetSettingsKey);
    // The options of a whole-URL read with this policy.
    winutil::HttpGetOptions HttpOptions(const char* url);

    // The browser's proxy from the user's Internet Settings (key path given for tests).
    static unsigned ReadProxySettings(CString* host, CString* port, CString* configUrl,
                                      const char* keyPath = kInternetSettingsKey);
    static constexpr const char* kInternetSettingsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

protected:
    // Every option goes through here (tests record them; Wine keeps only some of them per handle).
    virtual BOOL SetOption(HINTERNET handle, DWORD option, void* value, DWORD size)
    {
        return InternetSetOptionA(handle, option, value, size);
    }

private:
    // Direct, the given access type, or proxy access with "host:port" in *address.
    DWORD ProxyChoice(int accessType, CString* address);
    void SetDword(HINTERNET handle, DWORD option, DWORD value) { SetOption(handle, option, &value, sizeof value); }

    CNetInfo& m_info;
};

// The host name's first address in dotted form, or empty.
CString GetLocalIpAddress();

// The texts of the network operations from the program's string table.
class CStringTableTexts : public ITextSource {
public:
    CString Text(unsigned id) const override
    {
        CString text;
        text.LoadString(id);
        return text;
    }
};

// The account summary as the window's text (the settings dialog's user-information pages).
inline void ShowAccountSummary(HWND window, const CNetAccess& access)
{
    ::SetWindowTextA(window, access.AccountSummary());
}
