// The send window's writes to the message database through CMsgStore: the same operations as
// the received-message window's, with every message stored as sent by the user.
#pragma once

#include "messaging/recv/RecvServices.h"

class CMsgStoreSendStore : public IRecvStore {
public:
    bool PutUser(const CString& commId, const CString& name) override;
    long AddMessage(const CString& commId, const CString& text, long kind) override;
    CString StoreAttachmentFile(long kind, const CString& source) override;
    bool AddAttachment(long record, const CString& storedPath) override;
};
