// What the main window does with the message client's results (0x403 and 0x404) and how it reads
// the posted records: the routing decision as a plain table of inputs and actions, the arrival
// list out of a message-list copy, and the friend and URL rows out of a list block. Portable.
#pragma once

#include "messaging/client/PostedRecord.h"

#include <cstdint>
#include <string>
#include <vector>

namespace notify {

// The kinds of operation the request lock may be held by: 33 and above are send windows'.
constexpr int kFirstSendHolderKind = 33;
constexpr int kMessageListRequestKind = 32;

struct MessageResultState {
    int result = 0;                  // wParam
    bool hasRecord = false;          // lParam not null
    bool negativeSequence = false;   // the record's sequence number read as signed is below 0
    bool hasClient = false;          // the application has a message client
    int holderKind = 0;              // kind holding the lock
    bool hasSendWindow = false;
    bool queueHeadIsMessageList = false; // the queue is not empty and its head is kind 32
    bool hasReceiveWindow = false;   // shown or not
    bool messaging = false;
};

enum CommitAction { kCommitNone = -1, kCommitDiscard = 0, kCommitKeep = 1 };

struct MessageResultActions {
    bool postToSend = false;     // 0x40A (sendWParam, sendLParam) to the send window
    int sendWParam = 0;
    bool sendLParamIsSequence = false; // the record's sequence number
    bool sendLParamIsLastResult = false;
    bool reportError = false;    // the client's last result through the error reporter
    bool runNextForList = false; // QueueRequest(1) and UpdateReceiveButton (a list at the head)
    bool forwardToReceive = false; // 0x40A (wParam, lParam) unchanged: the record goes with it
    bool unlock = false;
    bool runNext = false;        // QueueRequest(1) after a failure nobody else owns
    bool storeArrivalList = false;
    int commit = kCommitNone;
    bool freeRecord = true;      // false only when forwarded
};

MessageResultActions DecideMessageResult(const MessageResultState& state);

struct ListResultState {
    int result = 0;
    bool hasRecord = false;
    bool hasClient = false;  // the application has a message client
    bool messaging = false;
    bool sessionHasClient = false; // CSession::GetMsgClient
};

struct ListResultActions {
    bool fillList = false;   // set the list-received flag and fill the list of the record's kind
    bool reportError = false;
    bool unlock = false;
    bool runNext = false;
};

ListResultActions DecideListResult(const ListResultState& state);

// One waiting message read from a message-list copy.
struct ArrivalEntry {
    std::string senderId;
    std::string senderName;
    std::int32_t number = 0;
    std::int32_t time = 0;
    std::int32_t attributes = 0;
    std::int32_t attachmentKind = 0;
};

// The message list's entries with a sender ID, in order: at most 18, and no more than the
// record's count and its bytes hold; 16-byte fields are read bounded.
std::vector<ArrivalEntry> ReadArrivalList(const PmPostedRecord* record);

// One entry of a friend or URL list block.
struct ListBlockEntry {
    std::string id;
    std::string name;
    std::uint32_t status = 0;
};

// The list kind at offset 2 (1 friend list, 2 URL list); 0 when the record is too short.
int ListBlockKind(const PmPostedRecord* record);
// The block's entries: at most 100, the gathered count and the bytes present. Entries keep their
// 16-byte ID field in full so the own ID can be compared over 16 bytes.
std::vector<ListBlockEntry> ReadListBlock(const PmPostedRecord* record);

// The bounded text of a 16-byte field: up to its first NUL or its end, never splitting a
// double-byte character at the end.
std::string Field16Text(const std::uint8_t* field);

// Icon of a status: ((s >> 4) & 0xF) + (s & 4) * 4 + 5.
int StatusIcon(std::uint32_t status);
constexpr int kOfflineFriendIcon = 1;
constexpr int kOwnFriendRowIcon = 3;
constexpr std::uint32_t kOnlineBit = 0x1;

struct UserRow {
    std::string name;
    std::string id;
    std::int32_t status = 0;
    std::int32_t icon = 0;
};

struct OwnUser {
    std::string id;
    std::string name;
    std::uint32_t myStatus = 0;
};

// Rows of the friend list (listKind 1) or URL list (2) for a block (null: the own row only).
// ownNewName gets the name the server gave the user's own entry (empty when none).
std::vector<UserRow> BuildUserRows(int listKind, const OwnUser& own, const std::string& friendOwnName,
                                   const PmPostedRecord* record, std::string* ownNewName);

// The user's own row renamed: the row whose ID is oldId gets name and, when newId is not empty,
// that ID. False when no row has oldId.
bool RenameUserRow(std::vector<UserRow>& rows, const std::string& oldId, const std::string& newId,
                   const std::string& name);
// The first row (the user's own in the URL list) takes the status and its icon; false when empty.
bool SetOwnStatus(std::vector<UserRow>& rows, std::uint32_t myStatus);

// The column width of a list view: the client width, less the scroll bar's width when the rows
// need one.
int ListColumnWidth(int clientWidth, int rows, int rowsPerPage, int scrollBarWidth);

} // namespace notify
