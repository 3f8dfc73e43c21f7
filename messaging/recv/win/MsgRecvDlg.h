// CMsgRecvDlg: the received-message window (template 130, "vyrntalk_rcv.bmp"). It shows the
// arrival list, the body of the current message and the status line, and drives CRecvFlow: the
// message client's results (0x40A), progress notices (0x43D), timer 4 and the user's selections
// go to the flow; the flow's requests go out through the client of the registered host.
#pragma once

#include "framework/win/Controls.h"
#include "framework/win/ImageList.h"
#include "framework/win/WebBrowserCtrl.h"
#include "framework/win/ListCtrl.h"
#include "framework/win/ToolTipCtrl.h"
#include "messaging/recv/RecvFlow.h"
#include "messaging/recv/RecvRules.h"
#include "shell/common/services/PartnerRef.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <memory>
#include <vector>

constexpr UINT kMsgRecvResult = 0x40A;
constexpr UINT kMsgRecvProgress = 0x43D;
constexpr UINT_PTR kRecvDeferredTimer = 4;

class CMsgRecvDlg : public CSkinFrameDialog, public IRecvView, private CWebBrowserEvents {
public:
    CMsgRecvDlg(CWnd* parent, IRecvHost& host, IRecvStore& store);
    ~CMsgRecvDlg() override;

    void SetShown(bool show);
    BOOL ApplySkin();
    CRecvFlow& GetFlow() { return *m_flow; }
    CListCtrl& GetList() { return m_list; }
    CRichEditCtrl& GetBody() { return m_body; }
    const CString& GetStatusText() const { return m_statusText; }
    const std::vector<CString>& GetOpenedFiles() const { return m_openedFiles; }
    // Whether the window was active when WM_ACTIVATE last came.
    bool IsActiveFlag() const { return m_active; }
    CImageList& GetImages() { return m_images; }
    // The banner: the WebBrowser control, or the template's placeholder where none can be made.
    HWND GetBannerWindow() const;
    // Whether one of the eight skin buttons takes clicks.
    bool IsButtonEnabled(UINT id) { return !Button(id)->IsDisabled(); }

    // IRecvView over the controls.
    bool IsShown() const override { return m_shown; }
    int RowCount() const override;
    void DeleteAllRows() override;
    void AddRow(const MessageEntry& entry) override;
    void SetRowIcon(int row, int icon) override;
    void SetRowAttachmentIcon(int row, int icon) override;
    int SelectedRow() const override;
    void SetListColumnWidth() override;
    void ScrollToRow(int row) override;
    void ShowBody(const MessageEntry* entry) override;
    void SetStatus(RecvStatus status, int number) override;
    void ShowAttachmentStatus(const MessageEntry& entry) override;
    void EnableButton(int code) override;
    void EnableCancelButton(bool enable) override;
    void SetWaitCursor(bool wait) override;
    void LoadBanner() override;
    void ApplyMessageFont() override;
    void ShowBalloonEvent(int event) override;
    void RequestReadNotice(const CString& senderId) override;
    void PlayVoiceClip(const CString& file) override;
    void StartDeferredTimer(unsigned ms) override;
    void KillDeferredTimer() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    LRESULT OnResult(WPARAM wParam, LPARAM lParam);
    LRESULT OnProgressNotice(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    void OnActivate(UINT state, HWND other, BOOL minimised);
    void OnListClick(NMHDR* header, LRESULT* result);
    void OnListRClick(NMHDR* header, LRESULT* result);
    void OnListDblClk(NMHDR* header, LRESULT* result);
    void OnListKeyDown(NMHDR* header, LRESULT* result);
    void OnCloseButton();
    void OnRefreshButton();
    void OnReply();
    void OnNewMessage();
    void OnHistory();
    void OnCancelTransfer();
    void OnPlayVoice();
    void OnMemo();
    void OnCall();
    void OnUserRoom();
    void OnPartnerPage();
    void OnMenuRefresh();
    void OnBodyNotify(NMHDR* header, LRESULT* result);
    void OnAttachmentButton();
    void OnSaveAttachment();
    void OnOpenAttachment();
    DECLARE_MESSAGE_MAP()

private:
    // The banner asked for a new window: the program's browser takes it.
    void OnNewWindow2(IDispatch** dispatch, VARIANT_BOOL* cancel) override;
    BOOL SetupControls(bool initial);
    void CreateImageList();
    void CreateBanner();
    // The save item and the "開く" item or submenu for entry, inserted at position of menu.
    void AddAttachmentMenuItems(HMENU menu, UINT position, const MessageEntry& entry);
    // The entry at the current index when it is an attachment package with a file, else null.
    const MessageEntry* CurrentPackage() const;
    void DetachOpenSubmenu(HMENU popup);
    // The package's first file name and format (1 for the packages the program writes); false
    // after the failure was shown.
    bool ListPackage(const MessageEntry& entry, CString* first, int* format);
    // Shows what a failed package operation means; file: the file the text names.
    void ShowPackageNotice(PackageNotice notice, const CString& file);
    // When this window took the activation from active, active gets it back.
    void GiveBackActivation(HWND active);
    bool CheckBannerPlacement();
    // From the saved corner (profile "Location", PmRcvX/PmRcvY) kept within the work area.
    void PlaceWindow();
    void SelectRow(int row, RecvSelectSource source);
    CSkinButton* Button(UINT id);
    bool Idle() const;
    // The selected row's entry, or null.
    const MessageEntry* SelectedEntry() const;
    PartnerRef SelectedPartner() const;

    IRecvHost& m_host;
    std::unique_ptr<CRecvFlow> m_flow;
    bool m_shown = false;
    CToolTipCtrl m_tip;
    CSkinButton m_close, m_play, m_new, m_reply, m_refresh, m_history, m_cancel, m_attach;
    CRichEditCtrl m_body;
    CListCtrl m_list;
    CString m_statusText;
    bool m_doubleClickSeen = false;
    bool m_active = false;
    CImageList m_images;
    CWebBrowserCtrl m_banner;
    // The "開く" submenu of the attachment items (replaced with each menu).
    HMENU m_openSubmenu = nullptr;
    // Files extracted for viewing, deleted when the window goes.
    std::vector<CString> m_openedFiles;
};
