#include "messaging/store/SqliteDb.h"

#include <sqlite3.h>

#include <atomic>

namespace msgstore {

int CSqlDatabase::Open(const std::string& utf8Path, bool create, int busyMs)
{
    Close();
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(utf8Path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        RecordError(rc);
        Close();
        return rc;
    }
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_busy_timeout(m_db, busyMs >= 0 ? busyMs : BusyTimeout());
    return SQLITE_OK;
}

void CSqlDatabase::Close()
{
    if (m_db) {
        // close_v2 never leaves a connection behind, even with a statement still open.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void CSqlDatabase::RecordError(int code)
{
    m_lastError = code;
    m_lastMessage = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code);
}

int CSqlDatabase::Exec(const char* sql)
{
    if (!m_db)
        return SQLITE_MISUSE;
    int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        RecordError(rc);
    return rc;
}

void CSqlDatabase::Rollback()
{
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::int64_t CSqlDatabase::LastInsertRowId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int CSqlDatabase::Changes() const
{
    return m_db ? sqlite3_changes(m_db) : 0;
}

CSqlStatement::CSqlStatement(CSqlDatabase& db, const char* sql) : m_db(db)
{
    if (!db.IsOpen()) {
        m_failed = true;
        return;
    }
    int rc = sqlite3_prepare_v2(db.Handle(), sql, -1, &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        db.RecordError(rc);
        m_stmt = nullptr;
        m_failed = true;
    }
}

CSqlStatement::~CSqlStatement()
{
    sqlite3_finalize(m_stmt);
}

bool CSqlStatement::BindInt(int index, std::int64_t value)
{
    return m_stmt && sqlite3_bind_int64(m_stmt, index, value) == SQLITE_OK;
}

bool CSqlStatement::BindText(int index, const std::string& utf8)
{
    return m_stmt && sqlite3_bind_text(m_stmt, index, utf8.data(), static_cast<int>(utf8.size()),
                                       SQLITE_TRANSIENT) == SQLITE_OK;
}

bool CSqlStatement::BindBlob(int index, const void* data, std::size_t size)
{
    // A zero-length blob is still a blob, not NULL: an empty text keeps its kind.
    return m_stmt && sqlite3_bind_blob(m_stmt, index, size ? data : "", static_cast<int>(size),
                                       SQLITE_TRANSIENT) == SQLITE_OK;
}

bool CSqlStatement::BindNull(int index)
{
    return m_stmt && sqlite3_bind_null(m_stmt, index) == SQLITE_OK;
}

bool CSqlStatement::Step()
{
    if (!m_stmt || m_failed)
        return false;
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        m_db.RecordError(rc);
        m_failed = true;
    }
    return false;
}

bool CSqlStatement::Run()
{
    while (Step()) {
    }
    return !m_failed;
}

void CSqlStatement::Reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    m_failed = m_stmt == nullptr;
}

int CSqlStatement::ColumnType(int column) const
{
    return m_stmt ? sqlite3_column_type(m_stmt, column) : SQLITE_NULL;
}

std::int64_t CSqlStatement::ColumnInt(int column) const
{
    return m_stmt ? sqlite3_column_int64(m_stmt, column) : 0;
}

std::string CSqlStatement::ColumnBytes(int column) const
{
    if (!m_stmt)
        return {};
    // Ask for the bytes as they are stored (blob), so a text is never converted on the way.
    const void* data = sqlite3_column_blob(m_stmt, column);
    int size = sqlite3_column_bytes(m_stmt, column);
    if (!data || size <= 0)
        return {};
    return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

const char* SqliteVersion() { return sqlite3_libversion(); }

} // namespace msgstore

namespace msgstore {
namespace {
std::atomic<int> g_busyTimeoutMs{10000};
}
void SetBusyTimeout(int milliseconds) { g_busyTimeoutMs.store(milliseconds); }
int BusyTimeout() { return g_busyTimeoutMs.load(); }
bool SqliteInitialize() { return sqlite3_initialize() == SQLITE_OK; }
bool IsDamageCode(int code)
{
    // Whatever is not about the machine (locks, memory, disk, permissions) is about the file:
    // the store's own SQL is fixed, so an error on it comes from what the file holds (for
    // example "unsupported file format" or a malformed schema).
    switch (code & 0xFF) {
    case SQLITE_OK:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_NOMEM:
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_FULL:
    case SQLITE_INTERRUPT:
    case SQLITE_NOLFS:
    case SQLITE_AUTH:
    case SQLITE_PROTOCOL:
    case SQLITE_MISUSE:
        return false;
    default:
        return true;
    }
}
} // namespace msgstore
