// The message log window's rows: the stored messages with one partner (or all of them), newest
// first, read from the database a page at a time so that the first rows show at once however long
// the history is. Portable.
#pragma once

#include "framework/core/CString.h"
#include "messaging/store/Recordsets.h"

#include <cstdint>
#include <vector>

namespace history {

struct LogRow {
    std::int64_t seqNo = 0;
    bool received = false;
    CString sender; // the own name for a sent message, the partner's name for a received one
    msgstore::CStoreTime date;
    long attachType = 0;
};

class CLogHistory {
public:
    // A new reading: partnerId equal to ownId (letter case ignored) lists every message.
    void Start(const CString& dbPath, const CString& partnerId, const CString& ownId, const CString& ownName);
    // Reads the next page; the number of rows it added. Done() turns true at the end of the
    // history or when the database can't be read.
    int ReadPage(int pageSize);
    bool Done() const { return m_done; }
    bool ListsAll() const { return m_all; }

    int Count() const { return static_cast<int>(m_rows.size()); }
    const LogRow* Row(int index) const;
    // Removes these rows (any order, duplicates ignored).
    void Remove(std::vector<int> indices);

private:
    CString m_dbPath, m_partnerId, m_ownName;
    bool m_all = false;
    bool m_done = true;
    msgstore::CPmLogMsgList::PageKey m_next;
    std::vector<LogRow> m_rows;
};

} // namespace history
