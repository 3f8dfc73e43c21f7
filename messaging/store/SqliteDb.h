// A thin owner of SQLite connections and statements for the message database. Values are always
// bound, never pasted into SQL text; every failure is a return value, never an exception.
#pragma once

#include <cstdint>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace msgstore {

class CSqlDatabase {
public:
    CSqlDatabase() = default;
    ~CSqlDatabase() { Close(); }
    CSqlDatabase(const CSqlDatabase&) = delete;
    CSqlDatabase& operator=(const CSqlDatabase&) = delete;

    // utf8Path is handed to SQLite as is. create: make the file when it is missing.
    // Returns the SQLite result code (0 on success); the connection waits up to busyMs for
    // another connection's write lock before it reports SQLITE_BUSY.
    int Open(const std::string& utf8Path, bool create, int busyMs = -1);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    sqlite3* Handle() const { return m_db; }

    // Runs SQL without values (schema, pragmas, transaction control). Returns the result code.
    int Exec(const char* sql);
    // A write transaction that takes the write lock at once, so two writers queue on the busy
    // time-out instead of failing half-way.
    int BeginWrite() { return Exec("BEGIN IMMEDIATE"); }
    int Commit() { return Exec("COMMIT"); }
    void Rollback();

    int LastError() const { return m_lastError; }
    const std::string& LastMessage() const { return m_lastMessage; }
    void RecordError(int code);
    std::int64_t LastInsertRowId() const;
    int Changes() const;

private:
    sqlite3* m_db = nullptr;
    int m_lastError = 0;
    std::string m_lastMessage;
};

class CSqlStatement {
public:
    CSqlStatement(CSqlDatabase& db, const char* sql);
    ~CSqlStatement();
    CSqlStatement(const CSqlStatement&) = delete;
    CSqlStatement& operator=(const CSqlStatement&) = delete;

    bool IsValid() const { return m_stmt != nullptr; }
    // Parameters count from 1, as in SQLite.
    bool BindInt(int index, std::int64_t value);
    bool BindText(int index, const std::string& utf8);
    bool BindBlob(int index, const void* data, std::size_t size);
    bool BindNull(int index);

    // One step: true with a row to read; false at the end or on an error (see Failed()).
    bool Step();
    // Runs a statement without rows; true when it completed.
    bool Run();
    bool Failed() const { return m_failed; }
    void Reset();

    int ColumnType(int column) const;   // SQLITE_INTEGER, SQLITE_TEXT, SQLITE_BLOB, SQLITE_NULL...
    std::int64_t ColumnInt(int column) const;
    std::string ColumnBytes(int column) const;   // the stored bytes of a text or blob

private:
    CSqlDatabase& m_db;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_failed = false;
};

// The library's version text, as the amalgamation was built.
const char* SqliteVersion();

} // namespace msgstore

namespace msgstore {
// Whether the compiled-in engine starts (it always should; kept as the start-up check).
bool SqliteInitialize();
// Whether a result code from reading a file says that it is not a sound database of a layout
// this program knows (as opposed to locked, unreadable, or the machine out of resources).
bool IsDamageCode(int code);
// How long an operation waits for another connection's lock before it gives up (ms).
void SetBusyTimeout(int milliseconds);
int BusyTimeout();
} // namespace msgstore
