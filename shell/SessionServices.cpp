#include "shell/SessionServices.h"

#include "messaging/client/win/MsgClientFactory.h"
#include "messaging/client/win/MsgClientWnd.h"
#include "net/access/win/InternetPolicy.h"
#include "net/session/Session.h"
#include "net/session/win/SessionNetwork.h"

#include "shell/AppMessages.h"
#include "shell/ChatWindowServices.h"
#include "shell/ClientApp.h"
#include "shell/MainDlg.h"

#include <memory>

namespace {

// What the session needs of the application.
class CAppSessionHost : public ISessionHost {
public:
    explicit CAppSessionHost(CClientApp& app) : m_app(app) {}

    CNetInfo& NetInfo() override { return m_app; }
    std::string LoginPage() override { return m_app.Settings().m_loginPage.GetString(); }
    std::string ChatLoginUrl() override { return m_app.Settings().m_urlChatLogin.GetString(); }
    ChatRoomRecord& Room() override
    {
        CChatWindowServices* chat = GetChatWindowServices();
        return chat ? chat->Room() : m_room;
    }
    IMsgClientLink*& ClientSlot() override { return m_client; }
    bool CreateLock() override { return m_app.CreatePmLock() != FALSE; }
    void CloseLock() override { m_app.ClosePmLock(); }
    bool Lock(std::uint16_t holderKind, unsigned timeoutMs) override
    {
        return m_app.LockPm(holderKind, timeoutMs) == WAIT_OBJECT_0;
    }
    void Unlock() override { m_app.UnlockPm(); }
    nvnet::SocketOwner MainWindow() override
    {
        CMainDlg* main = m_app.GetMainDlg();
        return main ? static_cast<nvnet::SocketOwner>(main->GetSafeHwnd()) : nullptr;
    }
    void PostLogoutRequest() override
    {
        if (CMainDlg* main = m_app.GetMainDlg())
            main->PostMessage(WM_APP_COMMAND_REQUEST, kAppLogout, 0);
    }
    CString Text(unsigned id) override
    {
        CString text;
        text.LoadString(id);
        return text;
    }
    int ShowMessage(const CString& text, unsigned flags, bool logged) override
    {
        return logged ? m_app.MessageBoxTextLogged(text, flags) : m_app.ShowMessageBox(text, flags);
    }
    // The main window reads the state word's bits below 0x8000 as its connection flags.
    void StateChanged() override { m_app.m_sessionFlags = m_app.m_state & 0x7FFFu; }

private:
    CClientApp& m_app;
    ChatRoomRecord m_room;
    IMsgClientLink* m_client = nullptr;
};

// One log-in's session as the main window uses it. Starting the message client waits for the
// server's answer while the thread's messages are dispatched, so a log-out or exit can arrive in
// the middle and delete the session: the deletion then waits until the call has returned.
class CServiceSession : public IServiceSession {
public:
    // Deletes the session now, or once the call running on it has returned.
    void Release()
    {
        if (m_busy > 0)
            m_deleteWhenIdle = true;
        else
            delete this;
    }

    explicit CServiceSession(CClientApp& app)
        : m_host(app), m_policy(app), m_network(app, m_policy, app.GetMainDlg()), m_session(m_host, m_network)
    {
    }
    ~CServiceSession() override
    {
        if (CChatWindowServices* chat = GetChatWindowServices())
            chat->SetRoomSession(nullptr);
    }

    bool IsLoggedIn() const override { return m_session.IsLoggedIn(); }
    IRequestClient* GetRequestClient() override
    {
        IMsgClientLink* client = m_host.ClientSlot();
        return client ? client->GetRequestClient() : nullptr;
    }
    // The session is not registered while it logs in, so nothing deletes it meanwhile.
    int Login(int mode) override
    {
        if (m_session.Login(mode == 1) != 1)
            return -1;
        if (CChatWindowServices* chat = GetChatWindowServices())
            chat->SetRoomSession(&m_session);
        return 0;
    }
    void Logout(int) override
    {
        if (CChatWindowServices* chat = GetChatWindowServices())
            chat->SetRoomSession(nullptr);
        m_session.Logout();
    }
    int GetErrorCode() const override { return static_cast<int>(m_session.GetLastError()); }
    int GetMessageClientStartResult() const override
    {
        int result = 0;
        {
            CBusy busy(*this);
            if (!m_session.GetMsgClient())
                result = m_session.GetClientError() ? m_session.GetClientError() : -1;
        }
        if (m_deleteWhenIdle && m_busy == 0)
            delete this;
        return result;
    }
    void KeepConnectionAtEnd() override { m_session.KeepConnectionAtEnd(); }
    // The address goes to the message server as a visited URL (no answer is awaited).
    int SendVisitedUrl(const CString& address) override
    {
        CMsgClientWnd* client = CMsgClientFactory::ClientOf(m_host.ClientSlot());
        if (!client)
            return 0;
        int counter = 0;
        return client->SendUrl(counter, address.GetString());
    }
    CString GetDialupEntryName() const override { return m_session.GetDialupEntryName(); }
    int GetMessageClientLastResult() override
    {
        CMsgClientWnd* client = CMsgClientFactory::ClientOf(m_host.ClientSlot());
        return client ? client->GetLastResult() : 0;
    }

private:
    class CBusy {
    public:
        explicit CBusy(const CServiceSession& session) : m_session(session) { ++m_session.m_busy; }
        ~CBusy() { --m_session.m_busy; }

    private:
        const CServiceSession& m_session;
    };

    mutable int m_busy = 0;
    mutable bool m_deleteWhenIdle = false;
    CAppSessionHost m_host;
    CInternetPolicy m_policy;
    CSessionNetwork m_network;
    mutable CSession m_session;
};

class CSessionFactory : public IServiceSessionFactory {
public:
    explicit CSessionFactory(CClientApp& app) : m_app(app) {}
    IServiceSession* CreateSession() override { return new (std::nothrow) CServiceSession(m_app); }
    void DeleteSession(IServiceSession* session) override
    {
        if (session)
            static_cast<CServiceSession*>(session)->Release();
    }

private:
    CClientApp& m_app;
};

std::unique_ptr<CSessionFactory> g_factory;

} // namespace

void InstallSessionServices(CClientApp& app)
{
    g_factory = std::make_unique<CSessionFactory>(app);
    app.SetSessionFactory(g_factory.get());
    netsession::SetMsgClientFactory(&MsgClientFactory());
}

void RemoveSessionServices(CClientApp& app)
{
    if (app.GetSessionFactory() == g_factory.get())
        app.SetSessionFactory(nullptr);
    netsession::SetMsgClientFactory(nullptr);
    g_factory.reset();
}
