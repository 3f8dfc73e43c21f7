// CFriendListDlg: the user's friends as a list docked beside the main window (template 203,
// "friend.bmp"). The main window fills the list; this window offers the actions on the selected
// friend through its context menu (menu 139), a double click and tool tips, through the friend
// list host and the window opener that the application registers (messaging/recv/MessageWindowHost.h).
#pragma once

#include "framework/win/ToolTipCtrl.h"
#include "messaging/lists/FriendCommands.h"
#include "messaging/lists/win/StatusListCtrl.h"
#include "toolkit/win/SkinFrameDialog.h"

class CFriendListDlg : public CSkinFrameDialog {
public:
    explicit CFriendListDlg(CWnd* parent);
    ~CFriendListDlg() override;

    // After a skin change: the bitmap again, the list's place and column, the dock placement.
    BOOL ApplySkin();
    CStatusListCtrl& GetList() { return m_list; }
    // The selected row, or -1.
    int GetSelectedRow() const;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}

    void OnListRClick(NMHDR* header, LRESULT* result);
    void OnListDblClk(NMHDR* header, LRESULT* result);
    void OnListSetFocus(NMHDR* header, LRESULT* result);
    void OnSend();
    void OnRefresh();
    void OnCopyId();
    void OnCopyName();
    void OnMemo();
    void OnCall();
    void OnHistory();
    void OnRoom();
    void OnDeletePage();
    DECLARE_MESSAGE_MAP()

private:
    BOOL PrepareList();
    CFriendCommands Commands();

    CStatusListCtrl m_list;
    CToolTipCtrl m_tip;
    int m_tipItem = -1; // the hot item the tip was last set for
};
