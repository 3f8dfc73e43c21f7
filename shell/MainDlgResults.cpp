// The main window's share of the message client's results (0x403 and 0x404): the routing itself
// is CResultRouter's (shell/notify/ResultRouter.h); here the application and the main window
// answer what it asks of them, and the application's arrival list, friend list and URL list take
// what it reads. Also the error sink the application reports failures through while the main
// window lives.
#include "shell/MainDlg.h"

#include "shell/ClientApp.h"
#include "shell/notify/ErrorLogDlg.h"
#include "shell/notify/ResultRouter.h"
#include "shell/notify/VyrnMessageDlg.h"

#include "framework/core/Failure.h"
#include "messaging/wire/PmRecords.h"
#include "resources/StringIds.h"

#include <vector>

namespace {

constexpr UINT kUrlListControl = 1000;
constexpr UINT kFriendListControl = 1001;
constexpr int kFriendCountEvent = 20;

bool IsUrlList(int listKind) { return listKind == static_cast<int>(PM_LIST_KIND_URLS); }

std::vector<UserRef>& ListOf(CClientApp& app, int listKind) { return IsUrlList(listKind) ? app.m_users : app.m_friends; }

HWND WindowOf(CWnd* window) { return window ? window->GetSafeHwnd() : nullptr; }

// What the router asks of the program, answered by the application and the main window.
class CMainResultHost : public IResultRouterHost {
public:
    CMainResultHost(CMainDlg& main, CClientApp& app) : m_main(main), m_app(app) {}

    bool HasMessageClient() override
    {
        IServiceSession* session = m_app.GetServiceSession();
        return session && session->GetRequestClient() != nullptr;
    }
    bool IsMessaging() override { return m_app.GetServiceSession() && mainwnd::IsMessaging(m_app.m_sessionFlags); }
    bool SessionHasMessageClient() override { return HasMessageClient(); }
    int GetHolderKind() override { return m_app.GetPmHolderKind(); }
    bool QueueHeadIsMessageList() override
    {
        const auto& entries = m_app.GetRequestQueue().Entries();
        return !entries.empty() && entries.front().kind == kRequestMessageList;
    }
    // A failure the message client reported is shown with the client's own result.
    int GetLastResult() override
    {
        IServiceSession* session = m_app.GetServiceSession();
        const int client = session ? session->GetMessageClientLastResult() : 0;
        return client != 0 ? client : m_app.m_lastResult;
    }
    HWND GetSendWindow() override { return WindowOf(m_app.GetSendDlg()); }
    HWND GetReceiveWindow() override { return WindowOf(m_app.GetReceiveDlg()); }
    void UnlockPm() override { m_app.UnlockPm(); }
    void RunNextRequest() override { m_app.QueueRequest(kRequestDone); }
    void UpdateReceiveButton() override { m_main.UpdateReceiveButton(); }
    void ReportError(int code) override { m_app.ReportError(code, 0); }
    void CommitReceivedFile(bool keep) override { m_app.CommitReceivedFile(keep); }
    void SetArrivals(const std::vector<notify::ArrivalEntry>& entries) override
    {
        m_app.m_arrivals.clear();
        for (const notify::ArrivalEntry& in : entries) {
            MessageEntry entry;
            entry.senderId = CString(in.senderId);
            entry.senderName = CString(in.senderName);
            entry.number = static_cast<std::uint32_t>(in.number);
            // The server's 32-bit time word is unsigned seconds.
            entry.time = static_cast<std::int64_t>(static_cast<std::uint32_t>(in.time));
            entry.attributes = static_cast<std::uint32_t>(in.attributes);
            entry.attachmentKind = static_cast<std::uint32_t>(in.attachmentKind);
            m_app.m_arrivals.push_back(entry);
        }
    }
    void BlinkReceiveButton() override { m_main.BlinkReceiveButton(); }
    void PlayArrivalSound() override { m_app.PlayArrivalSound(); }
    // The application writes the arrival list's count, which is this count by now.
    void SetMessageArrive(int count) override { m_app.SetMessageArrive(count > 0); }
    void MergeMessageLists() override { m_app.MergeMessageLists(); }
    void SetListReceived() override { m_main.SetListReceived(true); }
    notify::OwnUser GetOwnUser() override
    {
        return notify::OwnUser{m_app.m_Comm_id.str(), m_app.m_Comm_name.str(), m_app.Settings().m_myStatus};
    }
    CString GetFriendOwnRowName() override
    {
        CString text;
        text.LoadString(IDS_FRIEND_OWN_ROW);
        return text;
    }
    void SetUserRows(int listKind, const std::vector<notify::UserRow>& rows) override
    {
        std::vector<UserRef>& list = ListOf(m_app, listKind);
        list.clear();
        for (const notify::UserRow& row : rows)
            list.push_back({CString(row.name), CString(row.id), row.status, row.icon});
    }
    void UpdateOwnName(const CString& id, const CString& name, const CString& secondName) override
    {
        m_main.UpdateOwnName(id, name, secondName);
    }
    void ShowUserList(int listKind) override { m_main.ShowUserList(listKind); }

private:
    CMainDlg& m_main;
    CClientApp& m_app;
};

// The error balloon as the application has it now (a window that can show error texts, or none).
class CErrorBalloonTarget : public IErrorTextTarget {
public:
    void ShowErrorText(const CString& text) override
    {
        CClientApp* app = GetClientApp();
        if (auto* balloon = dynamic_cast<IErrorTextTarget*>(app ? app->GetErrorBalloon() : nullptr))
            balloon->ShowErrorText(text);
    }
};

// The error log while it is a real error log window; before it exists, or once it has gone,
// failures go to the failure log as they did before the main window started.
class CMainErrorSink : public CNotifyErrorSink {
public:
    CMainErrorSink() : CNotifyErrorSink(nullptr, &m_balloon) {}
    void LogError(unsigned flags, const CString& text) override
    {
        if (dynamic_cast<CErrorLogDlg*>(CSkinFrameDialog::FromHandle(m_log)))
            CNotifyErrorSink::LogError(flags, text);
        else
            nv::ReportFailure("error log", text);
    }
    void Attach(HWND log)
    {
        m_log = log;
        SetErrorLog(log);
    }

private:
    HWND m_log = nullptr;
    CErrorBalloonTarget m_balloon;
};

CMainErrorSink g_errorSink;
bool g_errorSinkInstalled = false;

} // namespace

LRESULT CMainDlg::OnMessageResult(WPARAM wParam, LPARAM lParam)
{
    CClientApp* app = GetClientApp();
    if (!app) {
        PmFreePostedRecord(PmRecordFromParam(lParam));
        return 0;
    }
    CMainResultHost host(*this, *app);
    CResultRouter(host).OnMessageResult(wParam, lParam);
    return 0;
}

LRESULT CMainDlg::OnListResult(WPARAM wParam, LPARAM lParam)
{
    CClientApp* app = GetClientApp();
    if (!app) {
        PmFreePostedRecord(PmRecordFromParam(lParam));
        return 0;
    }
    CMainResultHost host(*this, *app);
    CResultRouter(host).OnListResult(wParam, lParam);
    return 0;
}

void CMainDlg::StoreArrivalList(const PmPostedRecord* record)
{
    if (CClientApp* app = GetClientApp()) {
        CMainResultHost host(*this, *app);
        CResultRouter(host).StoreArrivalList(record);
    }
}

void CMainDlg::FillUserList(int listKind, const PmPostedRecord* record)
{
    if (CClientApp* app = GetClientApp()) {
        CMainResultHost host(*this, *app);
        CResultRouter(host).FillUserList(listKind, record);
    }
}

void CMainDlg::ResetUserLists()
{
    FillUserList(static_cast<int>(PM_LIST_KIND_FRIENDS), nullptr);
    FillUserList(static_cast<int>(PM_LIST_KIND_URLS), nullptr);
}

void CMainDlg::ShowUserList(int listKind)
{
    CClientApp* app = GetClientApp();
    if (!app)
        return;
    const bool urlList = IsUrlList(listKind);
    CWnd* window = urlList ? app->GetUserListDlg() : app->GetFriendListDlg();
    HWND list = window && window->GetSafeHwnd()
                    ? ::GetDlgItem(window->GetSafeHwnd(), static_cast<int>(urlList ? kUrlListControl : kFriendListControl))
                    : nullptr;
    std::vector<notify::UserRow> rows;
    for (const UserRef& ref : ListOf(*app, listKind))
        rows.push_back({ref.name.str(), ref.id.str(), ref.status, ref.image});
    FillUserListView(list, rows, m_imageList.GetSafeHandle(), urlList);
    if (!urlList && list)
        if (auto* balloon = dynamic_cast<CVyrnMessageDlg*>(app->GetNormalBalloon()))
            balloon->ShowFriendCountEvent(kFriendCountEvent,
                                          static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)));
}

void CMainDlg::UpdateOwnName(const CString& id, const CString& name, const CString& secondName)
{
    CClientApp* app = GetClientApp();
    if (!app)
        return;
    app->m_Comm_name = name;
    app->m_ownUser.name = name;
    app->Profile().WriteString("NetInfo", "Comm_name", name);
    for (UserRef& row : app->m_users) {
        if (row.id.Compare(id) != 0)
            continue;
        row.name = name;
        if (!secondName.IsEmpty())
            row.id = secondName;
        ShowUserList(static_cast<int>(PM_LIST_KIND_URLS));
        return;
    }
}

void CMainDlg::UpdateOwnStatus()
{
    CClientApp* app = GetClientApp();
    if (!app)
        return;
    const std::uint32_t status = app->Settings().m_myStatus;
    app->m_ownUser.status = static_cast<int32_t>(status);
    if (app->m_users.empty())
        return;
    app->m_users[0].status = static_cast<int32_t>(status);
    app->m_users[0].image = notify::StatusIcon(status);
    ShowUserList(static_cast<int>(PM_LIST_KIND_URLS));
}

void CMainDlg::InstallErrorSink()
{
    CClientApp* app = GetClientApp();
    if (!app)
        return;
    g_errorSink.Attach(WindowOf(app->GetErrorLogDlg()));
    app->SetErrorSink(&g_errorSink);
    g_errorSinkInstalled = true;
}

void CMainDlg::RemoveErrorSink()
{
    if (!g_errorSinkInstalled)
        return;
    g_errorSinkInstalled = false;
    g_errorSink.Attach(nullptr);
    if (CClientApp* app = GetClientApp())
        app->SetErrorSink(nullptr);
}
