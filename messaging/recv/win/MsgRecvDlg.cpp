#include "messaging/recv/win/MsgRecvDlg.h"

#include "framework/win/DataExchange.h"
#include "framework/win/FileDialogSeam.h"
#include "framework/win/Menu.h"
#include "framework/win/PopupMenuSeam.h"
#include "framework/win/WinApp.h"
#include "messaging/recv/MessageWindowHost.h"
#include "messaging/recv/RecvPackage.h"
#include "messaging/recv/RecvRules.h"
#include "messaging/recv/win/RecvBodyView.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <ctime>

namespace {
constexpr COLORREF kListColour = 0xC8D0D4;
constexpr int kSenderWidth = 124;
constexpr int kTimeMargin = 140;
constexpr int kAttachWidth = 16;

struct ButtonSpec {
    UINT id;
    const char* strip;
    UINT tip; // 0: none
};
constexpr ButtonSpec kButtons[] = {
    {IDC_RECV_CLOSE, "vyrntalk_rcv_cls.bmp", 0},
    {IDC_RECV_PLAY, "vyrntalk_rcv_play.bmp", IDS_RECV_TIP_PLAY},
    {IDC_RECV_NEW, "vyrntalk_rcv_new.bmp", IDS_RECV_TIP_NEW},
    {IDC_RECV_REPLY, "vyrntalk_rcv_reply.bmp", IDS_RECV_TIP_REPLY},
    {IDC_RECV_REFRESH, "vyrntalk_rcv_reload.bmp", IDS_RECV_TIP_REFRESH},
    {IDC_RECV_HISTORY, "vyrntalk_rcv_log.bmp", IDS_RECV_TIP_HISTORY},
    {IDC_RECV_CANCEL, "vyrntalk_rcv_cancel.bmp", IDS_RECV_TIP_CANCEL},
    {IDC_RECV_ATTACH, "vyrntalk_rcv_save.bmp", IDS_RECV_TIP_ATTACH},
};
// The list's icons in the order that gives their indices (RecvRowIcon, RecvAttachmentIcon).
constexpr UINT kListIcons[] = {IDI_RECV_WAITING, IDI_RECV_UNREADABLE, IDI_RECV_OPENED, IDI_RECV_VOICE,
                               IDI_RECV_SPARE,   IDI_RECV_PACKAGE,    IDI_RECV_OTHER};
constexpr int kBannerWidth = 468;
constexpr int kBannerHeight = 60;

RecvRect ToRecvRect(const RECT& r) { return RecvRect{r.left, r.top, r.right, r.bottom}; }
} // namespace

BEGIN_MESSAGE_MAP(CMsgRecvDlg, CSkinFrameDialog)
    ON_MESSAGE(kMsgRecvResult, OnResult)
    ON_MESSAGE(kMsgRecvProgress, OnProgressNotice)
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_WM_ACTIVATE()
    ON_NOTIFY(NM_CLICK, IDC_RECV_LIST, OnListClick)
    ON_NOTIFY(NM_RCLICK, IDC_RECV_LIST, OnListRClick)
    ON_NOTIFY(NM_DBLCLK, IDC_RECV_LIST, OnListDblClk)
    ON_NOTIFY(LVN_KEYDOWN, IDC_RECV_LIST, OnListKeyDown)
    ON_BN_CLICKED(IDC_RECV_CLOSE, OnCloseButton)
    ON_BN_CLICKED(IDC_RECV_PLAY, OnPlayVoice)
    ON_BN_CLICKED(IDC_RECV_NEW, OnNewMessage)
    ON_BN_CLICKED(IDC_RECV_REPLY, OnReply)
    ON_BN_CLICKED(IDC_RECV_REFRESH, OnRefreshButton)
    ON_BN_CLICKED(IDC_RECV_HISTORY, OnHistory)
    ON_BN_CLICKED(IDC_RECV_CANCEL, OnCancelTransfer)
    ON_COMMAND(ID_RECV_REPLY, OnReply)
    ON_COMMAND(ID_RECV_REFRESH, OnMenuRefresh)
    ON_COMMAND(ID_RECV_HISTORY, OnHistory)
    ON_COMMAND(ID_RECV_MEMO, OnMemo)
    ON_COMMAND(ID_RECV_CALL, OnCall)
    ON_COMMAND(ID_RECV_ROOM, OnUserRoom)
    ON_COMMAND(ID_RECV_PARTNER_PAGE, OnPartnerPage)
    ON_NOTIFY(EN_MSGFILTER, IDC_RECV_BODY, OnBodyNotify)
    ON_BN_CLICKED(IDC_RECV_ATTACH, OnAttachmentButton)
    ON_COMMAND(ID_RECV_SAVE_ATTACH, OnSaveAttachment)
    ON_COMMAND(ID_RECV_OPEN_ATTACH, OnOpenAttachment)
END_MESSAGE_MAP()

CMsgRecvDlg::CMsgRecvDlg(CWnd* parent, IRecvHost& host, IRecvStore& store)
    : CSkinFrameDialog(IDD_MSG_RECV, parent), m_host(host), m_flow(new CRecvFlow(host, store, *this))
{
    m_style = 0x800;
    // The template's list view needs its class before the dialog is made.
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&init);
}

CMsgRecvDlg::~CMsgRecvDlg() = default;

void CMsgRecvDlg::DoDataExchange(CDataExchange* dx)
{
    CSkinFrameDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_RECV_LIST, m_list);
    for (const ButtonSpec& spec : kButtons)
        DDX_Control(dx, static_cast<int>(spec.id), *Button(spec.id));
}

CSkinButton* CMsgRecvDlg::Button(UINT id)
{
    switch (id) {
    case IDC_RECV_CLOSE: return &m_close;
    case IDC_RECV_PLAY: return &m_play;
    case IDC_RECV_NEW: return &m_new;
    case IDC_RECV_REPLY: return &m_reply;
    case IDC_RECV_REFRESH: return &m_refresh;
    case IDC_RECV_HISTORY: return &m_history;
    case IDC_RECV_CANCEL: return &m_cancel;
    default: return &m_attach;
    }
}

void CMsgRecvDlg::PostNcDestroy()
{
    CSkinFrameDialog::PostNcDestroy();
    delete this;
}

BOOL CMsgRecvDlg::OnInitDialog()
{
    if (CSkinFrameDialog* leader = Leader())
        leader->AddFloatingWindow(this);
    CSkinFrameDialog::OnInitDialog();
    m_flow->SetWindowHandle(reinterpret_cast<std::uintptr_t>(m_hWnd));
    CreateBanner();
    if (!HasSkin() || !SetupControls(true))
        return FALSE;
    m_flow->Initialise();
    if (m_tip.Create(this, TTS_ALWAYSTIP)) {
        for (const ButtonSpec& spec : kButtons)
            if (spec.tip)
                m_tip.AddTool(Button(spec.id), spec.tip);
        m_tip.AddTool(&m_list, IDS_LIST_MENU_TIP);
        m_tip.Activate(TRUE);
    }
    SetStatus(RecvStatus::Empty, 0);
    PlaceWindow();
    // No control takes the focus: that would activate the window, which never takes the
    // activation from the window the user works in.
    return FALSE;
}

void CMsgRecvDlg::PlaceWindow()
{
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int savedX = work.left;
    int savedY = work.top;
    if (CWinApp* app = AfxGetApp()) {
        savedX = static_cast<int>(app->GetProfileInt("Location", "PmRcvX", work.left));
        savedY = static_cast<int>(app->GetProfileInt("Location", "PmRcvY", work.top));
    }
    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    int x = 0;
    int y = 0;
    PlaceRecvWindow(savedX, savedY, ToRecvRect(work), window.right - window.left, window.bottom - window.top, &x, &y);
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CMsgRecvDlg::SetupControls(bool initial)
{
    for (const ButtonSpec& spec : kButtons)
        if (!Button(spec.id)->SetBitmap(spec.strip, 4))
            return FALSE;
    if (initial) {
        m_cancel.EnableButton(FALSE);
        m_attach.EnableButton(FALSE);
        RECT none = {0, 0, 0, 0};
        if (!m_body.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, none, this,
                           IDC_RECV_BODY))
            return FALSE;
    }
    for (const ButtonSpec& spec : kButtons)
        Button(spec.id)->PlaceFromSkin(spec.id);
    RECT rect;
    for (UINT id : {IDC_RECV_STATUS, IDC_RECV_BODY, IDC_RECV_LIST}) {
        toolkit::Skins().GetControlRect(id, &rect); // answers the anchor, not whether there is a rectangle
        if (!::IsRectEmpty(&rect))
            if (HWND control = GetDlgItem(static_cast<int>(id)))
                ::MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
    HWND banner = GetDlgItem(IDC_RECV_BANNER);
    if (!banner)
        return FALSE;
    toolkit::Skins().GetControlRect(IDC_RECV_BANNER, &rect);
    if (!::IsRectEmpty(&rect))
        ::MoveWindow(banner, rect.left, rect.top, kBannerWidth, kBannerHeight, TRUE);
    if (m_banner.m_hWnd)
        m_banner.MoveControl(RECT{rect.left, rect.top, rect.left + kBannerWidth, rect.top + kBannerHeight});
    if (!CheckBannerPlacement()) {
        m_host.ShowNotice(RecvNotice::BannerSkin);
        return FALSE;
    }
    if (initial) {
        m_body.SetEventMask(ENM_MOUSEEVENTS);
        ApplyMessageFont();
        CreateImageList();
        CString heading;
        heading.LoadString(IDS_RECV_COL_SENDER);
        m_list.InsertColumn(0, heading, LVCFMT_LEFT, kSenderWidth);
        heading.LoadString(IDS_RECV_COL_TIME);
        RECT client;
        m_list.GetClientRect(&client);
        m_list.InsertColumn(1, heading, LVCFMT_LEFT, client.right - kTimeMargin);
        heading.LoadString(IDS_RECV_COL_ATTACH);
        m_list.InsertColumn(2, heading, LVCFMT_RIGHT, kAttachWidth);
        EnableButton(kPlayOff);
        EnableButton(kReplyOff);
        EnableButton(kHistoryByFlag);
        m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
        SetListCtrlColors(kListColour, IDC_RECV_LIST);
    } else {
        SetListColumnWidth();
    }
    return TRUE;
}

void CMsgRecvDlg::CreateImageList()
{
    if (!m_images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 7, 7))
        return;
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    for (UINT id : kListIcons) {
        HICON icon = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
        m_images.Add(icon);
        if (icon)
            ::DestroyIcon(icon);
    }
    m_list.SetImageList(&m_images, LVSIL_SMALL);
}

// The banner is the WebBrowser control in the placeholder's place; where the control can't be
// made the placeholder stays and the window goes on without pages.
void CMsgRecvDlg::CreateBanner()
{
    HWND placeholder = GetDlgItem(IDC_RECV_BANNER);
    if (!placeholder)
        return;
    RECT rect;
    ::GetWindowRect(placeholder, &rect);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    // The control activates itself in place, which activates this window: the window that was
    // active keeps the activation (the window never takes it from the user).
    const HWND active = ::GetForegroundWindow();
    if (m_banner.CreateControl(this, IDC_RECV_BANNER, rect, this))
        ::DestroyWindow(placeholder);
    GiveBackActivation(active);
}

void CMsgRecvDlg::GiveBackActivation(HWND active)
{
    if (active && active != m_hWnd && ::IsWindow(active) && ::GetForegroundWindow() == m_hWnd)
        ::SetForegroundWindow(active);
}

HWND CMsgRecvDlg::GetBannerWindow() const { return ::GetDlgItem(m_hWnd, IDC_RECV_BANNER); }

void CMsgRecvDlg::OnNewWindow2(IDispatch** dispatch, VARIANT_BOOL* cancel)
{
    IDispatch* target = static_cast<IDispatch*>(messaging::Opener().OpenBannerTarget());
    if (dispatch)
        *dispatch = target;
    if (!target && cancel)
        *cancel = VARIANT_TRUE;
}

void CMsgRecvDlg::OnActivate(UINT state, HWND, BOOL) { m_active = state != WA_INACTIVE; }

bool CMsgRecvDlg::CheckBannerPlacement()
{
    RECT window, banner;
    ::GetClientRect(m_hWnd, &window);
    ::GetWindowRect(GetBannerWindow(), &banner);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&banner), 2);
    std::vector<RecvRect> controls;
    for (UINT id : {IDC_RECV_CLOSE, IDC_RECV_PLAY, IDC_RECV_NEW, IDC_RECV_REPLY, IDC_RECV_REFRESH, IDC_RECV_HISTORY,
                    IDC_RECV_BODY, IDC_RECV_LIST}) {
        RECT r;
        ::GetWindowRect(::GetDlgItem(m_hWnd, static_cast<int>(id)), &r);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        controls.push_back(ToRecvRect(r));
    }
    return BannerPlacementOk(ToRecvRect(banner), ToRecvRect(window), controls);
}

BOOL CMsgRecvDlg::ApplySkin()
{
    if (!ReloadSkin("vyrntalk_rcv.bmp"))
        return FALSE;
    return SetupControls(false);
}

void CMsgRecvDlg::SetShown(bool show)
{
    m_shown = show;
    if (show) {
        const HWND active = ::GetForegroundWindow();
        messaging::Opener().CloseOpenMenus();
        ShowWindow(SW_SHOWNOACTIVATE);
        messaging::Opener().AddTrayWindow(reinterpret_cast<std::uintptr_t>(m_hWnd));
        m_flow->RefreshBanner(false);
        GiveBackActivation(active);
    } else {
        ShowWindow(SW_HIDE);
        // A hidden window shows no page.
        if (m_banner.m_hWnd)
            m_banner.Navigate("about:blank");
    }
}

BOOL CMsgRecvDlg::PreTranslateMessage(MSG* msg)
{
    if (m_tip.GetSafeHwnd() && msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST)
        m_tip.RelayEvent(msg);
    return CSkinFrameDialog::PreTranslateMessage(msg);
}

bool CMsgRecvDlg::Idle() const { return m_flow->IsIdle(); }

LRESULT CMsgRecvDlg::OnResult(WPARAM wParam, LPARAM lParam)
{
    m_flow->OnMessage(static_cast<int>(static_cast<std::intptr_t>(wParam)), static_cast<std::intptr_t>(lParam));
    return 0;
}

LRESULT CMsgRecvDlg::OnProgressNotice(WPARAM wParam, LPARAM lParam)
{
    m_flow->OnProgress(static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam));
    return 0;
}

void CMsgRecvDlg::OnTimer(UINT_PTR id)
{
    if (id == kRecvDeferredTimer)
        m_flow->OnTimer();
    else
        CSkinFrameDialog::OnTimer(id);
}

void CMsgRecvDlg::OnDestroy()
{
    RECT window;
    if (::GetWindowRect(m_hWnd, &window)) {
        if (CWinApp* app = AfxGetApp()) {
            app->WriteProfileInt("Location", "PmRcvX", window.left);
            app->WriteProfileInt("Location", "PmRcvY", window.top);
        }
    }
    m_flow->OnDestroy();
    for (const CString& file : m_openedFiles)
        ::DeleteFileA(file);
    m_openedFiles.clear();
    if (m_openSubmenu) {
        ::DestroyMenu(m_openSubmenu);
        m_openSubmenu = nullptr;
    }
    CSkinFrameDialog::OnDestroy();
}

void CMsgRecvDlg::OnOK()
{
    if (Idle())
        OnReply();
}

void CMsgRecvDlg::OnCancel() { m_flow->Cancel(); }

void CMsgRecvDlg::SelectRow(int row, RecvSelectSource source)
{
    if (!Idle())
        return;
    m_flow->OnListSelect(row, source);
}

void CMsgRecvDlg::OnListClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    SelectRow(m_list.GetNextItem(-1, LVNI_SELECTED), RecvSelectSource::Click);
}

void CMsgRecvDlg::OnListRClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    if (!Idle())
        return;
    const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
    const auto& arrivals = m_host.Arrivals();
    const bool withRow = row >= 0 && static_cast<std::size_t>(row) < arrivals.size();
    if (withRow) {
        // A message that is not fetched yet is fetched, and no menu opens.
        const bool fetched = arrivals[static_cast<std::size_t>(row)].Has(kEntryFetched);
        SelectRow(row, RecvSelectSource::ContextMenu);
        if (!fetched)
            return;
    }
    RecvMenuInput input;
    input.rowSelected = withRow;
    if (withRow)
        input.senderId = m_host.Arrivals()[static_cast<std::size_t>(row)].senderId;
    input.ownId = messaging::FriendHost().OwnCommId();
    input.loggedIn = m_host.IsLoggedIn();
    input.phoneExists = messaging::Opener().PhoneExists();
    input.phoneSessionActive = messaging::Opener().PhoneSessionActive();
    input.historyAvailable = m_host.HistoryAvailable();
    const RecvMenuState state = RecvListMenuRules(input);
    if (!withRow) {
        EnableButton(kPlayOff);
        EnableButton(kReplyOff);
    }
    CMenu menu;
    if (!menu.LoadMenu(IDR_RECV_MENU))
        return;
    const HMENU popup = ::GetSubMenu(menu, 0);
    ::DeleteMenu(popup, ID_RECV_DELETE, MF_BYCOMMAND);
    if (state.allHistoryLabel) {
        CString label;
        label.LoadString(IDS_RECV_ALL_HISTORY);
        ::ModifyMenuA(popup, ID_RECV_HISTORY, MF_BYCOMMAND | MF_STRING, ID_RECV_HISTORY, label);
    }
    for (const auto& item : state.grayed)
        ::EnableMenuItem(popup, item.first, MF_BYCOMMAND | (item.second ? MF_GRAYED : MF_ENABLED));
    if (withRow) {
        const MessageEntry entry = m_host.Arrivals()[static_cast<std::size_t>(row)];
        AddAttachmentMenuItems(popup, 4, entry);
        if (entry.attachmentFile.IsEmpty())
            SetStatus(RecvStatus::Empty, 0);
    }
    POINT cursor;
    ::GetCursorPos(&cursor);
    nvwin::TrackPopup(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, m_hWnd);
    DetachOpenSubmenu(popup);
}

void CMsgRecvDlg::OnListDblClk(NMHDR*, LRESULT* result)
{
    *result = 0;
    OnOK();
}

void CMsgRecvDlg::OnListKeyDown(NMHDR* header, LRESULT* result)
{
    *result = 0;
    const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
    if (key->wVKey != VK_UP && key->wVKey != VK_DOWN)
        return;
    const int row = SelectedRow() + (key->wVKey == VK_UP ? -1 : 1);
    if (row < 0 || row >= RowCount())
        return;
    SelectRow(row, RecvSelectSource::Key);
}

void CMsgRecvDlg::OnCloseButton()
{
    m_flow->Refresh(false);
    SetShown(false);
    messaging::Opener().RemoveTrayWindow(reinterpret_cast<std::uintptr_t>(m_hWnd));
}

void CMsgRecvDlg::OnRefreshButton() { m_flow->Refresh(true); }

void CMsgRecvDlg::OnReply()
{
    const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
    const auto& arrivals = m_host.Arrivals();
    if (m_reply.IsDisabled() || m_host.GetHolderKind() != 0 || row < 0 ||
        static_cast<std::size_t>(row) >= arrivals.size())
        return;
    PartnerRef partner;
    partner.commId = arrivals[static_cast<std::size_t>(row)].senderId;
    partner.commName = arrivals[static_cast<std::size_t>(row)].senderName;
    messaging::Opener().OpenSendWindow(partner, true);
}

void CMsgRecvDlg::OnNewMessage()
{
    if (m_new.IsDisabled() || m_host.GetHolderKind() != 0)
        return;
    messaging::Opener().OpenSendWindow(PartnerRef(), false);
}

void CMsgRecvDlg::OnHistory()
{
    if (m_history.IsDisabled() || !m_host.HistoryAvailable())
        return;
    PartnerRef partner = SelectedPartner();
    if (!SelectedEntry()) {
        // No row: the user's own history.
        partner.commId = m_host.OwnCommId();
        partner.commName = m_host.OwnCommName();
    }
    if (!partner.commId.IsEmpty() && !partner.commName.IsEmpty())
        messaging::Opener().OpenMessageLog(partner);
}

void CMsgRecvDlg::OnCancelTransfer() { m_flow->OnCancelTransfer(); }

const MessageEntry* CMsgRecvDlg::SelectedEntry() const
{
    const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
    const auto& arrivals = m_host.Arrivals();
    if (row < 0 || static_cast<std::size_t>(row) >= arrivals.size())
        return nullptr;
    return &arrivals[static_cast<std::size_t>(row)];
}

PartnerRef CMsgRecvDlg::SelectedPartner() const
{
    PartnerRef partner;
    if (const MessageEntry* entry = SelectedEntry()) {
        partner.commId = entry->senderId;
        partner.commName = entry->senderName;
    }
    return partner;
}

void CMsgRecvDlg::OnMenuRefresh() { m_flow->Refresh(true); }

void CMsgRecvDlg::OnMemo()
{
    const PartnerRef partner = SelectedPartner();
    if (!partner.commId.IsEmpty() && !partner.commName.IsEmpty()) {
        messaging::Opener().OpenMemo(partner);
        messaging::Opener().ShowBalloonEvent(140);
    }
}

void CMsgRecvDlg::OnCall()
{
    const PartnerRef partner = SelectedPartner();
    if (messaging::Opener().PhoneExists() && !partner.commId.IsEmpty())
        messaging::Opener().DialCommId(partner.commId);
}

void CMsgRecvDlg::OnUserRoom()
{
    const PartnerRef partner = SelectedPartner();
    if (!partner.commId.IsEmpty())
        messaging::Opener().OpenUserRoom(partner.commId);
}

void CMsgRecvDlg::OnPartnerPage()
{
    const PartnerRef partner = SelectedPartner();
    if (m_host.GetHolderKind() == 0 && !partner.commId.IsEmpty() && messaging::Opener().BrowserExists())
        messaging::Opener().OpenProfilePage(partner.commId);
}

// Clicks in the body: one click on an underlined address opens it once; a double click never.
void CMsgRecvDlg::OnBodyNotify(NMHDR* header, LRESULT* result)
{
    *result = 0;
    const auto* filter = reinterpret_cast<const MSGFILTER*>(header);
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
    const int index = m_flow->GetCurrentIndex();
    const auto& arrivals = m_host.Arrivals();
    if (index < 0 || static_cast<std::size_t>(index) >= arrivals.size())
        return;
    const CString address = AddressAtCaret(m_body.m_hWnd, arrivals[static_cast<std::size_t>(index)].body);
    if (address.IsEmpty())
        return;
    const DWORD mask = m_body.SetEventMask(0);
    messaging::Opener().OpenUrl(address);
    m_body.SetEventMask(mask);
}

void CMsgRecvDlg::OnPlayVoice()
{
    if (!m_host.IsLoggedIn()) {
        m_host.ShowNotice(RecvNotice::LoggedOut);
        return;
    }
    const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
    const auto& arrivals = m_host.Arrivals();
    if (m_play.IsDisabled() || !Idle() || row < 0 || static_cast<std::size_t>(row) >= arrivals.size())
        return;
    const CString file = arrivals[static_cast<std::size_t>(row)].attachmentFile;
    if (!file.IsEmpty())
        PlayVoiceClip(file);
}

// IRecvView

int CMsgRecvDlg::RowCount() const { return m_list.GetItemCount(); }

void CMsgRecvDlg::DeleteAllRows() { m_list.DeleteAllItems(); }

void CMsgRecvDlg::AddRow(const MessageEntry& entry)
{
    const int row = m_list.InsertItem(m_list.GetItemCount(), entry.senderName, RecvRowIcon(entry));
    if (row < 0)
        return;
    CString format;
    format.LoadString(IDS_RECV_TIME_FORMAT);
    const std::time_t when = static_cast<std::time_t>(entry.time);
    char text[64] = {};
    if (const std::tm* local = std::localtime(&when))
        std::strftime(text, sizeof text, format, local);
    m_list.SetItemText(row, 1, text);
    const int attachIcon = RecvAttachmentIcon(entry.attachmentKind);
    if (attachIcon != kIconNone)
        m_list.SetItemImage(row, 2, attachIcon);
}

void CMsgRecvDlg::SetRowIcon(int row, int icon) { m_list.SetItemImage(row, 0, icon); }

void CMsgRecvDlg::SetRowAttachmentIcon(int row, int icon) { m_list.SetItemImage(row, 2, icon); }

int CMsgRecvDlg::SelectedRow() const
{
    const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
    return row >= 0 ? row : m_list.GetSelectionMark();
}

void CMsgRecvDlg::SetListColumnWidth()
{
    RECT client;
    m_list.GetClientRect(&client);
    m_list.SetColumnWidth(1, client.right - kTimeMargin);
}

void CMsgRecvDlg::ScrollToRow(int row) { m_list.SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE); }

void CMsgRecvDlg::ShowBody(const MessageEntry* entry)
{
    ShowMessageText(m_body.m_hWnd, entry ? entry->body : CString());
}

void CMsgRecvDlg::SetStatus(RecvStatus status, int number)
{
    UINT id = 0;
    switch (status) {
    case RecvStatus::Empty: break;
    case RecvStatus::UnreadCount: id = IDS_RECV_UNREAD_COUNT; break;
    case RecvStatus::Receiving: id = IDS_RECV_RECEIVING; break;
    case RecvStatus::Progress: id = IDS_RECV_PROGRESS; break;
    case RecvStatus::Cancelled: id = IDS_RECV_CANCELLED; break;
    case RecvStatus::ReceiveError: id = IDS_RECV_ERROR; break;
    case RecvStatus::StoreFailed: id = IDS_RECV_STORE_FAILED; break;
    }
    CString text;
    if (id) {
        CString format;
        format.LoadString(id);
        if (status == RecvStatus::UnreadCount || status == RecvStatus::Progress)
            text.Format(format, number);
        else
            text = format;
    }
    m_statusText = text;
    HWND line = GetDlgItem(IDC_RECV_STATUS);
    if (!line)
        return;
    RECT rect;
    ::GetWindowRect(line, &rect);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    ::MoveWindow(line, rect.left, rect.top, 0, 0, TRUE); // the skin behind it is painted again
    ::MoveWindow(line, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    ::SetWindowTextA(line, text);
}

void CMsgRecvDlg::ShowAttachmentStatus(const MessageEntry& entry)
{
    CString name;
    if ((entry.attachmentKind & 0x0F000000u) == 0x08000000u) {
        int format = 0;
        if (ListFirstPackageFile(entry.attachmentFile, &name, &format) != PackageNotice::None || name.IsEmpty()) {
            SetStatus(RecvStatus::Empty, 0);
            return;
        }
    } else {
        name.LoadString(IDS_RECV_VOICE);
    }
    CString format, label, text;
    format.LoadString(IDS_RECV_ATTACH_STATUS);
    label.LoadString(IDS_RECV_COL_ATTACH);
    text.Format(format, label.GetString(), name.GetString());
    m_statusText = text;
    if (HWND line = GetDlgItem(IDC_RECV_STATUS))
        ::SetWindowTextA(line, text);
}

void CMsgRecvDlg::EnableButton(int code)
{
    switch (code) {
    case kPlayOn: m_play.EnableButton(TRUE); break;
    case kPlayOff: m_play.EnableButton(FALSE); break;
    case kReplyOn: m_reply.EnableButton(TRUE); break;
    case kReplyOff: m_reply.EnableButton(FALSE); break;
    case kRefreshOn: m_refresh.EnableButton(TRUE); break;
    case kRefreshOff: m_refresh.EnableButton(FALSE); break;
    case kHistoryByFlag: m_history.EnableButton(m_host.HistoryAvailable() ? TRUE : FALSE); break;
    case kHistoryOff: m_history.EnableButton(FALSE); break;
    case kAttachmentOn: m_attach.EnableButton(TRUE); break;
    case kAttachmentOff: m_attach.EnableButton(FALSE); break;
    default: break;
    }
}

void CMsgRecvDlg::EnableCancelButton(bool enable) { m_cancel.EnableButton(enable ? TRUE : FALSE); }

void CMsgRecvDlg::SetWaitCursor(bool wait)
{
    ::SetCursor(::LoadCursor(nullptr, wait ? IDC_WAIT : IDC_ARROW));
}

void CMsgRecvDlg::LoadBanner()
{
    if (!m_banner.m_hWnd)
        return;
    CString address = "about:blank";
    if (m_host.IsLoggedIn())
        address.LoadString(IDS_RECV_BANNER_URL);
    m_banner.Navigate(address);
}

void CMsgRecvDlg::ApplyMessageFont()
{
    CString face;
    int points = 10;
    std::uint32_t colour = 0;
    m_host.MessageFont(&face, &points, &colour);
    CHARFORMATA format = {};
    format.dwMask = CFM_FACE | CFM_SIZE | CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    format.yHeight = (points > 0 ? points : 10) * 20;
    format.crTextColor = static_cast<COLORREF>(colour & 0x00FFFFFFu);
    lstrcpynA(format.szFaceName, face.IsEmpty() ? "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E" : face.GetString(),
              LF_FACESIZE);
    m_body.SetDefaultCharFormat(format);
}

void CMsgRecvDlg::ShowBalloonEvent(int event) { messaging::Opener().ShowBalloonEvent(event); }

void CMsgRecvDlg::RequestReadNotice(const CString& senderId) { messaging::Opener().RequestReadNotice(senderId); }

void CMsgRecvDlg::PlayVoiceClip(const CString& file)
{
    if (messaging::Opener().PlayVoiceClip(reinterpret_cast<std::uintptr_t>(m_hWnd), file))
        return;
    // No voice-clip panel to play it.
    CString text;
    text.LoadString(IDS_RECV_NO_DEVICE);
    m_host.ShowMessage(text, MB_OK | MB_ICONEXCLAMATION, true);
}

void CMsgRecvDlg::StartDeferredTimer(unsigned ms) { SetTimer(kRecvDeferredTimer, ms); }

void CMsgRecvDlg::KillDeferredTimer() { KillTimer(kRecvDeferredTimer); }

// Attachments

const MessageEntry* CMsgRecvDlg::CurrentPackage() const
{
    const int index = m_flow->GetCurrentIndex();
    const auto& arrivals = m_host.Arrivals();
    if (index < 0 || static_cast<std::size_t>(index) >= arrivals.size())
        return nullptr;
    const MessageEntry& entry = arrivals[static_cast<std::size_t>(index)];
    if ((entry.attachmentKind & 0x0F000000u) != 0x08000000u || entry.attachmentFile.IsEmpty())
        return nullptr;
    return &entry;
}

void CMsgRecvDlg::ShowPackageNotice(PackageNotice notice, const CString& file)
{
    UINT id = 0;
    UINT icon = MB_ICONEXCLAMATION;
    bool logged = true;
    CString name = file;
    switch (notice) {
    case PackageNotice::None: return;
    case PackageNotice::Resources: id = IDS_RESOURCES_SHORT; icon = MB_ICONHAND; break;
    case PackageNotice::ReadError: id = IDS_RECV_FILE_READ; name.LoadString(IDS_RECV_TIP_ATTACH); break;
    case PackageNotice::OpenError: id = IDS_RECV_FILE_OPEN; name.LoadString(IDS_RECV_TIP_ATTACH); break;
    case PackageNotice::WriteError: id = IDS_RECV_FILE_WRITE; break;
    case PackageNotice::CreateError: id = IDS_RECV_FILE_OPEN; break;
    case PackageNotice::NoFile: id = IDS_RECV_NO_FILE; break;
    case PackageNotice::Unsupported: id = IDS_RECV_UNSUPPORTED; logged = false; break;
    }
    CString format, text;
    format.LoadString(id);
    if (format.Find("%s") >= 0)
        text.Format(format, name.GetString());
    else
        text = format;
    m_host.ShowMessage(text, MB_OK | icon, logged);
}

bool CMsgRecvDlg::ListPackage(const MessageEntry& entry, CString* first, int* format)
{
    const PackageNotice notice = ListFirstPackageFile(entry.attachmentFile, first, format);
    if (notice == PackageNotice::NoFile)
        return false; // a package that lists nothing offers nothing
    if (notice != PackageNotice::None) {
        ShowPackageNotice(notice, entry.attachmentFile);
        return false;
    }
    return !first->IsEmpty();
}

void CMsgRecvDlg::AddAttachmentMenuItems(HMENU menu, UINT position, const MessageEntry& entry)
{
    CString save, open;
    save.LoadString(IDS_RECV_SAVE_LABEL);
    open.LoadString(IDS_RECV_OPEN_LABEL);
    ::InsertMenuA(menu, position, MF_BYPOSITION | MF_STRING | MF_GRAYED, ID_RECV_SAVE_ATTACH, save);
    CString first;
    int format = 0;
    const bool package = (entry.attachmentKind & 0x0F000000u) == 0x08000000u && !entry.attachmentFile.IsEmpty();
    if (package && ListPackage(entry, &first, &format)) {
        ShowAttachmentStatus(entry);
        ::EnableMenuItem(menu, ID_RECV_SAVE_ATTACH, MF_BYCOMMAND | MF_ENABLED);
        if (m_openSubmenu)
            ::DestroyMenu(m_openSubmenu);
        m_openSubmenu = ::CreatePopupMenu();
        ::AppendMenuA(m_openSubmenu, MF_STRING, ID_RECV_OPEN_ATTACH, first);
        // The submenu stays this window's: it is taken out of the menu again after tracking.
        ::InsertMenuA(menu, position + 1,
                      MF_BYPOSITION | MF_POPUP | MF_STRING | (format == 1 ? MF_ENABLED : MF_GRAYED),
                      reinterpret_cast<UINT_PTR>(m_openSubmenu), open);
        return;
    }
    ::InsertMenuA(menu, position + 1, MF_BYPOSITION | MF_STRING | MF_GRAYED, ID_RECV_SAVE_ATTACH, open);
}

void CMsgRecvDlg::OnAttachmentButton()
{
    if (m_attach.IsDisabled() || !Idle())
        return;
    const MessageEntry* entry = CurrentPackage();
    if (!entry)
        return;
    const MessageEntry copy = *entry;
    CMenu menu;
    if (!menu.LoadMenu(IDR_RECV_ATTACH_MENU))
        return;
    const HMENU popup = ::GetSubMenu(menu, 0);
    ::DeleteMenu(popup, 0, MF_BYPOSITION);
    AddAttachmentMenuItems(popup, 0, copy);
    POINT cursor;
    ::GetCursorPos(&cursor);
    nvwin::TrackPopup(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, m_hWnd);
    DetachOpenSubmenu(popup);
}

void CMsgRecvDlg::DetachOpenSubmenu(HMENU popup)
{
    // The submenu belongs to this window, not to the menu that goes now.
    for (int i = ::GetMenuItemCount(popup) - 1; i >= 0; --i)
        if (m_openSubmenu && ::GetSubMenu(popup, i) == m_openSubmenu)
            ::RemoveMenu(popup, static_cast<UINT>(i), MF_BYPOSITION);
}

void CMsgRecvDlg::OnSaveAttachment()
{
    if (!Idle())
        return;
    const MessageEntry* entry = CurrentPackage();
    if (!entry)
        return;
    const MessageEntry copy = *entry;
    CString first;
    int format = 0;
    if (!ListPackage(copy, &first, &format))
        return;
    CString filter;
    filter.LoadString(IDS_RECV_SAVE_FILTER);
    const CString path = nvwin::ChooseSaveFile(m_hWnd, first, filter);
    if (path.IsEmpty())
        return;
    ShowPackageNotice(ExtractPackageFile(copy.attachmentFile, first, path), path);
}

void CMsgRecvDlg::OnOpenAttachment()
{
    if (!Idle())
        return;
    const MessageEntry* entry = CurrentPackage();
    if (!entry)
        return;
    const MessageEntry copy = *entry;
    CString first;
    int format = 0;
    if (!ListPackage(copy, &first, &format))
        return;
    char folder[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder)
        return;
    // Only a plain name inside the temporary folder: a name that climbs out of it or names a
    // device is refused.
    const CString target = AttachOpenTarget(CString(folder), first);
    if (target.IsEmpty()) {
        ShowPackageNotice(PackageNotice::NoFile, first);
        return;
    }
    if (::GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES) {
        CString format, text;
        format.LoadString(IDS_RECV_OVERWRITE);
        text.Format(format, target.GetString());
        if (m_host.ShowMessage(text, MB_OKCANCEL | MB_ICONQUESTION, false) != IDOK)
            return;
    }
    const PackageNotice notice = ExtractPackageFile(copy.attachmentFile, first, target);
    if (notice != PackageNotice::None) {
        ShowPackageNotice(notice, target);
        return;
    }
    if (std::find(m_openedFiles.begin(), m_openedFiles.end(), target) == m_openedFiles.end())
        m_openedFiles.push_back(target);
    if (messaging::Opener().BrowserExists())
        messaging::Opener().OpenFileInBrowser(target);
}
