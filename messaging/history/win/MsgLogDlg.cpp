#include "messaging/history/win/MsgLogDlg.h"

#include "framework/win/DataExchange.h"
#include "framework/win/Menu.h"
#include "framework/win/PopupMenuSeam.h"
#include "framework/win/WinApp.h"
#include "framework/win/FileDialog.h"
#include "messaging/recv/RecvRules.h"
#include "messaging/recv/win/RecvBodyView.h"
#include "messaging/wire/AttachPack.h"
#include "messaging/store/MsgStore.h"
#include "resources/StringIds.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "toolkit/win/SkinHost.h"

#include <richedit.h>

#include <ctime>

namespace {
constexpr COLORREF kListColour = 0xC8D0D4;
constexpr int kSenderWidth = 124;
constexpr int kTimeMargin = 140;
constexpr int kAttachWidth = 16;
constexpr int kMenuAttachmentPosition = 5;

struct ButtonSpec {
    UINT id;
    const char* strip;
    UINT tip; // 0: none
};
constexpr ButtonSpec kButtons[] = {
    {IDC_LOG_CLOSE, "vyrntalk_log_cls.bmp", 0},
    {IDC_LOG_PLAY, "vyrntalk_log_play.bmp", IDS_LOG_TIP_PLAY},
    {IDC_LOG_DELETE, "vyrntalk_log_delete.bmp", IDS_LOG_TIP_DELETE},
    {IDC_LOG_REPLY, "vyrntalk_log_reply.bmp", IDS_LOG_TIP_REPLY},
    {IDC_LOG_RELOAD, "vyrntalk_log_reload.bmp", IDS_LOG_TIP_RELOAD},
    {IDC_LOG_SAVE, "vyrntalk_log_save.bmp", IDS_LOG_TIP_ATTACH},
};
constexpr UINT kIcons[] = {IDI_LOG_SENT, IDI_LOG_RECEIVED, IDI_LOG_SOUND, IDI_LOG_PACKAGE, IDI_LOG_OTHER};

CString FormatDate(const msgstore::CStoreTime& date)
{
    CString format;
    format.LoadString(IDS_LOG_TIME_FORMAT);
    std::tm parts = {};
    parts.tm_year = date.year - 1900;
    parts.tm_mon = date.month - 1;
    parts.tm_mday = date.day;
    parts.tm_hour = date.hour;
    parts.tm_min = date.minute;
    parts.tm_sec = date.second;
    char text[128] = {};
    std::strftime(text, sizeof text, format, &parts);
    return CString(text);
}
AttachmentSaveChooser g_saveChooser;

bool ChooseWithDialog(HWND owner, const CString& suggested, CString* chosen)
{
    CString filter;
    filter.LoadString(IDS_LOG_ALL_FILES);
    CFileDialog dialog(FALSE, nullptr, suggested, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, filter,
                       CWnd::FromHandlePermanent(owner));
    if (dialog.DoModal() != IDOK)
        return false;
    *chosen = dialog.GetPathName();
    return true;
}

CString Formatted(UINT id, const CString& argument)
{
    CString format;
    format.LoadString(id);
    CString text;
    text.Format(format, argument.GetString());
    return text;
}
} // namespace

void SetAttachmentSaveChooser(AttachmentSaveChooser chooser) { g_saveChooser = std::move(chooser); }

BEGIN_MESSAGE_MAP(CMsgLogDlg, CSkinFrameDialog)
    ON_WM_DESTROY()
    ON_MESSAGE(kLogReadPage, OnReadPage)
    ON_NOTIFY(LVN_GETDISPINFOA, IDC_LOG_LIST, OnGetDispInfo)
    ON_NOTIFY(NM_CLICK, IDC_LOG_LIST, OnListClick)
    ON_NOTIFY(NM_RCLICK, IDC_LOG_LIST, OnListRClick)
    ON_NOTIFY(NM_DBLCLK, IDC_LOG_LIST, OnListDblClk)
    ON_NOTIFY(LVN_KEYDOWN, IDC_LOG_LIST, OnListKeyDown)
    ON_NOTIFY(EN_MSGFILTER, IDC_LOG_VIEW, OnViewNotify)
END_MESSAGE_MAP()

CMsgLogDlg::CMsgLogDlg(CWnd* owner)
    : CSkinFrameDialog(IDD_MSG_LOG, owner), m_host(messaging::HistoryHost()), m_opener(messaging::Opener())
{
    m_style = kModeFree;
    LoadSkin("vyrntalk_log.bmp", FALSE);
    m_ownId = m_host.OwnCommId();
    m_ownName = m_host.OwnName();
}

CMsgLogDlg::~CMsgLogDlg() = default;

void CMsgLogDlg::SetPartner(const CString& commId, const CString& name)
{
    m_partnerId = commId;
    m_partnerName = name;
}

BOOL CMsgLogDlg::Create() { return CDialog::Create(IDD_MSG_LOG, GetParentWnd()); }

void CMsgLogDlg::DoDataExchange(CDataExchange* dx)
{
    CSkinFrameDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_LOG_LIST, m_list);
    for (const ButtonSpec& spec : kButtons)
        DDX_Control(dx, static_cast<int>(spec.id), *Button(spec.id));
}

CSkinButton* CMsgLogDlg::Button(UINT id)
{
    switch (id) {
    case IDC_LOG_CLOSE: return &m_close;
    case IDC_LOG_PLAY: return &m_play;
    case IDC_LOG_DELETE: return &m_delete;
    case IDC_LOG_REPLY: return &m_reply;
    case IDC_LOG_RELOAD: return &m_reload;
    default: return &m_save;
    }
}

bool CMsgLogDlg::IsButtonEnabled(UINT id) { return !Button(id)->IsDisabled(); }

void CMsgLogDlg::PostNcDestroy()
{
    CSkinFrameDialog::PostNcDestroy();
    delete this;
}

BOOL CMsgLogDlg::OnInitDialog()
{
    if (CSkinFrameDialog* leader = Leader())
        leader->AddFloatingWindow(this);
    m_opener.AddTrayWindow(reinterpret_cast<std::uintptr_t>(m_hWnd));
    m_host.AddLogWindow(reinterpret_cast<std::uintptr_t>(m_hWnd));
    CSkinFrameDialog::OnInitDialog();
    if (!HasSkin() || !Layout(true)) {
        Unregister();
        CloseLater();
        return FALSE;
    }
    if (m_tip.Create(this, TTS_ALWAYSTIP)) {
        for (const ButtonSpec& spec : kButtons)
            if (spec.tip)
                m_tip.AddTool(Button(spec.id), spec.tip);
        m_tip.AddTool(&m_list, IDS_LIST_MENU_TIP);
        m_tip.Activate(TRUE);
    }
    if (FillList() > 0) {
        CenterInWorkArea();
        Select(0);
        if (ShowMessage(0)) {
            for (int state : history::LogSelectionStates(m_shown.attachType, m_host.IsLoggedIn()))
                EnableButtons(state);
        }
        ShowWindow(SW_SHOWNOACTIVATE);
    } else {
        CloseEmpty();
    }
    return TRUE;
}

bool CMsgLogDlg::Layout(bool initial)
{
    for (const ButtonSpec& spec : kButtons) {
        if (!Button(spec.id)->SetBitmap(spec.strip, 4))
            return false;
        Button(spec.id)->PlaceFromSkin(spec.id);
    }
    if (initial) {
        RECT none = {0, 0, 0, 0};
        if (!m_view.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, none, this,
                           IDC_LOG_VIEW))
            return false;
    }
    RECT rect;
    for (UINT id : {IDC_LOG_VIEW, IDC_LOG_LIST, IDC_LOG_CAPTION}) {
        toolkit::Skins().GetControlRect(id, &rect);
        if (!::IsRectEmpty(&rect))
            if (HWND control = ::GetDlgItem(m_hWnd, static_cast<int>(id)))
                ::MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
    if (!initial) {
        SetTimeColumnWidth();
        return true;
    }
    CString caption = m_partnerId.CompareNoCase(m_ownId) == 0 ? m_ownName : m_partnerName;
    CString suffix;
    suffix.LoadString(IDS_LOG_CAPTION_SUFFIX);
    ::SetDlgItemTextA(m_hWnd, IDC_LOG_CAPTION, caption + suffix);
    m_view.SetEventMask(ENM_MOUSEEVENTS);
    m_images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 5, 1);
    for (UINT id : kIcons) {
        HICON icon = static_cast<HICON>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
        if (!icon) // keeps the places of the pictures after it
            icon = static_cast<HICON>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_LOG_RECEIVED),
                                                   IMAGE_ICON, 16, 16, 0));
        m_images.Add(icon);
        if (icon)
            ::DestroyIcon(icon);
    }
    m_list.SetImageList(&m_images, LVSIL_SMALL);
    CString heading;
    heading.LoadString(IDS_LOG_COL_SENDER);
    m_list.InsertColumn(0, heading, LVCFMT_LEFT, kSenderWidth);
    heading.LoadString(IDS_LOG_COL_TIME);
    m_list.InsertColumn(1, heading, LVCFMT_LEFT, 100);
    heading.LoadString(IDS_LOG_COL_ATTACH);
    m_list.InsertColumn(2, heading, LVCFMT_RIGHT, kAttachWidth);
    SetTimeColumnWidth();
    for (int state : {4, 2, 6, 12})
        EnableButtons(state);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES | LVS_EX_FLATSB);
    SetListCtrlColors(kListColour, IDC_LOG_LIST);
    return true;
}

BOOL CMsgLogDlg::ApplySkin()
{
    if (!ReloadSkin("vyrntalk_log.bmp") || !Layout(false))
        return FALSE;
    ::BringWindowToTop(m_hWnd);
    return TRUE;
}

void CMsgLogDlg::SetTimeColumnWidth()
{
    RECT client;
    m_list.GetClientRect(&client);
    m_list.SetColumnWidth(1, client.right - kTimeMargin);
}

void CMsgLogDlg::CenterInWorkArea()
{
    RECT work, window;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(m_hWnd, &window);
    int x = (work.right - work.left) / 2 - (window.right - window.left) / 2;
    int y = (work.bottom - work.top) / 2 - (window.bottom - window.top) / 2;
    if (work.left < 0)
        x = 0;
    if (work.top < 0)
        y = 0;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMsgLogDlg::EnableButtons(int state)
{
    for (const auto& effect : history::LogButtonEffects(state, m_shown, ReplyPossible()))
        Button(effect.first)->EnableButton(effect.second);
}

bool CMsgLogDlg::ReplyPossible() const { return history::CanReplyTo(m_shown, m_host.IsLoggedIn(), m_ownId); }

void CMsgLogDlg::SetRowCount()
{
    m_list.SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(m_history.Count()), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    m_list.Invalidate(FALSE);
}

int CMsgLogDlg::FillList()
{
    m_list.SendMessage(LVM_SETITEMCOUNT, 0, 0);
    ClearView();
    m_ownId = m_host.OwnCommId();
    m_ownName = m_host.OwnName();
    m_currentRow = -1;
    CMsgStore store;
    m_history.Start(store.GetDbPath(), m_partnerId, m_ownId, m_ownName);
    m_history.ReadPage(m_firstPage);
    SetRowCount();
    SetTimeColumnWidth();
    // The rest comes a page at a time, each page a message of its own, so the window answers
    // in between.
    if (!m_history.Done() && !m_readPosted)
        m_readPosted = PostMessage(kLogReadPage, 0, 0) != FALSE;
    return m_history.Count();
}

LRESULT CMsgLogDlg::OnReadPage(WPARAM, LPARAM)
{
    m_readPosted = false;
    if (m_history.Done())
        return 0;
    m_history.ReadPage(m_laterPage);
    SetRowCount();
    if (!m_history.Done())
        m_readPosted = PostMessage(kLogReadPage, 0, 0) != FALSE;
    return 0;
}

void CMsgLogDlg::OnGetDispInfo(NMHDR* header, LRESULT* result)
{
    *result = 0;
    auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
    const history::LogRow* row = m_history.Row(info->item.iItem);
    if (!row)
        return;
    LVITEMA& item = info->item;
    if (item.mask & LVIF_TEXT) {
        CString text;
        if (item.iSubItem == 0)
            text = row->sender;
        else if (item.iSubItem == 1)
            text = FormatDate(row->date);
        if (item.pszText && item.cchTextMax > 0)
            ::lstrcpynA(item.pszText, text, item.cchTextMax);
    }
    if (item.mask & LVIF_IMAGE) {
        if (item.iSubItem == 0)
            item.iImage = history::LogRowImage(row->received);
        else if (item.iSubItem == 2)
            item.iImage = history::LogAttachmentImage(row->attachType);
        else
            item.iImage = -1;
    }
}

int CMsgLogDlg::SelectedRow() const { return m_list.GetNextItem(-1, LVNI_SELECTED); }

void CMsgLogDlg::Select(int row)
{
    m_currentRow = row;
    m_list.SetItemState(-1, 0, LVIS_SELECTED);
    if (row >= 0) {
        m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_list.SendMessage(LVM_SETSELECTIONMARK, 0, row);
    }
}

void CMsgLogDlg::ClearView()
{
    m_view.SetReadOnly(FALSE);
    ::SetWindowTextA(m_view.m_hWnd, "");
    m_view.SetReadOnly(TRUE);
    m_shownText.Empty();
}

bool CMsgLogDlg::ShowMessage(int row)
{
    for (int state : {4, 6, 2, 12})
        EnableButtons(state);
    if (row != m_currentRow)
        return false;
    const history::LogRow* entry = m_history.Row(row);
    if (!entry || entry->seqNo <= 0)
        return false;
    CMsgStore store;
    CPmLogMsgTSet message;
    message.SetSource(store.GetDbPath());
    if (!message.OpenBySeqNo(entry->seqNo) || message.IsEOF())
        return false;
    m_shownText = message.m_Msg;
    m_shown.received = message.m_SndRcv != FALSE;
    m_shown.partnerId = m_shown.received ? message.m_CommID : m_ownId;
    m_shown.attachType = message.m_AttachType;
    m_shownName = entry->sender;
    message.Close();
    ShowMessageText(m_view.m_hWnd, m_shownText);
    if (!m_host.WebFunctionsAvailable()) {
        CHARFORMATA plain = {};
        plain.dwMask = CFM_UNDERLINE;
        m_view.SetAllCharFormat(plain);
    }
    return true;
}

void CMsgLogDlg::OnListClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    const int row = SelectedRow();
    if (row < 0) {
        for (int state : {2, 4, 6, 12})
            EnableButtons(state);
        return;
    }
    m_currentRow = row;
    if (ShowMessage(row)) {
        for (int state : history::LogSelectionStates(m_shown.attachType, m_host.IsLoggedIn()))
            EnableButtons(state);
    } else {
        m_history.Remove({row});
        SetRowCount();
        Select(-1);
        ClearView();
    }
}

void CMsgLogDlg::OnListKeyDown(NMHDR* header, LRESULT* result)
{
    *result = 0;
    const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey;
    if (key == VK_DELETE) {
        Delete();
        return;
    }
    if (key != VK_UP && key != VK_DOWN)
        return;
    int row = SelectedRow();
    if (row < 0)
        row = static_cast<int>(m_list.SendMessage(LVM_GETSELECTIONMARK));
    const int next = row + (key == VK_UP ? -1 : 1);
    if (next < 0 || next >= m_history.Count())
        return;
    Select(next);
    LRESULT ignored = 0;
    OnListClick(nullptr, &ignored);
}

void CMsgLogDlg::OnListDblClk(NMHDR*, LRESULT* result)
{
    *result = 0;
    if (ReplyPossible())
        Reply();
}

void CMsgLogDlg::OnListRClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    const int row = SelectedRow();
    if (row < 0) {
        for (int state : {2, 4, 6, 12})
            EnableButtons(state);
        return;
    }
    LRESULT ignored = 0;
    OnListClick(nullptr, &ignored);
    if (SelectedRow() < 0)
        return;
    CMenu menu;
    if (!menu.LoadMenu(IDR_RECV_MENU))
        return;
    HMENU popup = ::GetSubMenu(menu, 0);
    if (!popup)
        return;
    ::RemoveMenu(menu.GetSafeHmenu(), 0, MF_BYPOSITION);
    ::DeleteMenu(popup, ID_RECV_HISTORY, MF_BYCOMMAND);
    ::DeleteMenu(popup, ID_RECV_MEMO, MF_BYCOMMAND);
    // Where the memo stood: saving a package's first entry.
    CString save;
    save.LoadString(IDS_LOG_SAVE_ITEM);
    CString package, first;
    const bool listed = m_shown.attachType == CMsgStore::kAttachOther && ListPackage(&package, &first) >= 0;
    ::InsertMenuA(popup, kMenuAttachmentPosition - 1, MF_BYPOSITION | MF_STRING | (listed ? 0u : MF_GRAYED),
                  ID_LOG_SAVE_ATTACHMENT, save);
    const bool own = !m_shown.received;
    if (m_opener.PhoneExists() && !m_opener.PhoneSessionActive())
        ::EnableMenuItem(popup, ID_RECV_CALL, MF_BYCOMMAND | MF_GRAYED);
    if (own) {
        ::EnableMenuItem(popup, ID_RECV_CALL, MF_BYCOMMAND | MF_GRAYED);
        ::EnableMenuItem(popup, ID_RECV_REPLY, MF_BYCOMMAND | MF_GRAYED);
    }
    if (!m_host.IsLoggedIn() || !ReplyPossible())
        ::EnableMenuItem(popup, ID_RECV_REPLY, MF_BYCOMMAND | MF_GRAYED);
    if (!m_host.WebFunctionsAvailable())
        ::EnableMenuItem(popup, ID_RECV_ROOM, MF_BYCOMMAND | MF_GRAYED);
    POINT cursor;
    ::GetCursorPos(&cursor);
    nvwin::TrackPopup(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, m_hWnd);
    ::DestroyMenu(popup);
}

void CMsgLogDlg::Delete()
{
    if (m_delete.IsDisabled())
        return;
    HCURSOR previous = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    std::vector<int> deleted;
    CMsgStore store;
    for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = m_list.GetNextItem(row, LVNI_SELECTED)) {
        const history::LogRow* entry = m_history.Row(row);
        if (!entry)
            continue;
        m_list.EnsureVisible(row, FALSE);
        const int answer = store.DeleteMessage(static_cast<long>(entry->seqNo));
        if (answer == 1)
            store.DeleteAttachment(static_cast<long>(entry->seqNo));
        if (answer >= 0)
            deleted.push_back(row);
    }
    m_list.SetItemState(-1, 0, LVIS_SELECTED);
    m_history.Remove(deleted);
    m_currentRow = -1;
    SetRowCount();
    ClearView();
    for (int state : {2, 4, 6, 12})
        EnableButtons(state);
    SetTimeColumnWidth();
    ::SetCursor(previous);
}

void CMsgLogDlg::Reply()
{
    if (!m_host.IsLoggedIn() || m_host.IsModal() || SelectedRow() < 0 || !ReplyPossible())
        return;
    PartnerRef partner;
    partner.commId = m_shown.partnerId;
    partner.commName = m_shownName;
    m_opener.OpenSendWindow(partner, true);
}

void CMsgLogDlg::Reload()
{
    if (FillList() > 0) {
        // The current row first, so that its message shows.
        Select(0);
        if (ShowMessage(0))
            for (int state : history::LogSelectionStates(m_shown.attachType, m_host.IsLoggedIn()))
                EnableButtons(state);
        return;
    }
    CloseEmpty();
}

void CMsgLogDlg::Play()
{
    const history::LogRow* entry = m_history.Row(SelectedRow());
    if (!entry || entry->seqNo <= 0)
        return;
    CMsgStore store;
    const CString path = store.GetAttachmentPath(static_cast<long>(entry->seqNo));
    if (!path.IsEmpty())
        m_opener.PlayVoiceClip(reinterpret_cast<std::uintptr_t>(m_hWnd), path);
}

void CMsgLogDlg::Unregister()
{
    if (CSkinFrameDialog* leader = Leader())
        leader->RemoveFloatingWindow(this);
    m_opener.RemoveTrayWindow(reinterpret_cast<std::uintptr_t>(m_hWnd));
    m_host.RemoveLogWindow(reinterpret_cast<std::uintptr_t>(m_hWnd));
}

void CMsgLogDlg::CloseEmpty()
{
    PresentMessageBoxId(m_hWnd, IDS_LOG_EMPTY, MB_ICONEXCLAMATION);
    Unregister();
    CloseLater();
}

void CMsgLogDlg::OnDestroy()
{
    for (const CString& file : m_tempFiles)
        if (::GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES)
            ::DeleteFileA(file); // what can't go stays
    m_tempFiles.clear();
    RECT window;
    if (::GetWindowRect(m_hWnd, &window))
        if (CWinApp* app = AfxGetApp()) {
            app->WriteProfileInt("Location", "PmRcvX", window.left);
            app->WriteProfileInt("Location", "PmRcvY", window.top);
        }
    CSkinFrameDialog::OnDestroy();
}

void CMsgLogDlg::OnViewNotify(NMHDR* header, LRESULT* result)
{
    *result = 0;
    if (!m_host.WebFunctionsAvailable())
        return;
    const auto* filter = reinterpret_cast<const MSGFILTER*>(header);
    ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
    if (filter->msg == WM_LBUTTONDBLCLK) {
        m_doubleClickSeen = true;
        return;
    }
    if (filter->msg != WM_LBUTTONUP)
        return;
    if (m_doubleClickSeen) {
        m_doubleClickSeen = false;
        return;
    }
    const CString address = AddressAtCaret(m_view.m_hWnd, m_shownText);
    if (address.IsEmpty())
        return;
    const DWORD mask = m_view.SetEventMask(0);
    m_opener.OpenUrl(address);
    m_view.SetEventMask(mask);
}

BOOL CMsgLogDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    const bool fromButton = lParam != 0;
    if (fromButton && HIWORD(wParam) != BN_CLICKED)
        return CSkinFrameDialog::OnCommand(wParam, lParam);
    if (fromButton && id != IDC_LOG_CLOSE && Button(id)->IsDisabled())
        return TRUE;
    switch (id) {
    case IDC_LOG_CLOSE:
        Unregister();
        CloseLater();
        return TRUE;
    case IDC_LOG_DELETE:
    case ID_RECV_DELETE: Delete(); return TRUE;
    case IDC_LOG_REPLY:
    case ID_RECV_REPLY: Reply(); return TRUE;
    case IDC_LOG_RELOAD:
    case ID_RECV_REFRESH: Reload(); return TRUE;
    case IDC_LOG_PLAY: Play(); return TRUE;
    case IDC_LOG_SAVE: ShowAttachmentMenu(); return TRUE;
    default: break;
    }
    if (fromButton)
        return CSkinFrameDialog::OnCommand(wParam, lParam);
    const bool rowSelected = SelectedRow() >= 0;
    switch (id) {
    case ID_RECV_PARTNER_PAGE:
    case ID_LOG_PROFILE_ALIAS:
        if (!m_host.IsModal() && rowSelected)
            m_opener.OpenProfilePage(m_shown.partnerId);
        return TRUE;
    case ID_LOG_SAVE_ATTACHMENT: SaveAttachment(); return TRUE;
    case ID_RECV_ROOM:
        if (!m_host.IsModal() && rowSelected)
            m_opener.OpenUserRoom(m_shown.partnerId);
        return TRUE;
    case ID_RECV_CALL:
        if (m_opener.PhoneExists() && m_opener.PhoneSessionActive() && rowSelected && m_shown.received)
            m_opener.DialCommId(m_shown.partnerId);
        return TRUE;
    default:
        if (id >= ID_LOG_OPEN_FIRST && id <= ID_LOG_OPEN_LAST) {
            OpenPackageEntry();
            return TRUE;
        }
        return CSkinFrameDialog::OnCommand(wParam, lParam);
    }
}

int CMsgLogDlg::ListPackage(CString* package, CString* first)
{
    const history::LogRow* entry = m_history.Row(SelectedRow());
    if (!entry || entry->seqNo <= 0 || entry->attachType != CMsgStore::kAttachOther)
        return -1;
    *package = CMsgStore().GetAttachmentPath(static_cast<long>(entry->seqNo));
    if (package->IsEmpty()) {
        ShowPackageError(ATTACH_NO_ENTRY, false, CString());
        return -1;
    }
    CAttachPack pack;
    CStringArray names;
    const int code = pack.List(names, *package);
    if (code < 0) {
        ShowPackageError(code, false, CString());
        return -1;
    }
    if (names.GetSize() == 0)
        return -1;
    *first = names[0];
    return pack.GetHeader().format;
}

void CMsgLogDlg::ShowPackageError(int code, bool extracting, const CString& target)
{
    CString attachment;
    attachment.LoadString(IDS_LOG_ATTACHMENT_NAME);
    CString text;
    UINT flags = MB_ICONEXCLAMATION;
    if (code == -100 || code == ATTACH_NO_MEMORY) {
        text.LoadString(IDS_RESOURCES_SHORT);
        flags = MB_ICONSTOP;
    } else if (code == -24 && extracting) {
        text = Formatted(IDS_LOG_WRITE_ERROR, target);
    } else if (code == -23) {
        text = Formatted(IDS_LOG_READ_ERROR, attachment);
    } else if (code == -22 && extracting) {
        text = Formatted(IDS_LOG_OPEN_ERROR, target);
    } else if (code == -21) {
        text = Formatted(IDS_LOG_OPEN_ERROR, attachment);
    } else if (code == -2) {
        text.LoadString(IDS_LOG_NO_FILE);
    } else {
        text.LoadString(IDS_LOG_UNSUPPORTED);
        flags = 0;
    }
    PresentMessageBox(m_hWnd, text, flags == 0 ? MB_ICONEXCLAMATION : flags);
}

void CMsgLogDlg::ShowAttachmentMenu()
{
    CString package, first;
    const int format = ListPackage(&package, &first);
    CMenu menu;
    if (!menu.CreatePopupMenu())
        return;
    CString save;
    save.LoadString(IDS_LOG_SAVE_ITEM);
    CString open;
    open.LoadString(IDS_LOG_OPEN_ITEM);
    CMenu entries;
    if (format < 0 || !entries.CreatePopupMenu()) {
        ::AppendMenuA(menu.GetSafeHmenu(), MF_STRING | MF_GRAYED, ID_LOG_SAVE_ATTACHMENT, save);
        ::AppendMenuA(menu.GetSafeHmenu(), MF_STRING | MF_GRAYED, ID_LOG_OPEN_FIRST, open);
    } else {
        ::AppendMenuA(menu.GetSafeHmenu(), MF_STRING, ID_LOG_SAVE_ATTACHMENT, save);
        ::AppendMenuA(entries.GetSafeHmenu(), MF_STRING, ID_LOG_OPEN_FIRST, first);
        // Opening is offered only for the package format that the reader knows.
        ::AppendMenuA(menu.GetSafeHmenu(), MF_POPUP | (format == 1 ? 0u : MF_GRAYED),
                      reinterpret_cast<UINT_PTR>(entries.Detach()), open);
    }
    POINT cursor;
    ::GetCursorPos(&cursor);
    nvwin::TrackPopup(menu.GetSafeHmenu(), TPM_RIGHTBUTTON, cursor.x, cursor.y, m_hWnd);
}

void CMsgLogDlg::SaveAttachment()
{
    CString package, first;
    if (ListPackage(&package, &first) < 0)
        return;
    CString chosen;
    const bool chose = g_saveChooser ? g_saveChooser(m_hWnd, first, &chosen) : ChooseWithDialog(m_hWnd, first, &chosen);
    if (!chose || chosen.IsEmpty())
        return;
    CAttachPack pack;
    const int code = pack.Extract(package, first, chosen);
    if (code < 0)
        ShowPackageError(code, true, chosen);
}

void CMsgLogDlg::OpenPackageEntry()
{
    CString package, first;
    if (ListPackage(&package, &first) < 0)
        return;
    char folder[512] = {};
    const DWORD length = ::GetTempPathA(511, folder);
    const CString target = length ? AttachOpenTarget(folder, first) : CString();
    if (target.IsEmpty()) {
        ShowPackageError(ATTACH_NO_ENTRY, false, CString());
        return;
    }
    if (::GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES &&
        PresentMessageBox(m_hWnd, Formatted(IDS_LOG_OVERWRITE, target), MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    CAttachPack pack;
    const int code = pack.Extract(package, first, target);
    if (code < 0) {
        ShowPackageError(code, true, target);
        return;
    }
    m_tempFiles.push_back(target);
    if (m_opener.BrowserExists())
        m_opener.OpenFileInBrowser(target);
}

BOOL CMsgLogDlg::PreTranslateMessage(MSG* msg)
{
    if (m_tip.GetSafeHwnd())
        m_tip.RelayEvent(msg);
    return CSkinFrameDialog::PreTranslateMessage(msg);
}
