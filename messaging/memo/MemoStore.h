// The memo window's store through CMsgStore.
#pragma once

#include "messaging/memo/MemoFlow.h"

class CMsgStoreMemoStore : public IMemoStore {
public:
    CString GetUserMemo(const CString& commId) override;
    bool SetUserMemo(const CString& commId, const CString& memo) override;
    bool PutUser(const CString& commId, const CString& name) override;
};
