#include "messaging/send/win/MsgSendDlg.h"

#include "framework/win/FileDialog.h"
#include "messaging/recv/MessageWindowHost.h"
#include "resources/StringIds.h"
#include "shell/common/services/PartnerRef.h"
#include "toolkit/win/SkinHost.h"

#include <richedit.h>

#include <vector>

namespace {

constexpr COLORREF kBackground = RGB(212, 208, 200);

struct ButtonSpec {
    UINT id;
    const char* strip;
    UINT tip; // 0: none
};
constexpr ButtonSpec kButtons[] = {
    {IDC_SEND_SEND, "vyrntalk_snd_snd.bmp", IDS_SEND_TIP_SEND},
    {IDC_SEND_RECORD, "vyrntalk_snd_rec.bmp", IDS_SEND_TIP_RECORD},
    {IDC_SEND_LOG, "vyrntalk_snd_log.bmp", IDS_SEND_TIP_LOG},
    {IDC_SEND_INDICATOR, "vyrntalk_snd_indicate.bmp", IDS_SEND_TIP_INDICATOR},
    {IDC_SEND_RESET, "vyrntalk_snd_reset.bmp", IDS_SEND_TIP_RESET},
    {IDC_SEND_CANCEL, "vyrntalk_snd_cancel.bmp", IDS_SEND_TIP_CANCEL},
    {IDC_SEND_RECEIPT, "vyrntalk_snd_check.bmp", IDS_SEND_TIP_RECEIPT},
    {IDC_SEND_ATTACH, "vyrntalk_snd_attach.bmp", IDS_SEND_TIP_ATTACH},
    {IDC_SEND_CLOSE, "vyrntalk_snd_cls.bmp", 0},
};

class CSystemFileChooser : public ISendFileChooser {
public:
    bool ChooseFile(HWND owner, const CString& initial, CString* path) override
    {
        CString filter;
        filter.LoadString(IDS_SEND_FILE_FILTER);
        CWnd* parent = CWnd::FromHandlePermanent(owner);
        CFileDialog dialog(TRUE, nullptr, initial, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter, parent);
        if (dialog.DoModal() != IDOK)
            return false;
        *path = dialog.GetPathName();
        return true;
    }
};

CSystemFileChooser g_systemChooser;
ISendFileChooser* g_chooser = nullptr;

ISendFileChooser& Chooser() { return g_chooser ? *g_chooser : g_systemChooser; }

} // namespace

void SetSendFileChooser(ISendFileChooser* chooser) { g_chooser = chooser; }

BEGIN_MESSAGE_MAP(CMsgSendDlg, CSkinFrameDialog)
    ON_MESSAGE(kMsgSendEvent, OnClientEvent)
    ON_MESSAGE(kMsgSendVoiceSaved, OnVoiceSaved)
    ON_MESSAGE(kMsgSendProgress, OnProgressNotice)
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_WM_DROPFILES()
    ON_WM_CTLCOLOR()
    ON_NOTIFY(EN_MSGFILTER, IDC_SEND_TEXT, OnTextFilter)
    ON_BN_CLICKED(IDC_SEND_SEND, OnSendButton)
    ON_BN_CLICKED(IDC_SEND_RECORD, OnRecordButton)
    ON_BN_CLICKED(IDC_SEND_LOG, OnLogButton)
    ON_BN_CLICKED(IDC_SEND_RESET, OnResetButton)
    ON_BN_CLICKED(IDC_SEND_ATTACH, OnAttachButton)
    ON_BN_CLICKED(IDC_SEND_CANCEL, OnCancelButton)
    ON_BN_CLICKED(IDC_SEND_RECEIPT, OnReceiptButton)
    ON_BN_CLICKED(IDC_SEND_CLOSE, OnCloseButton)
END_MESSAGE_MAP()

CMsgSendDlg::CMsgSendDlg(CWnd* parent, bool visible, ISendHost& host, IRecvStore& store)
    : CSkinFrameDialog(IDD_MSG_SEND, parent), m_flow(new CSendFlow(host, store, *this)), m_host(host),
      m_parent(parent), m_visible(visible)
{
    m_style = kModeFree;
    // The package file is made once, with the window.
    m_flow->MakePackagePath();
}

CMsgSendDlg::~CMsgSendDlg() = default;

BOOL CMsgSendDlg::Create()
{
    if (!LoadSkin("vyrntalk_snd.bmp", FALSE))
        return FALSE;
    return CSkinFrameDialog::Create(IDD_MSG_SEND, m_parent);
}

CSkinButton* CMsgSendDlg::Button(UINT id)
{
    switch (id) {
    case IDC_SEND_SEND: return &m_send;
    case IDC_SEND_RECORD: return &m_record;
    case IDC_SEND_LOG: return &m_log;
    case IDC_SEND_INDICATOR: return &m_indicator;
    case IDC_SEND_RESET: return &m_reset;
    case IDC_SEND_CANCEL: return &m_cancel;
    case IDC_SEND_RECEIPT: return &m_receipt;
    case IDC_SEND_ATTACH: return &m_attach;
    default: return &m_close;
    }
}

void CMsgSendDlg::PostNcDestroy()
{
    CSkinFrameDialog::PostNcDestroy();
    delete this;
}

BOOL CMsgSendDlg::OnInitDialog()
{
    m_brush.CreateSolidBrush(kBackground);
    CSkinFrameDialog::OnInitDialog();
    for (const ButtonSpec& spec : kButtons)
        Button(spec.id)->SubclassDlgItem(spec.id, this);
    ::SendMessageA(GetDlgItem(IDC_SEND_CAPTION), EM_SETREADONLY, TRUE, 0);
    if (CSkinFrameDialog* leader = Leader())
        leader->AddFloatingWindow(this);
    ::DragAcceptFiles(m_hWnd, TRUE);
    if (!HasSkin() || !SetupControls(true))
        return FALSE;
    if (m_tip.Create(this, TTS_ALWAYSTIP)) {
        for (const ButtonSpec& spec : kButtons)
            if (spec.tip)
                m_tip.AddTool(Button(spec.id), spec.tip);
        m_tip.Activate(TRUE);
    }
    m_flow->Initialise(m_visible);
    if (!m_visible)
        ShowWindow(SW_HIDE);
    SetTimer(kSendReceiptTimer, kReceiptTimerMs);
    return TRUE;
}

BOOL CMsgSendDlg::SetupControls(bool initial)
{
    for (const ButtonSpec& spec : kButtons)
        if (!Button(spec.id)->SetBitmap(spec.strip, 4))
            return FALSE;
    if (initial) {
        RECT none = {0, 0, 0, 0};
        if (!m_text.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                           none, this, IDC_SEND_TEXT))
            return FALSE;
        ::SendMessageA(GetDlgItem(IDC_SEND_ID), EM_LIMITTEXT, 16, 0);
    }
    for (const ButtonSpec& spec : kButtons)
        Button(spec.id)->PlaceFromSkin(spec.id);
    for (UINT id : {IDC_SEND_TEXT, IDC_SEND_ID, IDC_SEND_NAME, IDC_SEND_STATUS, IDC_SEND_CAPTION}) {
        RECT rect;
        toolkit::Skins().GetControlRect(id, &rect);
        if (!::IsRectEmpty(&rect))
            if (HWND control = GetDlgItem(static_cast<int>(id)))
                ::MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
    m_indicator.EnableButton(FALSE);
    m_cancel.EnableButton(FALSE);
    if (initial)
        ApplyTextSettings();
    return TRUE;
}

BOOL CMsgSendDlg::ApplySkin()
{
    if (!ReloadSkin("vyrntalk_snd.bmp"))
        return FALSE;
    if (!SetupControls(false))
        return FALSE;
    // The buttons' states follow the flow again.
    m_flow->SetSendState(m_flow->GetState());
    SetIndicator(!m_flow->GetAttachmentPath().IsEmpty(), !m_flow->GetAttachmentPath().IsEmpty());
    m_flow->ResetReceiptRequest();
    return TRUE;
}

void CMsgSendDlg::ApplyTextSettings()
{
    const SendFont font = m_host.MessageFont();
    CHARFORMATA format = {};
    format.dwMask = CFM_SIZE | CFM_COLOR | CFM_FACE;
    format.yHeight = font.points * 20;
    format.crTextColor = static_cast<COLORREF>(font.colour);
    ::lstrcpynA(format.szFaceName, font.face, LF_FACESIZE);
    m_text.SetDefaultCharFormat(format);
    m_text.SendMessage(EM_EXLIMITTEXT, 0, m_host.TextLimit());
    m_text.SetEventMask(ENM_KEYEVENTS);
}

BOOL CMsgSendDlg::PreTranslateMessage(MSG* msg)
{
    if (m_tip.GetSafeHwnd() && msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST)
        m_tip.RelayEvent(msg);
    if ((msg->message == WM_LBUTTONDOWN || msg->message == WM_LBUTTONUP) &&
        (msg->hwnd == GetDlgItem(IDC_SEND_ID) || msg->hwnd == GetDlgItem(IDC_SEND_NAME)))
        ::RedrawWindow(msg->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    return CSkinFrameDialog::PreTranslateMessage(msg);
}

LRESULT CMsgSendDlg::OnClientEvent(WPARAM wParam, LPARAM lParam)
{
    const int event = static_cast<int>(static_cast<std::intptr_t>(wParam));
    if (event == kSendEventOpen) {
        if (const auto* partner = reinterpret_cast<const PartnerRef*>(lParam))
            m_flow->OpenForPartner(partner->commId, partner->commName, true);
        return 0;
    }
    if (event == kSendEventReceipt) {
        // The heap string is this window's to free, whatever happens to the receipt.
        std::unique_ptr<CString> id(reinterpret_cast<CString*>(lParam));
        if (id)
            m_flow->QueueReadReceipt(*id);
        return 0;
    }
    if (event == kSendEventSettings) {
        ApplyTextSettings();
        return 0;
    }
    m_flow->OnClientEvent(event, static_cast<std::intptr_t>(lParam));
    return 0;
}

LRESULT CMsgSendDlg::OnVoiceSaved(WPARAM, LPARAM)
{
    m_flow->OnRecordingSaved();
    return 0;
}

LRESULT CMsgSendDlg::OnProgressNotice(WPARAM wParam, LPARAM lParam)
{
    m_flow->OnProgress(static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam));
    return 0;
}

void CMsgSendDlg::OnTimer(UINT_PTR id)
{
    if (id == kSendReceiptTimer) {
        KillTimer(kSendReceiptTimer);
        m_flow->SendNextReadReceipt();
        SetTimer(kSendReceiptTimer, kReceiptTimerMs);
        return;
    }
    if (id == kSendLockTimer) {
        m_flow->OnLockTimer();
        return;
    }
    CSkinFrameDialog::OnTimer(id);
}

void CMsgSendDlg::OnDestroy()
{
    KillTimer(kSendReceiptTimer);
    KillTimer(kSendLockTimer);
    m_flow->OnDestroy();
    CSkinFrameDialog::OnDestroy();
}

void CMsgSendDlg::OnDropFiles(HDROP drop)
{
    // Only the first file; its whole name, however long.
    CString path;
    const UINT length = ::DragQueryFileA(drop, 0, nullptr, 0);
    if (length > 0) {
        std::vector<char> name(length + 1, '\0');
        if (::DragQueryFileA(drop, 0, name.data(), length + 1) > 0)
            path = name.data();
    }
    ::DragFinish(drop);
    if (!path.IsEmpty())
        m_flow->OnDropFile(path);
}

HBRUSH CMsgSendDlg::OnCtlColor(HDC dc, HWND control, UINT type)
{
    HBRUSH skinBrush = CSkinFrameDialog::OnCtlColor(dc, control, type);
    if (type == WM_CTLCOLORSTATIC && control != GetDlgItem(IDC_SEND_STATUS)) {
        ::SetBkColor(dc, kBackground);
        return m_brush;
    }
    return skinBrush;
}

void CMsgSendDlg::OnTextFilter(NMHDR* header, LRESULT* result)
{
    *result = 0;
    const auto* filter = reinterpret_cast<const MSGFILTER*>(header);
    if (filter->msg == WM_KEYDOWN && filter->wParam == VK_TAB) {
        m_text.SendMessage(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("\t"));
        *result = 1; // swallowed
    } else if (filter->msg == WM_CHAR && filter->wParam == '\t') {
        *result = 1; // the tab was inserted on its key-down
    }
}

void CMsgSendDlg::OnLogButton()
{
    CString id, name;
    ReadRecipient(&id, &name);
    if (id.IsEmpty() || name.IsEmpty())
        return;
    PartnerRef partner;
    partner.commId = id;
    partner.commName = name;
    messaging::Opener().OpenMessageLog(partner);
}

void CMsgSendDlg::OnResetButton() { m_flow->OnReset((::GetKeyState(VK_CONTROL) & 0x8000) != 0); }

void CMsgSendDlg::OnAttachButton()
{
    if (!m_flow->PrepareFileDialog())
        return;
    CString chosen;
    if (!Chooser().ChooseFile(m_hWnd, m_flow->GetCaption(), &chosen))
        chosen.Empty();
    m_flow->OnFileChosen(chosen);
    // The caret to the end of the caption.
    HWND caption = GetDlgItem(IDC_SEND_CAPTION);
    const int length = ::GetWindowTextLengthA(caption);
    ::SendMessageA(caption, EM_SETSEL, static_cast<WPARAM>(length), length);
}

// --- ISendView

void CMsgSendDlg::ApplyControls(const SendControls& c)
{
    m_send.EnableButton(c.send);
    m_record.EnableButton(c.recordAttach);
    m_attach.EnableButton(c.recordAttach && !m_flow->GetPackagePath().IsEmpty());
    m_reset.EnableButton(c.reset);
    m_cancel.EnableButton(c.cancel);
    m_text.SetReadOnly(!c.textEditable);
}

bool CMsgSendDlg::IsTextReadOnly() const
{
    return (::GetWindowLongA(m_text.m_hWnd, GWL_STYLE) & ES_READONLY) != 0;
}

bool CMsgSendDlg::IsRecipientReadOnly() const
{
    return (::GetWindowLongA(GetDlgItem(IDC_SEND_ID), GWL_STYLE) & ES_READONLY) != 0;
}

void CMsgSendDlg::SetRecipientReadOnly(bool readOnly)
{
    ::SendMessageA(GetDlgItem(IDC_SEND_ID), EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void CMsgSendDlg::ReadRecipient(CString* id, CString* name)
{
    char buffer[512];
    ::GetDlgItemTextA(m_hWnd, IDC_SEND_ID, buffer, sizeof buffer);
    *id = buffer;
    ::GetDlgItemTextA(m_hWnd, IDC_SEND_NAME, buffer, sizeof buffer);
    *name = buffer;
}

void CMsgSendDlg::WriteRecipient(const CString& id, const CString& name)
{
    ::SetDlgItemTextA(m_hWnd, IDC_SEND_ID, id);
    ::SetDlgItemTextA(m_hWnd, IDC_SEND_NAME, name);
}

CString CMsgSendDlg::GetText()
{
    // The text in code page 932 with CR LF line ends: its length in bytes is what the limit counts.
    GETTEXTLENGTHEX lengthQuery = {GTL_USECRLF | GTL_PRECISE | GTL_NUMBYTES, 932};
    const LRESULT length = m_text.SendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthQuery), 0);
    if (length <= 0)
        return CString();
    std::vector<char> buffer(static_cast<std::size_t>(length) + 2, '\0');
    GETTEXTEX query = {};
    query.cb = static_cast<DWORD>(buffer.size());
    query.flags = GT_USECRLF;
    query.codepage = 932;
    m_text.SendMessage(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(buffer.data()));
    return CString(buffer.data());
}

void CMsgSendDlg::ClearText() { ::SetWindowTextA(m_text.m_hWnd, ""); }

void CMsgSendDlg::FocusTextStart()
{
    m_text.SetFocus();
    m_text.SetSel(0, 0);
}

void CMsgSendDlg::SetStatus(SendStatus status, int number)
{
    UINT id = 0;
    switch (status) {
    case SendStatus::Empty: break;
    case SendStatus::Sending: id = IDS_SEND_SENDING; break;
    case SendStatus::Progress: id = IDS_SEND_PROGRESS; break;
    case SendStatus::SendError: id = IDS_SEND_ERROR; break;
    case SendStatus::Cancelled: id = IDS_SEND_CANCELLED; break;
    case SendStatus::ReceiptSending: id = IDS_SEND_RECEIPT_BUSY; break;
    }
    CString text;
    if (id) {
        CString format;
        format.LoadString(id);
        if (status == SendStatus::Progress)
            text.Format(format, number);
        else
            text = format;
    }
    m_statusText = text;
    // Out of sight and back, so that the skin behind the line repaints.
    HWND line = GetDlgItem(IDC_SEND_STATUS);
    RECT rect;
    ::GetWindowRect(line, &rect);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    ::MoveWindow(line, -2000, -2000, rect.right - rect.left, rect.bottom - rect.top, FALSE);
    ::MoveWindow(line, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    ::SetWindowTextA(line, text);
}

void CMsgSendDlg::SetIndicator(bool enabled, bool latched)
{
    if (enabled) {
        m_indicator.EnableButton(TRUE);
        m_indicator.SetPushed(latched ? TRUE : FALSE);
    } else {
        m_indicator.SetPushed(FALSE);
        m_indicator.EnableButton(FALSE);
    }
}

void CMsgSendDlg::SetCaption(const CString& caption)
{
    HWND edit = GetDlgItem(IDC_SEND_CAPTION);
    ::SetWindowTextA(edit, caption);
    const int length = caption.GetLength();
    ::SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(length), length);
    ::SendMessageA(edit, EM_SCROLLCARET, 0, 0);
}

void CMsgSendDlg::SetReceiptButton(bool latched)
{
    m_receipt.SetPushed(latched ? TRUE : FALSE);
    m_receipt.Invalidate();
}

void CMsgSendDlg::EnableLogButton(bool enable) { m_log.EnableButton(enable); }
void CMsgSendDlg::EnableSendButton(bool enable) { m_send.EnableButton(enable); }
void CMsgSendDlg::EnableCancelButton(bool enable) { m_cancel.EnableButton(enable); }
void CMsgSendDlg::EnableAttachButton(bool enable) { m_attach.EnableButton(enable); }

bool CMsgSendDlg::IsShown() const { return ::IsWindowVisible(m_hWnd) != FALSE; }

void CMsgSendDlg::Show(bool show)
{
    SetWindowPos(nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void CMsgSendDlg::KillLockTimer() { KillTimer(kSendLockTimer); }
