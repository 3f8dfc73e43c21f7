// A message partner as the windows hand it to each other (the send window, the browser's page
// commands, the received-message and friend list windows): communication ID and name, either of
// which may be empty, and what a page command adds. Portable.
#pragma once

#include "framework/core/CString.h"

struct PartnerRef {
    CString commId;   // up to 16 characters
    CString commName;
    int value = 0;    // not set by page commands
    CString text;
};
