// Start-up with a file that is not a usable database of ours: it is set aside (copied under a
// dated name, never lost) and a new database is started; the older layout is upgraded in place.
#include "messaging/store/tests/StoreFixture.h"

#include "messaging/store/SqliteDb.h"
#include "resources/StringIds.h"

#include <sqlite3.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::string MakeDatabaseBytes(const std::string& folder, const char* sql)
{
    std::string path = storetest::Join(folder, "model.db");
    {
        msgstore::CSqlDatabase db;
        EXPECT_EQ(0, db.Open(msgstore::DefaultStorePlatform().ToSqlitePath(path.c_str()), true));
        EXPECT_EQ(0, db.Exec(sql));
    }
    std::string bytes;
    EXPECT_TRUE(storetest::ReadFile(path, bytes));
    storetest::RemoveTree(path);
    return bytes;
}

} // namespace

TEST_F(StoreTest, AFileThatIsNotOurDatabaseIsSetAsideAndANewOneStarted)
{
    std::string scratch = storetest::MakeTempFolder();
    std::string sqliteWithRows = MakeDatabaseBytes(
        scratch, "CREATE TABLE vyrnmsg (SeqNo INTEGER PRIMARY KEY, SndRcv, CommID, Date, Msg, AttachType);"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
                 "INSERT INTO vyrnmsg (Msg) SELECT hex(randomblob(200)) FROM n;");
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"a text file", "This is not a database.\r\n"},
        {"a truncated SQLite file", sqliteWithRows.substr(0, sqliteWithRows.size() / 2)},
        {"an SQLite file of a newer layout",
         MakeDatabaseBytes(scratch, "CREATE TABLE vyrnuser (CommID TEXT PRIMARY KEY, CommName, Memo, Time, Extra);"
                                    "PRAGMA user_version = 7;")},
        {"an SQLite file of someone else's tables", MakeDatabaseBytes(scratch, "CREATE TABLE other (x);")},
        {"an SQLite file with a trigger on our table",
         MakeDatabaseBytes(scratch, "CREATE TABLE vyrnattach (SeqNo INTEGER PRIMARY KEY, Attach TEXT);"
                                    "CREATE TRIGGER t AFTER INSERT ON vyrnattach BEGIN DELETE FROM vyrnattach; END;")},
        {"a message table without its text column",
         MakeDatabaseBytes(scratch, "CREATE TABLE vyrnmsg (SeqNo INTEGER PRIMARY KEY, CommID);")},
        {"an SQLite file whose schema format is unknown", [&] {
             std::string bytes = sqliteWithRows;
             bytes[44] = '\x00', bytes[45] = '\x00', bytes[46] = '\x00', bytes[47] = '\x09';
             return bytes;
         }()},
        {"a damaged SQLite header", [&] {
             std::string bytes = sqliteWithRows;
             bytes[16] = '\x07';   // page size 0x0700 is not a power of two
             return bytes;
         }()},
    };
    storetest::RemoveTree(scratch);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        storetest::RemoveTree(logFolder);
        platform->available = false;
        {
            CMsgStore folders;
            folders.EnsureFolders();
        }
        ASSERT_TRUE(storetest::WriteFile(dbPath, c.bytes));

        ASSERT_NO_FATAL_FAILURE(OpenStore());
        std::string kept;
        ASSERT_TRUE(storetest::ReadFile(storetest::Join(logFolder, "vyrntalk20270315.cdb"), kept));
        EXPECT_EQ(c.bytes, kept) << "the old file is kept byte for byte";
        EXPECT_EQ("ok", Query("PRAGMA integrity_check"));
        EXPECT_EQ("1", Query("PRAGMA user_version"));
        CMsgStore store;
        EXPECT_GT(store.AddMessage(1, "x", "after", 0), 0);
    }
}

TEST_F(StoreTest, SetAsideNamesNeverOverwriteAnExistingFile)
{
    {
        CMsgStore folders;
        folders.EnsureFolders();
    }
    // The plain name and (1) exist; (2) exists but can't be read as a file (a folder).
    ASSERT_TRUE(storetest::WriteFile(storetest::Join(logFolder, "vyrntalk20270315.cdb"), "old one"));
    ASSERT_TRUE(storetest::WriteFile(storetest::Join(logFolder, "vyrntalk20270315(1).cdb"), "old two"));
    ASSERT_TRUE(platform->MakeDirectory(storetest::Join(logFolder, "vyrntalk20270315(2).cdb").c_str()));
    ASSERT_TRUE(storetest::WriteFile(dbPath, "garbage garbage garbage"));

    ASSERT_NO_FATAL_FAILURE(OpenStore());
    std::string bytes;
    ASSERT_TRUE(storetest::ReadFile(storetest::Join(logFolder, "vyrntalk20270315(3).cdb"), bytes));
    EXPECT_EQ("garbage garbage garbage", bytes);
    ASSERT_TRUE(storetest::ReadFile(storetest::Join(logFolder, "vyrntalk20270315.cdb"), bytes));
    EXPECT_EQ("old one", bytes);
    ASSERT_TRUE(storetest::ReadFile(storetest::Join(logFolder, "vyrntalk20270315(1).cdb"), bytes));
    EXPECT_EQ("old two", bytes);
}

TEST_F(StoreTest, ADamagedFileThatCantBeCopiedStaysWhereItIs)
{
    {
        CMsgStore folders;
        folders.EnsureFolders();
    }
    ASSERT_TRUE(storetest::WriteFile(dbPath, "not a database, and the only copy of it"));
    platform->failCopies = true;

    CMsgStore store;
    EXPECT_EQ(1, store.Open()) << "silent without DAO_DEBUG: the program goes on without history";
    EXPECT_FALSE(platform->available);
    EXPECT_TRUE(platform->shownIds.empty());
    std::string bytes;
    ASSERT_TRUE(storetest::ReadFile(dbPath, bytes));
    EXPECT_EQ("not a database, and the only copy of it", bytes);
    EXPECT_EQ(std::vector<std::string>({"Attach", "vyrntalk.cdb"}), storetest::ListFolder(logFolder));

    // With DAO_DEBUG the user is asked; "No" ends the program.
    platform->profile["/DAO_DEBUG"] = "TRUE";
    platform->answer = msgstore::box::kAnswerNo;
    CMsgStore asked;
    EXPECT_EQ(0, asked.Open());
    EXPECT_EQ(std::vector<unsigned>({IDS_MSGSTORE_OPEN_FAILED}), platform->shownIds);
    EXPECT_EQ(std::vector<unsigned>({msgstore::box::kYesNo | msgstore::box::kIconQuestion}), platform->shownFlags);
    ASSERT_EQ(1u, platform->shownTexts.size());
    platform->answer = msgstore::box::kAnswerYes;
    CMsgStore yes;
    EXPECT_EQ(1, yes.Open());
    EXPECT_FALSE(platform->available);
}

TEST_F(StoreTest, NoInstallFolderIsReportedOnlyWithDebugOn)
{
    storetest::TestPlatform nowhere("");
    msgstore::SetStorePlatform(&nowhere);
    CMsgStore silent;
    EXPECT_EQ(1, silent.Open());
    EXPECT_TRUE(nowhere.shownIds.empty());
    nowhere.profile["/DAO_DEBUG"] = "TRUE";
    nowhere.answer = msgstore::box::kAnswerCancel;
    CMsgStore asked;
    EXPECT_EQ(0, asked.Open());
    EXPECT_EQ(std::vector<unsigned>({IDS_MSGSTORE_NOT_INSTALLED}), nowhere.shownIds);
    EXPECT_EQ(std::vector<unsigned>({msgstore::box::kIconStop}), nowhere.shownFlags);
    nowhere.profile["/DAO_DEBUG"] = "true";   // only "TRUE" itself turns it on
    CMsgStore lower;
    EXPECT_EQ(1, lower.Open());
    msgstore::SetStorePlatform(platform.get());
}

TEST_F(StoreTest, TheOlderPartnerTableGainsMemoAndTimeAndKeepsItsRows)
{
    {
        CMsgStore folders;
        folders.EnsureFolders();
    }
    {
        msgstore::CSqlDatabase db;
        ASSERT_EQ(0, db.Open(platform->ToSqlitePath(dbPath.c_str()), true));
        ASSERT_EQ(0, db.Exec("CREATE TABLE vyrnuser (CommID TEXT NOT NULL PRIMARY KEY, CommName TEXT);"
                             "CREATE TABLE vyrnmsg (SeqNo INTEGER PRIMARY KEY AUTOINCREMENT, SndRcv INTEGER,"
                             " CommID TEXT, Date TEXT, Msg TEXT, AttachType INTEGER);"
                             "CREATE TABLE vyrnattach (SeqNo INTEGER PRIMARY KEY, Attach TEXT);"
                             "INSERT INTO vyrnuser VALUES ('old1', 'Old One');"
                             "INSERT INTO vyrnmsg VALUES (41, 1, 'old1', '2026-01-02 03:04:05', 'kept', 0);"));
    }
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    EXPECT_EQ("CommID|CommName|Memo|Time", Query("SELECT name FROM pragma_table_info('vyrnuser')"));
    EXPECT_EQ("Old One", Query("SELECT CommName FROM vyrnuser WHERE CommID = 'old1'"));
    EXPECT_EQ("1", Query("PRAGMA user_version"));
    EXPECT_EQ(std::vector<std::string>({"Attach", "vyrntalk.cdb"}), storetest::ListFolder(logFolder))
        << "nothing was set aside";
    CMsgStore store;
    EXPECT_TRUE(CMsgStore::SetUserMemo("old1", "memo"));
    long added = store.AddMessage(1, "old1", "new", 0);
    EXPECT_GT(added, 41);
    ASSERT_EQ(0, store.DeleteMessage(added));
    EXPECT_GT(store.AddMessage(1, "old1", "new", 0), added) << "the rebuilt table never gives a number twice";
    EXPECT_NE(std::string::npos, Query("SELECT sql FROM sqlite_schema WHERE name = 'vyrnmsg'").find("AUTOINCREMENT"));
    EXPECT_EQ("kept", Query("SELECT Msg FROM vyrnmsg WHERE SeqNo = 41"));
    CPmLogMsgList list;
    list.SetSource(store.GetDbPath());
    ASSERT_TRUE(list.OpenForPartner("old1"));
    EXPECT_EQ(2, list.GetRecordCount());
}

// A file that opens but can't be brought to the current layout would refuse every write: the
// program runs without history and says why (with DAO_DEBUG), and the file is not written to.
TEST_F(StoreTest, AFileThatCantBeBroughtUpToDateMeansNoHistoryAndIsLeftAsItWas)
{
    const char* olderTables =
        "CREATE TABLE vyrnuser (CommID TEXT NOT NULL PRIMARY KEY, CommName TEXT);"
        "CREATE TABLE vyrnattach (SeqNo INTEGER PRIMARY KEY, Attach TEXT);";
    struct Case {
        const char* name;
        std::string sql;   // empty: a file of the current layout, made by the store
        bool writeLocked;  // another program holds the write lock throughout
        int error;
    } cases[] = {
        // The older message table is rebuilt so that numbers never repeat; numbers that already
        // repeat can't go into the new key without renumbering (which would misplace attachments).
        {"message numbers that repeat",
         std::string(olderTables) +
             "CREATE TABLE vyrnmsg (SeqNo INTEGER, SndRcv INTEGER, CommID TEXT, Date TEXT, Msg TEXT,"
             " AttachType INTEGER);"
             "INSERT INTO vyrnmsg VALUES (5, 1, 'a', '2026-01-01 00:00:00', 'one', 0),"
             " (5, 1, 'a', '2026-01-02 00:00:00', 'two', 0);",
         false, SQLITE_CONSTRAINT},
        {"message numbers that are not numbers",
         std::string(olderTables) +
             "CREATE TABLE vyrnmsg (SeqNo TEXT PRIMARY KEY, SndRcv INTEGER, CommID TEXT, Date TEXT,"
             " Msg TEXT, AttachType INTEGER);"
             "INSERT INTO vyrnmsg VALUES ('first', 1, 'a', '2026-01-01 00:00:00', 'one', 0);",
         false, SQLITE_MISMATCH},
        {"a file another program is writing", "", true, SQLITE_BUSY},
    };
    msgstore::SetBusyTimeout(50);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        storetest::RemoveTree(logFolder);
        platform->available = false;
        platform->profile.clear();
        platform->shownIds.clear();
        platform->shownFlags.clear();
        platform->shownTexts.clear();
        if (c.sql.empty()) {
            ASSERT_NO_FATAL_FAILURE(OpenStore());
            platform->available = false;
        } else {
            CMsgStore folders;
            folders.EnsureFolders();
            msgstore::CSqlDatabase db;
            ASSERT_EQ(SQLITE_OK, db.Open(platform->ToSqlitePath(dbPath.c_str()), true));
            ASSERT_EQ(SQLITE_OK, db.Exec(c.sql.c_str()));
        }
        msgstore::CSqlDatabase other;
        if (c.writeLocked) {
            ASSERT_EQ(SQLITE_OK, other.Open(platform->ToSqlitePath(dbPath.c_str()), false));
            ASSERT_EQ(SQLITE_OK, other.Exec("BEGIN IMMEDIATE"));
        }
        std::string before;
        ASSERT_TRUE(storetest::ReadFile(dbPath, before));

        CMsgStore store;
        EXPECT_EQ(1, store.Open()) << "silent without DAO_DEBUG: the program goes on without history";
        EXPECT_FALSE(platform->available);
        EXPECT_EQ(c.error, store.GetLastErrorCode()) << store.GetLastErrorText().str();
        EXPECT_TRUE(platform->shownIds.empty());
        EXPECT_EQ(0, store.AddMessage(1, "a", "refused", 0));

        // With DAO_DEBUG the user reads why and is asked; "No" ends the program.
        platform->profile["/DAO_DEBUG"] = "TRUE";
        platform->answer = msgstore::box::kAnswerNo;
        CMsgStore asked;
        EXPECT_EQ(0, asked.Open());
        EXPECT_FALSE(platform->available);
        EXPECT_EQ(std::vector<unsigned>({IDS_MSGSTORE_OPEN_FAILED}), platform->shownIds);
        EXPECT_EQ(std::vector<unsigned>({msgstore::box::kYesNo | msgstore::box::kIconQuestion}), platform->shownFlags);
        EXPECT_EQ(std::vector<std::string>({asked.GetLastErrorText().str()}), platform->shownTexts);
        platform->answer = msgstore::box::kAnswerOk;

        other.Rollback();
        other.Close();
        std::string after;
        ASSERT_TRUE(storetest::ReadFile(dbPath, after));
        EXPECT_TRUE(before == after) << "the file was written to";
        EXPECT_EQ(std::vector<std::string>({"Attach", "vyrntalk.cdb"}), storetest::ListFolder(logFolder))
            << "nothing set aside, no journal left";
    }
}

TEST_F(StoreTest, ALogFolderThatCantBeMadeMeansNoHistoryAndNoStrayFiles)
{
    // "Log" is a file: nothing below it can be made.
    ASSERT_TRUE(storetest::WriteFile(storetest::Join(m_install, "Log"), "in the way"));
    CMsgStore store;
    EXPECT_EQ(1, store.Open());
    EXPECT_FALSE(platform->available);
    EXPECT_NE(0, store.GetLastErrorCode());
    EXPECT_EQ(std::vector<std::string>({"Log"}), storetest::ListFolder(m_install));
}

TEST_F(StoreTest, ALockedDatabaseIsLeftAloneAndTheProgramRunsWithoutHistory)
{
    ASSERT_NO_FATAL_FAILURE(OpenStore());
    CMsgStore writer;
    ASSERT_GT(writer.AddMessage(1, "kim", "precious", 0), 0);
    msgstore::SetBusyTimeout(50);
    msgstore::CSqlDatabase other;
    ASSERT_EQ(0, other.Open(platform->ToSqlitePath(dbPath.c_str()), false));
    ASSERT_EQ(0, other.Exec("BEGIN EXCLUSIVE"));
    platform->available = false;
    CMsgStore store;
    EXPECT_EQ(1, store.Open());
    EXPECT_FALSE(platform->available);
    other.Rollback();
    other.Close();
    EXPECT_EQ(std::vector<std::string>({"Attach", "vyrntalk.cdb"}), storetest::ListFolder(logFolder));
    EXPECT_EQ("precious", Query("SELECT Msg FROM vyrnmsg"));
}

TEST_F(StoreTest, AJapaneseInstallFolderWorks)
{
#ifdef _WIN32
    // The name below is code page 932: the test means something only on a Japanese system.
    ASSERT_EQ(932u, GetACP());
#endif
    std::string folder = storetest::Join(m_install, storetest::JapaneseFolderName());
    ASSERT_TRUE(platform->MakeDirectory(folder.c_str()));
    storetest::TestPlatform japanese(folder);
    msgstore::SetStorePlatform(&japanese);
    CMsgStore store;
    ASSERT_EQ(1, store.Open());
    ASSERT_TRUE(japanese.available);
    long seqNo = store.AddMessage(1, "jp", "\x93\xFA\x96\x7B", 0);   // 日本
    ASSERT_GT(seqNo, 0);
    CPmLogMsgTSet message;
    message.SetSource(store.GetDbPath());
    ASSERT_TRUE(message.OpenBySeqNo(seqNo));
    EXPECT_STREQ("\x93\xFA\x96\x7B", message.m_Msg);
    EXPECT_TRUE(japanese.PathExists(store.GetDbPath()));
    msgstore::SetStorePlatform(platform.get());
}
