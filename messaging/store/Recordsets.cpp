#include "messaging/store/Recordsets.h"

#include "messaging/store/StorePlatform.h"
#include "messaging/store/StoreText.h"

#include <sqlite3.h>

namespace msgstore {

int OpenStoreConnection(CSqlDatabase& db, const CString& dbPath)
{
    if (dbPath.IsEmpty())
        return SQLITE_CANTOPEN;
    return db.Open(StorePlatform().ToSqlitePath(dbPath), false);
}

namespace {

CStoreTime ColumnTime(const CSqlStatement& statement, int column)
{
    CStoreTime time;
    CStoreTime::Parse(statement.ColumnBytes(column), time);
    return time;
}

// A read that runs out of memory fails like any other: no exception reaches the window.
template <class Reader>
bool Guard(CPmLogRecordsetBase& set, Reader reader)
{
    try {
        return reader();
    } catch (...) {
        set.Close();
        return false;
    }
}

// The number of rows a write changed, or -1 when it failed.
int RunChanges(CSqlDatabase& db, CSqlStatement& statement)
{
    return statement.Run() ? db.Changes() : -1;
}

} // namespace

// --- cursor

void CPmLogRecordsetBase::SetSource(const char* dbPath, const char* defaultSql)
{
    m_dbPath = dbPath;
    if (defaultSql)
        m_defaultSql = defaultSql;
}

void CPmLogRecordsetBase::MoveFirst()
{
    m_position = 0;
    if (m_open && Count() > 0)
        Load(0);
}

void CPmLogRecordsetBase::MoveNext()
{
    if (!m_open || m_position >= Count())
        return;
    ++m_position;
    if (m_position < Count())
        Load(m_position);
}

void CPmLogRecordsetBase::Close()
{
    m_open = false;
    m_position = 0;
    ClearRows();
}

bool CPmLogRecordsetBase::Connect(CSqlDatabase& db)
{
    Close();
    m_lastError = 0;
    m_lastErrorText.Empty();
    int rc = OpenStoreConnection(db, m_dbPath);
    if (rc != SQLITE_OK) {
        m_lastError = rc;
        m_lastErrorText = db.LastMessage().c_str();
        return false;
    }
    return true;
}

bool CPmLogRecordsetBase::Finish(CSqlDatabase& db, const CSqlStatement& statement)
{
    if (statement.Failed()) {
        m_lastError = db.LastError() ? db.LastError() : SQLITE_ERROR;
        m_lastErrorText = db.LastMessage().c_str();
        ClearRows();
        return false;
    }
    m_open = true;
    MoveFirst();
    return true;
}

// --- partners

bool CPmLogUserTSet::OpenAll()
{
    return Guard(*this, [&] {
        return Read("SELECT CommID, CommName, Time, Memo FROM vyrnuser ORDER BY Time DESC", nullptr);
    });
}

bool CPmLogUserTSet::OpenByCommID(const char* commId)
{
    return Guard(*this, [&] {
        return Read("SELECT CommID, CommName, Time, Memo FROM vyrnuser WHERE CommID = ?1", commId);
    });
}

bool CPmLogUserTSet::Read(const char* sql, const char* commId)
{
    CSqlDatabase db;
    if (!Connect(db))
        return false;
    CSqlStatement statement(db, sql);
    if (commId)
        BindMbcs(statement, 1, commId);
    while (statement.Step()) {
        Row row;
        row.commId = ColumnMbcs(statement, 0);
        row.commName = ColumnMbcs(statement, 1);
        row.time = ColumnTime(statement, 2);
        row.memo = ColumnMbcs(statement, 3);
        m_rows.push_back(std::move(row));
    }
    return Finish(db, statement);
}

void CPmLogUserTSet::Load(std::size_t index)
{
    const Row& row = m_rows[index];
    m_CommID = row.commId;
    m_CommName = row.commName;
    m_Time = row.time;
    m_Memo = row.memo;
}

int CPmLogUserTSet::Touch(CSqlDatabase& db, const char* commId, const CStoreTime& now)
{
    CSqlStatement statement(db, "UPDATE vyrnuser SET Time = ?2 WHERE CommID = ?1");
    BindMbcs(statement, 1, commId);
    statement.BindText(2, now.Format());
    int changed = RunChanges(db, statement);
    return changed < 0 ? -1 : (changed > 0 ? 1 : 0);
}

bool CPmLogUserTSet::Insert(CSqlDatabase& db, const char* commId, const char* commName, const CStoreTime& now)
{
    CSqlStatement statement(db, "INSERT INTO vyrnuser (CommID, CommName, Memo, Time) VALUES (?1, ?2, '', ?3)");
    BindMbcs(statement, 1, commId);
    BindMbcs(statement, 2, commName);
    statement.BindText(3, now.Format());
    return statement.Run();
}

int CPmLogUserTSet::Delete(CSqlDatabase& db, const char* commId)
{
    CSqlStatement statement(db, "DELETE FROM vyrnuser WHERE CommID = ?1");
    BindMbcs(statement, 1, commId);
    return RunChanges(db, statement);
}

int CPmLogUserTSet::SetText(CSqlDatabase& db, const char* commId, TextField field, const char* value)
{
    // The partner is matched by its exact ID here, as the name and memo editors pass the ID
    // they were shown.
    CSqlStatement statement(db, field == TextField::Name
                                    ? "UPDATE vyrnuser SET CommName = ?2 WHERE CommID = ?1 COLLATE BINARY"
                                    : "UPDATE vyrnuser SET Memo = ?2 WHERE CommID = ?1 COLLATE BINARY");
    BindMbcs(statement, 1, commId);
    BindMbcs(statement, 2, value);
    return RunChanges(db, statement);
}

// --- messages


bool CPmLogMsgTSet::OpenBySeqNo(std::int64_t seqNo)
{
    return Guard(*this, [&] {
        return Read("SELECT SeqNo, SndRcv, CommID, Date, Msg, AttachType FROM vyrnmsg WHERE SeqNo = ?1", true,
                    seqNo, nullptr);
    });
}

bool CPmLogMsgTSet::OpenByCommID(const char* commId)
{
    return Guard(*this, [&] {
        return Read("SELECT SeqNo, SndRcv, CommID, Date, Msg, AttachType FROM vyrnmsg WHERE CommID = ?1 "
                    "ORDER BY Date, SeqNo",
                    false, 0, commId);
    });
}

bool CPmLogMsgTSet::Read(const char* sql, bool bySeqNo, std::int64_t seqNo, const char* commId)
{
    CSqlDatabase db;
    if (!Connect(db))
        return false;
    CSqlStatement statement(db, sql);
    if (bySeqNo)
        statement.BindInt(1, seqNo);
    else
        BindMbcs(statement, 1, commId);
    while (statement.Step()) {
        Row row;
        row.seqNo = statement.ColumnInt(0);
        row.received = statement.ColumnInt(1) != 0;
        row.commId = ColumnMbcs(statement, 2);
        row.date = ColumnTime(statement, 3);
        row.msg = ColumnMbcs(statement, 4);
        row.attachType = static_cast<long>(statement.ColumnInt(5));
        m_rows.push_back(std::move(row));
    }
    return Finish(db, statement);
}

void CPmLogMsgTSet::Load(std::size_t index)
{
    const Row& row = m_rows[index];
    m_SeqNo = static_cast<long>(row.seqNo);
    m_SndRcv = row.received ? TRUE : FALSE;
    m_CommID = row.commId;
    m_Date = row.date;
    m_Msg = row.msg;
    m_AttachType = row.attachType;
}

std::int64_t CPmLogMsgTSet::Insert(CSqlDatabase& db, bool received, const char* commId, const CStoreTime& date,
                                   const char* text, long attachType)
{
    CSqlStatement statement(
        db, "INSERT INTO vyrnmsg (SndRcv, CommID, Date, Msg, AttachType) VALUES (?1, ?2, ?3, ?4, ?5)");
    statement.BindInt(1, received ? 1 : 0);
    BindMbcs(statement, 2, commId);
    statement.BindText(3, date.Format());
    BindMbcs(statement, 4, text);
    statement.BindInt(5, attachType);
    if (!statement.Run() || db.Changes() != 1)
        return 0;
    return db.LastInsertRowId();
}

long CPmLogMsgTSet::GetAttachType(CSqlDatabase& db, std::int64_t seqNo)
{
    CSqlStatement statement(db, "SELECT AttachType FROM vyrnmsg WHERE SeqNo = ?1");
    statement.BindInt(1, seqNo);
    if (!statement.Step())
        return -1;
    return static_cast<long>(statement.ColumnInt(0));
}

int CPmLogMsgTSet::Delete(CSqlDatabase& db, std::int64_t seqNo)
{
    CSqlStatement statement(db, "DELETE FROM vyrnmsg WHERE SeqNo = ?1");
    statement.BindInt(1, seqNo);
    return RunChanges(db, statement);
}

// --- attachments

bool CPmLogAttachTSet::OpenBySeqNo(std::int64_t seqNo)
{
    return Guard(*this, [&] { return Read(seqNo); });
}

bool CPmLogAttachTSet::Read(std::int64_t seqNo)
{
    CSqlDatabase db;
    if (!Connect(db))
        return false;
    CSqlStatement statement(db, "SELECT SeqNo, Attach FROM vyrnattach WHERE SeqNo = ?1");
    statement.BindInt(1, seqNo);
    while (statement.Step())
        m_rows.push_back({statement.ColumnInt(0), ColumnMbcs(statement, 1)});
    return Finish(db, statement);
}

void CPmLogAttachTSet::Load(std::size_t index)
{
    m_SeqNo = static_cast<long>(m_rows[index].seqNo);
    m_Attach = m_rows[index].attach;
}

bool CPmLogAttachTSet::Insert(CSqlDatabase& db, std::int64_t seqNo, const char* attach)
{
    CSqlStatement statement(db, "INSERT INTO vyrnattach (SeqNo, Attach) VALUES (?1, ?2)");
    statement.BindInt(1, seqNo);
    BindMbcs(statement, 2, attach);
    return statement.Run();
}

int CPmLogAttachTSet::Find(CSqlDatabase& db, std::int64_t seqNo, CString& attach)
{
    CSqlStatement statement(db, "SELECT Attach FROM vyrnattach WHERE SeqNo = ?1");
    statement.BindInt(1, seqNo);
    if (statement.Step()) {
        attach = ColumnMbcs(statement, 0);
        return 1;
    }
    return statement.Failed() ? -1 : 0;
}

int CPmLogAttachTSet::Delete(CSqlDatabase& db, std::int64_t seqNo)
{
    CSqlStatement statement(db, "DELETE FROM vyrnattach WHERE SeqNo = ?1");
    statement.BindInt(1, seqNo);
    return RunChanges(db, statement);
}

// --- the log window's list

bool CPmLogMsgList::OpenForPartner(const char* commId, int maxRows)
{
    return Guard(*this, [&] { return Read(true, commId, maxRows); });
}

bool CPmLogMsgList::OpenAll(int maxRows)
{
    return Guard(*this, [&] { return Read(false, nullptr, maxRows); });
}

bool CPmLogMsgList::Read(bool forPartner, const char* commId, int maxRows)
{
    CSqlDatabase db;
    if (!Connect(db))
        return false;
    // A negative LIMIT means no limit in SQLite.
    CSqlStatement statement(
        db, forPartner
                ? "SELECT u.CommID, u.CommName, m.SeqNo, m.SndRcv, m.CommID, m.Date, m.AttachType "
                  "FROM vyrnmsg AS m JOIN vyrnuser AS u ON u.CommID = m.CommID WHERE m.CommID = ?1 "
                  "ORDER BY m.Date DESC, m.SeqNo DESC LIMIT ?2"
                : "SELECT u.CommID, u.CommName, m.SeqNo, m.SndRcv, m.CommID, m.Date, m.AttachType "
                  "FROM vyrnmsg AS m JOIN vyrnuser AS u ON u.CommID = m.CommID "
                  "ORDER BY m.Date DESC, m.SeqNo DESC LIMIT ?2");
    if (forPartner)
        BindMbcs(statement, 1, commId);
    statement.BindInt(2, maxRows > 0 ? maxRows : -1);
    while (statement.Step()) {
        Row row;
        row.userCommId = ColumnMbcs(statement, 0);
        row.commName = ColumnMbcs(statement, 1);
        row.seqNo = statement.ColumnInt(2);
        row.received = statement.ColumnInt(3) != 0;
        row.msgCommId = ColumnMbcs(statement, 4);
        row.date = ColumnTime(statement, 5);
        row.attachType = static_cast<long>(statement.ColumnInt(6));
        m_rows.push_back(std::move(row));
    }
    return Finish(db, statement);
}

bool CPmLogMsgList::OpenPage(const char* commId, const PageKey& after, int maxRows)
{
    return Guard(*this, [&] { return ReadPage(commId, after, maxRows); });
}

bool CPmLogMsgList::ReadPage(const char* commId, const PageKey& after, int maxRows)
{
    CSqlDatabase db;
    if (!Connect(db))
        return false;
    // Four fixed texts rather than one with optional terms, so that SQLite reads the index from
    // the key on (an "or NULL" term makes it walk the index from the newest row for every page).
    static const char* const kSql[2][2] = {
        {"SELECT u.CommID, u.CommName, m.SeqNo, m.SndRcv, m.CommID, m.Date, m.AttachType "
         "FROM vyrnmsg AS m JOIN vyrnuser AS u ON u.CommID = m.CommID "
         "ORDER BY m.Date DESC, m.SeqNo DESC LIMIT ?4",
         "SELECT u.CommID, u.CommName, m.SeqNo, m.SndRcv, m.CommID, m.Date, m.AttachType "
         "FROM vyrnmsg AS m JOIN vyrnuser AS u ON u.CommID = m.CommID "
         "WHERE m.Date <= ?2 AND (m.Date < ?2 OR m.SeqNo < ?3) "
         "ORDER BY m.Date DESC, m.SeqNo DESC LIMIT ?4"},
        {"SELECT u.CommID, u.CommName, m.SeqNo, m.SndRcv, m.CommID, m.Date, m.AttachType "
         "FROM vyrnmsg AS m JOIN vyrnuser AS u ON u.CommID = m.CommID WHERE m.CommID = ?1 "
         "ORDER BY m.Date DESC, m.SeqNo DESC LIMIT ?4",
         "SELECT u.CommID, u.CommName, m.SeqNo, m.SndRcv, m.CommID, m.Date, m.AttachType "
         "FROM vyrnmsg AS m JOIN vyrnuser AS u ON u.CommID = m.CommID WHERE m.CommID = ?1 "
         "AND m.Date <= ?2 AND (m.Date < ?2 OR m.SeqNo < ?3) "
         "ORDER BY m.Date DESC, m.SeqNo DESC LIMIT ?4"}};
    CSqlStatement statement(db, kSql[commId ? 1 : 0][after.valid ? 1 : 0]);
    if (commId)
        BindMbcs(statement, 1, commId);
    if (after.valid) {
        statement.BindText(2, after.date.Format());
        statement.BindInt(3, after.seqNo);
    }
    statement.BindInt(4, maxRows > 0 ? maxRows : -1);
    while (statement.Step()) {
        Row row;
        row.userCommId = ColumnMbcs(statement, 0);
        row.commName = ColumnMbcs(statement, 1);
        row.seqNo = statement.ColumnInt(2);
        row.received = statement.ColumnInt(3) != 0;
        row.msgCommId = ColumnMbcs(statement, 4);
        row.date = ColumnTime(statement, 5);
        row.attachType = static_cast<long>(statement.ColumnInt(6));
        m_rows.push_back(std::move(row));
    }
    return Finish(db, statement);
}

CPmLogMsgList::PageKey CPmLogMsgList::CurrentKey() const
{
    PageKey key;
    key.valid = true;
    key.date = m_Date;
    key.seqNo = m_seqNo64;
    return key;
}

void CPmLogMsgList::Load(std::size_t index)
{
    const Row& row = m_rows[index];
    m_seqNo64 = row.seqNo;
    m_UserCommID = row.userCommId;
    m_CommName = row.commName;
    m_SeqNo = static_cast<long>(row.seqNo);
    m_SndRcv = row.received ? TRUE : FALSE;
    m_MsgCommID = row.msgCommId;
    m_Date = row.date;
    m_AttachType = row.attachType;
}

} // namespace msgstore
