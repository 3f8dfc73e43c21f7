// The store's operations as its callers use them: storing messages, partners and attachments,
// reading them back through the recordsets, deleting, purging and compacting.
#include "StoreFixture.h"

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
    OpenStore();
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
    OpenStore();
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
    OpenStore();
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
    OpenStore();
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
    OpenStore();
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
    OpenStore();
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

TEST_F(StoreTest, DeletesSayWhatTheyDid)
{
    OpenStore();
    CMsgStore store;
    ASSERT_TRUE(store.PutUser("erin", "Erin"));
    long plain = store.AddMessage(1, "erin", "plain", 0);
    long withFile = store.AddMessage(1, "erin", "with file", 4);
    CString stored = store.StoreAttachmentFile(4, SourceFile("doc.bin", "data").c_str());
    ASSERT_TRUE(store.AddAttachment(withFile, stored));

    EXPECT_EQ(0, store.DeleteMessage(plain));
    EXPECT_EQ(-1, store.DeleteMessage(plain)) << "a second delete finds nothing and says so";
    EXPECT_EQ(1, store.DeleteMessage(withFile));
    EXPECT_TRUE(store.DeleteAttachment(withFile));
    EXPECT_FALSE(storetest::Exists(stored.GetString()));
    EXPECT_FALSE(store.DeleteAttachment(withFile));

    // A partner's messages go with their attachment rows and files, other partners' stay.
    long a = store.AddMessage(1, "erin", "a", 2);
    CString file = store.StoreAttachmentFile(2, SourceFile("pic.bmp", "BM").c_str());
    ASSERT_TRUE(store.AddAttachment(a, file));
    store.AddMessage(1, "erin", "b", 0);
    store.AddMessage(1, "frank", "c", 0);
    EXPECT_EQ(0, store.DeleteUserMessages("ERIN"));
    EXPECT_EQ("frank", Query("SELECT CommID FROM vyrnmsg"));
    EXPECT_EQ("0", Query("SELECT count(*) FROM vyrnattach"));
    EXPECT_FALSE(storetest::Exists(file.GetString()));

    EXPECT_TRUE(store.DeleteUser("erin"));
    EXPECT_FALSE(store.DeleteUser("erin"));
}

TEST_F(StoreTest, AttachmentFilesAndTheirRows)
{
    OpenStore();
    CMsgStore store;
    long seqNo = store.AddMessage(1, "gina", "x", 3);
    struct Prefix {
        long type;
        const char* prefix;
    } prefixes[] = {{1, "SOU"}, {2, "PIC"}, {3, "VID"}, {4, "OTH"}, {9, "OTH"}};
    for (const Prefix& p : prefixes) {
        SCOPED_TRACE(p.prefix);
        CString stored = store.StoreAttachmentFile(p.type, SourceFile("empty.bin", "").c_str());
        ASSERT_FALSE(stored.IsEmpty()) << "an empty file can be stored";
        CString name = stored.Mid(static_cast<int>(attachFolder.size()) + 1);
        EXPECT_EQ(0, name.Find(p.prefix));
        EXPECT_LE(name.GetLength(), 16);
    }
    auto before = storetest::ListFolder(attachFolder);
    EXPECT_TRUE(store.StoreAttachmentFile(1, storetest::Join(m_install, "missing.wav").c_str()).IsEmpty());
    EXPECT_EQ(before, storetest::ListFolder(attachFolder)) << "a failed copy leaves no file behind";

    std::string sep(1, storetest::Separator());
    EXPECT_FALSE(store.AddAttachment(seqNo, storetest::Join(m_install, "outside.bin").c_str()));
    EXPECT_FALSE(store.AddAttachment(seqNo, (attachFolder + sep + ".." + sep + "vyrntalk.cdb").c_str()));
    EXPECT_FALSE(store.AddAttachment(0, (attachFolder + sep + "OTH1.TMP").c_str()));
    EXPECT_TRUE(store.AddAttachment(seqNo, (attachFolder + sep + "OTH1.TMP").c_str()));
    EXPECT_FALSE(store.AddAttachment(seqNo, (attachFolder + sep + "OTH2.TMP").c_str()))
        << "at most one attachment per message";
    EXPECT_EQ("OTH1.TMP", Query("SELECT Attach FROM vyrnattach"));
    EXPECT_EQ(attachFolder + sep + "OTH1.TMP", store.GetAttachmentPath(seqNo).str());
    EXPECT_TRUE(store.GetAttachmentPath(seqNo + 1).IsEmpty());
    // A stored name that would lead outside the folder (a damaged or foreign row) is never used.
    long other = store.AddMessage(1, "gina", "y", 4);
    ASSERT_EQ("", Query("INSERT INTO vyrnattach VALUES (" + std::to_string(other) + ", '..' || char(" +
                        std::to_string(int(storetest::Separator())) + ") || 'vyrntalk.cdb')"));
    EXPECT_TRUE(store.GetAttachmentPath(other).IsEmpty());
    EXPECT_FALSE(store.DeleteAttachment(other));
    EXPECT_TRUE(storetest::Exists(dbPath));

    // CopyFileContents itself: the last partial block arrives too.
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
    OpenStore();
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
    OpenStore();
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
    OpenStore();
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
