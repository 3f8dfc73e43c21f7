#include "chat_web/window/win/ChatDlg.h"

#include "chat_web/engine/ChatEngine.h"
#include "chat_web/window/win/ChatLoginDlg.h"
#include "resources/ids/chat_web.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/skin/BannerCheck.h"
#include "shell/common/services/WindowKinds.h"
#include "shell/common/skin/SkinInfo.h"

#include <ctime>

namespace {

// The seventeen skin buttons: id, strip, and which of the first 17 button objects takes them.
struct ButtonRow {
    UINT id;
    const char* strip;
};
const ButtonRow kButtons[17] = {
    {IDC_CHAT_CLS, "chat_cls.bmp"},       {IDC_CHAT_COLOR1, "chat_color1.bmp"}, {IDC_CHAT_COLOR2, "chat_color2.bmp"},
    {IDC_CHAT_COLOR3, "chat_color3.bmp"}, {IDC_CHAT_COLOR4, "chat_color4.bmp"}, {IDC_CHAT_COLOR5, "chat_color5.bmp"},
    {IDC_CHAT_COLOR6, "chat_color6.bmp"}, {IDC_CHAT_FACE1, "chat_face1.bmp"},   {IDC_CHAT_FACE2, "chat_face2.bmp"},
    {IDC_CHAT_FACE3, "chat_face3.bmp"},   {IDC_CHAT_FACE4, "chat_face4.bmp"},   {IDC_CHAT_FACE5, "chat_face5.bmp"},
    {IDC_CHAT_FACE6, "chat_face6.bmp"},   {IDC_CHAT_FACE7, "chat_face7.bmp"},   {IDC_CHAT_FACE8, "chat_face8.bmp"},
    {IDC_CHAT_ROOMIN, "chat_roomin.bmp"}, {IDC_CHAT_ROOMOUT, "chat_roomout.bmp"},
};
const int kFirstColor = 1;
const int kFirstPhrase = 7;
const int kEnterButton = 15;
const int kLeaveButton = 16;
const UINT kPhraseIds[8] = {IDC_CHAT_FACE1, IDC_CHAT_FACE2, IDC_CHAT_FACE3, IDC_CHAT_FACE4,
                            IDC_CHAT_FACE5, IDC_CHAT_FACE6, IDC_CHAT_FACE7, IDC_CHAT_FACE8};
const int kBannerWidth = 468;
const int kBannerHeight = 60;
// The log keeps far more than the rich edit's default of 32K characters.
const long kLogLimit = 0x7FFFFFF0;

IChatWindowHost* g_host = nullptr;

// The engine as the room drives it.
class CEngineLink : public chat::IChatEngineLink {
public:
    explicit CEngineLink(CChatEngine& engine) : m_engine(engine) {}
    int Connect(const ChatConnectSettings& settings, const std::string& room, const std::string& key) override
    {
        return m_engine.Connect(settings, room.c_str(), key.c_str());
    }
    int Part(const std::string& room) override { return m_engine.Part(room.c_str()); }
    int SendPrivmsg(const std::string& text, const std::string& room) override
    {
        return m_engine.SendPrivmsg(text.c_str(), room.c_str());
    }

private:
    CChatEngine& m_engine;
};

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

// A skin phrase is inserted into a one-line input: line breaks go.
CString OneLine(const CString& text)
{
    std::string s;
    for (char c : text.str())
        if (c != '\r' && c != '\n')
            s += c;
    return CString(s.c_str());
}

} // namespace

namespace chat {
void SetWindowHost(IChatWindowHost* host) { g_host = host; }
IChatWindowHost* WindowHost() { return g_host; }
} // namespace chat

BEGIN_MESSAGE_MAP(CChatDlg, CSkinFrameDialog)
    ON_WM_SIZE()
    ON_WM_DESTROY()
    ON_WM_GETMINMAXINFO()
    ON_WM_RBUTTONUP()
    ON_COMMAND_RANGE(IDC_CHAT_COLOR6, IDC_CHAT_COLOR1, OnColorButton)
    ON_COMMAND_RANGE(IDC_CHAT_FACE1, IDC_CHAT_FACE8, OnPhraseButton)
    ON_COMMAND(IDC_CHAT_ROOMIN, OnEnterButton)
    ON_COMMAND(IDC_CHAT_ROOMOUT, OnLeaveButton)
    ON_COMMAND(ID_CHAT_LEAVE, OnLeaveButton)
    ON_COMMAND(IDC_CHAT_CLS, OnCloseButton)
    ON_COMMAND(IDC_CHAT_HIDDEN2, OnButton1412)
    ON_NOTIFY(NM_DBLCLK, IDC_CHAT_USERLIST, OnMemberDblClk)
    ON_NOTIFY(NM_RDBLCLK, IDC_CHAT_USERLIST, OnMemberRDblClk)
    ON_COMMAND(ID_CHAT_CLEAR_LOG, OnClearLog)
    ON_COMMAND(ID_CHAT_COPY_LOG, OnCopyLog)
    ON_COMMAND_RANGE(3584, 3839, OnRoomMenu)
    ON_MESSAGE(WM_CHAT_EVENT, OnEngineEvent)
END_MESSAGE_MAP()

CChatDlg::CChatDlg(CWnd* parent) : CSkinFrameDialog(IDD_CHAT, parent), m_host(chat::WindowHost())
{
    m_style = 0x806;
    JoinRegistry(kWindowChat);
    if (m_host) {
        chat::SystemTexts texts{LoadText(IDS_CHAT_JOINED).str(), LoadText(IDS_CHAT_PARTED).str(),
                                LoadText(IDS_CHAT_ENTERED).str(), LoadText(IDS_CHAT_QUITTED).str()};
        m_room = std::make_unique<chat::ChatRoom>(*m_host, *this, texts);
    }
}

CChatDlg::~CChatDlg()
{
    if (m_room)
        m_room->EndVisit();
    if (m_images)
        ImageList_Destroy(m_images);
}

BOOL CChatDlg::Create()
{
    if (!m_room || !CRichEditCtrl::EnsureLoaded())
        return FALSE;
    if (!LoadSkin("chat.bmp", TRUE))
        return FALSE;
    return CDialog::Create(IDD_CHAT, m_parentWindow);
}

void CChatDlg::PostNcDestroy() {}

HWND CChatDlg::InputEdit() const { return m_input ? ::FindWindowExA(m_input, nullptr, "Edit", nullptr) : nullptr; }

BOOL CChatDlg::OnInitDialog()
{
    if (CSkinFrameDialog* leader = CSkinFrameDialog::Leader())
        leader->AddFloatingWindow(this);
    CSkinFrameDialog::OnInitDialog();
    m_members = GetDlgItem(IDC_CHAT_USERLIST);
    m_input = GetDlgItem(IDC_CHAT_INPUT);
    RECT logRect = {8, 24, 300, 200};
    m_log.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY |
                     ES_NOHIDESEL,
                 logRect, this, IDC_CHAT_VIEW);
    m_log.LimitText(kLogLimit);
    m_waitCursor = ::LoadCursor(nullptr, IDC_WAIT);

    m_toolTip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                  m_hWnd, nullptr, AfxGetInstanceHandle(), nullptr);
    CString enterTip = LoadText(IDS_CHAT_ENTER_TIP), leaveTip = LoadText(IDS_CHAT_LEAVE_TIP);
    for (auto& tool : {std::make_pair(IDC_CHAT_ROOMIN, &enterTip), std::make_pair(IDC_CHAT_ROOMOUT, &leaveTip)}) {
        TOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V1_SIZE;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = m_hWnd;
        info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(tool.first));
        info.lpszText = const_cast<char*>(tool.second->GetString());
        ::SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
    ::SendMessageA(m_toolTip, TTM_ACTIVATE, TRUE, 0);

    ::ShowWindow(GetDlgItem(IDC_CHAT_HIDDEN1), SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_CHAT_HIDDEN2), SW_HIDE);
    ListView_SetBkColor(m_members, 0xC0C0C0);
    ListView_SetTextBkColor(m_members, 0xC0C0C0);
    m_log.SetBackgroundColor(FALSE, 0xC0C0C0);

    m_images = ImageList_Create(16, 16, ILC_MASK | ILC_COLOR32, 2, 2);
    for (UINT icon : {IDI_CHAT_MEMBER, IDI_CHAT_MEMBER_OTHER}) {
        HICON handle = static_cast<HICON>(
            ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(icon), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
        if (handle) {
            ImageList_AddIcon(m_images, handle);
            ::DestroyIcon(handle);
        }
    }
    if (!m_banner)
        m_banner.reset(m_host->CreateBanner(this, IDC_CHAT_BANNER));

    if (!RunSkinLayout() || !HasSkin())
        return FALSE;

    std::vector<std::string> stored;
    IProfileStore& profile = m_host->Profile();
    for (int i = 1; i <= static_cast<int>(chat::kHistorySize); ++i)
        stored.push_back(profile.GetString("Chat", ("chat" + std::to_string(i)).c_str(), "").str());
    m_room->LoadHistory(stored);
    ShowHistory(m_room->History());

    PlaceFromSkin(IDD_CHAT);
    RestorePosition();
    SetControlState(1);
    return TRUE;
}

bool CChatDlg::RunSkinLayout()
{
    ISkinSource& skins = toolkit::Skins();
    bool ok = true;
    for (int i = 0; i < 17; ++i) {
        CSkinButton& button = m_buttons[i];
        if (!button.SetBitmap(kButtons[i].strip, 4))
            ok = false;
        if (!button.m_hWnd)
            button.SubclassDlgItem(kButtons[i].id, this);
        RECT rect;
        int anchor = skins.GetControlRect(kButtons[i].id, &rect);
        if (anchor >= 0 && !::IsRectEmpty(&rect)) {
            button.MoveToRect(rect);
            SetControlAnchor(kButtons[i].id, anchor);
        }
    }
    if (!ok)
        return false;
    for (int i = 0; i < kColorCount; ++i) {
        CString colour, unused;
        skins.GetControlFields(kButtons[kFirstColor + i].id, &colour, &unused);
        std::uint32_t value = 0;
        // A colour the skin writes wrongly leaves that button black.
        m_colors[i] = ParseSkinColor(colour, value) ? value : 0;
    }
    for (int i = 0; i < kPhraseCount; ++i) {
        CString phrase, tip;
        skins.GetControlFields(kPhraseIds[i], &phrase, &tip);
        m_phrases[i] = OneLine(phrase);
        m_phraseTips[i] = OneLine(tip);
        m_buttons[kFirstPhrase + i].SetText(nullptr);
        if (m_toolTip && !m_phraseTips[i].IsEmpty()) {
            TOOLINFOA info = {};
            info.cbSize = TTTOOLINFOA_V1_SIZE;
            info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            info.hwnd = m_hWnd;
            info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(static_cast<int>(kPhraseIds[i])));
            info.lpszText = const_cast<char*>(m_phraseTips[i].GetString());
            ::SendMessageA(m_toolTip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
            ::SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
        }
    }
    ::SendMessageA(m_input, CB_LIMITTEXT, chat::kInputByteLimit, 0);
    ::EnableWindow(m_input, FALSE);
    m_log.SetEventMask(ENM_MOUSEEVENTS);
    ListView_SetExtendedListViewStyleEx(m_members, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB,
                                        LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
    for (UINT id : {IDC_CHAT_USERLIST, IDC_CHAT_VIEW, IDC_CHAT_INPUT}) {
        RECT rect;
        int anchor = skins.GetControlRect(id, &rect);
        HWND control = GetDlgItem(static_cast<int>(id));
        if (anchor >= 0 && !::IsRectEmpty(&rect) && control) {
            ::MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
            SetControlAnchor(id, anchor);
        }
    }
    RECT banner;
    int bannerAnchor = skins.GetControlRect(IDC_CHAT_BANNER, &banner);
    if (HWND control = GetDlgItem(IDC_CHAT_BANNER)) {
        ::MoveWindow(control, banner.left, banner.top, kBannerWidth, kBannerHeight, TRUE);
        if (bannerAnchor >= 0)
            SetControlAnchor(IDC_CHAT_BANNER, bannerAnchor);
    }
    SelectSavedColor();
    return CheckBanner();
}

bool CChatDlg::CheckBanner()
{
    std::vector<UINT> others = {IDC_CHAT_VIEW, IDC_CHAT_USERLIST, IDC_CHAT_INPUT};
    for (const ButtonRow& row : kButtons)
        others.push_back(row.id);
    return skin_banner::CheckBanner(m_hWnd, IDC_CHAT_BANNER, others, IDS_CHAT_BANNER_BROKEN, *m_host);
}

bool CChatDlg::LayoutSkin()
{
    if (!ReloadSkin("chat.bmp"))
        return false;
    if (!RunSkinLayout())
        return false;
    PlaceFromSkin(IDD_CHAT);
    return true;
}

BOOL CChatDlg::IsShowAtLogin() { return m_host ? m_host->Profile().GetInt("Location", "Show", 1) != 0 : FALSE; }

void CChatDlg::LoadBanner(BOOL show)
{
    if (!m_banner)
        return;
    m_banner->Navigate(show ? m_host->BannerUrl().GetString() : "about:blank");
}

void CChatDlg::SelectSavedColor()
{
    if (m_host)
        SelectColorButton(chat::ColorButtonFor(m_host->GetChatColor()));
}

void CChatDlg::SelectColorButton(int id)
{
    for (int i = 0; i < kColorCount; ++i) {
        if (static_cast<int>(kButtons[kFirstColor + i].id) != id)
            continue;
        m_currentColor = m_colors[i];
        m_host->SetChatColor(m_currentColor);
        if (m_pressedColor && m_pressedColor->m_hWnd)
            m_pressedColor->SetPushed(FALSE);
        m_pressedColor = &m_buttons[kFirstColor + i];
        if (m_pressedColor->m_hWnd)
            m_pressedColor->SetPushed(TRUE);
    }
}

void CChatDlg::OnColorButton(UINT id)
{
    SelectColorButton(static_cast<int>(id));
    if (m_input)
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_input), TRUE);
}

void CChatDlg::InsertIntoInput(const CString& text)
{
    CString now = GetDlgItemText(IDC_CHAT_INPUT);
    now += text;
    ::SetWindowTextA(m_input, now);
    ::SetFocus(m_input);
    if (HWND edit = InputEdit()) {
        ::SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
        ::SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    }
}

void CChatDlg::OnPhraseButton(UINT id)
{
    for (int i = 0; i < kPhraseCount; ++i)
        if (kPhraseIds[i] == id)
            InsertIntoInput(m_phrases[i]);
}

void CChatDlg::OnEnterButton()
{
    if (!m_buttons[kEnterButton].IsDisabled())
        m_room->OnEnterButton();
}

void CChatDlg::OnLeaveButton()
{
    ShowWaitCursor();
    if (!m_buttons[kLeaveButton].IsDisabled())
        m_room->OnLeaveButton();
}

CString CChatDlg::SelectedMember()
{
    int item = ListView_GetNextItem(m_members, -1, LVNI_SELECTED);
    if (item < 0)
        return CString();
    char buffer[512] = "";
    ListView_GetItemText(m_members, item, 0, buffer, sizeof buffer);
    return CString(buffer);
}

void CChatDlg::OnMemberDblClk(NMHDR*, LRESULT* result)
{
    CString name = SelectedMember();
    if (!name.IsEmpty())
        InsertIntoInput(CString((" > " + name.str() + " ").c_str()));
    *result = 0;
}

void CChatDlg::OnMemberRDblClk(NMHDR*, LRESULT* result)
{
    CString name = SelectedMember();
    if (!name.IsEmpty())
        InsertIntoInput(CString((name.str() + " ").c_str()));
    *result = 0;
}

void CChatDlg::OnClearLog()
{
    m_log.SetReadOnly(FALSE);
    m_log.HideSelection(TRUE);
    m_log.SetSel(0, -1);
    m_log.SendMessage(WM_CLEAR);
    m_log.SetSel(0, 0);
    m_log.HideSelection(FALSE);
    m_log.SetReadOnly(TRUE);
}

void CChatDlg::OnCopyLog()
{
    m_log.HideSelection(TRUE);
    m_log.SetSel(0, -1);
    m_log.SendMessage(WM_COPY);
    m_log.SetSel(-1, -1);
    m_log.HideSelection(FALSE);
}

void CChatDlg::OnRoomMenu(UINT id)
{
    std::size_t index = id - 3584;
    if (index < m_roomMenu.size())
        m_room->EnterRoomByUrl(m_roomMenu[index].str());
}

void CChatDlg::OnRButtonUp(UINT, POINT) { Default(); }

LRESULT CChatDlg::OnEngineEvent(WPARAM wParam, LPARAM lParam)
{
    if (static_cast<int>(wParam) == 1) {
        // A page's room parameter: a heap text of the URL scheme's command.
        std::unique_ptr<char[]> text(reinterpret_cast<char*>(lParam));
        std::string param = text ? text.get() : "";
        text.reset();
        m_room->OnRoomParameter(param);
        return 0;
    }
    m_room->OnEngineEvent(static_cast<int>(wParam), std::unique_ptr<ChatEvent>(reinterpret_cast<ChatEvent*>(lParam)));
    return 0;
}

void CChatDlg::OnOK()
{
    if (!m_room)
        return;
    m_room->SendLine(GetDlgItemText(IDC_CHAT_INPUT).str());
}

BOOL CChatDlg::PreTranslateMessage(MSG* msg)
{
    if (m_toolTip && msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST)
        ::SendMessageA(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return CSkinFrameDialog::PreTranslateMessage(msg);
}

BOOL CChatDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->idFrom != IDC_CHAT_VIEW || header->code != EN_MSGFILTER)
        return CSkinFrameDialog::OnNotify(wParam, lParam, result);
    auto* filter = reinterpret_cast<MSGFILTER*>(lParam);
    ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
    *result = 0;
    if (filter->msg == WM_LBUTTONDBLCLK) {
        doubleClickSeen = 1;
        return TRUE;
    }
    if (filter->msg != WM_LBUTTONUP)
        return TRUE;
    CHARFORMATA format = {};
    format.dwMask = CFM_UNDERLINE;
    m_log.GetSelectionCharFormat(format);
    if (!(format.dwEffects & CFE_UNDERLINE))
        return TRUE;
    if (doubleClickSeen) {
        doubleClickSeen = 0;
        return TRUE;
    }
    linkClickBusy = 1;
    long start = 0, end = 0;
    m_log.GetSel(start, end);
    long line = static_cast<long>(m_log.SendMessage(EM_EXLINEFROMCHAR, 0, start));
    long lineStart = static_cast<long>(m_log.SendMessage(EM_LINEINDEX, static_cast<WPARAM>(line)));
    long lineLength = static_cast<long>(m_log.SendMessage(EM_LINELENGTH, static_cast<WPARAM>(lineStart)));
    std::string text = m_log.GetTextRange(lineStart, lineStart + lineLength).str();
    std::size_t offset = m_log.GetTextRange(lineStart, start).str().size();
    std::string link;
    if (chat::LinkAt(text, offset, &link) && m_host->HasMainWindow()) {
        DWORD mask = m_log.SetEventMask(0);
        m_host->OpenUrl(link.c_str());
        m_log.SetEventMask(mask);
        *result = 1;
    }
    linkClickBusy = 0;
    return TRUE;
}

void CChatDlg::OnSize(UINT type, int cx, int cy)
{
    CSkinFrameDialog::OnSize(type, cx, cy);
    if (m_members && ListView_GetItemCount(m_members) > 0) {
        RECT client;
        ::GetClientRect(m_members, &client);
        ListView_SetColumnWidth(m_members, 0, client.right);
    }
}

void CChatDlg::OnGetMinMaxInfo(MINMAXINFO* info)
{
    SIZE minimum = GetMinimumSize();
    if (minimum.cx > 0 || minimum.cy > 0) {
        info->ptMinTrackSize.x = minimum.cx;
        info->ptMinTrackSize.y = minimum.cy;
    }
}

void CChatDlg::OnDestroy()
{
    m_closing = true;
    // A login dialog that still runs ends as a refusal, before anything of this window goes.
    CancelModalDialog();
    SaveSettings();
    if (m_room)
        m_room->EndVisit();
    if (m_toolTip) {
        ::DestroyWindow(m_toolTip);
        m_toolTip = nullptr;
    }
    CSkinFrameDialog::OnDestroy();
}

void CChatDlg::SaveSettings()
{
    if (!m_host || !m_room)
        return;
    IProfileStore& profile = m_host->Profile();
    RECT rect;
    GetWindowRect(&rect);
    // Every key that is read back is cleared first, so no stale line survives a shorter history.
    for (int i = 1; i <= static_cast<int>(chat::kHistorySize); ++i)
        profile.WriteString("Chat", ("chat" + std::to_string(i)).c_str(), "");
    std::vector<std::string> stored = chat::HistoryToStore(m_room->History());
    for (std::size_t i = 0; i < stored.size(); ++i)
        profile.WriteString("Chat", ("chat" + std::to_string(i + 1)).c_str(), stored[i].c_str());
    profile.WriteInt("Location", "Show", IsWindowVisible() ? 1 : 0);
    profile.WriteInt("Location", "ChatX", rect.left);
    profile.WriteInt("Location", "ChatY", rect.top);
    profile.WriteInt("Location", "ChatWidth", rect.right - rect.left);
    profile.WriteInt("Location", "ChatHeight", rect.bottom - rect.top);
}

void CChatDlg::RestorePosition()
{
    IProfileStore& profile = m_host->Profile();
    RECT now;
    GetWindowRect(&now);
    int width = now.right - now.left, height = now.bottom - now.top;
    chat::Placement stored{static_cast<int>(profile.GetInt("Location", "ChatX", -1)),
                           static_cast<int>(profile.GetInt("Location", "ChatY", -1)),
                           static_cast<int>(profile.GetInt("Location", "ChatWidth", width)),
                           static_cast<int>(profile.GetInt("Location", "ChatHeight", height))};
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    chat::Placement area{work.left, work.top, work.right - work.left, work.bottom - work.top};
    RECT browser;
    chat::Placement below{area.x + area.width / 2 - width / 2, area.y + area.height / 2 - height / 2, 0, 0};
    if (m_host->GetBrowserRect(&browser))
        below = {browser.left, browser.bottom, 0, 0};
    chat::Placement p = chat::RestorePlacement(stored, width, height, area, below);
    SetWindowPos(nullptr, p.x, p.y, p.width, p.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- the view of the room ---------------------------------------------------------------------

void CChatDlg::ApplyLook(int, const chat::StateLook& look)
{
    HWND edit = InputEdit();
    switch (look.input) {
    case chat::InputLook::Unchanged: break;
    case chat::InputLook::Empty: ::SetWindowTextA(m_input, ""); break;
    case chat::InputLook::Connecting: ::SetWindowTextA(m_input, LoadText(IDS_CHAT_CONNECTING)); break;
    case chat::InputLook::ConnectingChat: ::SetWindowTextA(m_input, LoadText(IDS_CHAT_CONNECTING_CHAT)); break;
    }
    if (look.input != chat::InputLook::Unchanged) {
        if (edit)
            ::SendMessageA(edit, EM_SETREADONLY, look.inputReadOnly, 0);
        ::EnableWindow(m_input, look.inputEnabled);
    }
    if (look.setBackgrounds) {
        ListView_SetBkColor(m_members, look.listBackground);
        ListView_SetTextBkColor(m_members, look.listBackground);
        ::InvalidateRect(m_members, nullptr, TRUE);
        m_log.SetBackgroundColor(FALSE, look.logBackground);
    }
    if (look.clearMembers) {
        ListView_DeleteAllItems(m_members);
        // The combo is drawn again by a size change.
        RECT r;
        ::GetWindowRect(m_input, &r);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        ::MoveWindow(m_input, r.left, r.top, 0, r.bottom - r.top, FALSE);
        ::MoveWindow(m_input, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    if (look.addToTray)
        toolkit::Host().AddTrayWindow(m_hWnd);
    if (look.show)
        ShowWindow(SW_SHOW);
    if (look.inputFocused)
        ::SetFocus(m_input);
}

void CChatDlg::ApplyControlSwitches(const chat::ControlSwitches& switches)
{
    auto apply = [](CSkinButton& button, chat::Switch s) {
        if (s != chat::Switch::Keep && button.m_hWnd)
            button.EnableButton(s == chat::Switch::On);
    };
    apply(m_buttons[kEnterButton], switches.enter);
    apply(m_buttons[kLeaveButton], switches.leave);
    for (int i = 0; i < kPhraseCount; ++i)
        apply(m_buttons[kFirstPhrase + i], switches.phrases);
}

bool CChatDlg::TimeStampsOn() { return (m_host->Settings().m_flags & kFlagChatTimeStamps) != 0; }

std::string CChatDlg::TimeStamp() const
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    char buffer[16];
    std::strftime(buffer, sizeof buffer, "%H:%M ", &local);
    return buffer;
}

void CChatDlg::InsertText(const std::string& text, int fontSlot, bool underline)
{
    const FontSlot& font = m_host->Settings().m_fonts[fontSlot];
    CHARFORMATA format = {};
    format.dwMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_UNDERLINE;
    int points = font.size < 1 ? 1 : (font.size > 72 ? 72 : font.size);
    format.yHeight = points * 20;
    format.crTextColor = font.color;
    format.dwEffects = underline ? CFE_UNDERLINE : 0;
    lstrcpynA(format.szFaceName, font.face, LF_FACESIZE);
    m_log.InsertWithFormat(text.c_str(), format);
}

void CChatDlg::WriteLog(const std::string& text, int mode, bool newLine)
{
    int linesBefore = m_log.GetLineCount();
    m_log.SetReadOnly(FALSE);
    m_log.SetSel(-1, -1);
    if (mode == 1) {
        for (const chat::LogSegment& segment : chat::SplitLinks(text))
            InsertText(segment.text, 1, segment.link);
    } else {
        InsertText(text, mode == 0 ? 0 : 2, false);
    }
    if (newLine && text.find("\r\n") == std::string::npos)
        InsertText("\r\n", mode == 0 ? 0 : (mode == 1 ? 1 : 2), false);
    m_log.SetSel(-1, -1);
    m_log.EmptyUndoBuffer();
    m_log.SetReadOnly(TRUE);
    if (newLine)
        m_log.LineScroll(m_log.GetLineCount() - linesBefore);
}

namespace {
// One line of the log is drawn once, when all its pieces are in.
class CDrawOnce {
public:
    explicit CDrawOnce(CWnd& log) : m_log(log) { m_log.SendMessage(WM_SETREDRAW, FALSE); }
    ~CDrawOnce()
    {
        m_log.SendMessage(WM_SETREDRAW, TRUE);
        m_log.Invalidate(FALSE);
    }

private:
    CWnd& m_log;
};
} // namespace

void CChatDlg::WriteChatLine(const std::string& nickname, const std::string& text)
{
    CDrawOnce once(m_log);
    std::string prefix = "<" + nickname + "> ";
    if (TimeStampsOn())
        prefix = TimeStamp() + prefix;
    WriteLog(prefix, 0, false);
    WriteLog(text, 1, true);
}

void CChatDlg::WriteSystemLine(const std::string& line, bool withTime)
{
    CDrawOnce once(m_log);
    if (withTime && TimeStampsOn())
        WriteLog(TimeStamp(), 0, false);
    WriteLog(line, 2, true);
}

void CChatDlg::ShowMembers(const std::vector<std::string>& members)
{
    ListView_DeleteAllItems(m_members);
    if (members.empty())
        return;
    ListView_SetImageList(m_members, m_images, LVSIL_SMALL);
    ListView_DeleteColumn(m_members, 0);
    RECT client;
    ::GetClientRect(m_members, &client);
    int width = client.right;
    int perPage = ListView_GetCountPerPage(m_members);
    if (static_cast<int>(members.size()) > perPage)
        width -= ::GetSystemMetrics(SM_CXVSCROLL);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>("ITEM_HEAD");
    ::SendMessageA(m_members, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    ::SendMessageA(m_members, WM_SETREDRAW, FALSE, 0);
    int index = 0;
    for (const std::string& name : members) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = index++;
        item.iImage = 0;
        item.pszText = const_cast<char*>(name.c_str());
        ::SendMessageA(m_members, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    ::SendMessageA(m_members, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(m_members, nullptr, TRUE);
}

void CChatDlg::ShowHistory(const std::vector<std::string>& history)
{
    CString text = GetDlgItemText(IDC_CHAT_INPUT);
    ::SendMessageA(m_input, CB_RESETCONTENT, 0, 0);
    for (const std::string& line : history)
        ::SendMessageA(m_input, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    ::SetWindowTextA(m_input, text);
}

void CChatDlg::ClearInput()
{
    if (HWND edit = InputEdit()) {
        ::SendMessageA(edit, EM_SETSEL, 0, -1);
        ::SendMessageA(edit, WM_CLEAR, 0, 0);
    }
}

std::string CChatDlg::Text(int id) { return LoadText(static_cast<UINT>(id)).str(); }

void CChatDlg::ShowMessage(int id) { PresentMessageBoxId(m_hWnd, static_cast<UINT>(id), MB_OK | MB_ICONEXCLAMATION); }

void CChatDlg::ShowWarning(int id, int code)
{
    CString text = LoadText(static_cast<UINT>(id));
    CString line;
    line.Format("%s(#%d)", text.GetString(), code);
    PresentMessageBox(m_hWnd, line, MB_OK | MB_ICONWARNING);
}

bool CChatDlg::RunLoginDialog(std::string* nickname, const std::string& room, const std::string& key)
{
    if (m_closing)
        return false;
    IChatWindowHost* host = m_host;
    CChatLoginDlg dialog(this);
    dialog.nickname = nickname->c_str();
    dialog.roomName = room.c_str();
    dialog.roomKey = key.c_str();
    if (!dialog.LoadSkin("chat_login.bmp", FALSE))
        return false;
    toolkit::Host().SetModalState(true);
    ShowWindow(SW_SHOW);
    host->SetCurrentModalDialog(&dialog);
    INT_PTR result = dialog.DoModal();
    // The window may be gone by now: only locals and the host are touched from here on.
    host->SetCurrentModalDialog(nullptr);
    toolkit::Host().SetModalState(false);
    if (result != IDOK)
        return false;
    *nickname = dialog.nickname.str();
    return true;
}

void CChatDlg::CancelModalDialog()
{
    if (!m_host)
        return;
    if (CDialog* dialog = m_host->GetCurrentModalDialog())
        dialog->OnCancel();
}

chat::IChatEngineLink* CChatDlg::CreateEngine()
{
    auto* engine = new CChatEngine(m_hWnd);
    if (!engine->m_hWnd) {
        delete engine;
        return nullptr;
    }
    m_engine = engine;
    m_engineLink = std::make_unique<CEngineLink>(*engine);
    m_host->SetChatEngine(engine);
    return m_engineLink.get();
}

void CChatDlg::DestroyEngine(chat::IChatEngineLink* link)
{
    if (!m_engine || link != m_engineLink.get())
        return;
    CChatEngine* engine = m_engine;
    m_engine = nullptr;
    m_host->SetChatEngine(nullptr);
    engine->Shutdown();
    engine->DestroyWindow();
    delete engine;
    m_engineLink.reset();
}

void CChatDlg::ShowWaitCursor()
{
    if (m_waitCursor)
        ::SetCursor(m_waitCursor);
}

void CChatDlg::RemoveFromTray()
{
    if (m_host->HasMainWindow())
        toolkit::Host().RemoveTrayWindow(m_hWnd);
}
