// Private window messages of the main program. 0x40B and 0x40E are also the interface with the
// sign-up program and with a second start of this program.
#pragma once

#define WM_APP_OPEN_FILE        0x40B // wParam: global atom holding a path
#define WM_APP_COMMAND_REQUEST  0x40C // wParam: AppCommand
#define WM_APP_SHOW_URL         0x40D // wParam 0 address bar, 1 browser; lParam: global atom with a URL
#define WM_APP_COME_TO_FRONT    0x40E
#define WM_APP_ARRIVAL_COUNT    0x40F // wParam 0: number of waiting messages
#define WM_APP_ACCOUNT_CHANGED  0x4A0 // to the settings dialog: NetInfo's account changed
#define WM_APP_OPEN_PENDING     0x4A2 // to the main window: open the file handed over before it was ready

// wParam of WM_APP_COMMAND_REQUEST.
enum AppCommand {
    kAppLogin = 0,
    kAppLogout = 1,
    kAppHide = 2,
    kAppExit = 3,
    kAppShow = 4,
};

#define NV_INSTANCE_CLASS   "Qelo_NimboVandrell"
#define NV_SIGNUP_CLASS     "Qelo_Signup_App"
#define NV_INSTANCE_MUTEX   "VY@N_IS_RUNNING"
