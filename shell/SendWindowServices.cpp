#include "shell/SendWindowServices.h"

#include "messaging/client/MsgClientHost.h"
#include "messaging/client/win/MsgClientWnd.h"
#include "messaging/recv/MessageWindowHost.h"
#include "messaging/send/SendStore.h"
#include "messaging/send/win/MsgSendDlg.h"
#include "messaging/client/win/MsgWindowClientLink.h"
#include "messaging/send/win/SendPlatform.h"
#include "messaging/store/StorePlatform.h"
#include "phone_media/voiceclip/win/VoiceClipDlg.h"
#include "resources/StringIds.h"
#include "shell/ClientApp.h"
#include "shell/TrayIcon.h"
#include "shell/common/services/WindowKinds.h"

#include <memory>

namespace {

struct NoticeSpec {
    SendNotice notice;
    UINT id;
    unsigned flags;
    bool logged;
};
constexpr NoticeSpec kNotices[] = {
    {SendNotice::SendBusy, IDS_SEND_BUSY, 0, false},
    {SendNotice::ReceiptBusy, IDS_SEND_RECEIPT_BUSY, 0, false},
    {SendNotice::NoRecipient, IDS_SEND_NO_RECIPIENT, 0, false},
    {SendNotice::LoggedOut, IDS_SEND_LOGGED_OUT, 0, false},
    {SendNotice::TextTooLong, IDS_SEND_TEXT_TOO_LONG, MB_ICONWARNING, false},
    {SendNotice::NoClient, IDS_SEND_NO_CLIENT, MB_ICONERROR, true},
    {SendNotice::NoFile, IDS_SEND_NO_FILE, MB_ICONWARNING, false},
    {SendNotice::FileTooLarge, IDS_SEND_FILE_TOO_LARGE, MB_ICONWARNING, false},
    {SendNotice::EmptyText, IDS_SEND_EMPTY_TEXT, MB_ICONWARNING, false},
    {SendNotice::DeviceBusy, IDS_SEND_DEVICE_BUSY, MB_ICONWARNING, true},
    {SendNotice::NoVoice, IDS_SEND_NO_VOICE, MB_ICONWARNING, true},
    {SendNotice::Unsupported, IDS_SEND_UNSUPPORTED, MB_ICONWARNING, false},
    {SendNotice::FileMissing, IDS_SEND_FILE_MISSING, MB_ICONWARNING, true},
    {SendNotice::TooManyFiles, IDS_SEND_TOO_MANY, MB_ICONWARNING, true},
    {SendNotice::CannotOpen, IDS_SEND_CANNOT_OPEN, MB_ICONWARNING, true},
    {SendNotice::ReadError, IDS_SEND_READ_ERROR, MB_ICONWARNING, true},
    {SendNotice::WriteError, IDS_SEND_WRITE_ERROR, MB_ICONWARNING, true},
    {SendNotice::PackageFailed, IDS_SEND_PACKAGE_FAILED, 0, false},
};

// The voice-clip panel of the program (null while it does not exist).
class CAppVoicePanel : public IVoiceClipPanel {
public:
    bool IsIdle() override { return Panel() && Panel()->IsIdle(); }
    bool IsRecording() override { return Panel() && Panel()->IsRecording(); }
    void Record() override
    {
        if (CVoiceClipDlg* panel = Panel())
            panel->Record();
    }
    void Stop() override
    {
        if (CVoiceClipDlg* panel = Panel())
            panel->Stop();
    }
    CString GetClipPath() override
    {
        char path[MAX_PATH + 1] = {};
        CVoiceClipDlg* panel = Panel();
        if (!panel || !panel->GetClipPath(path, sizeof path))
            return CString();
        return CString(path);
    }
    int GetRecordResult() override { return Panel() ? Panel()->GetRecordResult() : 0; }
    void ShowBeside(std::uintptr_t window) override
    {
        if (CVoiceClipDlg* panel = Panel()) {
            panel->ShowBeside(reinterpret_cast<HWND>(window));
            ::SetForegroundWindow(panel->m_hWnd);
        }
    }
    void Hold(bool hold) override
    {
        if (CVoiceClipDlg* panel = Panel())
            panel->Hold(hold ? 1 : 0);
    }

private:
    static CVoiceClipDlg* Panel()
    {
        auto* panel = dynamic_cast<CVoiceClipDlg*>(CClientApp::GetAppWindow(kWindowVoiceClip));
        return panel && panel->GetSafeHwnd() ? panel : nullptr;
    }
};

// The application as the send window's host.
class CAppSendHost : public CWinSendHostBase {
public:
    explicit CAppSendHost(CClientApp& app) : m_app(app) {}

    bool IsLoggedIn() const override
    {
        IServiceSession* session = m_app.GetServiceSession();
        return session && session->IsLoggedIn();
    }
    IMsgWindowClient* GetMsgClient() override
    {
        IServiceSession* session = m_app.GetServiceSession();
        auto* client = session ? dynamic_cast<CMsgClientWnd*>(session->GetRequestClient()) : nullptr;
        if (!client) {
            m_adapter.reset();
            return nullptr;
        }
        if (!m_adapter || &m_adapter->Client() != client)
            m_adapter = std::make_unique<CMsgWindowClientLink>(*client);
        return m_adapter.get();
    }
    int& SequenceCounter() override { return msgclient::Host().SequenceCounter(); }
    bool LockPm(std::uint16_t kind, unsigned waitMs) override { return m_app.LockPm(kind, waitMs) == WAIT_OBJECT_0; }
    void UnlockPm() override { m_app.UnlockPm(); }
    std::uint16_t GetHolderKind() const override { return m_app.GetPmHolderKind(); }
    void SetHolderKind(std::uint16_t kind) override { m_app.SetPmHolderKind(kind); }
    int TextLimit() const override { return 900; }
    bool SlashMark() const override { return false; }
    bool ReceiptOffByDefault() const override { return (m_app.Settings().m_flags & kFlagNoReadReceipts) != 0; }
    CString ReplyMessage() const override
    {
        CString reply = m_app.Settings().m_replyMessage;
        if (reply.IsEmpty())
            reply.LoadString(IDS_REPLY_MESSAGE_DEFAULT);
        return reply;
    }
    bool DatabaseAvailable() const override { return msgstore::StorePlatform().IsDatabaseAvailable(); }
    SendFont MessageFont() const override
    {
        const FontSlot& slot = m_app.Settings().m_fonts[1];
        return SendFont{CString(slot.face), slot.size, slot.color};
    }
    void ReportError(int code) override { m_app.ReportError(code, 0); }
    void ShowNotice(SendNotice notice, int number, const CString& text) override
    {
        for (const NoticeSpec& spec : kNotices) {
            if (spec.notice != notice)
                continue;
            CString format, shown;
            format.LoadString(spec.id);
            if (notice == SendNotice::CannotOpen || notice == SendNotice::ReadError || notice == SendNotice::WriteError) {
                CString name = text;
                if (name.IsEmpty())
                    name.LoadString(IDS_SEND_ATTACHMENT);
                shown.Format(format, name.GetString());
            } else if (notice == SendNotice::TextTooLong || notice == SendNotice::FileTooLarge ||
                       notice == SendNotice::TooManyFiles) {
                shown.Format(format, number);
            } else {
                shown = format;
            }
            CWnd* owner = CClientApp::GetAppWindow(kWindowSend);
            if (spec.logged)
                m_app.MessageBoxTextLogged(shown, spec.flags ? spec.flags : MB_ICONWARNING, owner);
            else
                m_app.ShowMessageBox(shown, spec.flags ? spec.flags : MB_ICONWARNING, owner);
            return;
        }
    }
    void ShowBalloonEvent(int event) override { messaging::Opener().ShowBalloonEvent(event); }
    void RemoveTrayWindow(std::uintptr_t window) override
    {
        if (CTrayIcon* tray = CTrayIcon::Instance())
            tray->RemoveWindow(reinterpret_cast<HWND>(window));
    }
    IVoiceClipPanel* VoicePanel() override { return CClientApp::GetAppWindow(kWindowVoiceClip) ? &m_panel : nullptr; }

private:
    CClientApp& m_app;
    CAppVoicePanel m_panel;
    std::unique_ptr<CMsgWindowClientLink> m_adapter;
};

std::unique_ptr<CAppSendHost> g_host;
CMsgStoreSendStore g_store;

} // namespace

CWnd* CreateSendWindow(CWnd* parent)
{
    if (!g_host)
        g_host = std::make_unique<CAppSendHost>(*GetClientApp());
    auto* window = new CMsgSendDlg(parent, false, *g_host, g_store);
    window->JoinRegistry(kWindowSend);
    if (!window->Create()) {
        if (window->GetSafeHwnd())
            window->DestroyWindow(); // deletes it
        else
            delete window;
        return nullptr;
    }
    return window;
}

bool RelayoutSendWindow(CWnd* window)
{
    auto* send = dynamic_cast<CMsgSendDlg*>(window);
    return send && send->ApplySkin();
}

bool CloseSendWindow(CWnd* window)
{
    auto* send = dynamic_cast<CMsgSendDlg*>(window);
    if (!send)
        return false;
    send->GetFlow().OnClose();
    return true;
}

void NotifySendWindowRecorderClosed()
{
    if (auto* send = dynamic_cast<CMsgSendDlg*>(CClientApp::GetAppWindow(kWindowSend)))
        if (send->GetSafeHwnd())
            send->OnVoiceRecorderClosed();
}
