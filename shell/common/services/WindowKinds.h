// The kinds under which the main program's windows join the window registry
// (framework/core/WindowRegistry.h). A window of any folder joins with CWnd::JoinRegistry and
// one of these; the application finds its windows by them.
#pragma once

#include "framework/core/WindowRegistry.h"

enum : WindowKind {
    // Browser windows opened on request with the kind the caller gives; closing the registered
    // windows (at log-out and exit) closes these.
    kWindowWebMail = 1,     // the web-mail page
    kWindowAddressBook = 2, // the address book page
    kWindowNewBrowser = 3,  // a page that asked for a new window
    kWindowUserRoom = 4,    // a user's room page
    // A window registered under a name; a look-up with this kind compares names instead of kinds.
    kWindowNamed = 98,

    // The application's own windows, one of each at most.
    kWindowHost = 0x100, // the invisible host dialog that runs the program's message loop
    kWindowMain,         // the main launcher window
    kWindowSettings,
    kWindowAddressBar,
    kWindowBrowser, // the main browser window
    kWindowSend,
    kWindowReceive, // the received-message window
    kWindowPhone,
    kWindowVoiceClip,
    kWindowCdPlayer,
    kWindowUserList,
    kWindowFriendList,
    kWindowChat,
    kWindowErrorLog,
    kWindowNormalBalloon,
    kWindowErrorBalloon,
    kWindowPartnerList,
    kWindowChatLogin,
    // Modal dialogs the main window runs.
    kWindowServerConnect,
    kWindowDialupDetails,
    kWindowMood,

    // Windows of which any number may be open.
    kWindowMessageLog = 0x200,
    kWindowMemo,
};

// The kinds below this one are the windows opened on request.
constexpr WindowKind kFirstApplicationWindowKind = kWindowHost;

inline bool IsOpenedOnRequest(WindowKind kind) { return kind != kNoWindowKind && kind < kFirstApplicationWindowKind; }
