// Identifiers of the string table shared by the main program and the sign-up program, and of the
// resources of each folder. Each folder keeps its ids in ids/<folder>.h and its texts in
// strings/<folder>.rc.
#pragma once

#include "ids/toolkit.h"
#include "ids/shell.h"
#include "ids/net.h"
#include "ids/messaging.h"
#include "ids/history.h"
#include "ids/chat_web.h"
#include "ids/phone_media.h"
#include "ids/signup.h"
#include "ids/framework.h"

#define IDS_RESOURCES_SHORT        213   // resources are short: close other programs
#define IDS_SIGNUP_RETRY           14100 // the account is still incomplete: sign up again?
#define IDS_SIGNUP_NOT_STARTED     14103 // the sign-up program could not be started
#define IDS_INSTALL_BROKEN         14104 // file types could not be registered
#define IDS_SIGNUP_RUNNING         14105 // the sign-up program is running
#include "ids/notify.h"
#include "ids/settings.h"
