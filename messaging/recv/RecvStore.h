// The received-message window's writes to the message database, through CMsgStore (each
// operation on a short-lived store object, as the store wants).
#pragma once

#include "messaging/recv/RecvServices.h"

class CMsgStoreRecvStore : public IRecvStore {
public:
    bool PutUser(const CString& commId, const CString& name) override;
    long AddMessage(const CString& commId, const CString& text, long kind) override;
    CString StoreAttachmentFile(long kind, const CString& source) override;
    bool AddAttachment(long record, const CString& storedPath) override;
};
