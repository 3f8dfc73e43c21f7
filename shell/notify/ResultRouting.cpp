#include "shell/notify/ResultRouting.h"

#include "framework/core/Cp932.h"
#include "messaging/wire/PmRecords.h"

#include <cstring>

namespace notify {

MessageResultActions DecideMessageResult(const MessageResultState& s)
{
    MessageResultActions a;
    if (!s.hasClient)
        return a;
    const bool sendOperation = s.holderKind >= kFirstSendHolderKind;
    const bool sendOwnsFailure = sendOperation && s.hasSendWindow && s.hasRecord && s.negativeSequence;
    if (sendOperation) {
        if (s.hasSendWindow) {
            if (s.result == PM_POST_MESSAGE_LIST) {
                a.postToSend = true;
                a.sendWParam = PM_POST_MESSAGE_LIST;
            } else if (s.hasRecord && s.negativeSequence) {
                if (s.result == PM_POST_FAILED) {
                    a.reportError = true;
                    a.postToSend = true;
                    a.sendWParam = PM_POST_FAILED;
                    a.sendLParamIsLastResult = true;
                } else if (s.result == PM_POST_SENT || s.result == PM_POST_BODY_SENT) {
                    a.postToSend = true;
                    a.sendWParam = s.result;
                    a.sendLParamIsSequence = true;
                }
            }
        } else if (s.result == PM_POST_SENT || s.result == PM_POST_BODY_SENT) {
            a.unlock = true;
        }
    }
    if (s.result == PM_POST_MESSAGE_LIST && s.queueHeadIsMessageList)
        a.runNextForList = true;
    if (s.hasReceiveWindow) {
        a.forwardToReceive = true;
        a.freeRecord = false;
        return a;
    }
    if (!s.messaging)
        return a;
    switch (s.result) {
    case PM_POST_MESSAGE_LIST:
        if (s.holderKind == kMessageListRequestKind)
            a.unlock = true;
        a.storeArrivalList = true;
        break;
    case PM_POST_FETCHED:
    case PM_POST_DELETED:
        a.unlock = true;
        break;
    case PM_POST_BODY_RECEIVED:
        a.unlock = true;
        a.commit = kCommitKeep;
        break;
    case PM_POST_FAILED:
        // A failure no send window takes ends here: the lock goes and the queue moves on, with or
        // without a record, so no request waits for ever.
        if (!sendOwnsFailure) {
            a.unlock = true;
            a.runNext = true;
            a.reportError = true;
            if (!(s.hasRecord && s.negativeSequence))
                a.commit = kCommitDiscard;
        }
        break;
    default:
        break;
    }
    return a;
}

ListResultActions DecideListResult(const ListResultState& s)
{
    ListResultActions a;
    if (!s.hasClient || !s.messaging)
        return a;
    switch (s.result) {
    case PM_POST_LIST_COMPLETE:
        a.fillList = s.sessionHasClient && s.hasRecord;
        break;
    case PM_POST_LIST_CLEARED:
        a.runNext = true;
        break;
    case PM_POST_PRESENCE_SET:
        a.unlock = true;
        a.runNext = true;
        break;
    case PM_POST_FAILED:
        a.reportError = true;
        a.unlock = true;
        a.runNext = true;
        break;
    default:
        break;
    }
    return a;
}

std::string Field16Text(const std::uint8_t* field)
{
    std::size_t length = 0;
    while (length < 16 && field[length] != 0)
        ++length;
    const char* text = reinterpret_cast<const char*>(field);
    // A double-byte character cut by the field's end is left out.
    length = cp932::BoundaryAtOrBefore(text, length, length);
    std::size_t at = 0;
    while (at < length) {
        const std::size_t step = cp932::CharLength(text + at, length - at);
        if (at + step > length || (step == 1 && at + 1 == length && cp932::IsLeadByte(field[at])))
            break;
        at += step;
    }
    return std::string(text, at);
}

namespace {

constexpr std::size_t kHeaderSize = 28;
constexpr std::size_t kListCountOffset = 28;
constexpr std::size_t kListEntriesOffset = 32;
constexpr std::size_t kListEntrySize = 44;
constexpr std::size_t kListMaxEntries = 18;
constexpr std::size_t kBlockCountOffset = 28;
constexpr std::size_t kBlockEntriesOffset = 36;
constexpr std::size_t kBlockEntrySize = 36;

} // namespace

std::vector<ArrivalEntry> ReadArrivalList(const PmPostedRecord* record)
{
    std::vector<ArrivalEntry> entries;
    std::uint32_t count = 0;
    if (!record || record->size < kHeaderSize || !record->U32At(kListCountOffset, &count))
        return entries;
    if (count > kListMaxEntries)
        count = kListMaxEntries;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = kListEntriesOffset + i * kListEntrySize;
        std::uint8_t bytes[kListEntrySize];
        if (!record->BytesAt(at, bytes, sizeof bytes))
            break; // the rest of the count is not in the record
        ArrivalEntry e;
        e.senderId = Field16Text(bytes);
        if (e.senderId.empty())
            continue;
        e.senderName = Field16Text(bytes + 16);
        std::memcpy(&e.number, bytes + 32, 4);
        std::memcpy(&e.time, bytes + 36, 4);
        std::memcpy(&e.attributes, bytes + 40, 4);
        e.attachmentKind = static_cast<std::int32_t>(static_cast<std::uint32_t>(e.attributes) & PM_ATTR_ATTACHMENT_MASK);
        entries.push_back(std::move(e));
    }
    return entries;
}

int ListBlockKind(const PmPostedRecord* record)
{
    std::uint16_t kind = 0;
    if (!record || !record->U16At(2, &kind))
        return 0;
    return kind;
}

std::vector<ListBlockEntry> ReadListBlock(const PmPostedRecord* record)
{
    std::vector<ListBlockEntry> entries;
    std::uint32_t count = 0;
    if (!record || !record->U32At(kBlockCountOffset, &count))
        return entries;
    if (count > PM_LIST_BLOCK_ENTRIES)
        count = PM_LIST_BLOCK_ENTRIES;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t bytes[kBlockEntrySize];
        if (!record->BytesAt(kBlockEntriesOffset + i * kBlockEntrySize, bytes, sizeof bytes))
            break;
        ListBlockEntry e;
        e.id.assign(reinterpret_cast<const char*>(bytes), 16);
        e.name = Field16Text(bytes + 16);
        std::memcpy(&e.status, bytes + 32, 4);
        entries.push_back(std::move(e));
    }
    return entries;
}

int StatusIcon(std::uint32_t status)
{
    return static_cast<int>(((status >> 4) & 0xF) + (status & 0x4) * 4 + 5);
}

std::vector<UserRow> BuildUserRows(int listKind, const OwnUser& own, const std::string& friendOwnName,
                                   const PmPostedRecord* record, std::string* ownNewName)
{
    std::vector<UserRow> rows;
    const bool urlList = listKind == PM_LIST_KIND_URLS;
    UserRow ownRow;
    ownRow.id = own.id;
    if (urlList) {
        ownRow.name = own.name;
        ownRow.status = static_cast<std::int32_t>(own.myStatus);
        ownRow.icon = StatusIcon(own.myStatus);
    } else {
        ownRow.name = friendOwnName;
        ownRow.status = 2;
        ownRow.icon = kOwnFriendRowIcon;
    }
    rows.push_back(ownRow);
    if (ownNewName)
        ownNewName->clear();
    // The own ID as its 16-byte field, compared over all 16 bytes.
    std::uint8_t ownField[16] = {};
    std::memcpy(ownField, own.id.data(), own.id.size() < 16 ? own.id.size() : 16);
    for (const ListBlockEntry& e : ReadListBlock(record)) {
        if (!own.id.empty() && std::memcmp(e.id.data(), ownField, 16) == 0) {
            if (ownNewName)
                *ownNewName = e.name;
            continue;
        }
        UserRow row;
        row.id = Field16Text(reinterpret_cast<const std::uint8_t*>(e.id.data()));
        if (row.id.empty())
            continue;
        row.name = e.name;
        row.status = static_cast<std::int32_t>(e.status);
        if (e.status & kOnlineBit) {
            row.icon = StatusIcon(e.status);
        } else if (urlList) {
            continue;
        } else {
            row.icon = kOfflineFriendIcon;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

bool RenameUserRow(std::vector<UserRow>& rows, const std::string& oldId, const std::string& newId,
                   const std::string& name)
{
    for (UserRow& row : rows) {
        if (row.id == oldId) {
            row.name = name;
            if (!newId.empty())
                row.id = newId;
            return true;
        }
    }
    return false;
}

bool SetOwnStatus(std::vector<UserRow>& rows, std::uint32_t myStatus)
{
    if (rows.empty())
        return false;
    rows[0].status = static_cast<std::int32_t>(myStatus);
    rows[0].icon = StatusIcon(myStatus);
    return true;
}

int ListColumnWidth(int clientWidth, int rows, int rowsPerPage, int scrollBarWidth)
{
    return rows >= rowsPerPage + 1 ? clientWidth - scrollBarWidth : clientWidth;
}

} // namespace notify
