// The connection manager's way to a dial-up connect dialog: made only when dial-up can work.
#pragma once

#include "net/dialup/DialupDlg.h"

// A connect dialog in mode for parent, which the caller runs and deletes. Null, after telling the
// user, when it can't be made (213), the dial-up library is missing (14624) or there is no
// dial-up device (14603); the messages are logged.
CDialupDlg* DialUp(std::uint16_t mode, CWnd* parent);
