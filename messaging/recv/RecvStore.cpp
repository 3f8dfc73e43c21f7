#include "messaging/recv/RecvStore.h"

#include "messaging/store/MsgStore.h"

namespace {
constexpr int kReceived = 1;
}

bool CMsgStoreRecvStore::PutUser(const CString& commId, const CString& name)
{
    CMsgStore store;
    return store.PutUser(commId, name) != FALSE;
}

long CMsgStoreRecvStore::AddMessage(const CString& commId, const CString& text, long kind)
{
    CMsgStore store;
    return store.AddMessage(kReceived, commId, text, kind);
}

CString CMsgStoreRecvStore::StoreAttachmentFile(long kind, const CString& source)
{
    CMsgStore store;
    return store.StoreAttachmentFile(kind, source);
}

bool CMsgStoreRecvStore::AddAttachment(long record, const CString& storedPath)
{
    CMsgStore store;
    return store.AddAttachment(record, storedPath) != FALSE;
}
