// The store's operations as its callers use them: storing messages, partners and attachments,
// reading them back through the recordsets, deleting, purging and compacting.
#include "messaging/store/tests/StoreFixture.h"

#include "messaging/store/SqliteDb.h"

#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <thread>

using msgstore::CStoreTime;

namespace {
// "こんにちは、世界" and a 16-character name in code page 932 (32 bytes).
const char kJapaneseText[] = "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\x81\x41\x90\xA2\x8A\x45";
const char kSixteenCharName[] =
    "\x83\x65\x83\x58\x83\x67\x83\x65\x83\x58\x83\x67\x83\x65\x83\x58\x83\x67\x83\x65\x83\x58\x83\x67"
    "\x83\x65\x83\x58\x83\x67\x83\x65\x83\x5C";
} // namespace

TEST_F(StoreTest, FirstStartCreatesFoldersDatabaseAndTables)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    EXPECT_TRUE(storetest::Exists(dbPath));
    EXPECT_TRUE(storetest::Exists(attachFolder));
    EXPECT_EQ("vyrnattach|vyrnmsg|vyrnuser", Query("SELECT name FROM sqlite_schema WHERE type = 'table' AND "
                                                   "name LIKE 'vyrn%' ORDER BY name"));
    EXPECT_EQ("CommID|CommName|Memo|Time", Query("SELECT name FROM pragma_table_info('vyrnuser')"));
    EXPECT_EQ("SeqNo|SndRcv|CommID|Date|Msg|AttachType", Query("SELECT name FROM pragma_table_info('vyrnmsg')"));
    EXPECT_EQ("SeqNo|Attach", Query("SELECT name FROM pragma_table_info('vyrnattach')"));
    EXPECT_EQ("1", Query("PRAGMA user_version"));
    // A second start opens the same file and sets the flag again.
    platform->available = false;
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    EXPECT_TRUE(platform->shownIds.empty());
}

TEST_F(StoreTest, OperationsFailAtOnceWithoutTheFlag)
{
    CMsgStore store;
    EXPECT_FALSE(store.PutUser("alice", "Alice"));
    EXPECT_EQ(0, store.AddMessage(1, "alice", "hi", 0));
    EXPECT_EQ(-1, store.DeleteMessage(1));
    EXPECT_EQ(0, store.PurgeBefore(30));
    EXPECT_FALSE(store.Compact());
    EXPECT_TRUE(store.StoreAttachmentFile(1, SourceFile("a.wav", "x").c_str()).IsEmpty());
    EXPECT_FALSE(storetest::Exists(dbPath));
}

TEST_F(StoreTest, MessagesWithAndWithoutAttachmentsReadBackThroughEachRecordset)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    ASSERT_TRUE(store.PutUser("alice01", kSixteenCharName));
    platform->now = CStoreTime{2027, 3, 15, 10, 31, 0};
    ASSERT_TRUE(store.PutUser("bob02", "Bob"));

    platform->now = CStoreTime{2027, 3, 15, 11, 0, 0};
    long first = store.AddMessage(1, "alice01", kJapaneseText, 0);
    platform->now = CStoreTime{2027, 3, 15, 11, 5, 0};
    long second = store.AddMessage(0, "alice01", "reply with a voice clip", 1);
    long third = store.AddMessage(1, "bob02", "to bob", 0);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, first);
    ASSERT_GT(third, second);

    CString stored = store.StoreAttachmentFile(1, SourceFile("clip.zob", std::string(10241, 'z')).c_str());
    ASSERT_FALSE(stored.IsEmpty());
    ASSERT_TRUE(store.AddAttachment(second, stored));

    // The log window's list: newest first, partner name joined, no text.
    CPmLogMsgList list;
    list.SetSource(store.GetDbPath());
    ASSERT_TRUE(list.OpenForPartner("ALICE01"));   // IDs match whatever their letter case
    ASSERT_EQ(2, list.GetRecordCount());
    EXPECT_EQ(second, list.m_SeqNo);
    EXPECT_STREQ(kSixteenCharName, list.m_CommName);
    EXPECT_EQ(1, list.m_AttachType);
    EXPECT_FALSE(list.m_SndRcv);
    EXPECT_TRUE(list.m_Msg.IsEmpty());
    list.MoveNext();
    EXPECT_EQ(first, list.m_SeqNo);
    EXPECT_TRUE(list.m_SndRcv);
    EXPECT_TRUE(list.m_Date == (CStoreTime{2027, 3, 15, 11, 0, 0}));
    list.MoveNext();
    EXPECT_TRUE(list.IsEOF());
    ASSERT_TRUE(list.OpenAll());
    EXPECT_EQ(3, list.GetRecordCount());
    ASSERT_TRUE(list.OpenAll(1));
    EXPECT_EQ(1, list.GetRecordCount());

    // The text by SeqNo, byte for byte.
    CPmLogMsgTSet message;
    message.SetSource(store.GetDbPath());
    ASSERT_TRUE(message.OpenBySeqNo(first));
    ASSERT_EQ(1, message.GetRecordCount());
    EXPECT_STREQ(kJapaneseText, message.m_Msg);
    EXPECT_STREQ("alice01", message.m_CommID);

    CPmLogAttachTSet attachment;
    attachment.SetSource(store.GetDbPath());
    ASSERT_TRUE(attachment.OpenBySeqNo(second));
    ASSERT_EQ(1, attachment.GetRecordCount());
    EXPECT_EQ(CString(attachFolder.c_str()) + storetest::Separator() + attachment.m_Attach, stored);
    EXPECT_EQ(0, attachment.m_Attach.Find("SOU"));
    std::string copy;
    ASSERT_TRUE(storetest::ReadFile(stored.GetString(), copy));
    EXPECT_EQ(std::string(10241, 'z'), copy);

    // Partners: the most recently stored first, the whole 16-character name kept.
    CPmLogUserTSet users;
    users.SetSource(store.GetDbPath());
    ASSERT_TRUE(users.OpenAll());
    ASSERT_EQ(2, users.GetRecordCount());
    EXPECT_STREQ("bob02", users.m_CommID);
    users.MoveNext();
    EXPECT_STREQ(kSixteenCharName, users.m_CommName);
}

TEST_F(StoreTest, PutUserFindsAnIdInAnyCaseRefreshesTimeAndKeepsTheName)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    ASSERT_TRUE(store.PutUser("Carol", "First name"));
    platform->now = CStoreTime{2027, 4, 1, 8, 0, 0};
    ASSERT_TRUE(store.PutUser("CAROL", "Other name"));
    EXPECT_EQ("1", Query("SELECT count(*) FROM vyrnuser"));
    EXPECT_EQ("First name|2027-04-01 08:00:00", Query("SELECT CommName FROM vyrnuser UNION ALL "
                                                      "SELECT Time FROM vyrnuser"));
    // Name and memo go by the exact ID.
    EXPECT_FALSE(CMsgStore::SetUserName("carol", "x"));
    EXPECT_TRUE(CMsgStore::SetUserName("Carol", kSixteenCharName));
    EXPECT_TRUE(CMsgStore::SetUserMemo("Carol", kJapaneseText));
    EXPECT_STREQ(kJapaneseText, CMsgStore::GetUserMemo("Carol"));
    EXPECT_STREQ("", CMsgStore::GetUserMemo("nobody"));
    CPmLogUserTSet users;
    users.SetSource(store.GetDbPath());
    ASSERT_TRUE(users.OpenByCommID("carol"));
    EXPECT_STREQ(kSixteenCharName, users.m_CommName);
}

TEST_F(StoreTest, AddMessageReturnsItsOwnRowAndNumbersAreNeverReused)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    std::set<long> seen;
    for (int i = 0; i < 5; ++i) {
        long seqNo = store.AddMessage(1, "dave", "m", 0);
        ASSERT_GT(seqNo, 0);
        EXPECT_TRUE(seen.insert(seqNo).second);
        EXPECT_EQ(std::to_string(seqNo), Query("SELECT SeqNo FROM vyrnmsg WHERE SeqNo = " + std::to_string(seqNo)));
    }
    long newest = *seen.rbegin();
    ASSERT_EQ(0, store.DeleteMessage(newest));
    long next = store.AddMessage(1, "dave", "after delete", 2);
    EXPECT_GT(next, newest);
    EXPECT_EQ("after delete", Query("SELECT Msg FROM vyrnmsg WHERE SeqNo = " + std::to_string(next)));
}

TEST_F(StoreTest, TextsThatAreNotPlainCodePage932AreKeptByteForByte)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {
        {"quote and SQL", "a'b\"; DROP TABLE vyrnmsg; --%_*"},
        {"lead byte at the end", std::string("abc\x82", 4)},
        {"NEC-selected IBM extension (two codes for one character)", "\xED\x40\xEE\xEC"},
        {"0x5C trail byte", "\x83\x5C\x95\x5C"},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        long seqNo = store.AddMessage(1, c.text.c_str(), c.text.c_str(), 0);
        ASSERT_GT(seqNo, 0);
        CPmLogMsgTSet message;
        message.SetSource(store.GetDbPath());
        ASSERT_TRUE(message.OpenBySeqNo(seqNo));
        EXPECT_EQ(c.text, message.m_Msg.str());
        EXPECT_EQ(c.text, message.m_CommID.str());
        ASSERT_TRUE(store.PutUser(c.text.c_str(), c.text.c_str()));
        CPmLogUserTSet users;
        users.SetSource(store.GetDbPath());
        ASSERT_TRUE(users.OpenByCommID(c.text.c_str()));
        ASSERT_EQ(1, users.GetRecordCount());
        EXPECT_EQ(c.text, users.m_CommName.str());
    }
    EXPECT_EQ("3", Query("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name LIKE 'vyrn%'"));
}

TEST_F(StoreTest, DeleteMessageSaysWhetherTheMessageHadAnAttachment)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    long plain = store.AddMessage(1, "erin", "plain", CMsgStore::kAttachNone);
    long withFile = store.AddMessage(1, "erin", "with file", CMsgStore::kAttachOther);
    CString stored = store.StoreAttachmentFile(CMsgStore::kAttachOther, SourceFile("doc.bin", "data").c_str());
    ASSERT_TRUE(store.AddAttachment(withFile, stored));

    EXPECT_EQ(0, store.DeleteMessage(plain));
    EXPECT_EQ(-1, store.DeleteMessage(plain)) << "a second delete finds nothing and says so";
    EXPECT_EQ(1, store.DeleteMessage(withFile));
    EXPECT_EQ("", Query("SELECT SeqNo FROM vyrnmsg"));
    // The attachment is the caller's to delete next.
    EXPECT_EQ(std::to_string(withFile), Query("SELECT SeqNo FROM vyrnattach"));
    EXPECT_TRUE(storetest::Exists(stored.GetString()));
}

TEST_F(StoreTest, DeleteAttachmentRemovesItsRowAndFileOnce)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    long withFile = store.AddMessage(1, "erin", "with file", CMsgStore::kAttachOther);
    CString stored = store.StoreAttachmentFile(CMsgStore::kAttachOther, SourceFile("doc.bin", "data").c_str());
    ASSERT_TRUE(store.AddAttachment(withFile, stored));

    EXPECT_TRUE(store.DeleteAttachment(withFile));
    EXPECT_FALSE(storetest::Exists(stored.GetString()));
    EXPECT_EQ("0", Query("SELECT count(*) FROM vyrnattach"));
    EXPECT_FALSE(store.DeleteAttachment(withFile));
}

TEST_F(StoreTest, DeleteUserRemovesThePartnerOnce)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    ASSERT_TRUE(store.PutUser("erin", "Erin"));
    ASSERT_TRUE(store.PutUser("frank", "Frank"));
    EXPECT_TRUE(store.DeleteUser("erin"));
    EXPECT_FALSE(store.DeleteUser("erin"));
    EXPECT_EQ("frank", Query("SELECT CommID FROM vyrnuser"));
}

// The partner delete and the purge share one routine. Every case starts from the same rows and
// names the messages, attachment rows and files that must be left.
TEST_F(StoreTest, PartnerDeletesAndPurgesRemoveExactlyTheirMessagesAttachmentRowsAndFiles)
{
    const std::string brokenId("\x93\xFA\x93", 3);   // not plain code page 932: kept as a BLOB
    struct Message {
        const char* label;
        std::string commId;
        CStoreTime date;
        long attachType;
        bool attachmentRow;
    };
    const Message messages[] = {
        {"erin old sound", "erin", {2027, 2, 1, 9, 0, 0}, CMsgStore::kAttachSound, true},
        {"ERIN today", "ERIN", {2027, 3, 15, 9, 0, 0}, CMsgStore::kAttachNone, false},
        {"Erin picture", "Erin", {2027, 3, 10, 9, 0, 0}, CMsgStore::kAttachPicture, true},
        {"erin2 the day before", "erin2", {2027, 2, 12, 23, 59, 59}, CMsgStore::kAttachNone, false},
        {"frank old video", "frank", {2027, 2, 12, 8, 0, 0}, CMsgStore::kAttachVideo, true},
        {"frank at the cutoff", "frank", {2027, 2, 13, 0, 0, 0}, CMsgStore::kAttachOther, true},
        // An attachment row that its message does not claim (AttachType 0): it stays.
        {"frank unclaimed row", "frank", {2027, 1, 1, 0, 0, 0}, CMsgStore::kAttachNone, true},
        {"broken id", brokenId, {2027, 1, 2, 0, 0, 0}, CMsgStore::kAttachNone, false},
    };
    enum class Hindrance { None, NoHistory, WriteLocked };
    struct Case {
        const char* name;
        std::function<int(CMsgStore&)> run;
        Hindrance hindrance;
        int result;
        std::set<std::string> messagesLeft;
        std::set<std::string> attachmentsLeft;   // rows and their files
    };
    const std::set<std::string> allMessages = {"erin old sound", "ERIN today", "Erin picture",
                                               "erin2 the day before", "frank old video",
                                               "frank at the cutoff", "frank unclaimed row", "broken id"};
    const std::set<std::string> allAttachments = {"erin old sound", "Erin picture", "frank old video",
                                                  "frank at the cutoff", "frank unclaimed row"};
    auto deleteUser = [](std::string id) { return [id](CMsgStore& s) { return s.DeleteUserMessages(id.c_str()); }; };
    auto purge = [](int days) { return [days](CMsgStore& s) { return s.PurgeBefore(days); }; };
    const Case cases[] = {
        {"a partner, in any letter case", deleteUser("ERIN"), Hindrance::None, 0,
         {"erin2 the day before", "frank old video", "frank at the cutoff", "frank unclaimed row", "broken id"},
         {"frank old video", "frank at the cutoff", "frank unclaimed row"}},
        {"a partner with an unclaimed attachment row", deleteUser("frank"), Hindrance::None, 0,
         {"erin old sound", "ERIN today", "Erin picture", "erin2 the day before", "broken id"},
         {"erin old sound", "Erin picture", "frank unclaimed row"}},
        {"a partner whose ID is not plain code page 932", deleteUser(brokenId), Hindrance::None, 0,
         {"erin old sound", "ERIN today", "Erin picture", "erin2 the day before", "frank old video",
          "frank at the cutoff", "frank unclaimed row"},
         allAttachments},
        {"a partner without messages", deleteUser("nobody"), Hindrance::None, 0, allMessages, allAttachments},
        // 15 March of a non-leap year, 30 days: everything before 13 February goes.
        {"30 days", purge(30), Hindrance::None, 5, {"ERIN today", "Erin picture", "frank at the cutoff"},
         {"Erin picture", "frank at the cutoff", "frank unclaimed row"}},
        {"0 days", purge(0), Hindrance::None, 0, allMessages, allAttachments},
        {"a negative number of days", purge(-3), Hindrance::None, 0, allMessages, allAttachments},
        {"more days than any message is old", purge(90), Hindrance::None, 0, allMessages, allAttachments},
        {"a partner without history", deleteUser("erin"), Hindrance::NoHistory, -1, allMessages, allAttachments},
        {"30 days without history", purge(30), Hindrance::NoHistory, 0, allMessages, allAttachments},
        {"a partner while another program writes", deleteUser("erin"), Hindrance::WriteLocked, -1, allMessages,
         allAttachments},
        {"30 days while another program writes", purge(30), Hindrance::WriteLocked, 0, allMessages, allAttachments},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        storetest::RemoveTree(logFolder);
        platform->available = false;
        ASSERT_NO_FATAL_FAILURE(OpenStore());
        std::map<std::string, std::string> labelOf;   // SeqNo -> label
        std::map<std::string, std::string> fileOf;    // label -> stored attachment file
        {
            CMsgStore writer;
            for (const Message& m : messages) {
                platform->now = m.date;
                long seqNo = writer.AddMessage(1, m.commId.c_str(), m.label, m.attachType);
                ASSERT_GT(seqNo, 0) << m.label;
                labelOf[std::to_string(seqNo)] = m.label;
                if (m.attachmentRow) {
                    CString stored = writer.StoreAttachmentFile(m.attachType, SourceFile("a.bin", m.label).c_str());
                    ASSERT_TRUE(writer.AddAttachment(seqNo, stored)) << m.label;
                    fileOf[m.label] = stored.str();
                }
            }
        }
        platform->now = CStoreTime{2027, 3, 15, 18, 0, 0};

        msgstore::CSqlDatabase other;
        if (c.hindrance == Hindrance::NoHistory)
            platform->available = false;
        if (c.hindrance == Hindrance::WriteLocked) {
            msgstore::SetBusyTimeout(50);
            ASSERT_EQ(SQLITE_OK, other.Open(platform->ToSqlitePath(dbPath.c_str()), false));
            ASSERT_EQ(SQLITE_OK, other.Exec("BEGIN IMMEDIATE"));
        }
        CMsgStore store;
        EXPECT_EQ(c.result, c.run(store));
        if (c.hindrance == Hindrance::WriteLocked) {
            EXPECT_EQ(SQLITE_BUSY, store.GetLastErrorCode());
            other.Rollback();
            other.Close();
        }

        auto labels = [&](const std::string& sql) {
            std::set<std::string> found;
            std::string rows = Query(sql);
            for (std::size_t start = 0; !rows.empty() && start <= rows.size();) {
                std::size_t end = std::min(rows.find('|', start), rows.size());
                found.insert(labelOf[rows.substr(start, end - start)]);
                start = end + 1;
            }
            return found;
        };
        EXPECT_EQ(c.messagesLeft, labels("SELECT SeqNo FROM vyrnmsg"));
        EXPECT_EQ(c.attachmentsLeft, labels("SELECT SeqNo FROM vyrnattach"));
        for (const auto& [label, file] : fileOf)
            EXPECT_EQ(c.attachmentsLeft.count(label) == 1, storetest::Exists(file)) << label;
        EXPECT_EQ("1", Query("SELECT count(*) FROM sqlite_schema WHERE name = 'vyrnuser'"));
    }
}

TEST_F(StoreTest, StoredAttachmentNamesStartWithTheirKindsPrefix)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    struct Prefix {
        long type;
        const char* prefix;
    } prefixes[] = {{CMsgStore::kAttachSound, "SOU"},
                    {CMsgStore::kAttachPicture, "PIC"},
                    {CMsgStore::kAttachVideo, "VID"},
                    {CMsgStore::kAttachOther, "OTH"},
                    {9, "OTH"}};
    for (const Prefix& p : prefixes) {
        SCOPED_TRACE(p.prefix);
        CString stored = store.StoreAttachmentFile(p.type, SourceFile("empty.bin", "").c_str());
        ASSERT_FALSE(stored.IsEmpty()) << "an empty file can be stored";
        CString name = stored.Mid(static_cast<int>(attachFolder.size()) + 1);
        EXPECT_EQ(0, name.Find(p.prefix));
        EXPECT_LE(name.GetLength(), 16);
    }
}

TEST_F(StoreTest, AFailedAttachmentCopyLeavesNoFileBehind)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    auto before = storetest::ListFolder(attachFolder);
    EXPECT_TRUE(store.StoreAttachmentFile(1, storetest::Join(m_install, "missing.wav").c_str()).IsEmpty());
    EXPECT_EQ(before, storetest::ListFolder(attachFolder));
}

TEST_F(StoreTest, AddAttachmentRecordsOnlyANameInsideTheFolderAndOnlyOnePerMessage)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    long seqNo = store.AddMessage(1, "gina", "x", CMsgStore::kAttachVideo);
    std::string sep(1, storetest::Separator());
    struct Refused {
        const char* name;
        long seqNo;
        std::string path;
    } refused[] = {
        {"outside the folder", seqNo, storetest::Join(m_install, "outside.bin")},
        {"a step out of the folder", seqNo, attachFolder + sep + ".." + sep + "vyrntalk.cdb"},
        {"no message number", 0, attachFolder + sep + "OTH1.TMP"},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(store.AddAttachment(r.seqNo, r.path.c_str()));
    }
    EXPECT_TRUE(store.AddAttachment(seqNo, (attachFolder + sep + "OTH1.TMP").c_str()));
    EXPECT_FALSE(store.AddAttachment(seqNo, (attachFolder + sep + "OTH2.TMP").c_str()))
        << "at most one attachment per message";
    EXPECT_EQ("OTH1.TMP", Query("SELECT Attach FROM vyrnattach"));
    EXPECT_EQ(attachFolder + sep + "OTH1.TMP", store.GetAttachmentPath(seqNo).str());
    EXPECT_TRUE(store.GetAttachmentPath(seqNo + 1).IsEmpty());
}

// A stored name that would lead outside the folder (a damaged or foreign row) is never used.
TEST_F(StoreTest, AStoredNameLeadingOutOfTheFolderIsNeverUsed)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    long other = store.AddMessage(1, "gina", "y", CMsgStore::kAttachOther);
    ASSERT_EQ("", Query("INSERT INTO vyrnattach VALUES (" + std::to_string(other) + ", '..' || char(" +
                        std::to_string(int(storetest::Separator())) + ") || 'vyrntalk.cdb')"));
    EXPECT_TRUE(store.GetAttachmentPath(other).IsEmpty());
    EXPECT_FALSE(store.DeleteAttachment(other));
    EXPECT_TRUE(storetest::Exists(dbPath));
}

// CopyFileContents itself: the last partial block arrives too.
TEST_F(StoreTest, CopyFileContentsCopiesEveryByte)
{
    for (std::size_t size : {std::size_t(0), std::size_t(10240), std::size_t(10241), std::size_t(70000)}) {
        SCOPED_TRACE(size);
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(i * 7);
        std::string source = SourceFile("src.bin", bytes), target = storetest::Join(m_install, "dst.bin");
        ASSERT_TRUE(CopyFileContents(target.c_str(), source.c_str()));
        std::string copy;
        ASSERT_TRUE(storetest::ReadFile(target, copy));
        EXPECT_EQ(bytes, copy);
    }
}

TEST(MsgStoreAttachType, FromMessageAttributes)
{
    struct Case {
        unsigned long attributes;
        long type;
    } cases[] = {{0, 0},          {0x1, 0},         {0x1000000, 1}, {0x2000000, 2}, {0x4000000, 3},
                 {0x8000000, 4}, {0x3000000, 4},   {0xF1000001, 1}, {0x10000000, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        EXPECT_EQ(c.type, CMsgStore::AttachTypeFromAttributes(c.attributes));
    }
}

TEST_F(StoreTest, PurgeDeletesMessagesBeforeTheCutoffDayWithTheirAttachments)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    ASSERT_TRUE(store.PutUser("hana", "Hana"));
    struct Row {
        CStoreTime date;
        long attachType;
        bool kept;
    } rows[] = {
        {{2027, 2, 12, 23, 59, 59}, 1, false},
        {{2027, 2, 12, 8, 0, 0}, 0, false},
        {{2027, 2, 13, 0, 0, 0}, 1, true},
        {{2027, 3, 15, 9, 0, 0}, 0, true},
    };
    std::vector<std::pair<long, CString>> stored;
    for (const Row& row : rows) {
        platform->now = row.date;
        long seqNo = store.AddMessage(1, "hana", "m", row.attachType);
        CString file;
        if (row.attachType) {
            file = store.StoreAttachmentFile(row.attachType, SourceFile("v.wav", "RIFF").c_str());
            ASSERT_TRUE(store.AddAttachment(seqNo, file));
        }
        stored.push_back({seqNo, file});
    }
    // 15 March of a non-leap year, 30 days: everything before 13 February goes.
    platform->now = CStoreTime{2027, 3, 15, 18, 0, 0};
    EXPECT_EQ(0, store.PurgeBefore(0));
    EXPECT_EQ(2, store.PurgeBefore(30));
    for (std::size_t i = 0; i < stored.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].kept ? "1" : "0",
                  Query("SELECT count(*) FROM vyrnmsg WHERE SeqNo = " + std::to_string(stored[i].first)));
        if (!stored[i].second.IsEmpty()) {
            EXPECT_EQ(rows[i].kept, storetest::Exists(stored[i].second.GetString()));
        }
    }
    EXPECT_EQ("1", Query("SELECT count(*) FROM vyrnattach"));
    EXPECT_EQ("1", Query("SELECT count(*) FROM vyrnuser")) << "partners are never purged";
    EXPECT_EQ(0, store.PurgeBefore(30));
}

TEST_F(StoreTest, CompactKeepsEveryRowAndReportsFailure)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore store;
    for (int i = 0; i < 200; ++i)
        store.AddMessage(1, "ivan", std::string(900, static_cast<char>('a' + i % 26)).c_str(), 0);
    platform->now = CStoreTime{2027, 6, 1, 0, 0, 0};
    ASSERT_EQ(200, store.PurgeBefore(30));
    store.AddMessage(0, "ivan", kJapaneseText, 0);
    ASSERT_TRUE(store.Compact());
    EXPECT_EQ("ok", Query("PRAGMA integrity_check"));
    EXPECT_EQ(kJapaneseText, [&] {
        CPmLogMsgTSet message;
        message.SetSource(store.GetDbPath());
        message.OpenByCommID("ivan");
        return message.m_Msg.str();
    }());

    // Another connection in the middle of a read: the rebuild can't run and says so; the file
    // stays as it was.
    msgstore::SetBusyTimeout(50);
    msgstore::CSqlDatabase reader;
    ASSERT_EQ(0, reader.Open(platform->ToSqlitePath(dbPath.c_str()), false));
    ASSERT_EQ(0, reader.Exec("BEGIN; SELECT count(*) FROM vyrnmsg;"));
    EXPECT_FALSE(store.Compact());
    EXPECT_NE(0, store.GetLastErrorCode());
    reader.Rollback();
    reader.Close();
    EXPECT_EQ("1", Query("SELECT count(*) FROM vyrnmsg"));
}

TEST_F(StoreTest, ShortLivedStoresOnSeveralThreadsNeverLoseARow)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    const int threads = 4, perThread = 40;
    std::vector<std::vector<long>> numbers(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t, &numbers] {
            for (int i = 0; i < perThread; ++i) {
                CMsgStore store;
                std::string id = "user" + std::to_string(t);
                store.PutUser(id.c_str(), id.c_str());
                numbers[t].push_back(store.AddMessage(1, id.c_str(), std::to_string(i).c_str(), 0));
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    std::set<long> all;
    for (const auto& list : numbers)
        for (long n : list) {
            EXPECT_GT(n, 0);
            all.insert(n);
        }
    EXPECT_EQ(static_cast<std::size_t>(threads * perThread), all.size());
    EXPECT_EQ(std::to_string(threads * perThread), Query("SELECT count(*) FROM vyrnmsg"));
    EXPECT_EQ(std::to_string(threads), Query("SELECT count(*) FROM vyrnuser"));
    EXPECT_EQ("ok", Query("PRAGMA integrity_check"));
}

// No exception leaves the store: one thrown by the platform at any point inside an operation gives
// the operation's failure value and becomes the error that GetLastErrorCode returns.
TEST_F(StoreTest, AnExceptionAnywhereInAnOperationGivesItsFailureValueAndItsError)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    long withFile = 0, plain = 0;
    {
        CMsgStore setup;
        ASSERT_TRUE(setup.PutUser("lena", "Lena"));
        ASSERT_TRUE(CMsgStore::SetUserMemo("lena", "memo"));
        withFile = setup.AddMessage(1, "lena", "with file", CMsgStore::kAttachSound);
        plain = setup.AddMessage(1, "lena", "plain", CMsgStore::kAttachNone);
        ASSERT_TRUE(setup.AddAttachment(withFile, setup.StoreAttachmentFile(CMsgStore::kAttachSound,
                                                                            SourceFile("s.wav", "RIFF").c_str())));
    }
    const std::string source = SourceFile("p.bmp", "BM");
    struct Operation {
        const char* name;
        std::function<bool(CMsgStore&)> failed;   // true when the result is the failure value
        bool ownError;   // the static operations keep their error in a store of their own
    };
    const Operation operations[] = {
        {"Open",
         [&](CMsgStore& s) {
             platform->available = false;   // as at start-up
             return s.Open() == 1 && !platform->available;
         },
         true},
        {"EnsureFolders", [](CMsgStore& s) { return !s.EnsureFolders(); }, true},
        {"GetDbPath", [](CMsgStore& s) { return s.GetDbPath().IsEmpty(); }, true},
        {"PutUser", [](CMsgStore& s) { return !s.PutUser("mona", "Mona"); }, true},
        {"AddMessage", [](CMsgStore& s) { return s.AddMessage(0, "mona", "hi", 0) == 0; }, true},
        {"StoreAttachmentFile",
         [&](CMsgStore& s) { return s.StoreAttachmentFile(CMsgStore::kAttachPicture, source.c_str()).IsEmpty(); },
         true},
        {"AddAttachment",
         [&](CMsgStore& s) {
             return !s.AddAttachment(plain, (s.GetAttachFolder() + storetest::Separator() + "PIC1.TMP").GetString());
         },
         true},
        {"GetAttachmentPath", [&](CMsgStore& s) { return s.GetAttachmentPath(withFile).IsEmpty(); }, true},
        {"MakeSetAsideName", [](CMsgStore& s) { return s.MakeSetAsideName().IsEmpty(); }, true},
        {"SetAside",
         [&](CMsgStore& s) {
             bool failed = s.SetAside(dbPath.c_str()).IsEmpty();
             // A copy made before the throw would make the next round look further for a name.
             for (const std::string& name : storetest::ListFolder(logFolder))
                 if (name != "Attach" && name != "vyrntalk.cdb")
                     storetest::RemoveTree(storetest::Join(logFolder, name));
             return failed;
         },
         true},
        {"Compact", [](CMsgStore& s) { return !s.Compact(); }, true},
        {"DeleteAttachment", [&](CMsgStore& s) { return !s.DeleteAttachment(withFile); }, true},
        {"DeleteMessage", [&](CMsgStore& s) { return s.DeleteMessage(withFile) == -1; }, true},
        {"SetUserName", [](CMsgStore&) { return !CMsgStore::SetUserName("lena", "L"); }, false},
        {"SetUserMemo", [](CMsgStore&) { return !CMsgStore::SetUserMemo("lena", "m"); }, false},
        {"GetUserMemo", [](CMsgStore&) { return CMsgStore::GetUserMemo("lena").IsEmpty(); }, false},
        {"PurgeBefore",
         [&](CMsgStore& s) {
             platform->now = CStoreTime{2027, 6, 1, 0, 0, 0};
             return s.PurgeBefore(1) == 0;
         },
         true},
        {"DeleteUserMessages", [](CMsgStore& s) { return s.DeleteUserMessages("lena") == -1; }, true},
        {"DeleteUser", [](CMsgStore& s) { return !s.DeleteUser("lena"); }, true},
    };
    for (const Operation& operation : operations) {
        SCOPED_TRACE(operation.name);
        // Throw from the first platform call, then the second, ... until the operation runs to its
        // end without reaching the throw.
        int call = 1;
        for (;; ++call) {
            ASSERT_LT(call, 500) << "the operation never got to its end";
            platform->available = true;
            CMsgStore store;
            platform->ThrowAtCall(call);
            bool failed = operation.failed(store);
            bool threw = platform->threw;
            platform->ThrowAtCall(0);
            if (!threw)
                break;
            SCOPED_TRACE("thrown at platform call " + std::to_string(call));
            EXPECT_TRUE(failed);
            if (operation.ownError) {
                EXPECT_EQ(SQLITE_NOMEM, store.GetLastErrorCode());
                EXPECT_STREQ("out of memory", store.GetLastErrorText());
            }
        }
        EXPECT_GT(call, 1) << "no platform call was made";
    }

    // Any other exception is recorded as a general error with its own text.
    platform->available = true;
    CMsgStore store;
    platform->ThrowAtCall(1, true);
    EXPECT_EQ(0, store.AddMessage(0, "mona", "hi", 0));
    ASSERT_TRUE(platform->threw);
    platform->ThrowAtCall(0);
    EXPECT_EQ(SQLITE_ERROR, store.GetLastErrorCode());
    EXPECT_STREQ("the platform failed", store.GetLastErrorText());
}
