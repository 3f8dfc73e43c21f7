// The private URL filter of the browser windows: every link a page, the address bar or another
// program hands the browser is classified here before the control may follow it. The answer is
// one decision: follow, cancel, or cancel and run a page command whose parameters have passed
// their checks. The window carries the decision out; nothing here touches a window.
//
// Page commands run only when the link comes from one of the service's own pages (or from no
// page at all: a fresh window, or a link another program handed over); CServiceOrigin says which
// pages those are.
#pragma once

#include "framework/core/CString.h"

#include <vector>

namespace browser {

enum class UrlAction {
    Follow,         // the control goes on
    Cancel,         // the link is dropped (refused, unknown command, or failed checks)
    PrivateMessage, // id (16) and name
    EnterRoom,      // room locator
    CallById,       // id (16)
    CallByNumber,   // number
    MainRequest,    // request 0..4 (AppCommand)
};

struct UrlDecision {
    UrlAction action = UrlAction::Follow;
    // Set when a private-scheme link was dropped because its page is not one of the service's.
    bool refusedOrigin = false;
    CString id;
    CString name;
    CString locator;
    CString number;
    int request = -1;

    // Whether the control must not follow the link (what BeforeNavigate2's Cancel gets).
    bool Cancels() const { return action != UrlAction::Follow; }
    bool IsCommand() const { return action != UrlAction::Follow && action != UrlAction::Cancel; }
};

// The eight page-command keywords in the order they are searched.
extern const char* const kPageCommandKeywords[8];

// "x-vyrntalk:" or "x-tesselin:" at the start, without regard to case.
bool IsPrivateScheme(const char* url);

// firstNavigationMark: 1 right after the back button (then "res:" and "file:" links are refused).
// commandsAllowed: whether the link's page may run page commands.
UrlDecision ClassifyUrl(const char* url, int firstNavigationMark, bool commandsAllowed);

// Limits of the parameters.
const int kCommIdLength = 16;
const int kMaxNameCharacters = 16;
const int kMaxLocatorLength = 512;
const int kMaxNumberLength = 128;

// The pages whose links may run page commands: the hosts of the service's addresses (Servers
// section, home page, room site, OEM link) and local files of the install folder.
class CServiceOrigin {
public:
    // Takes the host of an address (ignored when it has none).
    void AddServiceAddress(const char* url);
    void SetInstallFolder(const char* folder);
    void Clear();
    // An empty page (no page yet) is allowed.
    bool AllowsCommandsFrom(const char* pageUrl) const;
    const std::vector<CString>& Hosts() const { return m_hosts; }

private:
    std::vector<CString> m_hosts;
    CString m_installFolder; // lower case, "\" separators, ending in "\"
};

} // namespace browser
