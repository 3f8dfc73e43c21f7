#include "messaging/recv/RecvFlow.h"

#include "messaging/client/HostRecords.h"
#include "messaging/client/PostedRecord.h"
#include "messaging/wire/PmRecords.h"
#include "messaging/wire/PmResultCodes.h"

#include <vector>

namespace {

constexpr unsigned kFetchWaitMs = 3000;
constexpr unsigned kDeleteWaitMs = 10000;
constexpr unsigned kListWaitMs = 10000;
constexpr int kResultOnline = 103;
constexpr int kResultSettings = 104;
constexpr int kCodeCancelled = 12000;
constexpr int kCodeUnreadable = 12214;
constexpr int kCodeQuiet = 12215;
constexpr int kCodeLoggedOut = 174;

} // namespace

bool IsRecvHolderKind(std::uint16_t kind)
{
    return (kind >= kHoldFetchShow && kind <= kHoldFetchDelete) || kind == kHoldList;
}

CRecvFlow::CRecvFlow(IRecvHost& host, IRecvStore& store, IRecvView& view) : m_host(host), m_store(store), m_view(view)
{
}

bool CRecvFlow::ValidIndex(int index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < m_host.Arrivals().size();
}

MessageEntry* CRecvFlow::EntryAt(int index)
{
    return ValidIndex(index) ? &m_host.Arrivals()[static_cast<std::size_t>(index)] : nullptr;
}

int CRecvFlow::FindEntry(std::uint32_t number) const
{
    const std::vector<MessageEntry>& arrivals = m_host.Arrivals();
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        if (arrivals[i].number == number)
            return static_cast<int>(i);
    }
    return -1;
}

bool CRecvFlow::IsIdle() const
{
    return m_host.GetHolderKind() == 0 && m_busyState == kBusyIdle;
}

void CRecvFlow::SetStatus(RecvStatus status, int number)
{
    m_status = status;
    m_view.SetStatus(status, number);
}

void CRecvFlow::ReleaseOwnLock()
{
    // Results of other windows' requests pass through here too: only this window's hold goes.
    if (IsRecvHolderKind(m_host.GetHolderKind()))
        m_host.UnlockPm();
}

void CRecvFlow::DeferWork(std::uint16_t flag)
{
    // A flag can be pending without the timer (a first fetch that went out at once): the timer
    // follows whether it runs, not whether flags were pending.
    if (!m_timerRunning) {
        m_view.StartDeferredTimer(kDeferredTimerMs);
        m_timerRunning = true;
    }
    m_deferred |= flag;
}

void CRecvFlow::StopDeferredWork()
{
    m_deferred = 0;
    if (m_timerRunning) {
        m_view.KillDeferredTimer();
        m_timerRunning = false;
    }
}

void CRecvFlow::ResetTransfer()
{
    m_transferTotal = 0.0;
    m_transferReceived = 0;
    m_transferPercent = 0;
}

void CRecvFlow::Initialise()
{
    if (!m_host.Arrivals().empty()) {
        FillList(false);
        ShowMessage(0);
        FetchFirstUnread();
    } else if (IsIdle()) {
        Refresh(true);
    } else {
        // Another window holds the lock: the list request waits for timer 4.
        m_bannerRefresh = true;
        RequestList();
    }
    SetStatus(RecvStatus::Empty);
    m_attachmentFile.Empty();
}

void CRecvFlow::Refresh(bool bannerRefresh)
{
    m_bannerRefresh = bannerRefresh;
    // Only this window's own request in flight makes a refresh wait for nothing. While another
    // window (or the main window's queue) holds the request lock, the list is cleared and the
    // request waits for the lock on timer 4: a refresh is never dropped.
    if (m_busyState != kBusyIdle)
        return;
    ClearAll();
    RequestList();
    m_view.EnableButton(kPlayOff);
    m_view.EnableButton(kReplyOff);
}

void CRecvFlow::Cancel()
{
    ClearAll();
    RequestList();
    m_view.EnableButton(kPlayOff);
    m_view.EnableButton(kReplyOff);
}

void CRecvFlow::ClearAll()
{
    m_view.DeleteAllRows();
    m_currentIndex = 0;
    m_view.ShowBody(nullptr);
    std::vector<MessageEntry>& saved = m_host.SavedArrivals();
    saved = m_host.Arrivals();
    for (MessageEntry& entry : saved) {
        if (entry.attachmentFile.IsEmpty())
            continue;
        if (m_host.FileExists(entry.attachmentFile))
            m_host.RemoveFile(entry.attachmentFile);
        // The restored entry must not point at the file that is gone.
        entry.attachmentFile.Empty();
        entry.state &= ~static_cast<std::uint32_t>(kEntryAttachmentIn);
    }
    m_host.SetMessageArrive(false);
    StopDeferredWork();
    m_host.UpdateReceiveButton();
}

int CRecvFlow::RequestList()
{
    if (!m_host.IsLoggedIn()) {
        m_deferred &= static_cast<std::uint16_t>(~kDeferList);
        return kCodeLoggedOut;
    }
    if (m_host.GetHolderKind() != 0) {
        DeferWork(kDeferList);
        return 0;
    }
    m_deferred &= static_cast<std::uint16_t>(~kDeferList);
    IMsgWindowClient* client = m_host.GetMsgClient();
    if (!client)
        return 0;
    if (!m_host.LockPm(kHoldList, kListWaitMs)) {
        DeferWork(kDeferList);
        return 0;
    }
    const int code = client->RequestList(m_host.SequenceCounter());
    if (code != 0) {
        m_host.UnlockPm();
        m_host.ReportError(code);
        return code;
    }
    SetBusyState(kBusyList);
    return 0;
}

void CRecvFlow::MergeList(const PmMessageList& list)
{
    std::vector<MessageEntry>& arrivals = m_host.Arrivals();
    const std::size_t before = arrivals.size();
    for (const PmListEntry& item : list.entries) {
        const CString senderId(PmFieldText(item.senderId));
        if (senderId.IsEmpty())
            continue;
        // A number already listed (before this list or earlier in it) adds nothing.
        bool known = false;
        for (const MessageEntry& entry : arrivals)
            known = known || entry.number == item.number;
        if (known)
            continue;
        MessageEntry entry;
        entry.senderId = senderId;
        entry.senderName = CString(PmFieldText(item.senderName));
        entry.number = item.number;
        entry.time = item.time;
        entry.attributes = item.attributes;
        entry.attachmentKind = item.attributes & kAttrAttachmentMask;
        arrivals.push_back(entry);
    }
    const bool added = m_host.Arrivals().size() > before;
    m_host.MergeMessageLists();
    if (added) {
        FillList(true);
        ShowMessage(m_currentIndex);
        AnnounceArrivals();
    }
    RefreshBanner(false);
}

void CRecvFlow::FillList(bool append)
{
    const std::vector<MessageEntry>& arrivals = m_host.Arrivals();
    int first = m_view.RowCount();
    if (first > 0 && !append) {
        m_view.DeleteAllRows();
        first = 0;
    }
    for (std::size_t i = static_cast<std::size_t>(first); i < arrivals.size(); ++i)
        m_view.AddRow(arrivals[i]);
    m_view.SetListColumnWidth();
}

void CRecvFlow::AnnounceArrivals()
{
    bool fresh = false;
    for (const MessageEntry& entry : m_host.Arrivals())
        fresh = fresh || entry.state == 0;
    if (fresh) {
        if (!m_view.IsShown())
            m_host.BlinkReceiveButton();
        m_host.PlayArrivalSound();
    }
    m_host.SetMessageArrive(true);
}

void CRecvFlow::FetchFirstUnread()
{
    const std::vector<MessageEntry>& arrivals = m_host.Arrivals();
    // An unreadable first entry is done: it is never fetched again.
    if (arrivals.empty() || arrivals[0].Has(kEntryFetched) || arrivals[0].Has(kEntryUnreadable)) {
        m_deferred &= static_cast<std::uint16_t>(~kDeferFetchFirst);
        return;
    }
    if (m_host.GetHolderKind() == 0 && m_busyState == kBusyIdle) {
        const int sent = FetchMessage(0, kHoldFetchShow);
        if (sent == 0) {
            // Logged out, no client or a refused request: nothing to wait for.
            m_deferred &= static_cast<std::uint16_t>(~kDeferFetchFirst);
            return;
        }
        // Sent, or the lock could not be had: the flag stays with the timer running until the
        // entry is fetched (a result that never gets used cannot strand the flag).
        DeferWork(kDeferFetchFirst);
        return;
    }
    DeferWork(kDeferFetchFirst);
}

int CRecvFlow::FetchMessage(int index, std::uint16_t holderKind)
{
    MessageEntry* entry = EntryAt(index);
    if (!entry || entry->Has(kEntryUnreadable))
        return 0;
    if (entry->Has(kEntryFetched) && holderKind != kHoldFetchAttachment && holderKind != kHoldFetchDelete)
        return 0;
    if (!m_host.IsLoggedIn())
        return 0;
    IMsgWindowClient* client = m_host.GetMsgClient();
    if (!client) {
        m_host.ShowNotice(RecvNotice::NoClient);
        return 0;
    }
    if (m_host.GetHolderKind() != 0 || !m_host.LockPm(holderKind, kFetchWaitMs))
        return -1;
    const std::uint32_t number = entry->number;
    const int code = client->RequestFetch(m_host.SequenceCounter(), number);
    if (code != 0) {
        m_host.UnlockPm();
        m_host.ReportError(code);
        return 0;
    }
    m_fetchNumber = number;
    SetBusyState(kBusyFetch);
    return 1;
}

void CRecvFlow::ShowMessage(int index)
{
    if (index != m_currentIndex || !ValidIndex(index))
        return;
    m_view.ShowBody(EntryAt(index));
    MessageEntry* entry = EntryAt(index);
    if (!entry->Has(kEntryFetched) || entry->Has(kEntryOpened) || m_view.SelectedRow() < 0) {
        RefreshBanner(false);
        return;
    }
    if (!entry->HasAttachment()) {
        entry->state |= kEntryOpened;
        m_view.SetRowIcon(index, kIconOpened);
        DeleteMessage(entry->number, kHoldFetchDelete);
    } else if (entry->Has(kEntryAttachmentIn)) {
        // Received before and its delete did not go through: delete it now, without a new body.
        entry->state |= kEntryOpened;
        m_view.SetRowIcon(index, kIconOpened);
        DeleteMessage(entry->number, kHoldFetchDelete);
    } else {
        PrepareAttachment(index);
    }
}

void CRecvFlow::PrepareAttachment(int index)
{
    if (index < 0 || index >= m_view.RowCount() || !ValidIndex(index))
        return;
    if (!m_host.IsLoggedIn()) {
        m_host.ShowNotice(RecvNotice::LoggedOut);
        return;
    }
    m_currentIndex = index;
    const CString name = m_host.MakeTempFile("CHR");
    m_attachmentFile = name;
    if (name.IsEmpty()) {
        m_host.ShowNotice(RecvNotice::NoFile);
        return;
    }
    m_host.PendingTargetFile() = name;
    if (FetchMessage(m_currentIndex, kHoldFetchAttachment) != 1) {
        // Nothing went out: the empty file goes again.
        m_host.PendingTargetFile().Empty();
        if (m_host.FileExists(name))
            m_host.RemoveFile(name);
        m_attachmentFile.Empty();
    }
}

void CRecvFlow::ReceiveAttachment(const CString& target)
{
    // Runs holding the lock of the kind-17 fetch: every way out without a request releases it.
    auto giveUp = [this]() {
        m_host.UnlockPm();
        m_host.PendingTempFile().Empty();
        m_host.PendingTargetFile().Empty();
    };
    if (!m_host.IsLoggedIn()) {
        m_host.ShowNotice(RecvNotice::LoggedOut);
        giveUp();
        return;
    }
    const CString temp = m_host.MakeTempFile("icc");
    if (temp.IsEmpty()) {
        giveUp();
        return;
    }
    m_host.PendingTempFile() = temp;
    m_host.PendingTargetFile() = target;
    IMsgWindowClient* client = m_host.GetMsgClient();
    MessageEntry* entry = EntryAt(m_currentIndex);
    if (!client || !entry) {
        if (!client)
            m_host.ShowNotice(RecvNotice::NoClient);
        m_host.RemoveFile(temp);
        giveUp();
        return;
    }
    m_host.SetHolderKind(kHoldBody);
    client->SetProgressWindow(m_window);
    m_transferTotal = static_cast<double>(entry->attachmentLength);
    m_transferReceived = 0;
    m_transferPercent = 0;
    m_view.EnableCancelButton(true);
    const int code = client->RequestBody(m_host.SequenceCounter(), entry->number, temp, entry->attachmentLength);
    if (code != 0) {
        m_host.ReportError(code);
        client->ClearProgressWindow();
        m_transferTotal = 0.0;
        m_view.EnableCancelButton(false);
        m_host.RemoveFile(temp);
        giveUp();
        return;
    }
    SetBusyState(kBusyBody);
}

void CRecvFlow::OnProgress(std::uintptr_t wParam, std::intptr_t lParam)
{
    if (wParam != 2 || m_transferTotal == 0.0)
        return;
    m_view.SetWaitCursor(true);
    m_transferReceived += static_cast<std::uint32_t>(lParam);
    double percent = static_cast<double>(m_transferReceived) * 100.0 / m_transferTotal;
    if (percent > 95.0)
        m_view.EnableCancelButton(false);
    if (percent > 100.0)
        percent = 100.0;
    const int shown = static_cast<int>(percent);
    if (shown > m_transferPercent) {
        m_transferPercent = shown;
        SetStatus(RecvStatus::Progress, shown);
    }
}

int CRecvFlow::DeleteMessage(std::uint32_t number, std::uint16_t holderKind)
{
    if (!m_host.IsLoggedIn()) {
        m_host.ShowNotice(RecvNotice::LoggedOut);
        return 0;
    }
    if (holderKind == kHoldFetchDelete) {
        const int index = FindEntry(number);
        if (index < 0)
            return 0;
        m_currentIndex = index;
        FetchMessage(index, kHoldFetchDelete);
        return 1;
    }
    IMsgWindowClient* client = m_host.GetMsgClient();
    if (!client) {
        m_host.ShowNotice(RecvNotice::NoClient);
        ReleaseOwnLock();
        return 0;
    }
    if (m_host.GetHolderKind() == kHoldFetchDelete)
        m_host.UnlockPm();
    if (m_host.GetHolderKind() != 0 || !m_host.LockPm(kHoldDelete, kDeleteWaitMs))
        return 0;
    const int code = client->RequestDelete(m_host.SequenceCounter(), number);
    if (code != 0) {
        m_host.UnlockPm();
        m_host.ReportError(code);
        return 0;
    }
    m_deleteNumber = number;
    m_deletePending = true;
    SetBusyState(kBusyDelete);
    return 1;
}

bool CRecvFlow::StoreBeforeDelete(int index)
{
    MessageEntry* entry = EntryAt(index);
    if (!entry)
        return false;
    if (entry->Has(kEntryStored) || !m_host.HistoryAvailable() || (entry->attributes & kAttrNotStored))
        return true;
    const long kind = RecvDatabaseKind(entry->attachmentKind);
    if (!m_store.PutUser(entry->senderId, entry->senderName))
        return false;
    // The attachment is copied first, so that a failure leaves no message row without it.
    CString storedCopy;
    if (kind != 0 && !entry->attachmentFile.IsEmpty()) {
        storedCopy = m_store.StoreAttachmentFile(kind, entry->attachmentFile);
        if (storedCopy.IsEmpty())
            return false;
    }
    const long record = m_store.AddMessage(entry->senderId, entry->body, kind);
    if (record == 0)
        return false;
    if (!storedCopy.IsEmpty() && !m_store.AddAttachment(record, storedCopy))
        return false;
    entry->state |= kEntryStored;
    return true;
}

void CRecvFlow::FinishDelete(int index)
{
    MessageEntry* entry = EntryAt(index);
    if (!entry)
        return;
    entry->state |= kEntryOpened | kEntryDeleted;
    if ((entry->attributes & kAttrReadNotice) && m_host.ProtocolVersionLowByte() != 47)
        m_view.RequestReadNotice(entry->senderId);
    entry = EntryAt(index);
    if (entry && entry->HasAttachment()) {
        if (!m_attachmentFile.IsEmpty())
            entry->attachmentFile = m_attachmentFile;
        m_view.ShowAttachmentStatus(*entry);
    }
    m_attachmentFile.Empty();
}

void CRecvFlow::OnMessage(int wParam, std::intptr_t lParam)
{
    if (wParam == kResultOnline) {
        if (lParam == 0) {
            SetBusyState(kBusyOffline);
            if (!m_host.PendingTargetFile().IsEmpty())
                m_host.CommitReceivedFile(false);
        } else {
            SetBusyState(kBusyIdle);
        }
        return;
    }
    if (wParam == kResultSettings) {
        m_view.ApplyMessageFont();
        return;
    }
    PmPostedRecord* record = PmRecordFromParam(lParam);
    if (!m_host.IsLoggedIn()) {
        // After a log-out the result is not used, but the request it ends lets go of the lock.
        const std::uint16_t holder = m_host.GetHolderKind();
        if (wParam == PM_POST_MESSAGE_LIST) {
            if (holder == kHoldList) {
                SetBusyState(kBusyIdle);
                m_host.UnlockPm();
            }
        } else if (wParam == PM_POST_FETCHED || wParam == PM_POST_DELETED || wParam == PM_POST_BODY_RECEIVED ||
                   (wParam == PM_POST_FAILED && !(record && static_cast<std::int32_t>(record->Sequence()) < 0))) {
            if (IsRecvHolderKind(holder)) {
                if (m_host.GetHolderKind() == kHoldBody) {
                    m_host.CommitReceivedFile(false);
                    if (IMsgWindowClient* client = m_host.GetMsgClient())
                        client->ClearProgressWindow();
                    m_view.EnableCancelButton(false);
                    ResetTransfer();
                }
                SetBusyState(kBusyIdle);
                m_host.UnlockPm();
            }
            m_deletePending = false;
        }
        PmFreePostedRecord(record);
        return;
    }
    switch (wParam) {
    case PM_POST_MESSAGE_LIST:
        if (!m_host.IsLoggedIn())
            break;
        if (m_busyState == kBusyList)
            SetBusyState(kBusyIdle);
        if (record) {
            PmMessageList list;
            if (ReadHostMessageList(record->Bytes(), record->size, &list)) {
                MergeList(list);
                SetStatus(RecvStatus::UnreadCount, static_cast<int>(list.entries.size()));
            }
        }
        if (m_host.GetHolderKind() == kHoldList)
            m_host.UnlockPm();
        if (m_host.GetHolderKind() == 0)
            FetchFirstUnread();
        break;
    case PM_POST_FETCHED: {
        if (!m_host.IsLoggedIn())
            break;
        SetBusyState(kBusyIdle);
        if (m_status == RecvStatus::Receiving)
            SetStatus(RecvStatus::Empty);
        const std::uint16_t holder = m_host.GetHolderKind();
        if (holder == kHoldFetchDelete)
            OnFetchedForDelete(record);
        else if (holder == kHoldFetchAttachment && !m_host.PendingTargetFile().IsEmpty())
            ReceiveAttachment(m_host.PendingTargetFile());
        else {
            ReleaseOwnLock();
            OnFetched(record);
        }
        break;
    }
    case PM_POST_DELETED:
    case PM_POST_BODY_RECEIVED:
        if (!m_host.IsLoggedIn())
            break;
        SetBusyState(kBusyIdle);
        ReleaseOwnLock();
        SetStatus(RecvStatus::Empty);
        if (wParam == PM_POST_DELETED) {
            if (record && m_deletePending) {
                m_deletePending = false;
                const int index = FindEntry(m_deleteNumber);
                if (index >= 0) {
                    m_currentIndex = index;
                    if (m_host.Arrivals()[static_cast<std::size_t>(index)].attributes & kAttrNotStored)
                        m_view.ShowBalloonEvent(31);
                    FinishDelete(index);
                    RefreshBanner(true);
                }
                FetchFirstUnread();
            }
        } else if (record) {
            OnBodyReceived(record);
        }
        break;
    case PM_POST_FAILED: {
        if (!m_host.IsLoggedIn())
            break;
        // A failure of a message send (negative sequence) belongs to the send window; failures
        // of requests this window did not make leave it alone too.
        if (record && static_cast<std::int32_t>(record->Sequence()) < 0)
            break;
        const std::uint16_t holder = m_host.GetHolderKind();
        if (!IsRecvHolderKind(holder) && m_busyState == kBusyIdle)
            break;
        SetBusyState(kBusyIdle);
        ReleaseOwnLock();
        if (record)
            OnFailed(holder, holder == kHoldBody || holder == kHoldFetchAttachment);
        break;
    }
    default:
        break;
    }
    PmFreePostedRecord(record);
}

void CRecvFlow::OnFetched(const PmPostedRecord* record)
{
    if (!record)
        return;
    PmMessage message;
    if (!ReadHostMessage(record->Bytes(), record->size, &message)) {
        // A record that can't be read: that fetch is done for good, the message stays on the
        // server, and the first-unread fetch does not try it again and again.
        const int index = FindEntry(m_fetchNumber);
        if (index >= 0) {
            m_host.Arrivals()[static_cast<std::size_t>(index)].state |= kEntryUnreadable;
            m_view.SetRowIcon(index, kIconUnreadable);
        }
        SetStatus(RecvStatus::ReceiveError);
        FetchFirstUnread();
        return;
    }
    const int index = FindEntry(message.number);
    if (index < 0)
        return;
    m_view.SetWaitCursor(true);
    {
        MessageEntry& entry = m_host.Arrivals()[static_cast<std::size_t>(index)];
        CString text(message.text);
        entry.body = text.GetLength() > static_cast<int>(PM_MESSAGE_TEXT_MAX)
                         ? text.SafeLeft(static_cast<int>(PM_MESSAGE_TEXT_MAX))
                         : text;
        entry.state |= kEntryFetched;
        entry.attachmentKind = message.fileFlag;
        entry.attachmentLength = message.fileLength;
    }
    ShowMessage(index);
    if (MessageEntry* entry = EntryAt(index)) {
        if (entry->HasAttachment())
            m_view.SetRowAttachmentIcon(index, RecvAttachmentIcon(entry->attachmentKind));
    }
    m_view.SetWaitCursor(false);
    FetchFirstUnread();
}

void CRecvFlow::OnFetchedForDelete(const PmPostedRecord* record)
{
    PmMessage message;
    const int index = (record && ReadHostMessage(record->Bytes(), record->size, &message)) ? FindEntry(message.number)
                                                                                          : -1;
    if (index < 0) {
        // Nothing to delete that this window knows: the lock goes, the server keeps it.
        m_host.UnlockPm();
        return;
    }
    m_currentIndex = index;
    if (!StoreBeforeDelete(index)) {
        m_host.UnlockPm();
        MessageEntry& entry = m_host.Arrivals()[static_cast<std::size_t>(index)];
        entry.state &= ~static_cast<std::uint32_t>(kEntryOpened); // selecting it again retries
        m_view.SetRowIcon(index, RecvRowIcon(entry));
        SetStatus(RecvStatus::StoreFailed);
        m_host.ShowNotice(RecvNotice::StoreFailed);
        return;
    }
    DeleteMessage(message.number, kHoldDelete);
}

void CRecvFlow::OnBodyReceived(const PmPostedRecord* record)
{
    IMsgWindowClient* client = m_host.GetMsgClient();
    PmResult result;
    const bool complete = ReadHostResult(record->Bytes(), record->size, &result) && result.first == 0;
    // Only a complete body with reply code 0 counts; anything else deletes nothing.
    if (!complete || !m_host.CommitReceivedFile(true)) {
        if (!complete)
            m_host.CommitReceivedFile(false);
        if (client)
            client->ClearProgressWindow();
        m_view.EnableCancelButton(false);
        ResetTransfer();
        SetStatus(RecvStatus::ReceiveError);
        if (!m_attachmentFile.IsEmpty() && m_host.FileExists(m_attachmentFile))
            m_host.RemoveFile(m_attachmentFile);
        m_attachmentFile.Empty();
        return;
    }
    if (client)
        client->ClearProgressWindow();
    m_view.EnableCancelButton(false);
    ResetTransfer();
    MessageEntry* entry = EntryAt(m_currentIndex);
    if (!entry)
        return;
    if (entry->attachmentKind == kAttachVoiceClip && m_host.VoiceMessageOption())
        m_view.PlayVoiceClip(m_attachmentFile);
    entry = EntryAt(m_currentIndex);
    if (!entry)
        return;
    entry->state |= kEntryOpened | kEntryAttachmentIn;
    entry->attachmentFile = m_attachmentFile;
    m_view.SetRowIcon(m_currentIndex, kIconOpened);
    DeleteMessage(entry->number, kHoldFetchDelete);
    FetchFirstUnread();
}

void CRecvFlow::OnFailed(std::uint16_t holderKind, bool bodyTransfer)
{
    IMsgWindowClient* client = m_host.GetMsgClient();
    const int code = client ? client->GetLastResult() : 0;
    m_host.CommitReceivedFile(false);
    m_host.ReportError(code);
    RecvStatus status = RecvStatus::ReceiveError;
    if (code == kCodeCancelled)
        status = RecvStatus::Cancelled;
    else if (code == kCodeQuiet)
        status = RecvStatus::Empty;
    MessageEntry* entry = EntryAt(m_currentIndex);
    if (entry && code == kCodeUnreadable) {
        entry->state |= kEntryUnreadable;
        m_view.SetRowIcon(m_currentIndex, kIconUnreadable);
    } else if (entry && (holderKind == kHoldFetchDelete || holderKind == kHoldDelete)) {
        // The delete did not go through: selecting the entry again retries it (never storing twice).
        entry->state &= ~static_cast<std::uint32_t>(kEntryOpened);
        m_view.SetRowIcon(m_currentIndex, RecvRowIcon(*entry));
    }
    m_deletePending = false;
    // The automatic first fetch gives up after a failure (no error box every three seconds);
    // a pending list request still runs.
    m_deferred &= static_cast<std::uint16_t>(~kDeferFetchFirst);
    if (m_deferred == 0)
        StopDeferredWork();
    SetStatus(status);
    if (client)
        client->ClearProgressWindow();
    m_view.EnableCancelButton(false);
    m_transferTotal = 0.0;
    m_transferReceived = 0;
    // The attachment file belongs to the entry once its body came; only a failed transfer's goes.
    if (bodyTransfer || !(entry && entry->Has(kEntryAttachmentIn))) {
        if (!m_attachmentFile.IsEmpty() && m_host.FileExists(m_attachmentFile))
            m_host.RemoveFile(m_attachmentFile);
    }
    m_attachmentFile.Empty();
    m_transferPercent = 0;
}

void CRecvFlow::OnTimer()
{
    if (m_host.GetHolderKind() == 0 && m_busyState == kBusyIdle) {
        if (m_deferred & kDeferFetchFirst)
            FetchFirstUnread();
        else if (m_deferred & kDeferList)
            RequestList();
    }
    if (m_deferred == 0)
        StopDeferredWork();
}

void CRecvFlow::SetBusyState(int state)
{
    m_busyState = state;
    switch (state) {
    case kBusyList:
    case kBusyFetch:
    case kBusyBody:
    case kBusyDelete:
    case kBusyOffline:
        m_view.EnableButton(kRefreshOff);
        m_view.EnableButton(kPlayOff);
        m_view.EnableButton(kAttachmentOff);
        break;
    case kBusyIdle:
        if (ValidIndex(m_currentIndex))
            ApplySelectionButtons(m_currentIndex);
        m_view.EnableButton(kRefreshOn);
        break;
    default:
        break;
    }
}

void CRecvFlow::ApplySelectionButtons(int index)
{
    const MessageEntry* entry = EntryAt(index);
    if (!entry)
        return;
    const std::uint32_t kind = entry->attachmentKind & kAttrAttachmentMask;
    if (kind == kAttachVoiceClip) {
        m_view.EnableButton(kPlayOn);
        m_view.EnableButton(kAttachmentOff);
    } else if (kind != 0) {
        m_view.EnableButton(kPlayOff);
        m_view.EnableButton(kAttachmentOn);
    } else {
        m_view.EnableButton(kPlayOff);
        m_view.EnableButton(kAttachmentOff);
    }
}

void CRecvFlow::OnListSelect(int row, RecvSelectSource source)
{
    if (!IsIdle())
        return;
    if (!ValidIndex(row) || row >= m_view.RowCount()) {
        if (source == RecvSelectSource::Click) {
            m_view.EnableButton(kPlayOff);
            m_view.EnableButton(kReplyOff);
        }
        return;
    }
    m_currentIndex = row;
    if (EntryAt(row)->Has(kEntryFetched)) {
        ShowMessage(row);
    } else {
        SetStatus(RecvStatus::Receiving);
        FetchMessage(row, kHoldFetchShow);
    }
    ApplySelectionButtons(row);
    if (source == RecvSelectSource::Click) {
        m_view.EnableButton(kReplyOn);
        m_view.EnableButton(kHistoryByFlag);
    } else if (source == RecvSelectSource::ContextMenu) {
        m_view.EnableButton(kReplyOn);
    }
    const MessageEntry* entry = EntryAt(row);
    if (entry && !entry->attachmentFile.IsEmpty())
        m_view.ShowAttachmentStatus(*entry);
    else
        SetStatus(RecvStatus::Empty);
}

void CRecvFlow::OnCancelTransfer()
{
    if (!m_host.IsLoggedIn())
        return;
    IMsgWindowClient* client = m_host.GetMsgClient();
    if (!client)
        return;
    client->PostCancel(static_cast<double>(m_transferReceived) == m_transferTotal ? 0u : 1000u);
}

void CRecvFlow::RefreshBanner(bool force)
{
    if (!m_view.IsShown())
        return;
    if (force || m_bannerRefresh) {
        m_view.LoadBanner();
        m_bannerRefresh = false;
    }
}

void CRecvFlow::OnDestroy()
{
    for (const MessageEntry& entry : m_host.Arrivals()) {
        if (!entry.attachmentFile.IsEmpty() && m_host.FileExists(entry.attachmentFile))
            m_host.RemoveFile(entry.attachmentFile);
    }
    if (!m_attachmentFile.IsEmpty() && m_host.FileExists(m_attachmentFile))
        m_host.RemoveFile(m_attachmentFile);
    StopDeferredWork();
}
