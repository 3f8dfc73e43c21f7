// The recordset classes of the message database. Each reads its rows in one call (open, read,
// close), so no window ever holds the database open between two operations; the caller then walks
// the rows with MoveNext and reads the current row from the public members, as with the
// framework's recordsets. Every value is bound: no filter text is ever built from data. The
// writing operations that CMsgStore uses are static members taking its open connection.
#pragma once

#include "framework/core/CString.h"
#include "messaging/store/SqliteDb.h"
#include "messaging/store/StoreTime.h"

#include <cstdint>
#include <vector>

namespace msgstore {

// Opens one operation's connection to an existing database file (never creates one, so a file
// removed behind the program's back is not silently replaced). Returns the SQLite result code.
int OpenStoreConnection(CSqlDatabase& db, const CString& dbPath);

// The cursor and source shared by the four classes.
class CPmLogRecordsetBase {
public:
    virtual ~CPmLogRecordsetBase() = default;

    // The database file that the next Open reads, and the table expression the class reads from
    // (kept for the callers that show it; the SQL of each Open is fixed).
    void SetSource(const char* dbPath, const char* defaultSql = nullptr);
    const CString& GetDefaultDBName() const { return m_dbPath; }
    const CString& GetDefaultSQL() const { return m_defaultSql; }

    bool IsOpen() const { return m_open; }
    bool IsEOF() const { return !m_open || m_position >= Count(); }
    bool IsBOF() const { return !m_open || Count() == 0; }
    int GetRecordCount() const { return m_open ? static_cast<int>(Count()) : 0; }
    void MoveFirst();
    void MoveNext();
    void Close();
    // The SQLite result code and text of the last failed Open (0 when it succeeded).
    int GetLastError() const { return m_lastError; }
    const CString& GetLastErrorText() const { return m_lastErrorText; }

protected:
    explicit CPmLogRecordsetBase(const char* defaultSql) : m_defaultSql(defaultSql) {}
    // Opens the connection of one read; records the failure and returns false when it can't.
    bool Connect(CSqlDatabase& db);
    bool Finish(CSqlDatabase& db, const CSqlStatement& statement);
    virtual std::size_t Count() const = 0;
    virtual void ClearRows() = 0;
    virtual void Load(std::size_t index) = 0;

private:
    CString m_dbPath;
    CString m_defaultSql;
    bool m_open = false;
    std::size_t m_position = 0;
    int m_lastError = 0;
    CString m_lastErrorText;
};

// Partners ("[vyrnuser]").
class CPmLogUserTSet : public CPmLogRecordsetBase {
public:
    struct Row {
        CString commId, commName, memo;
        CStoreTime time;
    };
    CPmLogUserTSet() : CPmLogRecordsetBase("[vyrnuser]") {}

    // Every partner, the most recently stored first.
    bool OpenAll();
    // The partner with this ID (letter case ignored), or no row.
    bool OpenByCommID(const char* commId);

    CString m_CommID;
    CString m_CommName;
    CStoreTime m_Time;
    CString m_Memo;

    // Writing (CMsgStore).
    // Sets Time of the partner to now; 1 found, 0 not found, -1 failed.
    static int Touch(CSqlDatabase& db, const char* commId, const CStoreTime& now);
    static bool Insert(CSqlDatabase& db, const char* commId, const char* commName, const CStoreTime& now);
    // Number of rows changed, -1 on failure.
    static int Delete(CSqlDatabase& db, const char* commId);
    enum class TextField { Name, Memo };
    // Sets CommName or Memo of the partner with exactly this ID; rows changed, -1 on failure.
    static int SetText(CSqlDatabase& db, const char* commId, TextField field, const char* value);

private:
    bool Read(const char* sql, const char* commId);
    std::size_t Count() const override { return m_rows.size(); }
    void ClearRows() override { m_rows.clear(); }
    void Load(std::size_t index) override;
    std::vector<Row> m_rows;
};

// Messages ("[vyrnmsg]").
class CPmLogMsgTSet : public CPmLogRecordsetBase {
public:
    struct Row {
        std::int64_t seqNo = 0;
        bool received = false;
        CString commId;
        CStoreTime date;
        CString msg;
        long attachType = 0;
    };
    CPmLogMsgTSet() : CPmLogRecordsetBase("[vyrnmsg]") {}

    bool OpenBySeqNo(std::int64_t seqNo);
    // Every message with this partner, oldest first.
    bool OpenByCommID(const char* commId);

    long m_SeqNo = 0;
    BOOL m_SndRcv = FALSE;
    CString m_CommID;
    CStoreTime m_Date;
    CString m_Msg;
    long m_AttachType = 0;

    // Writing (CMsgStore). Insert returns the key SQLite gave this very row, 0 on failure.
    static std::int64_t Insert(CSqlDatabase& db, bool received, const char* commId, const CStoreTime& date,
                               const char* text, long attachType);
    // The message's AttachType, or -1 when there is no such message or the read failed.
    static long GetAttachType(CSqlDatabase& db, std::int64_t seqNo);
    static int Delete(CSqlDatabase& db, std::int64_t seqNo);

private:
    bool Read(const char* sql, bool bySeqNo, std::int64_t seqNo, const char* commId);
    std::size_t Count() const override { return m_rows.size(); }
    void ClearRows() override { m_rows.clear(); }
    void Load(std::size_t index) override;
    std::vector<Row> m_rows;
};

// Attachments ("[vyrnattach]").
class CPmLogAttachTSet : public CPmLogRecordsetBase {
public:
    struct Row {
        std::int64_t seqNo = 0;
        CString attach;
    };
    CPmLogAttachTSet() : CPmLogRecordsetBase("[vyrnattach]") {}

    bool OpenBySeqNo(std::int64_t seqNo);

    long m_SeqNo = 0;
    CString m_Attach;

    static bool Insert(CSqlDatabase& db, std::int64_t seqNo, const char* attach);
    // The stored name of the message's attachment: 1 found, 0 none, -1 failed.
    static int Find(CSqlDatabase& db, std::int64_t seqNo, CString& attach);
    static int Delete(CSqlDatabase& db, std::int64_t seqNo);

private:
    bool Read(std::int64_t seqNo);
    std::size_t Count() const override { return m_rows.size(); }
    void ClearRows() override { m_rows.clear(); }
    void Load(std::size_t index) override;
    std::vector<Row> m_rows;
};

// The log window's list: messages joined with their partner's name, newest first, without the
// message text (read separately by SeqNo through CPmLogMsgTSet).
class CPmLogMsgList : public CPmLogRecordsetBase {
public:
    struct Row {
        CString userCommId, commName;
        std::int64_t seqNo = 0;
        bool received = false;
        CString msgCommId;
        CStoreTime date;
        long attachType = 0;
    };
    CPmLogMsgList() : CPmLogRecordsetBase("[vyrnmsg], [vyrnuser]") {}

    // maxRows 0: all of them.
    bool OpenForPartner(const char* commId, int maxRows = 0);
    bool OpenAll(int maxRows = 0);

    // Where a page ends: the last row's Date and SeqNo. The next page holds the rows after it in
    // the same order (newest first), so a long history is read a page at a time.
    struct PageKey {
        bool valid = false; // false: from the newest row
        CStoreTime date;
        std::int64_t seqNo = 0;
    };
    // One page of the partner's messages (commId null: every message), at most maxRows rows.
    bool OpenPage(const char* commId, const PageKey& after, int maxRows);
    // The key after the current row.
    PageKey CurrentKey() const;

    CString m_UserCommID;
    CString m_CommName;
    long m_SeqNo = 0;
    BOOL m_SndRcv = FALSE;
    CString m_MsgCommID;
    CStoreTime m_Date;
    long m_AttachType = 0;
    CString m_Msg;   // never filled by the list

private:
    bool Read(bool forPartner, const char* commId, int maxRows);
    bool ReadPage(const char* commId, const PageKey& after, int maxRows);
    std::size_t Count() const override { return m_rows.size(); }
    void ClearRows() override { m_rows.clear(); }
    void Load(std::size_t index) override;
    std::vector<Row> m_rows;
    std::int64_t m_seqNo64 = 0;
};

} // namespace msgstore

using msgstore::CPmLogAttachTSet;
using msgstore::CPmLogMsgList;
using msgstore::CPmLogMsgTSet;
using msgstore::CPmLogUserTSet;
