#include "messaging/send/SendStore.h"

#include "messaging/store/MsgStore.h"

namespace {
constexpr int kSent = 0;
}

bool CMsgStoreSendStore::PutUser(const CString& commId, const CString& name)
{
    CMsgStore store;
    return store.PutUser(commId, name) != FALSE;
}

long CMsgStoreSendStore::AddMessage(const CString& commId, const CString& text, long kind)
{
    CMsgStore store;
    return store.AddMessage(kSent, commId, text, kind);
}

CString CMsgStoreSendStore::StoreAttachmentFile(long kind, const CString& source)
{
    CMsgStore store;
    return store.StoreAttachmentFile(kind, source);
}

bool CMsgStoreSendStore::AddAttachment(long record, const CString& storedPath)
{
    CMsgStore store;
    return store.AddAttachment(record, storedPath) != FALSE;
}
