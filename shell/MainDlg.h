// CMainDlg: the visible launcher window. A skinned frame dialog (template 197, "main.bmp") with
// fourteen image buttons and the embedded portal page (control 1410), the hub of the program:
// it makes the other long-lived windows, drives the program with its timers (automatic log-in,
// polling, blinking, idle log-out), switches its buttons by state, logs in and out, runs the exit
// sequence, shows the menus and re-lays every window when the skin changes.
//
// MainDlg.cpp: set-up, layout, skin, timers and states. MainDlgSession.cpp: log-in, log-out,
// exit and the message map's deferred requests. MainDlgCommands.cpp: menus, skins and commands.
#pragma once

#include "shell/common/services/PartnerRef.h"
#include "net/access/AccountImport.h"
#include "shell/MainWindowPeers.h"
#include "shell/ServiceSeams.h"
#include "shell/common/services/MainWindowLogic.h"
#include "framework/win/ImageList.h"
#include "framework/win/ToolTipCtrl.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <commctrl.h>

#include <memory>

class CSkinManager;
struct PmPostedRecord;
class CMainPage;


// Where the main window sends what Windows would do outside the program: the shell's "open"
// (mail client, display settings) and the screen saver.
class IMainShellActions {
public:
    virtual ~IMainShellActions() = default;
    // ShellExecute "open"; the shell's result (above 32: success).
    virtual INT_PTR Open(const CString& file, const CString& parameters) = 0;
    // WM_SYSCOMMAND SC_SCREENSAVE to the window.
    virtual void StartScreenSaver(HWND window) = 0;
    // Whether a screen saver is active (the system setting, and SCRNSAVE.EXE on NT 5 and later).
    virtual bool IsScreenSaverActive() = 0;
};

class CMainDlg : public CSkinFrameDialog, public IHandoverTarget, public IAccountChangeHost {
public:
    static constexpr int kButtonCount = 14;
    static constexpr UINT kPageControl = 1410;
    static constexpr UINT kPageSkinControl = 1242;
    static constexpr int kPageWidth = 164;
    static constexpr int kPageHeight = 154;

    explicit CMainDlg(CWnd* parent);
    ~CMainDlg() override;

    // Creates the window modeless; FALSE when it could not be created.
    BOOL Create();
    // True once OnInitDialog has finished (message boxes may then be the program's own).
    bool IsReady() const { return m_ready; }
    bool IsInitialised() const { return m_ready; }
    bool IsListReceived() const { return m_listReceived; }
    void SetListReceived(bool received) { m_listReceived = received; }

    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override;
    void PostNcDestroy() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // States and timers.
    void SetButtonState(int code);
    void BlinkReceiveButton() { SetButtonState(16); }
    void StopReceiveBlink() { SetButtonState(32); }
    void BlinkPhoneButton() { SetButtonState(80); }
    void StopPhoneBlink() { SetButtonState(96); }
    void UpdateReceiveButton();
    // The 16 x 16 pictures of the friend and user lists.
    CImageList* GetIconImageList() { return &m_imageList; }
    // The tooltip control of the buttons (tests read its texts).
    CToolTipCtrl& GetToolTip() { return m_toolTip; }
    bool ReapplySkin();
    void ShowPortalPage(int mode);
    void OnTimer(UINT_PTR id);
    mainwnd::PollMachine& Poll() { return m_poll; }
    // Pending bits other windows set when the lock keeps them from queueing at once.
    void AddPendingRequests(uint16_t bits) { m_poll.AddPending(bits); }
    bool IsButtonEnabled(UINT id) const;
    const RECT& GetDockExtent() const { return m_dockExtent; }

    // Log-in, log-out and exit (MainDlgSession.cpp).
    void Login();
    void Logout();
    bool SessionLogout(int mode);
    void OnExit();
    void HideToTray();
    BOOL OpenUrl(const CString& address);
    void SendUrlToServer(const CString& address);
    void SendPresence();
    void OpenStartPage();
    LRESULT OnCommandRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnOpenPending(WPARAM wParam, LPARAM lParam);
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void OnEndSession(BOOL ending);

    // Commands, menus and skins (MainDlgCommands.cpp).
    void ShowBrowserWindow();
    void ShowChatWindow();
    void ToggleVoiceClip();
    void ToggleCdPlayer();
    void TogglePhone();
    INT_PTR OpenSettings(int page);
    void ShowAbout();
    void ShowTrayMenu(bool fromTray);
    void ShowMainMenu();
    void ShowHelpMenu();
    // Item states of the menus as ShowTrayMenu / ShowMainMenu set them (for tests as well).
    HMENU BuildTrayMenu(bool fromTray);
    HMENU BuildMainMenu();
    void OnSkinMenu(UINT id);
    void ApplySkinFile(const CString& path) override;
    void ImportConnectionInfo(const CString& path) override;

    // The account change after an import (IAccountChangeHost).
    int ShowMessage(unsigned textId, unsigned flags) override;
    void ShowLoggedText(const CString& text, unsigned flags) override;
    void LogOut() override;
    void UpdateOwnName(const CString& newCommId, const CString& newName, const CString& newData,
                       const CString& oldCommId) override;
    void RefreshSettingsPage() override;
    void OpenSendWindow(const PartnerRef& partner);
    void OpenMailPage();
    void OpenAddressBook();
    void OpenPartnerList();
    void ShowErrorLog();
    void OpenDialupDetails();
    void OpenMoodWindow();
    void SendMailTo();
    void StartScreenSaver();
    void OpenDisplaySettings();
    IDispatch* OnNewWindow2(bool haveArguments);
    void ReopenBrowser();
    // Opens the received-message window (the arrival list's routing fills it in).
    virtual void OpenReceiveWindow();

    // The message client's results and the lists they fill (MainDlgResults.cpp).
    LRESULT OnMessageResult(WPARAM wParam, LPARAM lParam);
    LRESULT OnListResult(WPARAM wParam, LPARAM lParam);
    void StoreArrivalList(const PmPostedRecord* record);
    void FillUserList(int listKind, const PmPostedRecord* record);
    void ShowUserList(int listKind);
    // The friend list and the URL list with only the user's own row (start-up, log-out).
    void ResetUserLists();
    // The user's own row of the URL list renamed (secondName, when not empty, becomes its ID).
    void UpdateOwnName(const CString& id, const CString& name, const CString& secondName);
    void UpdateOwnStatus();
    // Failures reach the error log and the error balloon from the main window's start to its end.
    void InstallErrorSink();
    void RemoveErrorSink();

    // Seams.
    static void SetShellActions(IMainShellActions* actions);
    static IMainShellActions& ShellActions();
    void SetPageControl(IPageControl* page) { m_page = page; }
    IPageControl* GetPageControl() const { return m_page; }
    const CString& GetPortalAddress() const { return m_portalAddress; }
    UINT GetTaskbarCreatedMessage() const { return m_taskbarCreated; }

    DECLARE_MESSAGE_MAP()

protected:
    void OnPaint();
    void OnDestroy();
    void OnActivate(UINT state, HWND other, BOOL minimised);
    void OnRButtonDown(UINT flags, POINT point);
    LRESULT OnQueryDragIconMessage(WPARAM, LPARAM);

private:
    struct ButtonSpec {
        UINT id;
        const char* bitmap;
        UINT tooltip; // 0: none
    };
    static const ButtonSpec kButtons[kButtonCount];

    bool SetupButtons();
    bool LoadButtonBitmaps();
    void PlaceButtonsAndPage();
    // The banner rule with its failure handling; false when the skin was refused.
    bool CheckBanner();
    void ReadDockExtent();
    void Layout();
    bool CreateChildWindows();
    bool CreateUrlWindows();
    void AttachPanels(bool attach);
    void CreateToolTips();
    void CreateImageList();
    void FailInit(const CString& text, bool logged);
    void ReceiveBlinkTick();
    void PhoneBlinkTick();
    void IdleTick();
    void PollTick();
    void ShowAfterStart();
    void SetListColors(COLORREF color);
    void RelayAll(bool countResults, bool* allOk);
    void ReturnToBaseSkin();
    void ToggleOne(WindowKind kind, int offCode, int onCode, int balloonEvent);
    CSkinButton* Button(UINT id);
    CSkinManager* Skins() const;
    CString PortalPageAddress(int mode) const;
    bool ButtonAllowed(UINT id) const;
    bool AskServerAccount();
    bool SessionLogin();
    bool CheckMessageLogin();
    void OnMessagingUp();
    void CloseWindows();

    CWnd* m_pHost;
    CSkinButton m_buttons[kButtonCount];
    HWND m_pageWindow = nullptr;
    IPageControl* m_page = nullptr;
    std::unique_ptr<CMainPage> m_ownPage; // the WebBrowser control at 1410
    CString m_portalAddress;
    CToolTipCtrl m_toolTip;
    HICON m_icon = nullptr;
    CImageList m_imageList;
    HACCEL m_accelerators = nullptr;
    RECT m_dockExtent = {0, 0, 0, 0};
    mainwnd::PollMachine m_poll;
    mainwnd::IdleMachine m_idle;
    bool m_receiveBlink = false;
    bool m_phoneBlink = false;
    int m_showDelay = 10000;
    bool m_ready = false;
    bool m_listReceived = false;
    bool m_onBaseSkinRetry = false;
    bool m_skinRelayRunning = false;
    bool m_exitDone = false;
    UINT m_taskbarCreated = 0;
};
