#include "messaging/send/SendFlow.h"

#include "messaging/wire/AttachPack.h"

#include <cstdio>

SendControls ControlsForState(int state)
{
    SendControls c;
    switch (state) {
    case kSendIdle:
        c.send = c.recordAttach = c.reset = c.textEditable = true;
        break;
    case kSendBodyTransfer:
        c.cancel = true;
        break;
    case kSendReceipt:
        c.recordAttach = c.reset = c.textEditable = true;
        break;
    default: // sending, offline
        break;
    }
    return c;
}

CString FormatReceiptTime(const SendLocalTime& t)
{
    // " %d年%d月%d日%d時%d分 " in code page 932.
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, " %d\x94\x4e%d\x8c\x8e%d\x93\xfa%d\x8e\x9e%d\x95\xaa ", t.year, t.month, t.day,
                  t.hour, t.minute);
    return CString(buffer);
}

bool TextFitsLimit(const CString& text, int limit) { return text.GetLength() <= limit; }

CSendFlow::CSendFlow(ISendHost& host, IRecvStore& store, ISendView& view) : m_host(host), m_store(store), m_view(view)
{
}

void CSendFlow::MakePackagePath()
{
    if (m_packagePath.IsEmpty())
        m_packagePath = m_host.MakeTempFile("VYS");
}

void CSendFlow::Initialise(bool visible)
{
    (void)visible;
    m_view.EnableLogButton(m_host.DatabaseAvailable() && !m_id.IsEmpty() && !m_name.IsEmpty());
    m_view.SetIndicator(false, false);
    m_view.EnableCancelButton(false);
    m_view.ClearText();
    ResetReceiptRequest();
    SetStatus(SendStatus::Empty);
    SetSendState(m_host.IsLoggedIn() ? kSendIdle : kSendOffline);
    m_view.EnableAttachButton(!m_packagePath.IsEmpty() && ControlsForState(m_state).recordAttach);
}

void CSendFlow::OnDestroy()
{
    if (!m_packagePath.IsEmpty())
        m_host.RemoveFile(m_packagePath);
    ReleaseSendLock();
}

void CSendFlow::SetSendState(int state)
{
    m_state = state;
    const SendControls controls = ControlsForState(state);
    m_view.ApplyControls(controls);
    if (!controls.textEditable && !m_id.IsEmpty())
        m_view.SetRecipientReadOnly(true);
}

void CSendFlow::SetStatus(SendStatus status, int number) { m_view.SetStatus(status, number); }

void CSendFlow::ResetReceiptRequest()
{
    m_receiptRequest = !m_host.ReceiptOffByDefault();
    m_view.SetReceiptButton(m_receiptRequest);
}

void CSendFlow::OnToggleReceipt()
{
    m_receiptRequest = !m_receiptRequest;
    m_view.SetReceiptButton(m_receiptRequest);
}

bool CSendFlow::TakeLock(std::uint16_t kind)
{
    if (m_lockHeld) // never twice: a request of this window still runs
        return false;
    if (!m_host.LockPm(kind, kSendLockWaitMs))
        return false;
    m_lockHeld = true;
    m_request = kind;
    return true;
}

void CSendFlow::ReleaseSendLock()
{
    // Only what this window took, and only while the holder kind is one of the send path's.
    if (m_lockHeld && m_host.GetHolderKind() >= kHoldSendText)
        m_host.UnlockPm();
    m_lockHeld = false;
    m_request = 0;
}

void CSendFlow::ReleasePanel()
{
    if (IVoiceClipPanel* panel = m_host.VoicePanel())
        panel->Hold(false);
}

void CSendFlow::ClearAttachment(bool clearCaption)
{
    m_attachmentPath.Empty();
    m_view.SetIndicator(false, false);
    if (clearCaption) {
        m_caption.Empty();
        m_view.SetCaption(m_caption);
    }
}

void CSendFlow::ResetTransfer()
{
    m_bytesSent = 0;
    m_lastPercent = 0;
    m_attachmentSize = 0.0;
}

void CSendFlow::OnSend()
{
    if (m_state != kSendIdle) {
        if (m_state == kSendOffline)
            return;
        m_host.ShowNotice(m_state == kSendReceipt ? SendNotice::ReceiptBusy : SendNotice::SendBusy, 0, CString());
        return;
    }
    m_view.ReadRecipient(&m_id, &m_name);
    SetSendState(kSendSending);
    if (m_id.IsEmpty()) {
        m_host.ShowNotice(SendNotice::NoRecipient, 0, CString());
        SetSendState(kSendIdle);
        return;
    }
    if (!m_host.IsLoggedIn()) {
        m_host.ShowNotice(SendNotice::LoggedOut, 0, CString());
        SetSendState(kSendIdle);
        return;
    }
    const CString text = m_view.GetText();
    const int limit = m_host.TextLimit();
    if (!TextFitsLimit(text, limit)) {
        m_host.ShowNotice(SendNotice::TextTooLong, limit, CString());
        SetSendState(kSendIdle);
        return;
    }
    const int option = (m_receiptRequest || m_host.SlashMark()) ? 1 : 0;
    IMsgWindowClient* client = m_host.GetMsgClient();
    if (!client) {
        m_host.ShowNotice(SendNotice::NoClient, 0, CString());
        SetSendState(kSendIdle);
        m_view.SetRecipientReadOnly(true);
        return;
    }
    IVoiceClipPanel* panel = m_host.VoicePanel();
    if (m_voiceFlag && panel && panel->IsRecording()) {
        panel->Stop();
        TakeVoiceClip();
    }
    m_voiceFlag = false;
    m_sendingPath = m_attachmentPath;

    int result = 0;
    if (!m_sendingPath.IsEmpty()) {
        const bool package = IsPackage(m_sendingPath);
        std::uint64_t size = 0;
        const std::uint64_t sizeLimit = package ? kPackageLimit : kVoiceClipLimit;
        bool ok = true;
        if (!m_host.FileSize(m_sendingPath, &size)) {
            m_host.ShowNotice(SendNotice::NoFile, 0, CString());
            ok = false;
        } else if (size > sizeLimit) {
            m_host.ShowNotice(SendNotice::FileTooLarge, static_cast<int>(sizeLimit), CString());
            ok = false;
        }
        if (!ok) {
            m_attachmentPath.Empty();
            m_sendingPath.Empty();
            m_view.SetIndicator(false, false);
            SetSendState(kSendIdle);
            return;
        }
        m_attachmentSize = static_cast<double>(size);
        if (panel && !panel->IsIdle())
            panel->Stop();
        if (panel)
            panel->Hold(true);
        if (!TakeLock(kHoldSendAnnounce)) {
            // The client is busy: nothing went out, the text and the attachment stay.
            ReleasePanel();
            m_attachmentSize = 0.0;
            m_host.ReportError(kSendCodeBusy);
            SetSendState(kSendIdle);
            return;
        }
        m_sentId = m_id;
        m_sentName = m_name;
        m_sentText = text;
        result = client->SendFile(m_host.SequenceCounter(), m_id, m_name, text, option, m_sendingPath,
                                  package ? kSendPackageFlag : kSendVoiceClipFlag);
        if (result != 0)
            ReleasePanel();
    } else {
        if (text.IsEmpty()) {
            m_host.ShowNotice(SendNotice::EmptyText, 0, CString());
            SetSendState(kSendIdle);
            return;
        }
        if (!TakeLock(kHoldSendText)) {
            m_host.ReportError(kSendCodeBusy);
            SetSendState(kSendIdle);
            return;
        }
        m_sentId = m_id;
        m_sentName = m_name;
        m_sentText = text;
        result = client->SendText(m_host.SequenceCounter(), m_id, m_name, text, option);
    }
    if (result != 0) {
        m_host.ReportError(result);
        ReleaseSendLock();
        m_attachmentSize = 0.0;
        SetSendState(kSendIdle);
        m_view.SetRecipientReadOnly(true);
        return;
    }
    m_host.RemoveTrayWindow(m_view.Handle());
    m_view.SetIndicator(false, false);
    m_caption.Empty();
    m_view.SetCaption(m_caption);
    m_voiceFlag = false;
    m_view.FocusTextStart();
    SetStatus(SendStatus::Sending);
    m_view.SetRecipientReadOnly(true);
}

void CSendFlow::OnClientEvent(int wParam, std::intptr_t lParam)
{
    switch (wParam) {
    case kSendEventLogin:
        SetSendState(lParam ? kSendIdle : kSendOffline);
        SetStatus(SendStatus::Empty);
        ResetReceiptRequest();
        break;
    case kSendEventList:
        if (m_host.GetHolderKind() == kHoldSendList) {
            ReleaseSendLock();
            m_view.KillLockTimer();
            m_view.EnableSendButton(true);
        }
        break;
    case kSendEventAccepted:
        OnAccepted();
        break;
    case kSendEventDelivered:
        OnDelivered();
        break;
    case kSendEventFailed:
        OnFailed(static_cast<int>(lParam));
        break;
    default:
        break;
    }
}

void CSendFlow::OnAccepted()
{
    if (m_state == kSendReceipt && m_receiptInFlight) {
        // The receipt was accepted: only now does it leave the queue.
        if (!m_receipts.empty())
            m_receipts.pop_front();
        m_receiptInFlight = false;
        SetStatus(SendStatus::Empty);
        ReleaseSendLock();
        SetSendState(kSendIdle);
        return;
    }
    if (m_state != kSendSending)
        return; // nothing of this window awaits an answer
    SetStatus(SendStatus::Empty);
    if (m_request == kHoldSendAnnounce) {
        SendBody();
        return;
    }
    StoreSent(0);
    FinishSent();
}

void CSendFlow::StoreSent(long type)
{
    if (!m_host.DatabaseAvailable())
        return;
    if (!m_sentId.IsEmpty() && !m_sentName.IsEmpty())
        m_store.PutUser(m_sentId, m_sentName);
    const long seq = m_store.AddMessage(m_sentId, m_sentText, type);
    if (type != 0 && seq > 0) {
        const CString stored = m_store.StoreAttachmentFile(type, m_sendingPath);
        if (!stored.IsEmpty())
            m_store.AddAttachment(seq, stored);
    }
}

void CSendFlow::FinishSent()
{
    m_view.ClearText();
    m_view.Show(false);
    ReleaseSendLock();
    SetSendState(kSendIdle);
    m_sentText.Empty();
    m_host.ShowBalloonEvent(30);
}

void CSendFlow::SendBody()
{
    IMsgWindowClient* client = m_host.IsLoggedIn() ? m_host.GetMsgClient() : nullptr;
    if (!client) {
        m_host.ShowNotice(SendNotice::LoggedOut, 0, CString());
        ReleaseSendLock();
        ReleasePanel();
        ResetTransfer();
        SetSendState(kSendIdle);
        return;
    }
    m_host.SetHolderKind(kHoldSendBody);
    m_request = kHoldSendBody;
    client->SetProgressWindow(m_view.Handle());
    m_bytesSent = 0;
    m_lastPercent = 0;
    SetSendState(kSendBodyTransfer);
    m_view.EnableCancelButton(true);
    const int result = client->SendWithBody(m_host.SequenceCounter(), m_sentId, m_sentName, CString(), 0, m_sendingPath);
    if (result != 0) {
        client->ClearProgressWindow();
        m_attachmentSize = 0.0;
        m_host.ReportError(result);
        ReleaseSendLock();
        ReleasePanel();
        SetSendState(kSendIdle);
    }
}

void CSendFlow::OnDelivered()
{
    if (m_state != kSendBodyTransfer)
        return;
    if (IMsgWindowClient* client = m_host.GetMsgClient())
        client->ClearProgressWindow();
    SetStatus(SendStatus::Empty);
    ResetTransfer();
    StoreSent(IsPackage(m_sendingPath) ? kStoredPackage : kStoredVoiceClip);
    m_attachmentPath.Empty();
    ReleasePanel();
    FinishSent();
}

void CSendFlow::OnFailed(int code)
{
    if (m_state == kSendReceipt && m_receiptInFlight) {
        // A failing receipt goes to the tail; the user's draft and attachment stay as they are.
        if (!m_receipts.empty()) {
            ReceiptEntry entry = m_receipts.front();
            m_receipts.pop_front();
            m_receipts.push_back(entry);
        }
        m_receiptInFlight = false;
        SetStatus(SendStatus::Empty);
        ReleaseSendLock();
        SetSendState(kSendIdle);
        return;
    }
    if (m_state != kSendSending && m_state != kSendBodyTransfer)
        return;
    m_view.KillLockTimer();
    if (m_state == kSendBodyTransfer) {
        if (IMsgWindowClient* client = m_host.GetMsgClient())
            client->ClearProgressWindow();
    }
    ReleaseSendLock();
    ReleasePanel();
    m_attachmentPath.Empty();
    SetStatus(code == kSendCodeCancelled ? SendStatus::Cancelled : SendStatus::SendError);
    ResetTransfer();
    m_voiceFlag = false;
    m_sentText.Empty();
    SetSendState(kSendIdle);
}

void CSendFlow::OnProgress(std::uintptr_t wParam, std::intptr_t lParam)
{
    if (wParam != 2 || m_attachmentSize == 0.0 || lParam < 0)
        return;
    m_bytesSent += static_cast<std::uint64_t>(lParam);
    double percent = static_cast<double>(m_bytesSent) / m_attachmentSize * 100.0;
    if (percent > 95.0)
        m_view.EnableCancelButton(false);
    if (percent > 100.0)
        percent = 100.0;
    const unsigned shown = static_cast<unsigned>(percent);
    if (shown > m_lastPercent) {
        m_lastPercent = shown;
        SetStatus(SendStatus::Progress, static_cast<int>(shown));
    }
}

void CSendFlow::OnCancelTransfer()
{
    IMsgWindowClient* client = m_host.IsLoggedIn() ? m_host.GetMsgClient() : nullptr;
    if (!client)
        return;
    const bool allCounted = static_cast<double>(m_bytesSent) == m_attachmentSize;
    client->PostCancel(allCounted ? 0u : 1000u);
}

void CSendFlow::OpenForPartner(const CString& id, const CString& name, bool clearText)
{
    if (m_host.GetHolderKind() != 0)
        return;
    if (!m_view.IsShown())
        ResetReceiptRequest();
    if (m_state != kSendIdle)
        return;
    m_view.Show(true);
    m_id = id;
    m_name = name;
    m_view.WriteRecipient(m_id, m_name);
    SetStatus(SendStatus::Empty);
    m_view.EnableLogButton(m_host.DatabaseAvailable() && !m_id.IsEmpty() && !m_name.IsEmpty());
    if (clearText)
        m_view.ClearText();
    ClearAttachment(true);
    m_voiceFlag = false;
    SetSendState(kSendIdle);
}

void CSendFlow::OnReset(bool ctrlDown)
{
    m_view.ReadRecipient(&m_id, &m_name);
    OpenForPartner(m_id, m_name, ctrlDown);
}

void CSendFlow::OnClose()
{
    m_view.Show(false);
    m_view.ClearText();
    ClearAttachment(false);
    m_voiceFlag = false;
    ReleasePanel();
    m_view.FocusTextStart();
    m_host.RemoveTrayWindow(m_view.Handle());
}

void CSendFlow::QueueReadReceipt(const CString& id)
{
    if (id.IsEmpty())
        return;
    m_receipts.push_back(ReceiptEntry{id, FormatReceiptTime(m_host.LocalNow())});
}

void CSendFlow::SendNextReadReceipt()
{
    if (m_receipts.empty() || m_host.GetHolderKind() != 0 || m_state != kSendIdle || m_lockHeld)
        return;
    SetSendState(kSendReceipt);
    bool sent = false;
    const CString text = m_receipts.front().timeText + m_host.ReplyMessage();
    IMsgWindowClient* client = m_host.IsLoggedIn() ? m_host.GetMsgClient() : nullptr;
    if (client && !text.IsEmpty() && TakeLock(kHoldSendText)) {
        const int result = client->SendText(m_host.SequenceCounter(), m_receipts.front().commId, CString(), text, 2);
        if (result == 0) {
            m_receiptInFlight = true;
            SetStatus(SendStatus::ReceiptSending);
            sent = true;
        } else {
            // Not shown; the entry goes to the tail so that it holds back no other.
            ReleaseSendLock();
            ReceiptEntry entry = m_receipts.front();
            m_receipts.pop_front();
            m_receipts.push_back(entry);
        }
    }
    if (!sent)
        SetSendState(kSendIdle);
}

void CSendFlow::OnLockTimer()
{
    ReleaseSendLock();
    m_view.EnableSendButton(true);
    m_view.KillLockTimer();
}

// --- attachments

void CSendFlow::BuildPackageOf(const CString& source)
{
    const int code = m_host.BuildPackage(source, m_packagePath);
    if (code == ATTACH_OK) {
        m_attachmentPath = m_packagePath;
        m_view.SetIndicator(true, true);
        m_view.SetCaption(m_caption);
        return;
    }
    ClearAttachment(true);
    switch (code) {
    case ATTACH_BAD_HEADER: m_host.ShowNotice(SendNotice::Unsupported, 0, CString()); break;
    case ATTACH_NO_ENTRY: m_host.ShowNotice(SendNotice::FileMissing, 0, CString()); break;
    case ATTACH_TOO_LARGE: m_host.ShowNotice(SendNotice::FileTooLarge, static_cast<int>(kPackageLimit), CString()); break;
    case ATTACH_TOO_MANY: m_host.ShowNotice(SendNotice::TooManyFiles, 1, CString()); break;
    case ATTACH_OPEN_FAILED: m_host.ShowNotice(SendNotice::CannotOpen, 0, source); break;
    case ATTACH_CREATE_FAILED: m_host.ShowNotice(SendNotice::CannotOpen, 0, CString()); break;
    case ATTACH_SHORT: m_host.ShowNotice(SendNotice::ReadError, 0, source); break;
    case ATTACH_WRITE_FAILED: m_host.ShowNotice(SendNotice::WriteError, 0, CString()); break;
    default: m_host.ShowNotice(SendNotice::PackageFailed, code, CString()); break;
    }
}

bool CSendFlow::OnDropFile(const CString& path)
{
    // Never while a message is on its way: the package being sent must not change.
    if (m_state != kSendIdle && m_state != kSendReceipt)
        return false;
    if (path.IsEmpty())
        return false;
    MakePackagePath();
    m_caption = path;
    m_view.SetCaption(m_caption);
    m_voiceFlag = false;
    m_attachmentPath.Empty();
    if (m_packagePath.IsEmpty()) {
        ClearAttachment(true);
        m_host.ShowNotice(SendNotice::CannotOpen, 0, CString());
        return true;
    }
    BuildPackageOf(path);
    return true;
}

bool CSendFlow::PrepareFileDialog()
{
    MakePackagePath();
    if (m_packagePath.IsEmpty()) {
        m_host.ShowNotice(SendNotice::CannotOpen, 0, CString());
        return false;
    }
    return true;
}

void CSendFlow::OnFileChosen(const CString& path)
{
    if (m_state != kSendIdle && m_state != kSendReceipt)
        return;
    m_caption = path;
    m_view.SetCaption(m_caption);
    m_voiceFlag = false;
    m_attachmentPath.Empty();
    if (m_caption.IsEmpty()) {
        m_view.SetIndicator(false, false);
        return;
    }
    BuildPackageOf(path);
}

// --- voice messages

void CSendFlow::TakeVoiceClip()
{
    IVoiceClipPanel* panel = m_host.VoicePanel();
    const CString clip = panel ? panel->GetClipPath() : CString();
    if (!clip.IsEmpty()) {
        m_attachmentPath = clip;
        m_view.SetIndicator(true, true);
    } else {
        ClearAttachment(true);
    }
}

void CSendFlow::OnRecordVoice()
{
    m_view.ReadRecipient(&m_id, &m_name);
    IVoiceClipPanel* panel = m_host.VoicePanel();
    if (m_voiceFlag && panel && panel->IsRecording()) {
        panel->Stop();
        return;
    }
    if (!panel || !panel->IsIdle()) {
        m_attachmentPath.Empty();
        m_view.SetIndicator(false, false);
        m_host.ShowNotice(SendNotice::DeviceBusy, 0, CString());
        return;
    }
    panel->ShowBeside(m_view.Handle());
    panel->Record();
    m_caption = "\xce\xde\xb2\xbd\xd2\xaf\xbe\xb0\xbc\xde"; // ﾎﾞｲｽﾒｯｾｰｼﾞ
    m_view.SetCaption(m_caption);
    if (panel->GetRecordResult() == 0 && !panel->IsRecording()) {
        m_voiceFlag = false;
        ClearAttachment(true);
        m_host.ShowNotice(SendNotice::NoVoice, 0, CString());
        return;
    }
    m_voiceFlag = true;
    const CString clip = panel->GetClipPath();
    if (!clip.IsEmpty()) {
        m_attachmentPath = clip;
        m_view.SetIndicator(true, true);
    } else {
        m_attachmentPath.Empty();
        m_view.SetIndicator(false, false);
    }
    m_view.SetCaption(m_caption);
}

void CSendFlow::OnRecordingSaved()
{
    if (!m_voiceFlag)
        return;
    TakeVoiceClip();
    m_voiceFlag = false;
}

void CSendFlow::OnVoiceRecorderClosed()
{
    if (!m_voiceFlag)
        return;
    m_voiceFlag = false;
    if (m_caption == "\xce\xde\xb2\xbd\xd2\xaf\xbe\xb0\xbc\xde" && m_attachmentPath.IsEmpty()) {
        m_caption.Empty();
        m_view.SetCaption(m_caption);
    }
}
