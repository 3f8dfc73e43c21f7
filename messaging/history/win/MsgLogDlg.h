// CMsgLogDlg: the message history window (template 746, "vyrntalk_log.bmp"): the stored messages
// with one partner, or all of them for the own ID, newest first, in an owner-data list read a page
// at a time; the selected message's text with its addresses underlined; delete, reply, reload,
// play, the partner's pages and a call from the list's menu.
#pragma once

#include "framework/win/Controls.h"
#include "framework/win/ImageList.h"
#include "framework/win/ListCtrl.h"
#include "framework/win/ToolTipCtrl.h"
#include "messaging/history/HistoryHost.h"
#include "messaging/history/HistoryRules.h"
#include "messaging/history/LogHistory.h"
#include "messaging/recv/MessageWindowHost.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <functional>
#include <vector>

// The save dialog for an attachment: suggested file name in, chosen path out; false when the user
// cancelled. Tests register their own; an empty one gives back the system's dialog.
using AttachmentSaveChooser = std::function<bool(HWND owner, const CString& suggested, CString* chosen)>;
void SetAttachmentSaveChooser(AttachmentSaveChooser chooser);

// Posted to itself while pages of the history are left to read.
constexpr UINT kLogReadPage = WM_APP + 0x146;

class CMsgLogDlg : public CSkinFrameDialog {
public:
    explicit CMsgLogDlg(CWnd* owner);
    ~CMsgLogDlg() override;

    void SetPartner(const CString& commId, const CString& name);
    // Creates the window (hidden until its first rows show); FALSE when it can't be made.
    BOOL Create();
    BOOL ApplySkin();
    void EnableButtons(int state);
    bool IsButtonEnabled(UINT id);
    // Fills the list anew for the partner; the number of rows read so far.
    int FillList();
    // Shows the message of the row when it is the current row; false when it can't be read.
    bool ShowMessage(int row);

    CListCtrl& GetList() { return m_list; }
    CRichEditCtrl& GetView() { return m_view; }
    const history::CLogHistory& GetHistory() const { return m_history; }
    const history::ShownMessage& GetShown() const { return m_shown; }
    // Rows per page: the first page, then the later ones (tests make them small).
    void SetPageSizes(int first, int later)
    {
        m_firstPage = first;
        m_laterPage = later;
    }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override {}
    void OnCancel() override {}

    void OnDestroy();
    LRESULT OnReadPage(WPARAM, LPARAM);
    void OnGetDispInfo(NMHDR* header, LRESULT* result);
    void OnListClick(NMHDR* header, LRESULT* result);
    void OnListRClick(NMHDR* header, LRESULT* result);
    void OnListDblClk(NMHDR* header, LRESULT* result);
    void OnListKeyDown(NMHDR* header, LRESULT* result);
    void OnViewNotify(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    bool Layout(bool initial);
    void SetTimeColumnWidth();
    void SetRowCount();
    void CenterInWorkArea();
    int SelectedRow() const;
    void Select(int row);
    void ClearView();
    CSkinButton* Button(UINT id);
    bool ReplyPossible() const;
    void Unregister();
    void CloseEmpty();
    void Delete();
    void Reply();
    void Reload();
    void Play();
    // The attachment package of the selected row: its path, first entry and header format; -1
    // after an error (shown), else the format.
    int ListPackage(CString* package, CString* first);
    void ShowPackageError(int code, bool extracting, const CString& target);
    void ShowAttachmentMenu();
    void SaveAttachment();
    void OpenPackageEntry();

    IHistoryHost& m_host;
    IMessageWindowOpener& m_opener;
    CToolTipCtrl m_tip;
    CSkinButton m_close, m_play, m_delete, m_reply, m_reload, m_save;
    CRichEditCtrl m_view;
    CListCtrl m_list;
    CImageList m_images;
    CString m_partnerId, m_partnerName, m_ownId, m_ownName;
    history::ShownMessage m_shown;
    CString m_shownName;
    history::CLogHistory m_history;
    int m_currentRow = -1;
    int m_firstPage = 100;
    int m_laterPage = 1000;
    bool m_readPosted = false;
    bool m_doubleClickSeen = false;
    CString m_shownText;
    std::vector<CString> m_tempFiles;
};
