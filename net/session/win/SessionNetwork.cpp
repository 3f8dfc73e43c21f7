#include <winsock2.h>


#include "net/session/win/SessionNetwork.h"

#include "net/access/win/InternetPolicy.h"
#include "net/dialup/DialUp.h"
#include "net/dialup/LoginDlg.h"
#include "net/dialup/NetDialogHost.h"
#include "net/socket/SocketApi.h"



const char CSessionNetwork::kUserAgent[] = "Mozilla/4.0 (NimboVandrell/1.0; QELO/Windows/NimboVandrell)";

namespace {

// The dial-up object of a session: the connect dialog (with its RAS part) and the login dialog.
class CDialupLink : public IDialupLink {
public:
    CDialupLink(CDialupDlg* dialog, CWnd* parent) : m_dialog(dialog), m_parent(parent) {}
    ~CDialupLink() override { delete m_dialog; }

    int BuildEntry(CString* entryName) override { return m_dialog->BuildEntry(entryName); }
    bool RunDetails() override { return m_dialog->RunDetailsDialog(); }
    bool ConfirmLogin(CString* entryName) override
    {
        CLoginDlg login(m_dialog, m_parent);
        login.m_entryName = *entryName;
        INetDialogHost& host = netui::Host();
        host.SetModalState(true);
        const INT_PTR answer = login.DoModal();
        host.SetModalState(false);
        if (answer != IDOK)
            return false;
        *entryName = login.m_entryName;
        return true;
    }
    bool IsConnected(const CString& entryName) override { return m_dialog->IsConnected(entryName); }
    bool AnyActive() override { return m_dialog->AnyActive(false); }
    bool GetActiveEntryNames(CString* names) override { return m_dialog->GetActiveEntryNames(names); }
    void HangUpAllAndWait() override { m_dialog->HangUpAllAndWait(); }
    bool Dial(const CString& entryName) override { return m_dialog->DoDial(entryName, false); }
    void HangUpOwn(const CString& entryName) override
    {
        // Through the dialog (the dialer's connection in mode 1), then the entry's own connection.
        m_dialog->InternetHangUpConn();
        if (m_dialog->IsConnected(entryName))
            m_dialog->HangUp(entryName);
    }
    bool GetLocalAddress(CString* address) override { return m_dialog->GetLocalAddress(address); }

private:
    CDialupDlg* m_dialog;
    CWnd* m_parent;
};

} // namespace

bool GetOsVersionNumbers(DWORD* platform, DWORD* major, DWORD* minor)
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExA(&info))
        return false;
    *platform = info.dwPlatformId;
    *major = info.dwMajorVersion;
    *minor = info.dwMinorVersion;
    return true;
}

CSessionNetwork::CSessionNetwork(CNetInfo& info, IInternetSettings& settings, CWnd* parent)
    : m_info(info), m_settings(settings), m_parent(parent)
{
    WSADATA data;
    m_winsock = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

CSessionNetwork::~CSessionNetwork()
{
    if (m_winsock)
        ::WSACleanup();
}

bool CSessionNetwork::Post(const std::string& url, const char* path, const std::string& body, const std::string& user,
                           const std::string& password, std::string* reply, std::uint32_t* lastError)
{
    HttpPostOptions options;
    options.userAgent = kUserAgent;
    options.user = user.c_str();
    options.password = password.c_str();
    CString text;
    const bool ok = HttpPostForm(url.c_str(), path, CString(body.c_str()), &text, lastError, &m_settings, &options);
    *reply = ok ? std::string(text.GetString(), static_cast<std::size_t>(text.GetLength())) : std::string();
    return ok;
}

void CSessionNetwork::PrepareProxy(const std::string&)
{
    CInternetPolicy(m_info).LoadBrowserProxy();
}

std::string CSessionNetwork::HostAddress() { return GetLocalIpAddress().GetString(); }

bool CSessionNetwork::HasService(std::uint16_t port, const char* protocol)
{
    return ::getservbyport(static_cast<int>(::htons(port)), protocol) != nullptr;
}

bool CSessionNetwork::CanBind(std::uint16_t port, bool udp)
{
    nvnet::ISocketApi& api = nvnet::SocketApi();
    const nvnet::SocketHandle s = api.Open(udp ? nvnet::SocketKind::Datagram : nvnet::SocketKind::Stream);
    if (s == nvnet::kInvalidSocket)
        return false;
    const bool bound = api.Bind(s, port);
    api.Close(s);
    return bound;
}

IDialupLink* CSessionNetwork::CreateDialup(std::uint16_t mode)
{
    CDialupDlg* dialog = DialUp(mode, m_parent);
    return dialog ? new CDialupLink(dialog, m_parent) : nullptr;
}

void CSessionNetwork::DeleteDialup(IDialupLink* dialup) { delete dialup; }

bool CSessionNetwork::IsWindowsMe()
{
    DWORD platform = 0, major = 0, minor = 0;
    const bool known = m_version ? m_version(&platform, &major, &minor) : GetOsVersionNumbers(&platform, &major, &minor);
    return known && platform == 1 && major == 4 && minor == 90;
}
