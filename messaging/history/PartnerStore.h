// The partner list's reads and writes of the message database: the partners, most recent contact
// first, with their presence from the cache; deleting a partner (its messages first, so that a
// failure never leaves messages without their partner row); renaming. Portable.
#pragma once

#include "framework/core/CString.h"
#include "messaging/history/HistoryRules.h"

#include <vector>

namespace history {

struct PartnerRow {
    CString commId;
    CString name;
    bool hasMemo = false;
    int presence = 1;
};

// Every partner of the database at dbPath, most recent first; empty when it can't be read.
std::vector<PartnerRow> LoadPartners(const CString& dbPath, const PresenceCache& presence);

// Deletes the partner's messages (with their attachments) and then its row. True only when both
// succeeded; the caller removes the list row only then.
bool DeletePartner(const CString& commId);

// Writes the new name when AcceptRename allows it; true when it was written.
bool RenamePartner(const CString& commId, const CString& oldName, const CString& newName);

} // namespace history
