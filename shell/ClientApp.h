// CClientApp: the main program's application object (the framework's application class and the
// account settings as its second base). Every window reaches settings, lists, window pointers
// and program-wide services through GetClientApp. This header is the hub: it names the window
// classes it points to and includes none of their headers.
#pragma once

#include "framework/win/WinApp.h"
#include "shell/ServiceSeams.h"
#include "shell/common/services/ErrorSink.h"
#include "shell/common/services/RequestQueue.h"
#include "shell/common/settings/NetInfo.h"
#include "shell/common/settings/ProgramSettings.h"
#include "shell/common/settings/WinAppProfile.h"

#include <vector>

class CAppHostDlg;
class CMainDlg;
class CWnd;

// One waiting message of the arrival list.
struct MessageEntry {
    CString senderId;
    CString senderName;
    int32_t number = 0;
    int32_t time = 0;
    CString body;
    int32_t state = 0;
    int32_t attributes = 0;
    int32_t attachmentKind = 0;
};

// One row of the user list; the first row is the user's own.
struct UserRef {
    CString name;
    CString id;
    int32_t status = 0;
    int32_t image = 0;
};

struct RegisteredWindow {
    uint16_t kind;
    uint16_t reserved;
    CWnd* window;
    CString name;
};

class CClientApp : public CWinApp, public CNetInfo {
public:
    CClientApp();
    ~CClientApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    // Brings the online help to the front, or opens it.
    void WinHelp();

    void SetupRegistry();
    void BuildVersionText();
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
    void SetModalState(bool enter);
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
    const CRequestQueue& GetRequestQueue() const { return m_requestQueue; }
    void NotifySendWindows();
    void NotifySendWindowsIdle();

    // Window registry and window lists.
    void RegisterWindow(uint16_t kind, CWnd* window, const CString& name = CString());
    CWnd* FindRegisteredWindow(CWnd* window) const;
    CWnd* FindWindowByKind(uint16_t kind, const CString& name) const;
    void CloseRegisteredWindows(CWnd* window = nullptr);
    CString BuildRoomUrl(const CString& commId) const;
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
    void SetShutdownSteps(IShutdownSteps* steps) { m_pShutdownSteps = steps; }
    IShutdownSteps* GetShutdownSteps() const { return m_pShutdownSteps; }
    void SetErrorSink(IErrorSink* sink) { m_pErrorSink = sink; }
    void SetHandoverTarget(IHandoverTarget* target) { m_pHandoverTarget = target; }
    IHandoverTarget* GetHandoverTarget() const { return m_pHandoverTarget; }

    // The file a second start or the shell handed over (0x40B), after its quotes are removed.
    void OpenHandedOverFile(const CString& path);
    // Runs the exit sequence once; later requests while it runs or after it are ignored.
    bool BeginExit();
    // A host loop starts: the exit sequence may run (once) again.
    void OnHostLoopStarting();
    bool IsExiting() const { return m_exiting; }

    const CString& GetExeFolder() const { return m_exeFolder; }
    const CString& GetVersionText() const { return m_versionText; }
    CProgramSettings& Settings() { return m_settings; }
    IProfileStore& Profile() { return m_profile; }

    // Window pointers (null while the window does not exist; the windows set and clear them).
    CAppHostDlg* m_pHostDlg = nullptr;
    CMainDlg* m_pMainDlg = nullptr;
    CWnd* m_pSettingsDlg = nullptr;
    CWnd* m_pUrlBar = nullptr;
    CWnd* m_pBrowserDlg = nullptr;
    CWnd* m_pSendDlg = nullptr;
    CWnd* m_pReceiveDlg = nullptr;
    CWnd* m_pPhoneDlg = nullptr;
    CWnd* m_pVoiceClipDlg = nullptr;
    CWnd* m_pCdPlayerDlg = nullptr;
    CWnd* m_pUserListDlg = nullptr;
    CWnd* m_pFriendListDlg = nullptr;
    CWnd* m_pChatDlg = nullptr;
    CWnd* m_pErrorLogDlg = nullptr;
    CWnd* m_pNormalBalloon = nullptr;
    CWnd* m_pErrorBalloon = nullptr;

    std::vector<MessageEntry> m_arrivals;
    std::vector<MessageEntry> m_pendingArrivals; // refreshes m_arrivals in MergeMessageLists
    std::vector<UserRef> m_users;
    UserRef m_ownUser;
    int m_lastResult = 0;
    uint32_t m_sessionFlags = 0;
    CString m_pendingTempFile;
    CString m_pendingTargetFile;

private:
    static void ReportRequestFailure(void* context, int code);
    SettingsDefaults LoadSettingsDefaults() const;

    CWinAppProfile m_profile;
    CProgramSettings m_settings;
    HANDLE m_mutex = nullptr;
    CString m_exeFolder;
    CString m_versionText;
    HANDLE m_pmLock = nullptr;
    uint16_t m_pmHolderKind = 0;
    CRequestQueue m_requestQueue;
    std::vector<RegisteredWindow> m_registry;
    std::vector<CWnd*> m_logWindows;
    std::vector<CWnd*> m_memoWindows;
    int m_modalCount = 0;
    bool m_messageBoxOpen = false;
    void* m_soundOwner = nullptr;
    bool m_exiting = false;
    IServiceSession* m_pSession = nullptr;
    IShutdownSteps* m_pShutdownSteps = nullptr;
    IErrorSink* m_pErrorSink = nullptr;
    IHandoverTarget* m_pHandoverTarget = nullptr;
};

CClientApp* GetClientApp();
