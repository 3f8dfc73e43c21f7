#include "messaging/recv/doubles/RecvDoubles.h"

#include "messaging/client/HostRecords.h"
#include "messaging/client/PostedRecord.h"
#include "messaging/recv/RecvFlow.h"

#include <cstdio>

std::vector<std::string> CRecvEventLog::With(const std::string& prefix) const
{
    std::vector<std::string> out;
    for (const std::string& event : m_events) {
        if (event.compare(0, prefix.size(), prefix) == 0)
            out.push_back(event);
    }
    return out;
}

// --- client

int CRecordingMsgClient::Request(const std::string& kind, int& counter, const std::string& event)
{
    ++requests;
    auto refusal = refuse.find(kind);
    if (refusal != refuse.end() && refusal->second != 0) {
        lastResult = refusal->second;
        m_log.Add("refused " + event);
        return refusal->second;
    }
    ++counter;
    m_log.Add(event);
    pending.push_back(Pending{kind, 0, CString(), counter});
    return 0;
}

int CRecordingMsgClient::RequestList(int& counter) { return Request("list", counter, "client.list"); }

int CRecordingMsgClient::RequestFetch(int& counter, std::uint32_t number)
{
    const int code = Request("fetch", counter, "client.fetch " + std::to_string(number));
    if (code == 0)
        pending.back().number = number;
    return code;
}

int CRecordingMsgClient::RequestDelete(int& counter, std::uint32_t number)
{
    if (beforeDelete)
        beforeDelete(number);
    const int code = Request("delete", counter, "client.delete " + std::to_string(number));
    if (code == 0)
        pending.back().number = number;
    return code;
}

int CRecordingMsgClient::RequestBody(int& counter, std::uint32_t number, const CString& destination,
                                     std::uint32_t announcedLength)
{
    bodyDestination = destination;
    bodyAnnounced = announcedLength;
    const int code = Request("body", counter, "client.body " + std::to_string(number));
    if (code == 0) {
        pending.back().number = number;
        pending.back().destination = destination;
    }
    return code;
}

void CRecordingMsgClient::SetProgressWindow(std::uintptr_t window)
{
    progressWindow = window;
    m_log.Add("progress-window");
}

void CRecordingMsgClient::ClearProgressWindow()
{
    progressWindow = 0;
    m_log.Add("progress-clear");
}

void CRecordingMsgClient::PostCancel(unsigned wParam) { m_log.Add("client.cancel " + std::to_string(wParam)); }

int CRecordingMsgClient::SendText(int& counter, const CString& recipientId, const CString& recipientName,
                                  const CString& text, int option)
{
    const int code = Request("text", counter, "client.text " + recipientId.str() + " " + std::to_string(option));
    if (code == 0) {
        Pending& p = pending.back();
        p.recipientId = recipientId;
        p.recipientName = recipientName;
        p.text = text;
        p.option = option;
    }
    return code;
}

int CRecordingMsgClient::SendFile(int& counter, const CString& recipientId, const CString& recipientName,
                                  const CString& text, int option, const CString& path, std::uint32_t fileFlag)
{
    char flag[16];
    std::snprintf(flag, sizeof flag, "0x%X", static_cast<unsigned>(fileFlag));
    const int code = Request("file", counter, "client.file " + recipientId.str() + " " + std::to_string(option) + " " + flag);
    if (code == 0) {
        Pending& p = pending.back();
        p.recipientId = recipientId;
        p.recipientName = recipientName;
        p.text = text;
        p.option = option;
        p.destination = path;
        p.fileFlag = fileFlag;
    }
    return code;
}

int CRecordingMsgClient::SendWithBody(int& counter, const CString& recipientId, const CString& recipientName,
                                      const CString& text, int option, const CString& path)
{
    const int code = Request("with-body", counter, "client.with-body " + recipientId.str());
    if (code == 0) {
        Pending& p = pending.back();
        p.recipientId = recipientId;
        p.recipientName = recipientName;
        p.text = text;
        p.option = option;
        p.destination = path;
    }
    return code;
}

// --- host

bool CFakeRecvHost::LockPm(std::uint16_t kind, unsigned waitMs)
{
    if (lockTimesOut || lockDepth > 0) {
        m_log.Add("lock " + std::to_string(kind) + " timed out");
        return false;
    }
    (void)waitMs;
    lockDepth = 1;
    holder = kind;
    m_log.Add("lock " + std::to_string(kind));
    return true;
}

void CFakeRecvHost::UnlockPm()
{
    if (lockDepth == 0) {
        ++unbalancedUnlocks;
        m_log.Add("unlock without hold");
        return;
    }
    lockDepth = 0;
    holder = 0;
    m_log.Add("unlock");
}

void CFakeRecvHost::SetHolderKind(std::uint16_t kind)
{
    holder = kind;
    m_log.Add("holder " + std::to_string(kind));
}

void CFakeRecvHost::MergeMessageLists()
{
    for (const MessageEntry& fresh : saved) {
        for (MessageEntry& entry : arrivals) {
            if (entry.senderId == fresh.senderId && entry.number == fresh.number && entry.time == fresh.time)
                entry = fresh;
        }
    }
    saved.clear();
}

void CFakeRecvHost::SetMessageArrive(bool flag)
{
    if (!flag)
        arrivals.clear();
    messageArrive = flag ? static_cast<int>(arrivals.size()) : 0;
}

bool CFakeRecvHost::CommitReceivedFile(bool keep)
{
    m_log.Add(keep ? "commit keep" : "commit drop");
    bool ok = true;
    if (keep) {
        auto temp = files.find(pendingTemp.str());
        if (commitFails || temp == files.end() || pendingTarget.IsEmpty())
            ok = false;
        else
            files[pendingTarget.str()] = temp->second;
    }
    if (!pendingTemp.IsEmpty())
        files.erase(pendingTemp.str());
    pendingTemp.Empty();
    pendingTarget.Empty();
    return ok;
}

CString CFakeRecvHost::MakeTempFile(const char* prefix)
{
    if (noTempFolder)
        return CString();
    CString name;
    name.Format("C:\\temp\\%s%04X.tmp", prefix, ++m_tempCounter);
    files[name.str()] = std::string();
    return name;
}

void CFakeRecvHost::RemoveFile(const CString& path)
{
    files.erase(path.str());
    m_log.Add("remove " + path.str());
}

void CFakeRecvHost::ShowNotice(RecvNotice notice)
{
    static const char* const names[] = {"logged-out", "no-client", "no-file", "store-failed", "banner-skin"};
    m_log.Add(std::string("notice ") + names[static_cast<int>(notice)]);
}

int CFakeRecvHost::ShowMessage(const CString& text, unsigned flags, bool logged)
{
    m_log.Add(std::string(logged ? "message+log " : "message ") + text.str());
    messageFlags.push_back(flags);
    return messageAnswer;
}

// --- store

bool CFakeRecvStore::PutUser(const CString& commId, const CString& name)
{
    if (failing.count("PutUser"))
        return false;
    users[commId.str()] = name.str();
    return true;
}

long CFakeRecvStore::AddMessage(const CString& commId, const CString& text, long kind)
{
    if (failing.count("AddMessage"))
        return 0;
    rows.push_back(StoredRow{commId, text, kind, CString(), std::string()});
    m_log.Add("store.add " + commId.str());
    return static_cast<long>(rows.size());
}

CString CFakeRecvStore::StoreAttachmentFile(long kind, const CString& source)
{
    auto file = m_host.files.find(source.str());
    if (failing.count("StoreAttachmentFile") || file == m_host.files.end())
        return CString();
    CString copy;
    copy.Format("C:\\Log\\Attach\\%ld_%u", kind, static_cast<unsigned>(m_host.files.size()));
    m_host.files[copy.str()] = file->second;
    m_log.Add("store.file");
    return copy;
}

bool CFakeRecvStore::AddAttachment(long record, const CString& storedPath)
{
    if (failing.count("AddAttachment") || record < 1 || static_cast<std::size_t>(record) > rows.size())
        return false;
    StoredRow& row = rows[static_cast<std::size_t>(record - 1)];
    row.attachment = storedPath;
    row.attachmentBytes = m_host.files[storedPath.str()];
    m_log.Add("store.attach");
    return true;
}

// --- view

void CRecordingRecvView::DeleteAllRows()
{
    rows.clear();
    selected = -1;
}

void CRecordingRecvView::AddRow(const MessageEntry& entry)
{
    Row row;
    row.sender = entry.senderName;
    row.icon = RecvRowIcon(entry);
    row.attachmentIcon = RecvAttachmentIcon(entry.attachmentKind);
    rows.push_back(row);
}

void CRecordingRecvView::SetRowIcon(int row, int icon)
{
    if (row >= 0 && static_cast<std::size_t>(row) < rows.size())
        rows[static_cast<std::size_t>(row)].icon = icon;
}

void CRecordingRecvView::SetRowAttachmentIcon(int row, int icon)
{
    if (row >= 0 && static_cast<std::size_t>(row) < rows.size())
        rows[static_cast<std::size_t>(row)].attachmentIcon = icon;
}

void CRecordingRecvView::ScrollToRow(int row) { m_log.Add("scroll " + std::to_string(row)); }

void CRecordingRecvView::ShowBody(const MessageEntry* entry) { body = entry ? entry->body : CString(); }

void CRecordingRecvView::SetStatus(RecvStatus value, int number)
{
    status = value;
    statusNumber = number;
    if (value == RecvStatus::Progress)
        percentsShown.push_back(number);
}

void CRecordingRecvView::ShowAttachmentStatus(const MessageEntry& entry)
{
    m_log.Add("attachment-status " + entry.attachmentFile.str());
}

void CRecordingRecvView::EnableButton(int code)
{
    if (code < 1 || code > 12 || code == 3 || code == 4)
        return;
    buttons[(code + 1) / 2] = (code % 2) == 1;
}

void CRecordingRecvView::EnableCancelButton(bool enable) { cancelEnabled = enable; }

void CRecordingRecvView::StartDeferredTimer(unsigned ms)
{
    timerRunning = true;
    m_log.Add("timer start " + std::to_string(ms));
}

void CRecordingRecvView::KillDeferredTimer()
{
    timerRunning = false;
    m_log.Add("timer kill");
}

// --- server

CFakeMsgServer::CFakeMsgServer(CRecordingMsgClient& client, CFakeRecvHost& host, CRecvFlow& flow)
    : m_client(client), m_host(host), m_flow(flow)
{
    m_client.beforeDelete = [this](std::uint32_t number) {
        bool written = false;
        for (const MessageEntry& entry : m_host.arrivals) {
            if (entry.number == number)
                written = entry.Has(kEntryStored) || !m_host.history || (entry.attributes & kAttrNotStored);
        }
        if (!written)
            ++deletesBeforeStore;
    };
}

const ServerMessage* CFakeMsgServer::Find(std::uint32_t number) const
{
    for (const ServerMessage& message : messages) {
        if (message.number == number)
            return &message;
    }
    return nullptr;
}

int CFakeMsgServer::FaultFor(const std::string& kind)
{
    const int occurrence = ++m_counts[kind];
    auto byKind = faults.find(kind);
    if (byKind == faults.end())
        return 0;
    auto byOccurrence = byKind->second.find(occurrence);
    return byOccurrence == byKind->second.end() ? 0 : byOccurrence->second;
}

void CFakeMsgServer::Deliver(int wParam, const std::vector<std::uint8_t>& bytes)
{
    PmPostedRecord* record = PmNewPostedRecord(bytes.data(), bytes.size());
    if (deliver)
        deliver(wParam, PmRecordToParam(record));
    else
        m_flow.OnMessage(wParam, PmRecordToParam(record));
}

void CFakeMsgServer::Fail(int code, int sequence)
{
    m_client.lastResult = code;
    Deliver(PM_POST_FAILED, HostFailure(1, static_cast<std::uint16_t>(code & 0xFFFF), static_cast<std::uint32_t>(sequence)));
}

bool CFakeMsgServer::Step()
{
    if (m_client.pending.empty())
        return false;
    const CRecordingMsgClient::Pending request = m_client.pending.front();
    m_client.pending.erase(m_client.pending.begin());
    const int fault = FaultFor(request.kind);
    if (fault != 0) {
        Fail(fault, request.sequence);
        return true;
    }
    if (request.kind == "list") {
        PmMessageList list;
        list.header.type = PM_TYPE_MESSAGE_LIST;
        for (const ServerMessage& message : messages) {
            if (list.entries.size() == PM_MESSAGE_LIST_MAX)
                break;
            PmListEntry entry;
            entry.senderId = PmField(message.senderId);
            entry.senderName = PmField(message.senderName);
            entry.number = message.number;
            entry.time = message.time;
            entry.attributes = message.attributes | message.fileFlag;
            list.entries.push_back(entry);
        }
        Deliver(PM_POST_MESSAGE_LIST, HostMessageList(list));
    } else if (request.kind == "fetch") {
        const ServerMessage* message = Find(request.number);
        if (!message) {
            Fail(12214, request.sequence);
            return true;
        }
        PmMessage record;
        record.header.type = PM_TYPE_MESSAGE;
        record.header.sequence = static_cast<std::uint32_t>(request.sequence);
        record.partnerId = PmField(message->senderId);
        record.partnerName = PmField(message->senderName);
        record.time = message->time;
        record.number = message->number;
        record.attributes = message->attributes;
        record.fileFlag = message->fileFlag;
        record.fileLength = static_cast<std::uint32_t>(message->body.size());
        record.text = message->text;
        Deliver(PM_POST_FETCHED, HostMessage(record));
    } else if (request.kind == "delete") {
        const ServerMessage* message = Find(request.number);
        if (!message) {
            Fail(12214, request.sequence);
            return true;
        }
        deleted.push_back(request.number);
        for (std::size_t i = 0; i < messages.size(); ++i) {
            if (messages[i].number == request.number) {
                messages.erase(messages.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
        PmResult result;
        result.header.type = PM_TYPE_RESULT;
        result.header.sequence = static_cast<std::uint32_t>(request.sequence);
        Deliver(PM_POST_DELETED, HostResult(result));
    } else if (request.kind == "body") {
        const ServerMessage* message = Find(request.number);
        if (!message) {
            Fail(12214, request.sequence);
            return true;
        }
        m_host.files[request.destination.str()] = message->body;
        PmResult result;
        result.header.type = PM_TYPE_RESULT;
        result.header.sequence = static_cast<std::uint32_t>(request.sequence);
        result.first = static_cast<std::uint32_t>(FaultFor("body-code"));
        Deliver(PM_POST_BODY_RECEIVED, HostResult(result));
    }
    return true;
}

void CFakeMsgServer::Pump(int limit)
{
    while (limit-- > 0 && Step()) {
    }
}
