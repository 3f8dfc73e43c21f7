// The chat window's rules that need no window: the nickname rule of the login dialog, the
// conversion of a typed line, the input history, the member list split, system lines, the
// button tables of the window states, the colour map, link segments of log text and the map from
// an engine event to what the window does. All texts are code page 932.
#pragma once

#include "chat_web/engine/ChatEngineCore.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace chat {

// Letters, digits and "-[\]^`{}", not beginning with "-" or a digit, not "anonymous" in any case.
bool IsValidNickname(const std::string& nickname);

const std::size_t kInputJisLimit = 320;
const std::size_t kInputByteLimit = 256;

// Half-width katakana and its punctuation (0xA1-0xDF) become full-width; a kana followed by a
// voiced or semi-voiced mark becomes one voiced kana where one exists, else both are widened one
// by one. ASCII and double-byte characters stay; bytes that begin no character of code page 932
// (0x80, 0xA0, 0xFD-0xFF, a lead byte without its trail byte) are dropped. The result is cut so
// that its ISO-2022-JP form (with the final switch back) takes at most 320 bytes and it holds at
// most 256 bytes; the first character is always kept.
std::string ConvertInput(const std::string& typed);

// The length of a code page 932 text as ISO-2022-JP: 1 per single byte, 2 per double-byte
// character, 3 per switch into and out of double-byte mode, the final switch back included.
std::size_t JisLength(const std::string& text);

const std::size_t kHistorySize = 20;

// A line sent goes to the top of the history; an equal entry is removed first, and the oldest
// entries go when more than 20 would remain. An empty line changes nothing.
void AddToHistory(std::vector<std::string>& history, const std::string& line);
// The history as the profile stores it under "chat1".."chat20": the first 20 non-empty entries.
std::vector<std::string> HistoryToStore(const std::vector<std::string>& history);

// Names of a NAMELIST text, split at spaces; empty tokens are skipped, a leading "@" or "+" of a
// longer token is dropped (a lone "@" or "+" stays as it is).
std::vector<std::string> SplitMembers(const std::string& names);

// The texts a system line is made of (string table 110, 111, 112, 176), each with "%s" holes.
struct SystemTexts {
    std::string joined;   // 110 "%sが入室しました."
    std::string parted;   // 111 "%sが退室しました."
    std::string entered;  // 112 "%sで「%s」に入室しました."
    std::string quitted;  // 176 "%sが退室（ログアウト）しました."
};

// The line for a system event of that kind (an engine command, "_CASE1_", "_LOGIN_", "_DEBUG_",
// "_CASE4_"...).
std::string FormatSystemLine(const SystemTexts& texts, const std::string& kind, const std::string& name,
                             const std::string& text, const std::string& room);
// Whether a system line of that kind gets the time stamp in front when time stamps are on.
inline bool SystemLineTakesTime(const std::string& kind) { return kind != "_DEBUG_"; }

// "%s" holes filled in order; a "%%" is one "%"; holes past the arguments stay empty.
std::string FillHoles(const std::string& format, const std::vector<std::string>& args);

// The buttons a control-state code switches.
enum class Switch { Keep, On, Off };
struct ControlSwitches {
    Switch enter = Switch::Keep;
    Switch leave = Switch::Keep;
    Switch phrases = Switch::Keep;
};
// Codes outside 1..9 keep everything.
ControlSwitches SwitchesForControlState(int code);

// How a window state shows the input line and what else it does.
enum class InputLook { Unchanged, Empty, Connecting, ConnectingChat };
struct StateLook {
    InputLook input = InputLook::Unchanged;
    bool inputReadOnly = false;
    bool inputEnabled = true;
    bool inputFocused = false;
    bool setBackgrounds = false;
    std::uint32_t listBackground = 0;
    std::uint32_t logBackground = 0;
    bool clearMembers = false;
    int controlState = 0; // 0: none
    bool addToTray = false;
    bool show = false;
};
// States 0..5; any other state changes nothing.
StateLook LookForState(int state);

// The colour button ids and their order on the window.
const int kColorButtons[6] = {1224, 1228, 1226, 1220, 1222, 1218};
// The colour button that shows a saved chat colour (COLORREF).
int ColorButtonFor(std::uint32_t colour);

// A part of a log message: plain text or a link (underlined).
struct LogSegment {
    std::string text;
    bool link = false;
};
// Splits message text into plain and link segments. A link starts at "http" and runs up to the
// first space, CR, LF, double-byte character or the end, and must be an address of a known
// service with a server. A text that ends in a link gets one space after it.
std::vector<LogSegment> SplitLinks(const std::string& text);
// The link that covers position pos of the text (a click), found backwards from pos; false when
// pos is in no link.
bool LinkAt(const std::string& text, std::size_t pos, std::string* link);
// The link test: an "http"-started candidate that names a known service with a non-empty server
// and holds no double-byte character.
bool IsLinkCandidate(const std::string& candidate);

// What the window does with one WM_CHAT_EVENT.
enum class EventAction {
    None,        // positive wParam other than 1, unknown types, INFO other than NAMELIST
    EnterRoom,   // wParam 1: a room parameter from a page
    Entered,     // SetState(5) and "_LOGIN_"
    ChatLine,    // PRIVMSG: sender and text
    SystemLine,  // other commands: kind = command
    Alert,       // "_CASE1_" with the text
    MemberList,  // NAMELIST
    Closed,      // Disconnect(1)
    End,         // negative wParam: message, "_CASE1_" line when a record came, Disconnect(-1)
};
struct EventDecision {
    EventAction action = EventAction::None;
    int messageId = 0; // for End: the string shown
};
// The string shown for a negative end code.
int MessageForEndCode(int code);
EventDecision DecideEvent(int wParam, const ChatEvent* event);

// String ids the window uses.
enum ChatStringId {
    kStrJoined = 110,
    kStrParted = 111,
    kStrEntered = 112,
    kStrRoomRefused = 114,
    kStrLoginFailed = 138,
    kStrSendError = 139,
    kStrNickInUse = 140,
    kStrBadKey = 141,
    kStrRoomFull = 142,
    kStrBadNickname = 151,
    kStrNickForbidden = 172,
    kStrLeft = 175,
    kStrQuitted = 176,
    kStrConnecting = 185,
    kStrConnectingChat = 186,
    kStrEnterTip = 205,
    kStrLeaveTip = 206,
    kStrBannerUrl = 448,
    kStrBannerBroken = 508,
    kStrNoSuchRoom = 14700, // the room named does not exist
};

// A window position restored from the profile, kept on the work area.
struct Placement {
    int x, y, width, height;
};
// stored: ChatX, ChatY, ChatWidth, ChatHeight as read (missing X/Y are -1, missing sizes the
// current size); current: the window's size now; work: the work area; below: where the window
// goes without a stored position (under the browser window, or centred when there is none),
// shifted into the work area where it would stick out.
Placement RestorePlacement(const Placement& stored, int currentWidth, int currentHeight, const Placement& work,
                           const Placement& below);

} // namespace chat
