#include "messaging/history/LogHistory.h"

#include <algorithm>

namespace history {

void CLogHistory::Start(const CString& dbPath, const CString& partnerId, const CString& ownId, const CString& ownName)
{
    m_dbPath = dbPath;
    m_partnerId = partnerId;
    m_ownName = ownName;
    m_all = partnerId.CompareNoCase(ownId) == 0;
    m_done = dbPath.IsEmpty();
    m_next = msgstore::CPmLogMsgList::PageKey();
    m_rows.clear();
}

int CLogHistory::ReadPage(int pageSize)
{
    if (m_done)
        return 0;
    msgstore::CPmLogMsgList page;
    page.SetSource(m_dbPath);
    if (!page.OpenPage(m_all ? nullptr : m_partnerId.GetString(), m_next, pageSize)) {
        m_done = true;
        return 0;
    }
    int added = 0;
    for (; !page.IsEOF(); page.MoveNext()) {
        LogRow row;
        row.seqNo = page.CurrentKey().seqNo;
        row.received = page.m_SndRcv != FALSE;
        row.sender = row.received ? page.m_CommName : m_ownName;
        row.date = page.m_Date;
        row.attachType = page.m_AttachType;
        m_rows.push_back(row);
        m_next = page.CurrentKey();
        ++added;
    }
    if (added < pageSize || pageSize <= 0)
        m_done = true;
    return added;
}

const LogRow* CLogHistory::Row(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return &m_rows[static_cast<std::size_t>(index)];
}

void CLogHistory::Remove(std::vector<int> indices)
{
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    for (auto it = indices.rbegin(); it != indices.rend(); ++it)
        if (*it >= 0 && *it < Count())
            m_rows.erase(m_rows.begin() + *it);
}

} // namespace history
