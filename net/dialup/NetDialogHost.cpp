#include "net/dialup/NetDialogHost.h"

#include "shell/common/services/MessageBoxSeam.h"

#include <wininet.h>

namespace {

class PlainHost : public INetDialogHost {
public:
    CNetInfo* GetNetInfo() override { return nullptr; }
    void SaveNetInfo() override {}
    int ShowMessage(HWND owner, const CString& text, unsigned flags) override
    {
        return PresentMessageBox(owner, text, flags);
    }
    int ShowMessageLogged(HWND owner, const CString& text, unsigned flags) override
    {
        return PresentMessageBox(owner, text, flags);
    }
    void SetModalState(bool) override {}
};

class SystemDialer : public IInternetDialer {
public:
    DWORD Dial(HWND owner, const char* entryName, DWORD_PTR* connection) override
    {
        return InternetDialA(owner, const_cast<char*>(entryName), INTERNET_AUTODIAL_FORCE_ONLINE, connection, 0);
    }
    DWORD HangUp(DWORD_PTR connection) override { return InternetHangUp(connection, 0); }
};

PlainHost g_plainHost;
INetDialogHost* g_host = nullptr;
SystemDialer g_systemDialer;
IInternetDialer* g_dialer = nullptr;

} // namespace

namespace netui {

void SetHost(INetDialogHost* host)
{
    g_host = host;
}

INetDialogHost& Host()
{
    return g_host ? *g_host : g_plainHost;
}

int ShowMessageId(HWND owner, UINT textId, unsigned flags, bool logged)
{
    CString text;
    text.LoadString(textId);
    return logged ? Host().ShowMessageLogged(owner, text, flags) : Host().ShowMessage(owner, text, flags);
}

HBRUSH DialogColors(HDC dc, UINT kind, HBRUSH background)
{
    if (!background || (kind != WM_CTLCOLORDLG && kind != WM_CTLCOLORSTATIC))
        return nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Host().GetTextColor());
    return background;
}

void SetDialer(IInternetDialer* dialer)
{
    g_dialer = dialer;
}

IInternetDialer& Dialer()
{
    return g_dialer ? *g_dialer : g_systemDialer;
}

} // namespace netui
