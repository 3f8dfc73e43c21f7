// Makes sure an account exists before the main program starts: runs the sign-up program from
// the program's folder and waits for it while LoginID or Comm_id is missing.
#pragma once

#include "shell/common/settings/NetInfo.h"

// Returns 1 when the account is complete, 0 when the program must end (the sign-up program is
// running, could not be started, or the user declined another try).
int LaunchSignup(const CString& exeFolder, CNetInfo& netInfo);
