// CUserListDlg: the user list docked to the main window (template 200, "user.bmp"). Its rows mirror
// the application's user list, the first being the user's own; the main window fills them. The
// context menu (menu 139) acts on the selected row and, on the own row, offers the nine moods as
// an owner-drawn submenu; a double click on the own row opens the mood window.
#pragma once

#include "framework/win/ToolTipCtrl.h"
#include "messaging/history/UserListCommands.h"
#include "messaging/lists/win/StatusListCtrl.h"
#include "toolkit/win/SkinFrameDialog.h"

class CUserListDlg : public CSkinFrameDialog {
public:
    explicit CUserListDlg(CWnd* parent);
    ~CUserListDlg() override;

    BOOL ApplySkin();
    CStatusListCtrl& GetList() { return m_list; }
    int GetSelectedRow() const;
    // The application's status word becomes the value; the main window announces it.
    void SetMyStatus(std::uint32_t status);
    // Builds the context menu for the selected row as it would be shown (the caller destroys it).
    // When moods are offered, their items stay valid until the next call.
    HMENU BuildMenu();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override {}
    void OnCancel() override {}

    void OnListRClick(NMHDR* header, LRESULT* result);
    void OnListDblClk(NMHDR* header, LRESULT* result);
    void OnListSetFocus(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    BOOL PrepareList();
    CUserListCommands Commands();
    void OpenMoodWindow();
    void FreeMoodItems();

    CStatusListCtrl m_list;
    CToolTipCtrl m_tip;
    int m_tipItem = -1;
    // The mood submenu while it is shown: its menu and the nine items' icons and texts.
    class CMoodMenu;
    CMoodMenu* m_moods = nullptr;
};
