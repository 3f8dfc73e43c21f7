#include "messaging/store/MsgStore.h"

#include "messaging/store/StorePlatform.h"
#include "messaging/store/StoreText.h"
#include "resources/StringIds.h"

#include <sqlite3.h>

#include <exception>
#include <new>
#include <string>
#include <vector>

using msgstore::CSqlDatabase;
using msgstore::CSqlStatement;
using msgstore::CStoreTime;
using msgstore::StorePlatform;

namespace {

// The layout this program writes (PRAGMA user_version). 0 is a file of the older layout, which is
// upgraded in place; a file with a higher number comes from a newer program and is set aside.
const int kSchemaVersion = 1;

const char kCreateUserTable[] =
    "CREATE TABLE IF NOT EXISTS vyrnuser ("
    " CommID TEXT NOT NULL COLLATE NOCASE PRIMARY KEY,"
    " CommName TEXT, Memo TEXT, Time TEXT)";
// AUTOINCREMENT: a SeqNo is never given twice, even after the newest message was deleted, so an
// attachment row can never come to point at another message.
const char kCreateMessageTable[] =
    "CREATE TABLE IF NOT EXISTS vyrnmsg ("
    " SeqNo INTEGER PRIMARY KEY AUTOINCREMENT,"
    " SndRcv INTEGER NOT NULL DEFAULT 0,"
    " CommID TEXT COLLATE NOCASE,"
    " Date TEXT, Msg TEXT,"
    " AttachType INTEGER NOT NULL DEFAULT 0)";
const char kCreateAttachTable[] =
    "CREATE TABLE IF NOT EXISTS vyrnattach ("
    " SeqNo INTEGER NOT NULL PRIMARY KEY,"
    " Attach TEXT)";

// The tables and indexes of the current layout, in the order they are made. Every statement
// leaves what exists alone, so the same list makes a new file and completes an older one.
const char* const kSchema[] = {
    kCreateUserTable,
    kCreateMessageTable,
    // The partner history (one partner, newest first) reads this index only.
    "CREATE INDEX IF NOT EXISTS vyrnmsg_CommID_Date ON vyrnmsg (CommID, Date)",
    // The purge and the list of all messages go by date.
    "CREATE INDEX IF NOT EXISTS vyrnmsg_Date ON vyrnmsg (Date)",
    kCreateAttachTable,
};

// The older layout kept only CommID and CommName of a partner.
struct AddedColumn {
    const char* name;
    const char* sql;
};
const AddedColumn kAddedUserColumns[] = {
    {"Memo", "ALTER TABLE vyrnuser ADD COLUMN Memo TEXT"},
    {"Time", "ALTER TABLE vyrnuser ADD COLUMN Time TEXT"},
};

struct RequiredTable {
    const char* name;
    std::vector<const char*> columns;   // what a file of any known layout has
};
const RequiredTable kTables[] = {
    {"vyrnuser", {"CommID", "CommName"}},
    {"vyrnmsg", {"SeqNo", "SndRcv", "CommID", "Date", "Msg", "AttachType"}},
    {"vyrnattach", {"SeqNo", "Attach"}},
};

// Columns of a table in this file (empty when the table does not exist); false on a read error.
bool ReadColumns(CSqlDatabase& db, const char* table, std::vector<CString>& columns)
{
    CSqlStatement statement(db, "SELECT name FROM pragma_table_info(?1)");
    statement.BindText(1, table);
    while (statement.Step())
        columns.push_back(CString(statement.ColumnBytes(0)));
    return !statement.Failed();
}

bool HasColumn(const std::vector<CString>& columns, const char* name)
{
    for (const CString& column : columns)
        if (column.CompareNoCase(name) == 0)
            return true;
    return false;
}

// A message table of the older layout may lack AUTOINCREMENT, and then the number of a deleted
// newest message is given again, so an attachment row left behind would belong to the next
// message. Such a table is rebuilt (inside the caller's transaction) with every row and number.
bool RebuildMessageTableIfNumbersCanRepeat(CSqlDatabase& db)
{
    CSqlStatement table(db, "SELECT sql FROM sqlite_schema WHERE type = 'table' AND name = 'vyrnmsg'");
    if (!table.Step())
        return !table.Failed();
    CString sql(table.ColumnBytes(0));
    sql.MakeUpper();
    if (sql.Find("AUTOINCREMENT") >= 0)
        return true;
    return db.Exec("ALTER TABLE vyrnmsg RENAME TO vyrnmsg_older") == SQLITE_OK &&
           db.Exec(kCreateMessageTable) == SQLITE_OK &&
           db.Exec("INSERT INTO vyrnmsg (SeqNo, SndRcv, CommID, Date, Msg, AttachType) "
                   "SELECT SeqNo, coalesce(SndRcv, 0), CommID, Date, Msg, coalesce(AttachType, 0) "
                   "FROM vyrnmsg_older") == SQLITE_OK &&
           db.Exec("DROP TABLE vyrnmsg_older") == SQLITE_OK;
}

// Brings the tables of a connection to the current layout inside the caller's write transaction
// and stamps the file with its number: a new file gets everything, an older one what it lacks.
bool UpgradeSchema(CSqlDatabase& db)
{
    if (!RebuildMessageTableIfNumbersCanRepeat(db))
        return false;
    for (const char* sql : kSchema)
        if (db.Exec(sql) != SQLITE_OK)
            return false;
    std::vector<CString> userColumns;
    if (!ReadColumns(db, "vyrnuser", userColumns))
        return false;
    for (const AddedColumn& column : kAddedUserColumns)
        if (!HasColumn(userColumns, column.name) && db.Exec(column.sql) != SQLITE_OK)
            return false;
    std::string stamp = "PRAGMA user_version = " + std::to_string(kSchemaVersion);
    return db.Exec(stamp.c_str()) == SQLITE_OK;
}

} // namespace

// --- start-up

int CMsgStore::Open()
{
    using namespace msgstore::box;
    return Guarded(1, [this]() -> int {
        msgstore::IStorePlatform& platform = StorePlatform();
        platform.SetDatabaseAvailable(false);
        if (!EnsureFolders())
            return DebugMessageBox(IDS_MSGSTORE_NOT_INSTALLED, kIconStop) == kAnswerOk ? 1 : 0;
        if (!msgstore::SqliteInitialize()) {
            DebugMessageText("SQLite", kOk);
            int answer = DebugMessageBox(IDS_MSGSTORE_NO_ENGINE, kYesNo | kIconQuestion);
            return answer == kAnswerOk || answer == kAnswerYes ? 1 : 0;
        }
        // A file that opens but can't be brought to the current layout would refuse every write:
        // it counts as not opened, and the upgrade's rollback has left it as it was.
        if (OpenOrCreate(GetDbPath()) && CheckSchema()) {
            platform.SetDatabaseAvailable(true);
            return 1;
        }
        DebugMessageText(m_lastErrorText, kIconQuestion);
        int answer = DebugMessageBox(IDS_MSGSTORE_OPEN_FAILED, kYesNo | kIconQuestion);
        return answer == kAnswerYes || answer == kAnswerOk ? 1 : 0;
    });
}

int CMsgStore::OpenOrCreate(const CString& path)
{
    msgstore::IStorePlatform& platform = StorePlatform();
    if (path.IsEmpty())
        return 0;
    if (!platform.PathExists(path))
        return CreateDatabase(path);

    Verdict verdict = Inspect(path);
    // SQLite also answers "out of memory" for some damaged schemas. A real shortage passes; a
    // file that gives it twice in a row is damaged.
    if (verdict == Verdict::Unavailable && (m_lastError & 0xFF) == SQLITE_NOMEM) {
        verdict = Inspect(path);
        if (verdict == Verdict::Unavailable && (m_lastError & 0xFF) == SQLITE_NOMEM)
            verdict = Verdict::Damaged;
    }
    switch (verdict) {
    case Verdict::Usable:
        return 1;
    case Verdict::Unavailable:
        // Locked, unreadable, out of memory...: the file may be perfectly good, so it is left
        // alone and the program runs without history this time.
        return 0;
    case Verdict::Damaged:
        break;
    }
    // Not a database of ours: keep it under a new name, and only once it is safely copied make
    // room for a new one. When the copy fails the file stays where it is.
    if (SetAside(path).IsEmpty())
        return 0;
    if (!RemoveDatabaseFiles(path))
        return 0;
    return CreateDatabase(path);
}

CMsgStore::Verdict CMsgStore::Inspect(const CString& path)
{
    CSqlDatabase db;
    int rc = msgstore::OpenStoreConnection(db, path);
    if (rc != SQLITE_OK) {
        RecordError(db);
        return msgstore::IsDamageCode(rc) ? Verdict::Damaged : Verdict::Unavailable;
    }
    auto failed = [&](const CSqlStatement&) {
        RecordError(db);
        return msgstore::IsDamageCode(db.LastError()) ? Verdict::Damaged : Verdict::Unavailable;
    };

    {
        CSqlStatement check(db, "PRAGMA integrity_check(1)");
        if (!check.Step())
            return failed(check);
        std::string result = check.ColumnBytes(0);
        if (result != "ok") {
            RecordError(SQLITE_CORRUPT, result.c_str());
            return Verdict::Damaged;
        }
    }
    {
        CSqlStatement version(db, "PRAGMA user_version");
        if (!version.Step())
            return failed(version);
        if (version.ColumnInt(0) > kSchemaVersion) {
            RecordError(SQLITE_FORMAT, "the database was written by a newer program");
            return Verdict::Damaged;
        }
    }
    {
        // Triggers and views would run their own SQL inside the store's writes: not ours.
        CSqlStatement foreign(db, "SELECT count(*) FROM sqlite_schema WHERE type IN ('trigger', 'view')");
        if (!foreign.Step())
            return failed(foreign);
        if (foreign.ColumnInt(0) != 0) {
            RecordError(SQLITE_FORMAT, "the database holds triggers or views");
            return Verdict::Damaged;
        }
    }
    int present = 0;
    for (const RequiredTable& table : kTables) {
        std::vector<CString> columns;
        if (!ReadColumns(db, table.name, columns)) {
            RecordError(db);
            return Verdict::Unavailable;
        }
        if (columns.empty())
            continue;
        ++present;
        for (const char* column : table.columns) {
            if (!HasColumn(columns, column)) {
                RecordError(SQLITE_FORMAT, "the database has tables of an unknown layout");
                return Verdict::Damaged;
            }
        }
    }
    if (present == 0) {
        // An empty file is a new database; a database of tables that aren't ours is someone
        // else's file and is not written into.
        CSqlStatement others(db, "SELECT count(*) FROM sqlite_schema");
        if (!others.Step())
            return failed(others);
        if (others.ColumnInt(0) != 0) {
            RecordError(SQLITE_FORMAT, "the database holds no message tables");
            return Verdict::Damaged;
        }
    }
    return Verdict::Usable;
}

BOOL CMsgStore::CreateDatabase(const CString& path)
{
    // The file is made here, exclusively, so that removing it after a failure can only ever
    // remove what this call created.
    if (!StorePlatform().CreateEmptyFile(path)) {
        RecordError(SQLITE_CANTOPEN, "the database file can't be created");
        return FALSE;
    }
    if (ApplySchema(path))
        return TRUE;
    RemoveDatabaseFiles(path);
    return FALSE;
}

BOOL CMsgStore::CheckSchema()
{
    return Guarded(FALSE, [this]() -> BOOL { return ApplySchema(GetDbPath()); });
}

// One transaction: the file ends up in the current layout, or as it was.
BOOL CMsgStore::ApplySchema(const CString& path)
{
    CSqlDatabase db;
    if (msgstore::OpenStoreConnection(db, path) != SQLITE_OK) {
        RecordError(db);
        return FALSE;
    }
    if (db.BeginWrite() == SQLITE_OK && UpgradeSchema(db) && db.Commit() == SQLITE_OK)
        return TRUE;
    RecordError(db);
    db.Rollback();
    return FALSE;
}

BOOL CMsgStore::Connect(CSqlDatabase& db)
{
    if (msgstore::OpenStoreConnection(db, GetDbPath()) != SQLITE_OK) {
        RecordError(db);
        return FALSE;
    }
    return TRUE;
}

// A connection that holds the write lock (a transaction begun), or FALSE with the error recorded.
BOOL CMsgStore::ConnectForWriting(CSqlDatabase& db)
{
    if (!Connect(db))
        return FALSE;
    if (db.BeginWrite() != SQLITE_OK) {
        RecordError(db);
        return FALSE;
    }
    return TRUE;
}

void CMsgStore::RecordError(const CSqlDatabase& db)
{
    RecordError(db.LastError() ? db.LastError() : SQLITE_ERROR, db.LastMessage().c_str());
}

void CMsgStore::RecordError(int code, const char* text)
{
    m_lastError = code;
    m_lastErrorText = text;
}

void CMsgStore::RecordException() noexcept
{
    const char* text = "an unexpected exception";
    try {
        throw;
    } catch (const std::bad_alloc&) {
        m_lastError = SQLITE_NOMEM;
        text = "out of memory";
    } catch (const std::exception& exception) {
        m_lastError = SQLITE_ERROR;
        text = exception.what();
    } catch (...) {
        m_lastError = SQLITE_ERROR;
    }
    try {
        m_lastErrorText = text;
    } catch (...) {
        // No memory for the text either: the code alone has to do.
        m_lastErrorText.Empty();
    }
}

// --- partners and messages

BOOL CMsgStore::PutUser(const char* commId, const char* commName)
{
    return Guarded(FALSE, [&]() -> BOOL {
        if (!StorePlatform().IsDatabaseAvailable())
            return FALSE;
        CStoreTime now = StorePlatform().Now();
        CSqlDatabase db;
        if (!ConnectForWriting(db))
            return FALSE;
        int found = CPmLogUserTSet::Touch(db, commId, now);
        bool ok = found == 1 || (found == 0 && CPmLogUserTSet::Insert(db, commId, commName, now));
        if (ok && db.Commit() == SQLITE_OK)
            return TRUE;
        RecordError(db);
        db.Rollback();
        return FALSE;
    });
}

long CMsgStore::AddMessage(int sndRcv, const char* commId, const char* text, long attachType)
{
    return Guarded(0L, [&]() -> long {
        if (!StorePlatform().IsDatabaseAvailable())
            return 0;
        CStoreTime now = StorePlatform().Now();
        CSqlDatabase db;
        if (!Connect(db))
            return 0;
        std::int64_t seqNo = CPmLogMsgTSet::Insert(db, sndRcv != 0, commId, now, text, attachType);
        if (seqNo <= 0)
            RecordError(db);
        return static_cast<long>(seqNo);
    });
}

// --- deletions

int CMsgStore::DeleteMessage(long seqNo)
{
    return Guarded(-1, [&]() -> int {
        if (!StorePlatform().IsDatabaseAvailable())
            return -1;
        CSqlDatabase db;
        if (!ConnectForWriting(db))
            return -1;
        long attachType = CPmLogMsgTSet::GetAttachType(db, seqNo);
        if (attachType >= 0 && CPmLogMsgTSet::Delete(db, seqNo) == 1 && db.Commit() == SQLITE_OK)
            return attachType > 0 ? 1 : 0;
        RecordError(db);
        db.Rollback();
        return -1;
    });
}

BOOL CMsgStore::DeleteAttachment(long seqNo)
{
    return Guarded(FALSE, [&]() -> BOOL {
        if (!StorePlatform().IsDatabaseAvailable() || GetAttachFolder().IsEmpty())
            return FALSE;
        CString name;
        {
            CSqlDatabase db;
            if (!ConnectForWriting(db))
                return FALSE;
            if (CPmLogAttachTSet::Find(db, seqNo, name) != 1 || CPmLogAttachTSet::Delete(db, seqNo) != 1 ||
                db.Commit() != SQLITE_OK) {
                RecordError(db);
                db.Rollback();
                return FALSE;
            }
        }
        // The row goes first: a file left over after a failure is harmless, a row pointing at a
        // missing file is not.
        CString file = AttachmentPath(name);
        return !file.IsEmpty() && StorePlatform().RemoveFile(file) ? TRUE : FALSE;
    });
}

int CMsgStore::DeleteUserMessages(const char* commId)
{
    return Guarded(-1, [&]() -> int {
        if (!StorePlatform().IsDatabaseAvailable())
            return -1;
        return DeleteMessagesWhere("CommID = ?1", commId) < 0 ? -1 : 0;
    });
}

// The messages that condition (SQL on vyrnmsg with one value, ?1) selects go in one transaction
// with the attachment rows of those that say they carry one; the files follow only after the rows
// are gone for good (a file left over after a failure is harmless, a row pointing at a missing
// file is not). Returns the number of messages deleted, -1 when nothing was deleted.
int CMsgStore::DeleteMessagesWhere(const char* condition, const char* value)
{
    const std::string withAttachment =
        std::string("SELECT SeqNo FROM vyrnmsg WHERE ") + condition + " AND AttachType > 0";
    const std::string listFiles = "SELECT Attach FROM vyrnattach WHERE SeqNo IN (" + withAttachment + ")";
    const std::string deleteAttachments = "DELETE FROM vyrnattach WHERE SeqNo IN (" + withAttachment + ")";
    const std::string deleteMessages = std::string("DELETE FROM vyrnmsg WHERE ") + condition;

    std::vector<CString> files;
    int deleted = 0;
    {
        CSqlDatabase db;
        if (!ConnectForWriting(db))
            return -1;
        CSqlStatement attachments(db, listFiles.c_str());
        msgstore::BindMbcs(attachments, 1, value);
        while (attachments.Step())
            files.push_back(msgstore::ColumnMbcs(attachments, 0));
        CSqlStatement attachmentRows(db, deleteAttachments.c_str());
        msgstore::BindMbcs(attachmentRows, 1, value);
        CSqlStatement messages(db, deleteMessages.c_str());
        msgstore::BindMbcs(messages, 1, value);
        bool ok = !attachments.Failed() && attachmentRows.Run() && messages.Run();
        if (ok)
            deleted = db.Changes();
        if (!ok || db.Commit() != SQLITE_OK) {
            RecordError(db);
            db.Rollback();
            return -1;
        }
    }
    for (const CString& name : files) {
        CString file = AttachmentPath(name);
        if (!file.IsEmpty())
            StorePlatform().RemoveFile(file);
    }
    return deleted;
}

BOOL CMsgStore::DeleteUser(const char* commId)
{
    return Guarded(FALSE, [&]() -> BOOL {
        if (!StorePlatform().IsDatabaseAvailable())
            return FALSE;
        CSqlDatabase db;
        if (!Connect(db))
            return FALSE;
        int deleted = CPmLogUserTSet::Delete(db, commId);
        if (deleted < 0)
            RecordError(db);
        return deleted > 0 ? TRUE : FALSE;
    });
}

// --- name and memo

BOOL CMsgStore::SetUserName(const char* commId, const char* name)
{
    return SetUserText(commId, CPmLogUserTSet::TextField::Name, name);
}

BOOL CMsgStore::SetUserMemo(const char* commId, const char* memo)
{
    return SetUserText(commId, CPmLogUserTSet::TextField::Memo, memo);
}

BOOL CMsgStore::SetUserText(const char* commId, CPmLogUserTSet::TextField field, const char* value)
{
    CMsgStore store;
    return store.Guarded(FALSE, [&]() -> BOOL {
        CSqlDatabase db;
        if (!commId || !*commId || !store.Connect(db))
            return FALSE;
        return CPmLogUserTSet::SetText(db, commId, field, value) > 0 ? TRUE : FALSE;
    });
}

CString CMsgStore::GetUserMemo(const char* commId)
{
    CMsgStore store;
    return store.Guarded(CString(), [&]() -> CString {
        CSqlDatabase db;
        if (!commId || !*commId || !store.Connect(db))
            return CString();
        CSqlStatement statement(db, "SELECT Memo FROM vyrnuser WHERE CommID = ?1 COLLATE BINARY");
        msgstore::BindMbcs(statement, 1, commId);
        return statement.Step() ? msgstore::ColumnMbcs(statement, 0) : CString();
    });
}

// --- maintenance

int CMsgStore::PurgeBefore(int days)
{
    return Guarded(0, [&]() -> int {
        if (days <= 0 || !StorePlatform().IsDatabaseAvailable())
            return 0;
        CStoreTime cutoff = StorePlatform().Now().AddDays(-days);
        std::string before = cutoff.FormatDate();   // "YYYY-MM-DD" sorts before that day's times
        int deleted = DeleteMessagesWhere("Date < ?1", before.c_str());
        return deleted > 0 ? deleted : 0;
    });
}

BOOL CMsgStore::Compact()
{
    return Guarded(FALSE, [&]() -> BOOL {
        if (!StorePlatform().IsDatabaseAvailable())
            return FALSE;
        CSqlDatabase db;
        if (!Connect(db))
            return FALSE;
        // VACUUM rebuilds the file inside one transaction of the rollback journal: an
        // interruption leaves the old file as it was.
        if (db.Exec("VACUUM") != SQLITE_OK) {
            RecordError(db);
            return FALSE;
        }
        return TRUE;
    });
}

// --- diagnostics

namespace {
// The diagnostic boxes show only when the profile's DAO_DEBUG is "TRUE" (exactly); otherwise the
// answer is OK and database problems stay silent.
bool DebugMessagesOn()
{
    return StorePlatform().ReadProfileString("", "DAO_DEBUG", "FALSE").Compare("TRUE") == 0;
}
} // namespace

int CMsgStore::DebugMessageBox(unsigned id, unsigned flags)
{
    return Guarded(msgstore::box::kAnswerOk, [&]() -> int {
        return DebugMessagesOn() ? StorePlatform().MessageBoxId(id, flags) : msgstore::box::kAnswerOk;
    });
}

int CMsgStore::DebugMessageText(const char* text, unsigned flags)
{
    return Guarded(msgstore::box::kAnswerOk, [&]() -> int {
        return DebugMessagesOn() ? StorePlatform().ShowMessageBox(text, flags) : msgstore::box::kAnswerOk;
    });
}
