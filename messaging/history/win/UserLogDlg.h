// CUserLogDlg: the partner list (template 785, "general.bmp", free and resizable in height). Every
// partner of the message database, most recent contact first, with a presence icon, the ID and a
// memo icon; from it the user replies, opens the log or the memo, calls, renames in place, copies,
// opens the partner's pages and deletes a partner with all messages.
#pragma once

#include "framework/win/ImageList.h"
#include "framework/win/ListCtrl.h"
#include "framework/win/ToolTipCtrl.h"
#include "messaging/history/HistoryHost.h"
#include "messaging/history/PartnerStore.h"
#include "messaging/recv/MessageWindowHost.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <map>
#include <vector>

class CUserLogDlg : public CSkinFrameDialog {
public:
    explicit CUserLogDlg(CWnd* parent);
    ~CUserLogDlg() override;

    // Refills the list; the number of rows.
    int RefreshList();
    BOOL ApplySkin();
    // Codes 1-12: odd enables, even disables (log, delete, reply, refresh, telephone, memo).
    void EnableButtonByCode(int code);
    bool IsButtonEnabled(UINT id);
    CListCtrl& GetList() { return m_list; }
    // The row's partner as the list shows it.
    const history::PartnerRow* Row(int row) const;
    // The list's own image list (a copy of the main window's with the memo icon last).
    HIMAGELIST GetImages() const { return m_images.GetSafeHandle(); }
    int GetMemoImage() const { return m_memoImage; }
    // Builds the context menu for the selection as it would be shown (the caller destroys it).
    HMENU BuildMenu();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override {}
    void OnCancel() override {}

    void OnDestroy();
    void OnListClick(NMHDR* header, LRESULT* result);
    void OnListRClick(NMHDR* header, LRESULT* result);
    void OnListDblClk(NMHDR* header, LRESULT* result);
    void OnListKeyDown(NMHDR* header, LRESULT* result);
    void OnEndLabelEdit(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    bool SetupButtons();
    void PrepareList();
    void SetColumnWidths();
    void PlaceWindow();
    int SelectedRow() const;
    history::PartnerSelection Selection(int row) const;
    void ApplySelection(int row);
    void DisableRowButtons();
    CSkinButton* Button(UINT id);
    void Reply();
    void Delete();
    void OpenLog(int row);
    void OpenMemo(int row);
    void Call();
    void Close();

    IHistoryHost& m_host;
    IMessageWindowOpener& m_opener;
    CListCtrl m_list;
    CImageList m_images;
    int m_memoImage = -1;
    CToolTipCtrl m_tip;
    CSkinButton m_delete, m_reply, m_refresh, m_log, m_close, m_phone, m_memo;
    std::vector<history::PartnerRow> m_rows;
    history::PresenceCache m_presence;
    CString m_ownId, m_ownName;
};
