#include "messaging/history/win/UserListDlg.h"

#include "framework/win/DataExchange.h"
#include "framework/win/Menu.h"
#include "framework/win/PopupMenuSeam.h"
#include "messaging/history/win/UserStatDlg.h"
#include "resources/StringIds.h"
#include "toolkit/win/OwnerDrawMenu.h"

#include <vector>

namespace {
constexpr COLORREF kListColour = RGB(192, 192, 192);
constexpr int kCopyPopupPosition = 2;
constexpr int kMoodMenuItemCount = 9;
constexpr COLORREF kMoodMenuSideColour = 0x32FFFF;
} // namespace

class CUserListDlg::CMoodMenu {
public:
    COwnerDrawMenu menu;
    std::vector<OwnerDrawMenuItem> items = std::vector<OwnerDrawMenuItem>(16);
    ~CMoodMenu()
    {
        for (OwnerDrawMenuItem& item : items)
            if (item.icon)
                ::DestroyIcon(item.icon);
    }
};

BEGIN_MESSAGE_MAP(CUserListDlg, CSkinFrameDialog)
    ON_NOTIFY(NM_RCLICK, IDC_USER_LIST, OnListRClick)
    ON_NOTIFY(NM_DBLCLK, IDC_USER_LIST, OnListDblClk)
    ON_NOTIFY(NM_SETFOCUS, IDC_USER_LIST, OnListSetFocus)
END_MESSAGE_MAP()

CUserListDlg::CUserListDlg(CWnd* parent) : CSkinFrameDialog(IDD_USER_LIST, parent)
{
    m_style = kModeDrawer;
}

CUserListDlg::~CUserListDlg() { FreeMoodItems(); }

void CUserListDlg::FreeMoodItems()
{
    delete m_moods;
    m_moods = nullptr;
}

void CUserListDlg::DoDataExchange(CDataExchange* dx)
{
    CSkinFrameDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_USER_LIST, m_list);
}

void CUserListDlg::PostNcDestroy()
{
    CSkinFrameDialog::PostNcDestroy();
    delete this;
}

BOOL CUserListDlg::OnInitDialog()
{
    if (CSkinFrameDialog* leader = Leader())
        leader->AddListWindow(this);
    CSkinFrameDialog::OnInitDialog();
    if (!HasSkin() || !PrepareList())
        return FALSE;
    PlaceFromSkin(IDD_USER_LIST);
    CWnd* mainWindow = CWnd::FromHandlePermanent(reinterpret_cast<HWND>(messaging::HistoryHost().MainWindow()));
    if (m_tip.Create(mainWindow ? mainWindow : this)) {
        m_tip.AddTool(&m_list, IDS_LIST_MENU_TIP);
        m_tip.Activate(TRUE);
    }
    return TRUE;
}

BOOL CUserListDlg::PrepareList()
{
    if (!m_list.GetSafeHwnd())
        return FALSE;
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
    SetListCtrlColors(kListColour, IDC_USER_LIST);
    m_list.PlaceFromSkin(IDC_USER_LIST);
    RECT client;
    m_list.GetClientRect(&client);
    if (m_list.GetColumnWidth(0) == 0 && m_list.InsertColumn(0, "", LVCFMT_LEFT, client.right) < 0)
        return FALSE;
    m_list.SetColumnWidth(0, client.right);
    return TRUE;
}

BOOL CUserListDlg::ApplySkin()
{
    if (!ReloadSkin("user.bmp") || !PrepareList())
        return FALSE;
    PlaceFromSkin(IDD_USER_LIST);
    return TRUE;
}

int CUserListDlg::GetSelectedRow() const { return m_list.GetNextItem(-1, LVNI_SELECTED); }

CUserListCommands CUserListDlg::Commands()
{
    return CUserListCommands(messaging::HistoryHost(), messaging::Opener(),
                             reinterpret_cast<std::uintptr_t>(m_list.GetSafeHwnd()));
}

void CUserListDlg::SetMyStatus(std::uint32_t status) { Commands().SetMyStatus(status); }

BOOL CUserListDlg::PreTranslateMessage(MSG* msg)
{
    if (m_tip.GetSafeHwnd() && msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST) {
        if (msg->message == WM_MOUSEMOVE && msg->hwnd == m_list.GetSafeHwnd() && m_list.GetHoverItem() != m_tipItem) {
            m_tipItem = m_list.GetHoverItem();
            CString text;
            if (m_tipItem >= 0 && m_list.GetStatusText(m_tipItem, text) && !text.IsEmpty()) {
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

HMENU CUserListDlg::BuildMenu()
{
    FreeMoodItems();
    const int row = GetSelectedRow();
    const history::UserMenuState state = Commands().MenuState(row);
    CMenu menu;
    if (!menu.LoadMenu(IDR_FRIEND_MENU))
        return nullptr;
    HMENU popup = ::GetSubMenu(menu, 0);
    if (!popup)
        return nullptr;
    if (state.historyLabel) {
        CString label;
        label.LoadString(IDS_USER_ALL_HISTORY);
        ::ModifyMenuA(popup, history::kUserHistory, MF_BYCOMMAND | MF_STRING, history::kUserHistory, label);
    }
    if (state.moodSubmenu) {
        m_moods = new CMoodMenu;
        if (m_moods->menu.CreatePopupMenu()) {
            m_moods->menu.SetItemCount(kMoodMenuItemCount);
            m_moods->menu.SetSideColor(kMoodMenuSideColour);
            const int current = history::MoodOfStatus(messaging::HistoryHost().GetStatusWord());
            for (int i = 0; i < history::kMoodCount; ++i) {
                const history::Mood& mood = history::MoodAt(i);
                OwnerDrawMenuItem& item = m_moods->items[static_cast<std::size_t>(i)];
                item.icon = static_cast<HICON>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(mood.icon),
                                                            IMAGE_ICON, 16, 16, 0));
                item.text.LoadString(mood.menuText);
                item.checked = i == current;
                m_moods->menu.InsertItem(mood.command, &item, static_cast<UINT>(-1));
            }
            char text[128] = {};
            ::GetMenuStringA(popup, history::kUserMyStatus, text, sizeof text, MF_BYCOMMAND);
            ::ModifyMenuA(popup, history::kUserMyStatus, MF_BYCOMMAND | MF_POPUP | MF_STRING,
                          reinterpret_cast<UINT_PTR>(m_moods->menu.GetSafeHmenu()), text);
        }
    }
    for (const auto& item : state.grayed) {
        if (item.first == history::kUserMyStatus && state.moodSubmenu)
            continue;
        ::EnableMenuItem(popup, item.first, MF_BYCOMMAND | (item.second ? MF_GRAYED : MF_ENABLED));
    }
    ::EnableMenuItem(popup, kCopyPopupPosition, MF_BYPOSITION | (state.copyPopupGrayed ? MF_GRAYED : MF_ENABLED));
    // The popup outlives the menu bar it came from.
    ::RemoveMenu(menu.GetSafeHmenu(), 0, MF_BYPOSITION);
    return popup;
}

void CUserListDlg::OnListRClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    HMENU popup = BuildMenu();
    if (!popup)
        return;
    POINT cursor;
    ::GetCursorPos(&cursor);
    nvwin::TrackPopup(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, m_hWnd);
    // The mood popup belongs to m_moods: take it out before the menu goes.
    if (m_moods) {
        const int count = ::GetMenuItemCount(popup);
        for (int i = 0; i < count; ++i)
            if (::GetSubMenu(popup, i) == m_moods->menu.GetSafeHmenu()) {
                ::RemoveMenu(popup, static_cast<UINT>(i), MF_BYPOSITION);
                break;
            }
    }
    ::DestroyMenu(popup);
    FreeMoodItems();
}

void CUserListDlg::OnListDblClk(NMHDR*, LRESULT* result)
{
    *result = 0;
    const int row = GetSelectedRow();
    if (row == 0)
        OpenMoodWindow();
    else
        Commands().Send(row);
}

void CUserListDlg::OpenMoodWindow()
{
    IHistoryHost& host = messaging::HistoryHost();
    host.SetModalState(true);
    INT_PTR answer = IDCANCEL;
    {
        CUserStatDlg mood(this, host);
        answer = mood.DoModal();
    }
    host.SetModalState(false);
    if (answer == IDOK) {
        host.SendPresence();
        host.UpdateOwnStatus();
    }
}

void CUserListDlg::OnListSetFocus(NMHDR*, LRESULT* result)
{
    *result = 0;
    Commands().OnListFocus();
}

BOOL CUserListDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    if (lParam == 0) { // menus
        const int mood = history::MoodOfCommand(id);
        if (mood >= 0) {
            SetMyStatus(history::MoodStatus(mood));
            return TRUE;
        }
        const int row = GetSelectedRow();
        CUserListCommands commands = Commands();
        switch (id) {
        case history::kUserSend: commands.Send(row); return TRUE;
        case history::kUserRefresh: commands.Refresh(); return TRUE;
        case history::kUserCopyId: commands.CopyId(row); return TRUE;
        case history::kUserCopyName: commands.CopyName(row); return TRUE;
        case history::kUserMemo: commands.Memo(row); return TRUE;
        case history::kUserCall: commands.Call(row); return TRUE;
        case history::kUserHistory: commands.History(row); return TRUE;
        case history::kUserRoom: commands.Room(row); return TRUE;
        case history::kUserPage: commands.Page(row); return TRUE;
        default: break;
        }
    }
    return CSkinFrameDialog::OnCommand(wParam, lParam);
}
