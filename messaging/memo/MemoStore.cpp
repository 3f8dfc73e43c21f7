#include "messaging/memo/MemoStore.h"

#include "messaging/store/MsgStore.h"

CString CMsgStoreMemoStore::GetUserMemo(const CString& commId) { return CMsgStore::GetUserMemo(commId); }

bool CMsgStoreMemoStore::SetUserMemo(const CString& commId, const CString& memo)
{
    return CMsgStore::SetUserMemo(commId, memo) != FALSE;
}

bool CMsgStoreMemoStore::PutUser(const CString& commId, const CString& name)
{
    CMsgStore store;
    return store.PutUser(commId, name) != FALSE;
}
