// Program-wide services of the application object: error reports, message boxes, the modal
// state, the request queue and its lock, the window registry, arrivals, sound and received files.
#include "shell/ClientApp.h"

#include <cstring>

#include "shell/AppMessages.h"
#include "shell/MainDlg.h"
#include "shell/common/services/ErrorTable.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/utilities/WinUtil.h"

#include "framework/core/Failure.h"
#include "framework/win/WaitCursor.h"
#include "framework/win/Wnd.h"

#include "resources/StringIds.h"
#include "toolkit/win/SkinFrameDialog.h"
#include "toolkit/win/SkinHost.h"

namespace {

bool HasString(unsigned id)
{
    char probe[4];
    return ::LoadStringA(AfxGetResourceHandle(), id, probe, sizeof probe) > 0;
}

} // namespace

// Error reporting.

int CClientApp::ReportError(int code, unsigned flags)
{
    CWaitCursor wait(winutil::LoadBusyCursor());
    errortable::ErrorReport report = errortable::Resolve(code, flags, HasString);
    if (!report.show)
        return 1;
    if (report.clearQueue) {
        // The failure ends whatever held the message client: the queue empties and the lock goes
        // with its holder. Clearing only the holder kind would leave the semaphore taken with
        // nobody to give it back (each holder lets go only while the holder kind is its own), and
        // no request of any window would start again.
        m_requestQueue.Clear();
        if (m_pmHolderKind != 0)
            UnlockPm();
    }
    CString text;
    text.LoadString(report.textId);
    if (report.number != 0)
        text.AppendFormat("(#%d)", report.number);
    LogError(report.flags, text);
    if (m_pErrorSink)
        m_pErrorSink->ShowErrorBalloon(text, report.flags);
    return 0;
}

void CClientApp::LogError(unsigned flags, const CString& text)
{
    // Until the error log window exists, the failure log keeps the text.
    if (m_pErrorSink)
        m_pErrorSink->LogError(flags, text);
    else
        nv::ReportFailure("error log", text);
}

void CClientApp::ShowErrorBalloon(const CString& text, unsigned flags)
{
    LogError(flags, text);
    if (m_pErrorSink)
        m_pErrorSink->ShowErrorBalloon(text, flags);
}

void CClientApp::ReportRequestFailure(void* context, int code)
{
    static_cast<CClientApp*>(context)->ReportError(code, 0);
}

// Message boxes.

int CClientApp::ShowMessageBox(const CString& text, unsigned flags, CWnd* owner)
{
    return PresentBox(text, flags, owner, false);
}

int CClientApp::PresentBox(const CString& text, unsigned flags, CWnd* owner, bool logged)
{
    if (flags == 0)
        flags = errortable::kFlagWarning;
    int button = kMessageBoxNotShown;
    // One box at a time: a second one while the first waits for the user is not shown.
    if (!m_messageBoxOpen) {
        m_messageBoxOpen = true;
        SetModalState(true);
        CMainDlg* main = GetMainDlg();
        if (main && main->IsReady()) {
            HWND ownerWindow = owner ? owner->GetSafeHwnd() : main->GetSafeHwnd();
            CloseOpenMenus(true);
            button = PresentMessageBox(ownerWindow, text, flags, true);
        } else {
            button = PresentMessageBox(owner ? owner->GetSafeHwnd() : nullptr, text, flags, false);
        }
        SetModalState(false);
        m_messageBoxOpen = false;
    }
    if (button != kMessageBoxNotShown)
        return button;
    // Nobody saw it: the caller gets the answer that dismissing it would have given, and the
    // text goes to the error log unless the caller has logged it already.
    if (!logged)
        LogError(flags, text);
    return CancelAnswer(flags);
}

int CClientApp::ShowMessage(HWND owner, const CString& text, unsigned flags)
{
    return ShowMessageBox(text, flags, CWnd::FromHandlePermanent(owner));
}

int CClientApp::ShowMessageLogged(HWND owner, const CString& text, unsigned flags)
{
    return MessageBoxTextLogged(text, flags, CWnd::FromHandlePermanent(owner));
}

CString CClientApp::GetServerRoot(const char* name)
{
    const struct {
        const char* name;
        const CString& value;
    } servers[] = {{"SearchPage", m_settings.m_searchPage}, {"MailPage", m_settings.m_mailPage},
                   {"ProfilePage", m_settings.m_profilePage}, {"LoginPage", m_settings.m_loginPage},
                   {"ChargePage", m_settings.m_chargePage}};
    for (const auto& server : servers)
        if (std::strcmp(server.name, name) == 0)
            return server.value;
    return CString();
}

int CClientApp::MessageBoxId(UINT id, unsigned flags, CWnd* owner)
{
    CString text;
    text.LoadString(id);
    return ShowMessageBox(text, flags, owner);
}

int CClientApp::MessageBoxIdLogged(UINT id, unsigned flags, CWnd* owner)
{
    CString text;
    text.LoadString(id);
    return MessageBoxTextLogged(text, flags, owner);
}

int CClientApp::MessageBoxTextLogged(const CString& text, unsigned flags, CWnd* owner)
{
    LogError(flags, text);
    return PresentBox(text, flags, owner, true);
}

void CClientApp::ShowNumbered(const CString& text, int number, unsigned flags, CWnd* owner)
{
    if (number != 0) {
        CString numbered = text;
        numbered.AppendFormat("(#%d)", number);
        MessageBoxTextLogged(numbered, flags, owner);
    } else {
        ShowMessageBox(text, flags, owner);
    }
}

void CClientApp::ShowWarning(UINT id, int number, CWnd* owner)
{
    CString text;
    text.LoadString(id);
    ShowNumbered(text, number, errortable::kFlagWarning, owner);
}

void CClientApp::ShowError(UINT id, int number, CWnd* owner)
{
    CString text;
    text.LoadString(id);
    ShowNumbered(text, number, errortable::kFlagError, owner);
}

// Modal state.

void CClientApp::SetModalState(bool enter)
{
    if (enter)
        ++m_modalCount;
    else if (m_modalCount > 0)
        --m_modalCount;
    EnableAppWindows(m_modalCount == 0);
}

void CClientApp::EnableAppWindows(bool enable)
{
    // The docked panels follow the main window; they are enabled with it once docking exists.
    // Memo windows are left as they are.
    Windows().ForEach({kWindowVoiceClip, kWindowPhone, kWindowCdPlayer, kWindowSend, kWindowReceive, kWindowChat,
                       kWindowUserList, kWindowFriendList, kWindowMessageLog, kWindowMain},
                      [enable](CWnd* window) { window->EnableWindow(enable); });
}

void CClientApp::CloseOpenMenus(bool many)
{
    for (int i = 0; i < (many ? 8 : 1); ++i) {
        HWND menu = ::FindWindowA("#32768", nullptr);
        if (!menu || !::IsWindowVisible(menu))
            break;
        ::SendMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    }
}

// Request queue and lock.

namespace {

class CPmLockAdapter : public IRequestLock {
public:
    explicit CPmLockAdapter(CClientApp& app) : m_app(app) {}
    bool Acquire(uint16_t kind, unsigned timeoutMs) override
    {
        return m_app.LockPm(kind, timeoutMs) == WAIT_OBJECT_0;
    }
    void Release() override { m_app.UnlockPm(); }

private:
    CClientApp& m_app;
};

} // namespace

int CClientApp::SubmitRequest(const RequestEntry& entry)
{
    CPmLockAdapter lock(*this);
    bool loggedIn = m_pSession && m_pSession->IsLoggedIn();
    IRequestClient* client = m_pSession ? m_pSession->GetRequestClient() : nullptr;
    if (!loggedIn)
        m_pmHolderKind = 0;
    return m_requestQueue.Submit(entry, client, &lock, loggedIn);
}

BOOL CClientApp::CreatePmLock()
{
    if (!m_pmLock)
        m_pmLock = ::CreateSemaphoreA(nullptr, 1, 1, "PmWaitObject");
    return m_pmLock != nullptr;
}

void CClientApp::ClosePmLock()
{
    if (m_pmLock) {
        ::CloseHandle(m_pmLock);
        m_pmLock = nullptr;
    }
    m_pmHolderKind = 0;
    // A request still running when the session ended never reports its end: left at the head of
    // the queue, it would hold back every request of the next session.
    m_requestQueue.Clear();
}

DWORD CClientApp::LockPm(uint16_t kind, DWORD timeoutMs)
{
    DWORD result = 0;
    if (m_pmLock)
        result = ::WaitForSingleObject(m_pmLock, timeoutMs);
    // The holder is only recorded when the lock was taken: a time-out leaves the real holder.
    if (result == WAIT_OBJECT_0)
        m_pmHolderKind = kind;
    return result;
}

void CClientApp::UnlockPm()
{
    if (m_pmLock)
        ::ReleaseSemaphore(m_pmLock, 1, nullptr);
    m_pmHolderKind = 0;
}

void CClientApp::NotifySendWindows()
{
    LPARAM online = (m_pSession && m_pSession->IsLoggedIn()) ? 1 : 0;
    Windows().ForEach({kWindowSend, kWindowReceive},
                      [online](CWnd* window) { window->PostMessage(0x40A, 103, online); });
}

void CClientApp::NotifySendWindowsIdle()
{
    Windows().ForEach({kWindowSend, kWindowReceive}, [](CWnd* window) { window->PostMessage(0x40A, 104, 0); });
}

// Window registry and lists.

CWindowRegistry& CClientApp::Windows() { return CWnd::Registry(); }

void CClientApp::RegisterWindow(WindowKind kind, CWnd* window, const CString& name)
{
    if (window)
        window->JoinRegistry(kind, name);
}

CWnd* CClientApp::FindRegisteredWindow(CWnd* window) const { return Windows().Contains(window) ? window : nullptr; }

CWnd* CClientApp::FindWindowByKind(WindowKind kind, const CString& name) const
{
    return kind == kWindowNamed ? Windows().FindByName(name) : Windows().Find(kind);
}

void CClientApp::CloseRegisteredWindows(CWnd* window)
{
    if (!GetAppWindow(kWindowMain))
        return;
    CloseOpenMenus(true);
    // Destroying one browser may close another: the walk skips windows that are gone by their turn.
    Windows().ForEach([window](const RegisteredWindow& member) {
        if (IsOpenedOnRequest(member.kind) && (!window || member.window == window)) {
            toolkit::Host().RemoveTrayWindow(member.window->GetSafeHwnd());
            if (CSkinFrameDialog* leader = CSkinFrameDialog::Leader())
                leader->RemoveFloatingWindow(member.window);
            member.window->DestroyWindow();
        }
    });
    // A window that outlives its DestroyWindow is no longer one of the registered windows.
    Windows().ForEach([window](const RegisteredWindow& member) {
        if (IsOpenedOnRequest(member.kind) && (!window || member.window == window))
            member.window->LeaveRegistry();
    });
}

CString CClientApp::BuildRoomUrl(const CString& commId) const
{
    CString id = commId.IsEmpty() ? m_ownUser.id : commId;
    CString format;
    format.LoadString(IDS_URL_USER_ROOM);
    CString url;
    url.Format(format, id.Left(3).GetString(), id.GetString());
    return url;
}

void CClientApp::AddLogWindow(CWnd* window) { RegisterWindow(kWindowMessageLog, window); }
void CClientApp::AddMemoWindow(CWnd* window) { RegisterWindow(kWindowMemo, window); }

void CClientApp::RemoveLogWindow(CWnd* window)
{
    if (window && window->GetRegistryKind() == kWindowMessageLog)
        window->LeaveRegistry();
}

void CClientApp::RemoveMemoWindow(CWnd* window)
{
    if (window && window->GetRegistryKind() == kWindowMemo)
        window->LeaveRegistry();
}

void CClientApp::DestroyLogWindows()
{
    Windows().ForEach({kWindowMessageLog}, [](CWnd* window) { window->DestroyWindow(); });
}

void CClientApp::DestroyMemoWindows()
{
    Windows().ForEach({kWindowMemo}, [](CWnd* window) { window->DestroyWindow(); });
}

// Arrivals and sound.

void CClientApp::SetMessageArrive(bool flag)
{
    if (!flag)
        m_arrivals.clear();
    WriteProfileInt("", "MessageArrive", flag ? static_cast<int>(m_arrivals.size()) : 0);
}

void CClientApp::MergeMessageLists()
{
    for (const MessageEntry& fresh : m_pendingArrivals) {
        for (MessageEntry& entry : m_arrivals) {
            if (entry.senderId.Compare(fresh.senderId) == 0 && entry.number == fresh.number && entry.time == fresh.time)
                entry = fresh;
        }
    }
    m_pendingArrivals.clear();
}

void CClientApp::PlayArrivalSound()
{
    if (!m_settings.m_waveCertify || IsSoundDeviceLocked())
        return;
    CString defaultWord;
    defaultWord.LoadString(IDS_DEFAULT_WAVE);
    const CString& wave = m_settings.m_waveFile;
    if (!wave.IsEmpty() && wave.Compare(defaultWord) != 0)
        winutil::PlaySoundFile(wave);
    else
        winutil::PlayAppSound(IDS_ARRIVAL_SOUND);
}

BOOL CClientApp::LockSoundDevice(void* owner, bool acquire)
{
    if (acquire) {
        if (m_soundOwner && m_soundOwner != owner)
            return FALSE;
        m_soundOwner = owner;
        return TRUE;
    }
    if (m_soundOwner != owner)
        return FALSE;
    m_soundOwner = nullptr;
    return TRUE;
}

void CClientApp::CommitReceivedFile(bool keep)
{
    CWaitCursor wait(winutil::LoadBusyCursor());
    if (!keep) {
        if (!m_pendingTempFile.IsEmpty())
            ::DeleteFileA(m_pendingTempFile);
        m_pendingTempFile.Empty();
        m_pendingTargetFile.Empty();
        return;
    }
    if (m_pendingTempFile.IsEmpty() || m_pendingTargetFile.IsEmpty())
        return;
    HANDLE source = ::CreateFileA(m_pendingTempFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE)
        return;
    HANDLE target = ::CreateFileA(m_pendingTargetFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (target == INVALID_HANDLE_VALUE) {
        // The temporary file is the only copy of what was received: it stays, and so do the names.
        ::CloseHandle(source);
        MessageBoxIdLogged(IDS_FILE_SAVE_FAILED, errortable::kFlagWarning);
        return;
    }
    char block[16384];
    bool ok = true;
    for (;;) {
        DWORD got = 0, written = 0;
        if (!::ReadFile(source, block, sizeof block, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        if (!::WriteFile(target, block, got, &written, nullptr) || written != got) {
            ok = false;
            break;
        }
    }
    ::CloseHandle(source);
    ::CloseHandle(target);
    if (!ok) {
        // A partial target is no copy: it goes, and the received data stays where it was.
        ::DeleteFileA(m_pendingTargetFile);
        MessageBoxIdLogged(IDS_FILE_SAVE_FAILED, errortable::kFlagWarning);
        return;
    }
    ::DeleteFileA(m_pendingTempFile);
    m_pendingTempFile.Empty();
    m_pendingTargetFile.Empty();
}
