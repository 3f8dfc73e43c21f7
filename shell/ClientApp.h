// CClientApp: the main program's application object (the framework's application class and the
// account settings as its second base). Every window reaches settings, lists, window pointers
// and program-wide services through GetClientApp. This header is the hub: it names the window
// classes it points to and includes none of their headers.
#pragma once

#include "framework/win/WinApp.h"
#include "net/dialup/NetDialogHost.h"
#include "messaging/recv/MessageEntry.h"
#include "shell/ServiceSeams.h"
#include "shell/common/services/ErrorSink.h"
#include "shell/common/services/FailureLog.h"
#include "shell/common/services/RequestQueue.h"
#include "shell/common/services/WindowKinds.h"
#include "shell/common/settings/NetInfo.h"
#include "shell/common/settings/ProgramSettings.h"
#include "shell/common/settings/WinAppProfile.h"

#include <vector>

class CAppHostDlg;
class CBrowserDlg;
class CMainDlg;
class CWnd;


// One row of the user list; the first row is the user's own.
struct UserRef {
    CString name;
    CString id;
    int32_t status = 0;
    int32_t image = 0;
};

class CClientApp : public CWinApp, public CNetInfo, public INetDialogHost {
public:
    CClientApp();
    ~CClientApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    // Brings the online help to the front, or opens it.
    void WinHelp();

    void SetupRegistry();
    void BuildVersionText();
    // Start-up's first step of the settings: no session, no lock holder, no modal state.
    void ResetSessionState();
    void LoadSettings();
    void SaveSettings();
    void SavePreferences(const UserRef* ownUser = nullptr);
    void ResetFonts() { m_settings.ResetFonts(); }
    void PlayStartSound();
    // Runs the host dialog modally: the program's only message loop.
    INT_PTR RunHostDialog();

    // Error reporting and message boxes.
    int ReportError(int code, unsigned flags);
    void LogError(unsigned flags, const CString& text);
    void ShowErrorBalloon(const CString& text, unsigned flags);
    int ShowMessageBox(const CString& text, unsigned flags, CWnd* owner = nullptr);
    int MessageBoxId(UINT id, unsigned flags, CWnd* owner = nullptr);
    int MessageBoxIdLogged(UINT id, unsigned flags, CWnd* owner = nullptr);
    int MessageBoxTextLogged(const CString& text, unsigned flags, CWnd* owner = nullptr);
    void ShowNumbered(const CString& text, int number, unsigned flags, CWnd* owner = nullptr);
    void ShowWarning(UINT id, int number, CWnd* owner = nullptr);
    void ShowError(UINT id, int number, CWnd* owner = nullptr);

    // Modal state.
    void SetModalState(bool enter) override;
    void EnableAppWindows(bool enable);
    int GetModalCount() const { return m_modalCount; }
    static void CloseOpenMenus(bool many);

    // Request queue and the lock "PmWaitObject".
    int QueueRequest(uint16_t kind) { return SubmitRequest({kind, 0}); }
    int SubmitRequest(const RequestEntry& entry);
    BOOL CreatePmLock();
    void ClosePmLock();
    DWORD LockPm(uint16_t kind, DWORD timeoutMs);
    void UnlockPm();
    uint16_t GetPmHolderKind() const { return m_pmHolderKind; }
    // A request that holds the lock goes on under another kind (an attachment's body after its
    // announcement); nothing happens while the lock is free.
    void SetPmHolderKind(uint16_t kind)
    {
        if (m_pmHolderKind != 0)
            m_pmHolderKind = kind;
    }
    const CRequestQueue& GetRequestQueue() const { return m_requestQueue; }
    void NotifySendWindows();
    void NotifySendWindowsIdle();

    // The window registry (framework/core/WindowRegistry.h) with the kinds of
    // shell/common/services/WindowKinds.h: every window joins it when it is created and leaves
    // it when it is destroyed.
    static CWindowRegistry& Windows();
    // The first window of the kind; null while there is none.
    static CWnd* GetAppWindow(WindowKind kind) { return Windows().Find(kind); }
    // A window opened on request joins under the kind (and name) it was opened for.
    void RegisterWindow(WindowKind kind, CWnd* window, const CString& name = CString());
    CWnd* FindRegisteredWindow(CWnd* window) const;
    CWnd* FindWindowByKind(WindowKind kind, const CString& name) const;
    void CloseRegisteredWindows(CWnd* window = nullptr);
    CString BuildRoomUrl(const CString& commId) const;
    // A browser window made through the main window for a kind of the registry, navigated to the
    // address when one is given, on the tray's list and in the registry; null when none was made.
    CBrowserDlg* OpenUrlInBrowser(const CString& url, WindowKind kind);
    // The room page of a 16-character communication ID, in the room window (kind 4) if one is
    // open, else in a new one; other IDs do nothing.
    void OpenUserRoom(const CString& commId);
    // The program's exit code, for an end that a window asks for.
    void SetExitCode(int code) { m_exitCode = code; }
    void AddLogWindow(CWnd* window);
    void RemoveLogWindow(CWnd* window);
    void AddMemoWindow(CWnd* window);
    void RemoveMemoWindow(CWnd* window);
    void DestroyLogWindows();
    void DestroyMemoWindows();

    // Arrivals and sound.
    void SetMessageArrive(bool flag);
    void MergeMessageLists();
    void PlayArrivalSound();
    BOOL LockSoundDevice(void* owner, bool acquire);
    BOOL IsSoundDeviceLocked() const { return m_soundOwner != nullptr; }
    // Moves a received file from its temporary name to its target (keep) or drops it.
    void CommitReceivedFile(bool keep);

    // Seams registered by the parts that own them.
    void SetServiceSession(IServiceSession* session) { m_pSession = session; }
    IServiceSession* GetServiceSession() const { return m_pSession; }
    // What the dial-up dialogs need of the application (INetDialogHost).
    CNetInfo* GetNetInfo() override { return this; }
    void SaveNetInfo() override { Save("NetInfo"); }
    int ShowMessage(HWND owner, const CString& text, unsigned flags) override;
    int ShowMessageLogged(HWND owner, const CString& text, unsigned flags) override;
    // A server root of the Servers section ("SearchPage", "MailPage", "ProfilePage").
    CString GetServerRoot(const char* name);

    // Connection settings freeze while a session is registered (with the login bits).
    bool HasServiceSession() const override { return m_pSession != nullptr; }
    // Where log-in gets its sessions from; null: log-in fails with message 213.
    void SetSessionFactory(IServiceSessionFactory* factory) { m_pSessionFactory = factory; }
    IServiceSessionFactory* GetSessionFactory() const { return m_pSessionFactory; }
    void SetErrorSink(IErrorSink* sink) { m_pErrorSink = sink; }
    // Failures that no caller can be told of go to the file "failure.log" in the folder from now
    // until exit (start-up passes the program's folder), or to the target that the error log
    // window sets in its place; SetFailureTarget(nullptr) gives them back to the file.
    void StartFailureLog(const CString& folder);
    void SetFailureTarget(IFailureTarget* target);
    void SetHandoverTarget(IHandoverTarget* target) { m_pHandoverTarget = target; }
    IHandoverTarget* GetHandoverTarget() const { return m_pHandoverTarget; }

    // The file a second start or the shell handed over (0x40B), after its quotes are removed. One
    // that comes before the main window is ready waits (the last one) until OpenPendingHandover.
    void OpenHandedOverFile(const CString& path);
    void OpenPendingHandover();
    // Runs the exit sequence once; later requests while it runs or after it are ignored.
    bool BeginExit();
    // A host loop starts: the exit sequence may run (once) again.
    void OnHostLoopStarting();
    bool IsExiting() const { return m_exiting; }

    const CString& GetExeFolder() const { return m_exeFolder; }
    const CString& GetVersionText() const { return m_versionText; }
    CProgramSettings& Settings() { return m_settings; }
    IProfileStore& Profile() { return m_profile; }

    // The application's windows, read from the registry: null while the window does not exist.
    CAppHostDlg* GetHostDlg() const;
    CMainDlg* GetMainDlg() const;
    CWnd* GetSettingsDlg() const { return GetAppWindow(kWindowSettings); }
    CWnd* GetUrlBar() const { return GetAppWindow(kWindowAddressBar); }
    CWnd* GetBrowserDlg() const { return GetAppWindow(kWindowBrowser); }
    CWnd* GetSendDlg() const { return GetAppWindow(kWindowSend); }
    CWnd* GetReceiveDlg() const { return GetAppWindow(kWindowReceive); }
    CWnd* GetPhoneDlg() const { return GetAppWindow(kWindowPhone); }
    CWnd* GetVoiceClipDlg() const { return GetAppWindow(kWindowVoiceClip); }
    CWnd* GetCdPlayerDlg() const { return GetAppWindow(kWindowCdPlayer); }
    CWnd* GetUserListDlg() const { return GetAppWindow(kWindowUserList); }
    CWnd* GetFriendListDlg() const { return GetAppWindow(kWindowFriendList); }
    CWnd* GetChatDlg() const { return GetAppWindow(kWindowChat); }
    CWnd* GetErrorLogDlg() const { return GetAppWindow(kWindowErrorLog); }
    CWnd* GetNormalBalloon() const { return GetAppWindow(kWindowNormalBalloon); }
    CWnd* GetErrorBalloon() const { return GetAppWindow(kWindowErrorBalloon); }

    std::vector<MessageEntry> m_arrivals;
    std::vector<MessageEntry> m_pendingArrivals; // refreshes m_arrivals in MergeMessageLists
    std::vector<UserRef> m_users;   // the URL list
    std::vector<UserRef> m_friends; // the friend list
    UserRef m_ownUser;
    int m_lastResult = 0;
    uint32_t m_sessionFlags = 0;
    CString m_pendingTempFile;
    CString m_pendingTargetFile;
    // The address last reported as visited.
    CString m_lastVisitedUrl;

private:
    static void ReportRequestFailure(void* context, int code);
    SettingsDefaults LoadSettingsDefaults() const;
    // The message box; logged tells that the caller has logged the text already.
    int PresentBox(const CString& text, unsigned flags, CWnd* owner, bool logged);

    CWinAppProfile m_profile;
    CProgramSettings m_settings;
    HANDLE m_mutex = nullptr;
    CString m_exeFolder;
    CString m_versionText;
    HANDLE m_pmLock = nullptr;
    uint16_t m_pmHolderKind = 0;
    CRequestQueue m_requestQueue;
    CFailureLogFile m_failureLog;
    bool m_failuresRouted = false;
    bool m_oleInitialized = false;
    int m_modalCount = 0;
    bool m_messageBoxOpen = false;
    void* m_soundOwner = nullptr;
    bool m_exiting = false;
    IServiceSession* m_pSession = nullptr;
    IServiceSessionFactory* m_pSessionFactory = nullptr;
    IErrorSink* m_pErrorSink = nullptr;
    IHandoverTarget* m_pHandoverTarget = nullptr;
    CString m_pendingHandover;
};

CClientApp* GetClientApp();
