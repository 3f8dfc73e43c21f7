// The main launcher window's decisions that need no window: the button-state table, the poll,
// idle and blink machines its timers drive, where the window is placed, the banner rule, the dock
// extent read from the skin, the start page, the visited-address filter, the recommendation mail
// address, tip texts cut between characters and the About box's credit scroll. The window
// (shell/MainDlg.*) applies what these answer.
#pragma once

#include "framework/core/CString.h"

#include <cstdint>
#include <vector>

namespace mainwnd {

// Launcher buttons (control ids).
enum : unsigned {
    kBtnHide = 1016,
    kBtnBrowser = 1014,
    kBtnChat = 1013,
    kBtnReceive = 1012,
    kBtnMail = 1026,
    kBtnAddress = 1028,
    kBtnVoiceClip = 1015,
    kBtnPhone = 1024,
    kBtnCdPlayer = 1020,
    kBtnLogin = 1003,
    kBtnHelp = 1179,
    kBtnSettings = 1182,
    kBtnMenu = 1184,
    kBtnLogout = 1178,
};

// Timers of the main window.
enum : unsigned {
    kTimerPoll = 2,
    kTimerReceiveBlink = 10,
    kTimerPhoneBlink = 11,
    kTimerPortal = 12,
    kTimerOpenReceive = 20,
    kTimerShow = 50,
    kTimerIdle = 100,
};

// What one SetButtonState code does. Timers: 0 none.
struct ButtonStateEffect {
    std::vector<unsigned> enable;
    std::vector<unsigned> disable;
    unsigned focus = 0;
    unsigned startTimer = 0;
    unsigned stopTimer = 0;
    unsigned releaseHover = 0;   // button whose hover look is released
    bool onlineIcon = false;     // tray icon 188 with the online tip
};

// The effect of a code; false for a code the table does not know (nothing happens then).
bool ButtonStateFor(int code, ButtonStateEffect* effect);

// Connection-state flags kept by the service session (the application's copy).
inline bool IsOnline(uint32_t flags) { return (flags & 0x0F00) != 0; }
inline bool IsMessaging(uint32_t flags) { return (flags & 0x01) != 0; }
inline bool IsMessagingReady(uint32_t flags) { return (flags & 0x03) == 0x03; }

// Request kinds the poll queues (as the request queue numbers them).
enum : uint16_t { kPollUrlList = 2, kPollFriendList = 3, kPollMessageList = 32 };
// Pending bits of the poll.
enum : uint16_t { kPendingUrlList = 0x1, kPendingFriendList = 0x2, kPendingMessageList = 0x4 };

// The 10-second poll tick: counts down while messaging is ready and, when a poll is due or
// requests are pending, answers the request kinds to queue now (none while the lock is held:
// the next tick tries again).
class PollMachine {
public:
    // QueryInterval in minutes; 0 (or anything below 1) polls every 5 minutes.
    void SetInterval(int queryIntervalMinutes);
    int Reload() const { return m_reload; }
    int Countdown() const { return m_countdown; }
    uint16_t Pending() const { return m_pending; }
    void AddPending(uint16_t bits) { m_pending = static_cast<uint16_t>(m_pending | bits); }
    void Clear() { m_pending = 0; m_countdown = m_reload; }
    // urlListAllowed: Flags bit 0x1 (the URL list is only asked for with it).
    std::vector<uint16_t> Tick(bool messagingReady, bool lockHeld, bool urlListAllowed);

private:
    int m_reload = 30;
    int m_countdown = 30;
    uint16_t m_pending = 0;
};

// The idle log-out: four checks in a row with the cursor unmoved while messaging.
class IdleMachine {
public:
    static constexpr int kTicksToLogout = 4;
    void Start(long x, long y);
    // True when the user is to be logged out now (the counter restarts).
    bool Tick(long x, long y, bool messaging);
    int Count() const { return m_count; }

private:
    long m_x = 0, m_y = 0;
    int m_count = 0;
};

struct Box {
    long left = 0, top = 0, right = 0, bottom = 0;
    long Width() const { return right - left; }
    long Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
};

// Where the main window goes: a saved position is kept only when the whole window lies in the
// work area; otherwise x = left + width + 14 (moved back by the width when that would cross the
// right edge) and y = top. hasX/hasY: whether a position was saved at all.
void PlaceMainWindow(const Box& workArea, long width, long height, bool hasX, long x, bool hasY, long y, long* outX,
                     long* outY);

// The dock extent "x,y,w,h..." of the main window's placement value: fields 3 and 4 as decimal
// numbers when both are present and numeric; false (no extent) otherwise.
bool ParseDockExtent(const char* value, long* width, long* height);

// The banner rule: the page rectangle is not empty, lies inside the window and touches no button.
bool BannerRuleHolds(const Box& page, const Box& window, const std::vector<Box>& buttons);

// The start page: the OEM link when there is one; else HomePage with "/" and, on the q2 dial-up
// path, "q2index.html" appended. exeFileName is the executable's file name (no folder).
CString StartPageAddress(const CString& oemUrl, const CString& homePage, bool q2Connection, const CString& exeFileName,
                         const CString& dialupEntry, const CString& q2EntryName);

// Whether a visited address is reported: not when it begins with the SearchPage address (an empty
// SearchPage filters nothing).
bool ShouldReportUrl(const CString& address, const CString& searchPage);

// Every byte except unreserved characters (A-Z a-z 0-9 - . _ ~) as %XX.
CString PercentEncode(const CString& text);
// "mailto:?body=%s&subject=%s" with both parts percent-encoded.
CString BuildMailTo(const CString& body, const CString& subject);

// The text cut to at most maxBytes bytes between whole CP932 characters.
CString CutWholeChars(const CString& text, int maxBytes);

// The About box's credit scroll: 14 ticks per line, the last line index 52 (53 lines at most).
class CreditScroll {
public:
    static constexpr int kTicksPerLine = 14;
    static constexpr int kLastLine = 52;
    enum class Step { Scroll, Finished };
    void Reset() { m_line = 0; m_tick = 1; m_bottom = 0; }
    void SetViewBottom(int bottom) { m_bottom = bottom; }
    // lineCount: lines the box has (at most 53 are shown).
    Step Tick(int lineCount);
    int Line() const { return m_line; }
    int TickInLine() const { return m_tick; }
    int ViewBottom() const { return m_bottom; }

private:
    int m_line = 0;
    int m_tick = 1;
    int m_bottom = 0;
};

} // namespace mainwnd
