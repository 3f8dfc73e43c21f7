// Window messages the system registers by name, registered once per process.
#pragma once

#include "framework/win/Afx.h"

namespace framework {

// "TaskbarCreated": broadcast when the shell (re)starts; notification icons must be added again.
UINT TaskbarCreatedMessage();

} // namespace framework
