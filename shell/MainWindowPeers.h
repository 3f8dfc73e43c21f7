// The windows around the main launcher window that other folders build (error log, balloons,
// CD player, phone, voice-clip panel, friend and user lists, address bar, browser, chat, partner
// list, send window, settings and the small modal dialogs), reached through one small interface
// so that the main window can be tested with recording doubles. Windows are named by their kinds
// in the window registry (shell/common/services/WindowKinds.h); a window made here joins the
// registry under its kind.
//
// The program's own peers (shell/ProgramPeers.cpp) make the real windows; tests register theirs.
#pragma once

#include "framework/core/WindowRegistry.h"
#include "framework/win/Afx.h"

#include <oaidl.h>

class CWnd;

enum class PeerCommand {
    Show,            // show (the browser: show and bring to the foreground)
    Hide,
    CloseRoom,       // chat: leave the room
    ClearLog,        // chat: blank the log view before it is shown
    ClearBar,        // address bar: hide and clear
    HideWithMain,    // browser: hide when its auto-hide is on
    StartSession,    // phone: start the call session
    EndSession,      // phone: end the call session (hang up first)
    ShowPanel,       // phone: slide the keypad out
    HidePanel,       // phone: slide it back
    SaveCounters,    // normal balloon: keep its counters
    CloseWindow,     // send and received-message windows: close
    RefreshList,     // partner list: refill from the database
    OpenMyProfile,   // browser commands of the main menu
    OpenProfileEdit,
    Search,
    ShowLog,         // error log: show itself
    LogButtonsOff,   // message-log windows: buttons in state 6
    ReadyChat,       // chat: the saved colour back and, when no visit runs, its enter button on
};

enum class PeerQuestion {
    ShowChatAtLogin, // chat: opens at log-in (Location/Show)
    InCall,          // phone: has a running call engine
};

class IMainWindowPeers {
public:
    virtual ~IMainWindowPeers() = default;
    // Makes the window of that kind (parent as the Parts name it); null on failure. The window
    // stays hidden.
    virtual CWnd* Create(WindowKind kind, CWnd* parent) = 0;
    // Re-lays a window after a skin change; false on failure.
    virtual bool Relayout(WindowKind kind, CWnd* window) = 0;
    // Destroys a window that Create made.
    virtual void Destroy(WindowKind kind, CWnd* window) = 0;
    virtual void Command(WindowKind kind, PeerCommand command) = 0;
    virtual bool Ask(WindowKind kind, PeerQuestion question) = 0;
    // The normal balloon's events (login events 1, 12, 10, 11; 60 skin; 70 CD; 80 voice clip; 90
    // web mail; 100 address book; 110 mail; 130 partner list).
    virtual void BalloonEvent(int event) = 0;
    // The address bar's history; false when the address was refused.
    virtual bool AddUrl(const CString& address) = 0;
    // The browser that the address bar drives navigates there.
    virtual void Navigate(const CString& address) = 0;
    // Opens a browser window of a request kind (1 web mail, 2 address book, 3 new window) with
    // an address (empty: none); null when none could be made. The window's automation object
    // comes back in application (AddRef'd) when asked for.
    virtual CWnd* OpenBrowser(WindowKind kind, const CString& address, IDispatch** application) = 0;
    // Modal dialogs: settings (page), server connection, dial-up details, mood. IDOK or IDCANCEL.
    virtual INT_PTR RunModal(WindowKind kind, int page) = 0;
};

// The registered peers; never null (the program's own answer when none is registered).
IMainWindowPeers& MainPeers();
// Registers peers (null: the program's own); returns the previous registration.
IMainWindowPeers* SetMainPeers(IMainWindowPeers* peers);

// The main window's page (control 1410): the two calls the window makes of it.
class IPageControl {
public:
    virtual ~IPageControl() = default;
    virtual void Navigate(const CString& address) = 0;
    // The control's automation object (AddRef'd), or null.
    virtual IDispatch* GetApplication() = 0;
};
