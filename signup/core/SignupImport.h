// A connection-information file (.cni) handed to the sign-up program: read and checked whole
// (CAccountImport's staging), applied to the account only when it is a usable PC-client file.
// A file that is unreadable, too long, of another kind or carrying a refusal changes nothing.
#pragma once

#include "net/access/AccountImport.h"
#include "net/forms/ServiceForms.h"
#include "shell/common/settings/NetInfo.h"

#include <functional>

struct SignupImportMessages {
    std::function<void(unsigned textId, unsigned flags)> showId;      // a string-table text
    std::function<void(const CString& text, unsigned flags)> showText; // the file's own message
};

// True when the file's account values were applied (the caller then saves NetInfo and tells the
// windows); false when the file was refused, with the reason shown through messages.
bool ImportSignupConnectionFile(CNetInfo& netInfo, CServiceForms& forms, const char* path,
                                const SignupImportMessages& messages);
