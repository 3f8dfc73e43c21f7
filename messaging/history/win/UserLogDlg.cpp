#include "messaging/history/win/UserLogDlg.h"

#include "framework/win/DataExchange.h"
#include "framework/win/Menu.h"
#include "framework/win/PopupMenuSeam.h"
#include "framework/win/WinApp.h"
#include "messaging/store/MsgStore.h"
#include "resources/StringIds.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "toolkit/win/SkinHost.h"

#include <algorithm>

namespace {
constexpr COLORREF kListColour = 0xC8D0D4;
constexpr int kMemoColumnWidth = 16;

struct ButtonSpec {
    UINT id;
    const char* strip;
    UINT tip; // 0: none
};
constexpr ButtonSpec kButtons[] = {
    {IDC_PARTNER_DELETE, "vyrntalk_log_delete.bmp", IDS_LOG_TIP_DELETE},
    {IDC_PARTNER_REPLY, "vyrntalk_log_reply.bmp", IDS_LOG_TIP_REPLY},
    {IDC_PARTNER_REFRESH, "vyrntalk_log_reload.bmp", IDS_LOG_TIP_RELOAD},
    {IDC_PARTNER_LOG, "vyrntalk_rcv_log.bmp", IDS_PARTNER_TIP_LOG},
    {IDC_PARTNER_PHONE, "main_phone.bmp", IDS_PARTNER_TIP_PHONE},
    {IDC_PARTNER_MEMO, "vyrntalk_log_memo.bmp", IDS_PARTNER_TIP_MEMO},
    {IDC_PARTNER_CLOSE, "vyrntalk_log_cls.bmp", 0},
};

PartnerRef Partner(const history::PartnerRow& row)
{
    PartnerRef partner;
    partner.commId = row.commId;
    partner.commName = row.name;
    return partner;
}
} // namespace

BEGIN_MESSAGE_MAP(CUserLogDlg, CSkinFrameDialog)
    ON_WM_DESTROY()
    ON_NOTIFY(NM_CLICK, IDC_PARTNER_LIST, OnListClick)
    ON_NOTIFY(NM_RCLICK, IDC_PARTNER_LIST, OnListRClick)
    ON_NOTIFY(NM_DBLCLK, IDC_PARTNER_LIST, OnListDblClk)
    ON_NOTIFY(LVN_KEYDOWN, IDC_PARTNER_LIST, OnListKeyDown)
    ON_NOTIFY(LVN_ENDLABELEDITA, IDC_PARTNER_LIST, OnEndLabelEdit)
END_MESSAGE_MAP()

CUserLogDlg::CUserLogDlg(CWnd* parent)
    : CSkinFrameDialog(IDD_USER_LOG, parent), m_host(messaging::HistoryHost()), m_opener(messaging::Opener())
{
    m_style = kModeFree | 0x02;
    m_ownId = m_host.OwnCommId();
    m_ownName = m_host.OwnName();
}

CUserLogDlg::~CUserLogDlg() = default;

void CUserLogDlg::DoDataExchange(CDataExchange* dx)
{
    CSkinFrameDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_PARTNER_LIST, m_list);
    for (const ButtonSpec& spec : kButtons)
        DDX_Control(dx, static_cast<int>(spec.id), *Button(spec.id));
}

CSkinButton* CUserLogDlg::Button(UINT id)
{
    switch (id) {
    case IDC_PARTNER_DELETE: return &m_delete;
    case IDC_PARTNER_REPLY: return &m_reply;
    case IDC_PARTNER_REFRESH: return &m_refresh;
    case IDC_PARTNER_LOG: return &m_log;
    case IDC_PARTNER_PHONE: return &m_phone;
    case IDC_PARTNER_MEMO: return &m_memo;
    default: return &m_close;
    }
}

bool CUserLogDlg::IsButtonEnabled(UINT id) { return !Button(id)->IsDisabled(); }

void CUserLogDlg::PostNcDestroy()
{
    CSkinFrameDialog::PostNcDestroy();
    delete this;
}

bool CUserLogDlg::SetupButtons()
{
    for (const ButtonSpec& spec : kButtons) {
        if (!Button(spec.id)->SetBitmap(spec.strip, 4))
            return false;
        Button(spec.id)->PlaceFromSkin(spec.id);
        RECT rect;
        const int anchor = toolkit::Skins().GetControlRect(spec.id, &rect);
        if (anchor >= 0)
            SetControlAnchor(spec.id, anchor);
    }
    RECT rect;
    const int anchor = toolkit::Skins().GetControlRect(IDC_PARTNER_LIST, &rect);
    if (!::IsRectEmpty(&rect))
        m_list.MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    if (anchor >= 0)
        SetControlAnchor(IDC_PARTNER_LIST, anchor);
    return true;
}

BOOL CUserLogDlg::OnInitDialog()
{
    if (CSkinFrameDialog* leader = Leader())
        leader->AddFloatingWindow(this);
    CSkinFrameDialog::OnInitDialog();
    if (!HasSkin() || !SetupButtons())
        return FALSE;
    if (m_tip.Create(this, TTS_ALWAYSTIP)) {
        for (const ButtonSpec& spec : kButtons)
            if (spec.tip)
                m_tip.AddTool(Button(spec.id), spec.tip);
        m_tip.AddTool(&m_list, IDS_LIST_MENU_TIP);
        m_tip.Activate(TRUE);
    }
    PlaceFromSkin(IDD_USER_LOG);
    PrepareList();
    RefreshList();
    PlaceWindow();
    return TRUE;
}

void CUserLogDlg::PrepareList()
{
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
    SetListCtrlColors(kListColour, IDC_PARTNER_LIST);
    // The list draws from a copy of the main window's pictures: the main window's own list must
    // outlive this window whatever happens to the copy.
    const auto mainImages = reinterpret_cast<HIMAGELIST>(m_host.IconImageList());
    HIMAGELIST copy = mainImages ? ::ImageList_Duplicate(mainImages) : nullptr;
    if (!copy)
        copy = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 4);
    m_images.DeleteImageList();
    m_images.Attach(copy);
    HICON memo = static_cast<HICON>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_PARTNER_MEMO), IMAGE_ICON,
                                                 16, 16, 0));
    m_memoImage = memo ? m_images.Add(memo) : -1;
    if (memo)
        ::DestroyIcon(memo);
    m_list.SetImageList(&m_images, LVSIL_SMALL);
    CString heading;
    heading.LoadString(IDS_PARTNER_COL_NAME);
    m_list.InsertColumn(0, heading, LVCFMT_LEFT, 100);
    heading.LoadString(IDS_PARTNER_COL_ID);
    m_list.InsertColumn(1, heading, LVCFMT_LEFT, 100);
    m_list.InsertColumn(2, "", LVCFMT_LEFT, kMemoColumnWidth);
    SetColumnWidths();
}

void CUserLogDlg::SetColumnWidths()
{
    RECT client;
    m_list.GetClientRect(&client);
    const int half = (client.right - kMemoColumnWidth) / 2;
    m_list.SetColumnWidth(0, half);
    m_list.SetColumnWidth(1, half);
    m_list.SetColumnWidth(2, kMemoColumnWidth);
}

BOOL CUserLogDlg::ApplySkin()
{
    if (!ReloadSkin("general.bmp") || !SetupButtons())
        return FALSE;
    PlaceFromSkin(IDD_USER_LOG);
    SetColumnWidths();
    return TRUE;
}

void CUserLogDlg::PlaceWindow()
{
    int x = -1, y = -1;
    if (CWinApp* app = AfxGetApp()) {
        x = static_cast<int>(app->GetProfileInt("Location", "PmLogUserX", -1));
        y = static_cast<int>(app->GetProfileInt("Location", "PmLogUserY", -1));
    }
    if (x == -1 && y == -1) {
        RECT work, window;
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        ::GetWindowRect(m_hWnd, &window);
        x = (work.right - work.left) / 2 - (window.right - window.left) / 2;
        y = (work.bottom - work.top) / 2 - (window.bottom - window.top) / 2;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CUserLogDlg::OnDestroy()
{
    RECT window;
    if (::GetWindowRect(m_hWnd, &window))
        if (CWinApp* app = AfxGetApp()) {
            app->WriteProfileInt("Location", "PmLogUserX", window.left);
            app->WriteProfileInt("Location", "PmLogUserY", window.top);
        }
    m_presence.Clear();
    CSkinFrameDialog::OnDestroy();
}

int CUserLogDlg::RefreshList()
{
    CMsgStore store;
    const CString dbPath = store.GetDbPath();
    DisableRowButtons();
    m_list.DeleteAllItems();
    m_rows.clear();
    m_ownId = m_host.OwnCommId();
    m_ownName = m_host.OwnName();
    m_presence.Clear();
    ListUser user;
    for (int i = 0; m_host.GetFriend(i, &user); ++i)
        m_presence.Add(user.commId, user.image);
    for (int i = 0; m_host.GetUser(i, &user); ++i)
        m_presence.Add(user.commId, user.image);
    for (const history::PartnerRow& row : history::LoadPartners(dbPath, m_presence)) {
        const int index = m_list.InsertItem(LVIF_TEXT | LVIF_IMAGE, static_cast<int>(m_rows.size()), row.name, 0, 0,
                                            row.presence, 0);
        if (index < 0)
            break;
        m_list.SetItemText(index, 1, row.commId);
        if (row.hasMemo && m_memoImage >= 0) {
            LVITEMA item = {};
            item.mask = LVIF_IMAGE;
            item.iItem = index;
            item.iSubItem = 2;
            item.iImage = m_memoImage;
            m_list.SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
        m_rows.push_back(row);
    }
    SetColumnWidths();
    return static_cast<int>(m_rows.size());
}

const history::PartnerRow* CUserLogDlg::Row(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return nullptr;
    return &m_rows[static_cast<std::size_t>(row)];
}

int CUserLogDlg::SelectedRow() const { return m_list.GetNextItem(-1, LVNI_SELECTED); }

void CUserLogDlg::EnableButtonByCode(int code)
{
    static const UINT ids[] = {IDC_PARTNER_LOG, IDC_PARTNER_DELETE, IDC_PARTNER_REPLY,
                               IDC_PARTNER_REFRESH, IDC_PARTNER_PHONE, IDC_PARTNER_MEMO};
    if (code < 1 || code > 12)
        return;
    Button(ids[(code - 1) / 2])->EnableButton(code % 2 == 1);
}

void CUserLogDlg::DisableRowButtons()
{
    for (UINT id : {IDC_PARTNER_DELETE, IDC_PARTNER_REPLY, IDC_PARTNER_PHONE, IDC_PARTNER_LOG, IDC_PARTNER_MEMO})
        Button(id)->EnableButton(FALSE);
}

history::PartnerSelection CUserLogDlg::Selection(int row) const
{
    history::PartnerSelection s;
    const history::PartnerRow* partner = Row(row);
    s.rowSelected = partner != nullptr;
    s.ownRow = partner && partner->commId.CompareNoCase(m_ownId) == 0;
    s.loggedIn = m_host.IsLoggedIn();
    s.phoneExists = m_opener.PhoneExists();
    s.phoneSessionActive = m_opener.PhoneSessionActive();
    s.presence = partner ? partner->presence : 1;
    return s;
}

void CUserLogDlg::ApplySelection(int row)
{
    for (const auto& state : history::PartnerButtonStates(Selection(row)))
        Button(state.first)->EnableButton(state.second);
}

void CUserLogDlg::OnListClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    ApplySelection(SelectedRow());
}

void CUserLogDlg::OnListKeyDown(NMHDR* header, LRESULT* result)
{
    *result = 0;
    const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
    if (key->wVKey == VK_DELETE) {
        Delete();
        return;
    }
    if (key->wVKey != VK_UP && key->wVKey != VK_DOWN)
        return;
    int current = SelectedRow();
    if (current < 0)
        current = m_list.GetSelectionMark();
    const int next = current + (key->wVKey == VK_UP ? -1 : 1);
    // The arrow moves the selection after this notification: the new row gets the click's rules.
    if (next >= 0 && next < m_list.GetItemCount())
        ApplySelection(next);
}

HMENU CUserLogDlg::BuildMenu()
{
    const int row = SelectedRow();
    if (!Row(row))
        return nullptr;
    CMenu menu;
    if (!menu.LoadMenu(IDR_PARTNER_MENU))
        return nullptr;
    HMENU popup = ::GetSubMenu(menu, 0);
    if (!popup)
        return nullptr;
    ::RemoveMenu(menu.GetSafeHmenu(), 0, MF_BYPOSITION);
    const bool webLogin = m_host.IsLoggedIn() && m_host.HasLogin();
    for (unsigned command : history::PartnerMenuGrayed(Selection(row), webLogin))
        ::EnableMenuItem(popup, command, MF_BYCOMMAND | MF_GRAYED);
    return popup;
}

void CUserLogDlg::OnListRClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    const int row = SelectedRow();
    ApplySelection(row);
    HMENU popup = BuildMenu();
    if (!popup)
        return;
    POINT cursor;
    ::GetCursorPos(&cursor);
    nvwin::TrackPopup(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, m_hWnd);
    ::DestroyMenu(popup);
}

void CUserLogDlg::OnListDblClk(NMHDR*, LRESULT* result)
{
    *result = 0;
    if (m_host.IsLoggedIn() && m_host.HasLogin())
        Reply();
    else
        OpenLog(SelectedRow());
}

void CUserLogDlg::Reply()
{
    const history::PartnerRow* row = Row(SelectedRow());
    if (m_reply.IsDisabled() || !m_host.IsLoggedIn() || m_host.RequestLockHeld() || !row || row->commId.IsEmpty() ||
        row->name.IsEmpty() || row->commId.CompareNoCase(m_ownId) == 0)
        return;
    m_opener.OpenSendWindow(Partner(*row), true);
}

void CUserLogDlg::Delete()
{
    if (m_delete.IsDisabled() || SelectedRow() < 0)
        return;
    if (PresentMessageBoxId(m_hWnd, IDS_PARTNER_DELETE_ALL, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    std::vector<int> gone;
    for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = m_list.GetNextItem(row, LVNI_SELECTED)) {
        const history::PartnerRow* partner = Row(row);
        if (partner && history::DeletePartner(partner->commId))
            gone.push_back(row);
    }
    for (auto it = gone.rbegin(); it != gone.rend(); ++it) {
        m_list.DeleteItem(*it);
        m_rows.erase(m_rows.begin() + *it);
    }
    DisableRowButtons();
    SetColumnWidths();
}

void CUserLogDlg::OpenLog(int index)
{
    const history::PartnerRow* row = Row(index);
    if (row && !row->commId.IsEmpty() && !row->name.IsEmpty())
        m_opener.OpenMessageLog(Partner(*row));
}

void CUserLogDlg::OpenMemo(int index)
{
    const history::PartnerRow* row = Row(index);
    if (row && !row->commId.IsEmpty() && !row->name.IsEmpty())
        m_opener.OpenMemo(Partner(*row));
}

void CUserLogDlg::Call()
{
    const history::PartnerRow* row = Row(SelectedRow());
    if (!row || !m_opener.PhoneExists() || !m_opener.PhoneSessionActive() || row->commId.CompareNoCase(m_ownId) == 0)
        return;
    m_opener.DialCommId(row->commId);
}

void CUserLogDlg::Close()
{
    m_opener.RemoveTrayWindow(reinterpret_cast<std::uintptr_t>(m_hWnd));
    ShowWindow(SW_HIDE);
}

void CUserLogDlg::OnEndLabelEdit(NMHDR* header, LRESULT* result)
{
    *result = FALSE;
    const auto* info = reinterpret_cast<const NMLVDISPINFOA*>(header);
    history::PartnerRow* row = const_cast<history::PartnerRow*>(Row(info->item.iItem));
    if (!row || !info->item.pszText)
        return;
    const CString name(info->item.pszText);
    if (history::RenamePartner(row->commId, row->name, name)) {
        row->name = name;
        *result = TRUE;
    }
}

BOOL CUserLogDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    const bool fromButton = lParam != 0;
    if (fromButton && HIWORD(wParam) != BN_CLICKED)
        return CSkinFrameDialog::OnCommand(wParam, lParam);
    if (fromButton && id != IDC_PARTNER_CLOSE && id != IDC_PARTNER_REFRESH && Button(id)->IsDisabled())
        return TRUE;
    const int row = SelectedRow();
    const history::PartnerRow* partner = Row(row);
    switch (id) {
    case IDC_PARTNER_DELETE: Delete(); return TRUE;
    case IDC_PARTNER_REPLY: Reply(); return TRUE;
    case IDC_PARTNER_REFRESH: RefreshList(); return TRUE;
    case IDC_PARTNER_LOG: OpenLog(row); return TRUE;
    case IDC_PARTNER_PHONE: Call(); return TRUE;
    case IDC_PARTNER_MEMO: OpenMemo(row); return TRUE;
    case IDC_PARTNER_CLOSE: Close(); return TRUE;
    default: break;
    }
    if (fromButton)
        return CSkinFrameDialog::OnCommand(wParam, lParam);
    switch (id) {
    case history::kPartnerMenuReply: Reply(); return TRUE;
    case history::kPartnerMenuDelete: Delete(); return TRUE;
    case history::kPartnerMenuRename:
        if (partner)
            m_list.SendMessage(LVM_EDITLABELA, static_cast<WPARAM>(row));
        return TRUE;
    case history::kPartnerMenuRefresh: RefreshList(); return TRUE;
    case history::kPartnerMenuCopyId:
        if (partner)
            m_host.CopyToClipboard(partner->commId);
        return TRUE;
    case history::kPartnerMenuCopyName:
        if (partner)
            m_host.CopyToClipboard(partner->name);
        return TRUE;
    case history::kPartnerMenuMemo: OpenMemo(row); return TRUE;
    case history::kPartnerMenuCall: Call(); return TRUE;
    case history::kPartnerMenuLog: OpenLog(row); return TRUE;
    case history::kPartnerMenuRoom:
        if (partner)
            m_opener.OpenUserRoom(partner->commId);
        return TRUE;
    case history::kPartnerMenuPage:
        if (partner && !m_host.RequestLockHeld() && m_opener.BrowserExists())
            m_opener.OpenProfilePage(partner->commId);
        return TRUE;
    default: return CSkinFrameDialog::OnCommand(wParam, lParam);
    }
}

BOOL CUserLogDlg::PreTranslateMessage(MSG* msg)
{
    if (m_tip.GetSafeHwnd())
        m_tip.RelayEvent(msg);
    return CSkinFrameDialog::PreTranslateMessage(msg);
}
