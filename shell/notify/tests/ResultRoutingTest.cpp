#include "shell/notify/ResultRouting.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace notify;

struct RecordDeleter {
    void operator()(PmPostedRecord* r) const { PmFreePostedRecord(r); }
};
using Record = std::unique_ptr<PmPostedRecord, RecordDeleter>;

// Record bytes written field by field at the offsets of the message-server layouts, host order.
class Bytes {
public:
    explicit Bytes(std::size_t size) : m_bytes(size, 0) {}
    Bytes& U16(std::size_t at, std::uint16_t v) { return Put(at, &v, 2); }
    Bytes& U32(std::size_t at, std::uint32_t v) { return Put(at, &v, 4); }
    Bytes& Text(std::size_t at, const std::string& text) { return Put(at, text.data(), text.size()); }
    Record Make() const { return Record(PmNewPostedRecord(m_bytes.data(), m_bytes.size())); }

private:
    Bytes& Put(std::size_t at, const void* data, std::size_t n)
    {
        std::memcpy(m_bytes.data() + at, data, n);
        return *this;
    }
    std::vector<std::uint8_t> m_bytes;
};

Bytes MessageList(std::uint32_t count, std::size_t size = PM_POSTED_LIST_COPY_SIZE)
{
    Bytes b(size);
    b.U16(0, 0x0301).U16(2, 11).U32(28, count);
    return b;
}

void ListEntry(Bytes& b, int i, const std::string& id, const std::string& name, std::uint32_t number,
               std::uint32_t time, std::uint32_t attributes)
{
    const std::size_t at = 32 + 44 * i;
    b.Text(at, id).Text(at + 16, name).U32(at + 32, number).U32(at + 36, time).U32(at + 40, attributes);
}

Bytes ListBlock(std::uint16_t kind, std::uint32_t count, std::size_t size = PM_POSTED_LIST_BLOCK_SIZE)
{
    Bytes b(size);
    b.U16(2, kind).U32(28, count);
    return b;
}

void BlockEntry(Bytes& b, int i, const std::string& id, const std::string& name, std::uint32_t status)
{
    const std::size_t at = 36 + 36 * i;
    b.Text(at, id).Text(at + 16, name).U32(at + 32, status);
}

// The routing: one row per situation, every action compared.
TEST(MessageResultRouting, TableOfSituations)
{
    struct Row {
        const char* name;
        MessageResultState in;
        // post, sendW, seqL, lastL, report, listNext, forward, unlock, next, store, commit, free
        bool post;
        int sendW;
        bool seqL, lastL, report, listNext, forward, unlock, next, store;
        int commit;
        bool free;
    };
    auto S = [](int r, bool rec, bool neg, int holder, bool send, bool head, bool recv, bool messaging) {
        MessageResultState s;
        s.result = r;
        s.hasRecord = rec;
        s.negativeSequence = neg;
        s.hasClient = true;
        s.holderKind = holder;
        s.hasSendWindow = send;
        s.queueHeadIsMessageList = head;
        s.hasReceiveWindow = recv;
        s.messaging = messaging;
        return s;
    };
    MessageResultState noClient = S(10, true, false, 32, true, true, true, true);
    noClient.hasClient = false;
    const Row rows[] = {
        {"no client: only freed", noClient, false, 0, false, false, false, false, false, false, false, false, -1, true},
        {"list while a send holds: send told, list stored", S(10, true, false, 40, true, false, false, true), true, 10,
         false, false, false, false, false, false, false, true, -1, true},
        {"list requested: unlock, store, queue goes on", S(10, true, false, 32, false, true, false, true), false, 0,
         false, false, false, true, false, true, false, true, -1, true},
        {"list pushed while another holds: stored, lock kept", S(10, true, false, 2, false, false, false, true), false,
         0, false, false, false, false, false, false, false, true, -1, true},
        {"list without a record still empties the arrivals", S(10, false, false, 0, false, false, false, true), false,
         0, false, false, false, false, false, false, false, true, -1, true},
        {"sent: sequence to the send window", S(11, true, true, 40, true, false, false, true), true, 11, true, false,
         false, false, false, false, false, false, -1, true},
        {"body sent: sequence to the send window", S(14, true, true, 33, true, false, false, true), true, 14, true,
         false, false, false, false, false, false, false, -1, true},
        {"sent without a send window: unlock", S(11, true, true, 40, false, false, false, true), false, 0, false, false,
         false, false, false, true, false, false, -1, true},
        {"sent while a list holds: nothing", S(11, true, true, 32, true, false, false, true), false, 0, false, false,
         false, false, false, false, false, false, -1, true},
        {"send failure owned by the send window", S(-1, true, true, 40, true, false, false, true), true, -1, false,
         true, true, false, false, false, false, false, -1, true},
        {"send failure with no send window: unlock, next, report", S(-1, true, true, 40, false, false, false, true),
         false, 0, false, false, true, false, false, true, true, false, -1, true},
        {"failure of a fetch: unlock, next, discard, report", S(-1, true, false, 32, false, false, false, true), false,
         0, false, false, true, false, false, true, true, false, 0, true},
        {"failure without a record: unlock, next, discard, report", S(-1, false, false, 32, true, false, false, true),
         false, 0, false, false, true, false, false, true, true, false, 0, true},
        {"fetched: unlock", S(12, true, false, 32, false, false, false, true), false, 0, false, false, false, false,
         false, true, false, false, -1, true},
        {"deleted: unlock", S(13, true, false, 32, false, false, false, true), false, 0, false, false, false, false,
         false, true, false, false, -1, true},
        {"body received: unlock, keep", S(15, true, false, 32, false, false, false, true), false, 0, false, false,
         false, false, false, true, false, false, 1, true},
        {"received window exists: forwarded, not freed", S(10, true, false, 32, false, true, true, true), false, 0,
         false, false, false, true, true, false, false, false, -1, false},
        {"received window gets failures too", S(-1, true, false, 32, false, false, true, true), false, 0, false, false,
         false, false, true, false, false, false, -1, false},
        {"send routing before forwarding", S(11, true, true, 40, true, false, true, true), true, 11, true, false, false,
         false, true, false, false, false, -1, false},
        {"not messaging: only freed", S(-1, true, false, 32, false, false, false, false), false, 0, false, false,
         false, false, false, false, false, false, -1, true},
        {"unknown result: nothing", S(99, true, false, 32, false, false, false, true), false, 0, false, false, false,
         false, false, false, false, false, -1, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const MessageResultActions a = DecideMessageResult(row.in);
        EXPECT_EQ(row.post, a.postToSend);
        if (row.post) {
            EXPECT_EQ(row.sendW, a.sendWParam);
        }
        EXPECT_EQ(row.seqL, a.sendLParamIsSequence);
        EXPECT_EQ(row.lastL, a.sendLParamIsLastResult);
        EXPECT_EQ(row.report, a.reportError);
        EXPECT_EQ(row.listNext, a.runNextForList);
        EXPECT_EQ(row.forward, a.forwardToReceive);
        EXPECT_EQ(row.unlock, a.unlock);
        EXPECT_EQ(row.next, a.runNext);
        EXPECT_EQ(row.store, a.storeArrivalList);
        EXPECT_EQ(row.commit, a.commit);
        EXPECT_EQ(row.free, a.freeRecord);
    }
}

TEST(ListResultRouting, TableOfSituations)
{
    struct Row {
        const char* name;
        int result;
        bool record, client, messaging, session;
        bool fill, report, unlock, next;
    } rows[] = {
        {"list complete", 0, true, true, true, true, true, false, false, false},
        {"list without record", 0, false, true, true, true, false, false, false, false},
        {"list after the session lost its client", 0, true, true, true, false, false, false, false, false},
        {"clear acknowledged: next", 5, true, true, true, true, false, false, false, true},
        {"presence accepted: unlock, next", 6, true, true, true, true, false, false, true, true},
        {"failure: report, unlock, next", -1, true, true, true, true, false, true, true, true},
        {"failure without record too", -1, false, true, true, true, false, true, true, true},
        {"not messaging: nothing", -1, true, true, false, true, false, false, false, false},
        {"no client: nothing", 0, true, false, true, true, false, false, false, false},
        {"unknown result", 3, true, true, true, true, false, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ListResultState s;
        s.result = row.result;
        s.hasRecord = row.record;
        s.hasClient = row.client;
        s.messaging = row.messaging;
        s.sessionHasClient = row.session;
        const ListResultActions a = DecideListResult(s);
        EXPECT_EQ(row.fill, a.fillList);
        EXPECT_EQ(row.report, a.reportError);
        EXPECT_EQ(row.unlock, a.unlock);
        EXPECT_EQ(row.next, a.runNext);
    }
}

TEST(ArrivalList, EighteenEntriesReadWithAttachmentKind)
{
    Bytes b = MessageList(18);
    for (int i = 0; i < 18; ++i)
        ListEntry(b, i, "id" + std::to_string(i), "name" + std::to_string(i), 100 + i, 1000000 + i,
                  0x40000000u | (i == 3 ? 0x03000001u : 0));
    Record r = b.Make();
    const auto entries = ReadArrivalList(r.get());
    ASSERT_EQ(18u, entries.size());
    EXPECT_EQ("id17", entries[17].senderId);
    EXPECT_EQ("name17", entries[17].senderName);
    EXPECT_EQ(117, entries[17].number);
    EXPECT_EQ(1000017, entries[17].time);
    EXPECT_EQ(0x03000000, entries[3].attachmentKind);
    EXPECT_EQ(0x43000001, entries[3].attributes);
    EXPECT_EQ(0, entries[4].attachmentKind);
}

TEST(ArrivalList, CountsAndFieldsAreBounded)
{
    struct Row {
        const char* name;
        std::uint32_t count;
        std::size_t size;
        int filled;
        std::size_t expected;
    } rows[] = {
        {"empty", 0, PM_POSTED_LIST_COPY_SIZE, 0, 0},
        {"count past 18 reads 18", 500, PM_POSTED_LIST_COPY_SIZE, 18, 18},
        {"count past the bytes reads what is there", 18, 32 + 44 * 5 + 10, 5, 5},
        {"too short for the count", 3, 30, 0, 0},
        {"empty IDs skipped", 4, PM_POSTED_LIST_COPY_SIZE, 2, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes b = MessageList(0, PM_POSTED_LIST_COPY_SIZE);
        b.U32(28, row.count);
        for (int i = 0; i < row.filled; ++i)
            ListEntry(b, i, "u" + std::to_string(i), "n", 1, 2, 0);
        std::vector<std::uint8_t> bytes(PM_POSTED_LIST_COPY_SIZE);
        Record full = b.Make();
        std::memcpy(bytes.data(), full->Bytes(), bytes.size());
        Record r(PmNewPostedRecord(bytes.data(), row.size));
        EXPECT_EQ(row.expected, ReadArrivalList(r.get()).size());
    }
    EXPECT_TRUE(ReadArrivalList(nullptr).empty());
}

TEST(Field16, UnterminatedAndSplitCharactersAreCutSafely)
{
    struct Row {
        const char* name;
        std::string bytes;
        std::string text;
    } rows[] = {
        {"terminated", std::string("abc\0\0\0\0\0\0\0\0\0\0\0\0\0", 16), "abc"},
        {"full, no terminator", "0123456789abcdef", "0123456789abcdef"},
        {"double-byte whole", "\x82\xa0\x82\xa2" + std::string(12, '\0'), "\x82\xa0\x82\xa2"},
        {"lead byte cut by the end", "0123456789abcde\x82", "0123456789abcde"},
        {"lead byte before NUL", std::string("ab\x82\0", 4) + std::string(12, '\0'), "ab"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(16u, row.bytes.size());
        EXPECT_EQ(row.text, Field16Text(reinterpret_cast<const std::uint8_t*>(row.bytes.data())));
    }
}

TEST(UserRows, FriendAndUrlListsFromOneBlock)
{
    Bytes b = ListBlock(1, 5);
    BlockEntry(b, 0, "me00001", "NewMe", 0x11);
    BlockEntry(b, 1, "f1", "Online", 0x21);
    BlockEntry(b, 2, "f2", "Offline", 0x20);
    BlockEntry(b, 3, "", "NoId", 0x01);
    BlockEntry(b, 4, "f4", "Phone", 0x35);
    Record r = b.Make();
    EXPECT_EQ(1, ListBlockKind(r.get()));
    OwnUser own{"me00001", "Me", 0x15};
    std::string newName;
    const auto friends = BuildUserRows(1, own, "invite", r.get(), &newName);
    EXPECT_EQ("NewMe", newName);
    ASSERT_EQ(4u, friends.size());
    EXPECT_EQ("invite", friends[0].name);
    EXPECT_EQ("me00001", friends[0].id);
    EXPECT_EQ(2, friends[0].status);
    EXPECT_EQ(kOwnFriendRowIcon, friends[0].icon);
    EXPECT_EQ("Online", friends[1].name);
    EXPECT_EQ(2 + 5, friends[1].icon);
    EXPECT_EQ("Offline", friends[2].name);
    EXPECT_EQ(kOfflineFriendIcon, friends[2].icon);
    EXPECT_EQ(3 + 16 + 5, friends[3].icon);

    const auto urls = BuildUserRows(2, own, "invite", r.get(), &newName);
    ASSERT_EQ(3u, urls.size()) << "offline users are left out of the URL list";
    EXPECT_EQ("Me", urls[0].name);
    EXPECT_EQ(0x15, urls[0].status);
    EXPECT_EQ(StatusIcon(0x15), urls[0].icon);
    EXPECT_EQ("Online", urls[1].name);
    EXPECT_EQ("Phone", urls[2].name);

    const auto reset = BuildUserRows(2, own, "invite", nullptr, &newName);
    EXPECT_EQ(1u, reset.size());
    EXPECT_EQ("", newName);
}

TEST(UserRows, OwnIdComparedOverSixteenBytesAndBlocksBounded)
{
    Bytes b = ListBlock(2, 100000);
    BlockEntry(b, 0, "me", "prefix twin", 1);      // "me" then NUL: the own ID
    BlockEntry(b, 1, "me2", "longer id", 1);       // not the own ID
    for (int i = 2; i < 100; ++i)
        BlockEntry(b, i, "u" + std::to_string(i), "n", 1);
    Record r = b.Make();
    std::string newName;
    const auto rows = BuildUserRows(2, OwnUser{"me", "Me", 1}, "", r.get(), &newName);
    EXPECT_EQ("prefix twin", newName);
    EXPECT_EQ(1u + 99u, rows.size()) << "at most 100 entries, less the own";
    EXPECT_EQ("me2", rows[1].id);

    Bytes shortBlock = ListBlock(2, 50, 36 + 36 * 3 + 20);
    for (int i = 0; i < 3; ++i)
        BlockEntry(shortBlock, i, "s" + std::to_string(i), "n", 1);
    Record s = shortBlock.Make();
    EXPECT_EQ(3u, ReadListBlock(s.get()).size());
    Record tiny(PmNewPostedRecord(nullptr, 10));
    EXPECT_TRUE(ReadListBlock(tiny.get()).empty());
    EXPECT_EQ(0, ListBlockKind(nullptr));
}

TEST(UserRows, OwnRowRenamedByItsOldIdAndStatusSet)
{
    std::vector<UserRow> rows = {{"Me", "old01", 1, 5}, {"Other", "x", 1, 5}};
    EXPECT_FALSE(RenameUserRow(rows, "new01", "", "Nobody")) << "the new ID is not in the list yet";
    ASSERT_TRUE(RenameUserRow(rows, "old01", "new01", "Renamed"));
    EXPECT_EQ("new01", rows[0].id);
    EXPECT_EQ("Renamed", rows[0].name);
    ASSERT_TRUE(RenameUserRow(rows, "new01", "", "Again"));
    EXPECT_EQ("new01", rows[0].id) << "an empty new ID keeps the row's ID";
    EXPECT_EQ("Other", rows[1].name);
    ASSERT_TRUE(SetOwnStatus(rows, 0x15));
    EXPECT_EQ(0x15, rows[0].status);
    EXPECT_EQ(StatusIcon(0x15), rows[0].icon);
    std::vector<UserRow> none;
    EXPECT_FALSE(SetOwnStatus(none, 1));
}

TEST(UserRows, IconRuleAndColumnWidth)
{
    struct Row {
        std::uint32_t status;
        int icon;
    } rows[] = {{0x00, 5}, {0x01, 5}, {0xF1, 20}, {0x04, 21}, {0xF5, 36}, {0x105, 21}, {0xFFFFFFFF, 36}};
    for (const Row& row : rows)
        EXPECT_EQ(row.icon, StatusIcon(row.status)) << std::hex << row.status;
    EXPECT_EQ(200, ListColumnWidth(200, 10, 10, 17));
    EXPECT_EQ(183, ListColumnWidth(200, 11, 10, 17));
    EXPECT_EQ(200, ListColumnWidth(200, 0, 0, 17));
}

} // namespace
