#include "messaging/history/PartnerStore.h"

#include "messaging/store/MsgStore.h"
#include "messaging/store/Recordsets.h"

namespace history {

std::vector<PartnerRow> LoadPartners(const CString& dbPath, const PresenceCache& presence)
{
    std::vector<PartnerRow> rows;
    if (dbPath.IsEmpty())
        return rows;
    CPmLogUserTSet partners;
    partners.SetSource(dbPath);
    if (!partners.OpenAll())
        return rows;
    for (; !partners.IsEOF(); partners.MoveNext()) {
        PartnerRow row;
        row.commId = partners.m_CommID;
        row.name = partners.m_CommName;
        row.hasMemo = !partners.m_Memo.IsEmpty();
        row.presence = presence.Lookup(row.commId);
        rows.push_back(row);
    }
    partners.Close();
    return rows;
}

bool DeletePartner(const CString& commId)
{
    if (commId.IsEmpty())
        return false;
    CMsgStore store;
    if (store.DeleteUserMessages(commId) != 0)
        return false;
    return store.DeleteUser(commId) != FALSE;
}

bool RenamePartner(const CString& commId, const CString& oldName, const CString& newName)
{
    if (commId.IsEmpty() || !AcceptRename(oldName, newName))
        return false;
    return CMsgStore::SetUserName(commId, newName) != FALSE;
}

} // namespace history
