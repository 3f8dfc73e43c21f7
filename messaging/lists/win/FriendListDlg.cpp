#include "messaging/lists/win/FriendListDlg.h"

#include "framework/win/DataExchange.h"
#include "framework/win/Menu.h"
#include "framework/win/PopupMenuSeam.h"
#include "resources/StringIds.h"

namespace {
constexpr COLORREF kListColour = RGB(192, 192, 192);
constexpr int kCopyPopupPosition = 2; // after refresh and its separator
}

BEGIN_MESSAGE_MAP(CFriendListDlg, CSkinFrameDialog)
    ON_NOTIFY(NM_RCLICK, IDC_FRIEND_LIST, OnListRClick)
    ON_NOTIFY(NM_DBLCLK, IDC_FRIEND_LIST, OnListDblClk)
    ON_NOTIFY(NM_SETFOCUS, IDC_FRIEND_LIST, OnListSetFocus)
    ON_COMMAND(ID_FRIEND_SEND, OnSend)
    ON_COMMAND(ID_FRIEND_REFRESH, OnRefresh)
    ON_COMMAND(ID_FRIEND_COPY_ID, OnCopyId)
    ON_COMMAND(ID_FRIEND_COPY_NAME, OnCopyName)
    ON_COMMAND(ID_FRIEND_MEMO, OnMemo)
    ON_COMMAND(ID_FRIEND_CALL, OnCall)
    ON_COMMAND(ID_FRIEND_HISTORY, OnHistory)
    ON_COMMAND(ID_FRIEND_ROOM, OnRoom)
    ON_COMMAND(ID_FRIEND_DELETE_PAGE, OnDeletePage)
END_MESSAGE_MAP()

CFriendListDlg::CFriendListDlg(CWnd* parent) : CSkinFrameDialog(IDD_FRIEND_LIST, parent)
{
    m_style = 0; // no resizing; its family place is the main window's list group
}

CFriendListDlg::~CFriendListDlg() = default;

void CFriendListDlg::DoDataExchange(CDataExchange* dx)
{
    CSkinFrameDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_FRIEND_LIST, m_list);
}

void CFriendListDlg::PostNcDestroy()
{
    CSkinFrameDialog::PostNcDestroy();
    delete this;
}

BOOL CFriendListDlg::OnInitDialog()
{
    if (CSkinFrameDialog* leader = Leader())
        leader->AddListWindow(this);
    CSkinFrameDialog::OnInitDialog();
    if (!HasSkin() || !PrepareList())
        return FALSE;
    PlaceFromSkin(IDD_FRIEND_LIST);
    if (m_tip.Create(this)) {
        m_tip.AddTool(&m_list, IDS_LIST_MENU_TIP);
        m_tip.Activate(TRUE);
    }
    return TRUE;
}

BOOL CFriendListDlg::PrepareList()
{
    if (!m_list.GetSafeHwnd())
        return FALSE;
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_FLATSB);
    SetListCtrlColors(kListColour, IDC_FRIEND_LIST);
    m_list.PlaceFromSkin(IDC_FRIEND_LIST);
    RECT client;
    m_list.GetClientRect(&client);
    if (m_list.GetColumnWidth(0) == 0 && m_list.InsertColumn(0, "", LVCFMT_LEFT, client.right) < 0)
        return FALSE;
    m_list.SetColumnWidth(0, client.right);
    return TRUE;
}

BOOL CFriendListDlg::ApplySkin()
{
    if (!ReloadSkin("friend.bmp") || !PrepareList())
        return FALSE;
    PlaceFromSkin(IDD_FRIEND_LIST);
    return TRUE;
}

int CFriendListDlg::GetSelectedRow() const { return m_list.GetNextItem(-1, LVNI_SELECTED); }

CFriendCommands CFriendListDlg::Commands()
{
    return CFriendCommands(messaging::FriendHost(), messaging::Opener(),
                           reinterpret_cast<std::uintptr_t>(m_list.GetSafeHwnd()));
}

BOOL CFriendListDlg::PreTranslateMessage(MSG* msg)
{
    if (m_tip.GetSafeHwnd() && msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST) {
        POINT cursor;
        ::GetCursorPos(&cursor);
        RECT list;
        ::GetWindowRect(m_list.GetSafeHwnd(), &list);
        if (::PtInRect(&list, cursor) && m_list.GetHoverItem() != m_tipItem) {
            m_tipItem = m_list.GetHoverItem();
            CString text;
            if (m_tipItem >= 0 && m_list.GetStatusText(m_tipItem, text)) {
                m_tip.Activate(TRUE);
                m_tip.UpdateTipText(text, &m_list);
            } else {
                m_tip.Activate(FALSE);
            }
        }
        m_tip.RelayEvent(msg);
    }
    return CSkinFrameDialog::PreTranslateMessage(msg);
}

void CFriendListDlg::OnListRClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    const int row = GetSelectedRow();
    const FriendMenuState state = Commands().MenuState(row);
    if (!state.show)
        return;
    CMenu menu;
    if (!menu.LoadMenu(IDR_FRIEND_MENU))
        return;
    const HMENU popup = ::GetSubMenu(menu, 0);
    ::DeleteMenu(popup, ID_FRIEND_MY_STATUS, MF_BYCOMMAND);
    if (state.sendLabel) {
        CString label;
        label.LoadString(state.sendLabel);
        ::ModifyMenuA(popup, ID_FRIEND_SEND, MF_BYCOMMAND | MF_STRING, ID_FRIEND_SEND, label);
    }
    CString deletePage;
    deletePage.LoadString(IDS_FRIEND_DELETE_PAGE);
    ::ModifyMenuA(popup, ID_FRIEND_DELETE_PAGE, MF_BYCOMMAND | MF_STRING, ID_FRIEND_DELETE_PAGE, deletePage);
    for (const auto& item : state.grayed)
        ::EnableMenuItem(popup, item.first, MF_BYCOMMAND | (item.second ? MF_GRAYED : MF_ENABLED));
    ::EnableMenuItem(popup, kCopyPopupPosition, MF_BYPOSITION | (state.copyPopupGrayed ? MF_GRAYED : MF_ENABLED));
    POINT cursor;
    ::GetCursorPos(&cursor);
    nvwin::TrackPopup(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, m_hWnd);
}

void CFriendListDlg::OnListDblClk(NMHDR*, LRESULT* result)
{
    *result = 0;
    Commands().Send(GetSelectedRow());
}

void CFriendListDlg::OnListSetFocus(NMHDR*, LRESULT* result)
{
    *result = 0;
    Commands().OnListFocus();
}

void CFriendListDlg::OnSend() { Commands().Send(GetSelectedRow()); }
void CFriendListDlg::OnRefresh() { Commands().Refresh(); }
void CFriendListDlg::OnCopyId() { Commands().CopyId(GetSelectedRow()); }
void CFriendListDlg::OnCopyName() { Commands().CopyName(GetSelectedRow()); }
void CFriendListDlg::OnMemo() { Commands().Memo(GetSelectedRow()); }
void CFriendListDlg::OnCall() { Commands().Call(GetSelectedRow()); }
void CFriendListDlg::OnHistory() { Commands().History(GetSelectedRow()); }
void CFriendListDlg::OnRoom() { Commands().Room(GetSelectedRow()); }
void CFriendListDlg::OnDeletePage() { Commands().DeletePage(); }
