// Rules of the history windows that need no window: the message log's row pictures and button
// states, the partner list's presence look-up, selection states and renames, the user list's
// context menu, and the nine moods with the mood window's grid. Portable.
#pragma once

#include "framework/core/CString.h"

#include <map>
#include <vector>

namespace history {

// ---- Message log window -------------------------------------------------------------------

// Image of a row (0 sent, 1 received) and of its attachment column (-1: no attachment picture).
int LogRowImage(bool received);
int LogAttachmentImage(long attachType);

// The message the log window shows, as its buttons need it.
struct ShownMessage {
    bool received = false;
    long attachType = 0;
    CString partnerId;
};

// Reply is possible when logged in with a message client, the message was received and its
// partner is not the user (IDs compared without letter case).
bool CanReplyTo(const ShownMessage& shown, bool loggedInWithClient, const CString& ownId);

// Buttons of the log window.
enum LogButton : unsigned {
    kLogDelete = 1333,
    kLogReply = 1335,
    kLogClose = 1337,
    kLogPlay = 1344,
    kLogReload = 1346,
    kLogSave = 1413,
};

// What EnableButtons(state) does: for each button touched, its new enabled state, in order (state
// 5 disables reply and then enables it when reply is possible). Empty for 9, 10 and values outside
// 1..12.
std::vector<std::pair<unsigned, bool>> LogButtonEffects(int state, const ShownMessage& shown, bool replyPossible);

// The states a selection leads to once its message is shown (4: the click's rules): delete on,
// reply checked when logged in with a client, play for a sound, save for a package.
std::vector<int> LogSelectionStates(long attachType, bool loggedInWithClient);

// ---- Presence and partner list ----------------------------------------------------------

struct PresenceEntry {
    CString commId;
    int icon = 1;
};

// The partner list's presence cache: friend rows first, then user-list rows; a partner's presence
// is the icon index (low six bits) of the first row with its ID, else 1 (offline).
class PresenceCache {
public:
    void Clear() { m_entries.clear(); }
    void Add(const CString& commId, int iconIndex) { m_entries.push_back({commId, iconIndex & 63}); }
    int Lookup(const CString& commId) const;
    std::size_t Size() const { return m_entries.size(); }

private:
    std::vector<PresenceEntry> m_entries;
};

enum PartnerButton : unsigned {
    kPartnerDelete = 1366,
    kPartnerReply = 1367,
    kPartnerRefresh = 1368,
    kPartnerLog = 1369,
    kPartnerClose = 1370,
    kPartnerPhone = 1371,
    kPartnerMemo = 1414,
};

struct PartnerSelection {
    bool rowSelected = false;
    bool ownRow = false;        // the row's ID is the user's own
    bool loggedIn = false;
    bool phoneExists = false;
    bool phoneSessionActive = false;
    int presence = 1;
};

// The enabled state of delete, reply, phone, log and memo after a click (or an arrow key, or a
// right click) with this selection.
std::map<unsigned, bool> PartnerButtonStates(const PartnerSelection& selection);

enum PartnerCommand : unsigned {
    kPartnerMenuRoom = 32772,
    kPartnerMenuDelete = 32776,
    kPartnerMenuReply = 32786,
    kPartnerMenuLog = 32802,
    kPartnerMenuRefresh = 32803,
    kPartnerMenuPage = 32804,
    kPartnerMenuCopyId = 32808,
    kPartnerMenuCopyName = 32809,
    kPartnerMenuCall = 32810,
    kPartnerMenuRename = 32817,
    kPartnerMenuMemo = 32823,
};

// Items the partner list's context menu grays for the selection (web pages also need a login).
std::vector<unsigned> PartnerMenuGrayed(const PartnerSelection& selection, bool webLogin);

// A rename is written only when the new name has 1 to 16 characters (a double-byte character
// counts once) and differs from the old one.
bool AcceptRename(const CString& oldName, const CString& newName);
// Characters of a code-page-932 text (a double-byte character counts once).
int CharacterCount(const CString& text);

// ---- Moods -----------------------------------------------------------------------------

constexpr int kMoodCount = 9;

struct Mood {
    unsigned icon;    // icon resource
    unsigned command; // menu command
    unsigned radio, iconControl, label;
    unsigned menuText; // string id
};
const Mood& MoodAt(int index);
// Status value of a mood (bits 4 to 7 of the status word).
inline unsigned MoodStatus(int index) { return static_cast<unsigned>(index) * 16u; }
// The mood that the status word holds, or -1 when bits 4 to 7 name none of the nine.
int MoodOfStatus(unsigned status);
// The menu command's mood, or -1.
int MoodOfCommand(unsigned command);

// The mood window's grid: each mood's radio, icon and label from left to right at their own
// sizes, 2 pixels apart; rows (0,5) (1,6) (2,7) (3,8) (4); a row starts 8 pixels below the height
// of the previous row's last control, back at the left edge.
struct GridSize {
    int width = 0, height = 0;
};
struct GridRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
// sizes: 27 sizes in mood order, each mood's radio, icon and label; the result follows the same
// order. origin: the top left of the grid.
std::vector<GridRect> LayoutMoodGrid(int originX, int originY, const std::vector<GridSize>& sizes);

// ---- User list context menu ------------------------------------------------------------

enum UserCommand : unsigned {
    kUserRoom = 32772,
    kUserSend = 32771,
    kUserRefresh = 32788,
    kUserHistory = 32802,
    kUserPage = 32805,
    kUserCopyId = 32808,
    kUserCopyName = 32809,
    kUserCall = 32810,
    kUserMemo = 32823,
    kUserMyStatus = 32843,
};
constexpr unsigned kUserAllHistoryLabel = 451;

struct UserMenuInput {
    int row = -1;              // the selected row, -1 for none
    bool ownRow = false;       // the row's ID is the user's own
    bool phoneExists = false;
    bool phoneSessionActive = false;
    bool listEnabled = true;   // the main window's list-enabled flag
    bool loggedIn = true;
    bool refreshAllowed = true; // preference bit 0
    bool databaseAvailable = true;
};

struct UserMenuState {
    std::map<unsigned, bool> grayed; // every command of the menu
    bool copyPopupGrayed = false;
    bool moodSubmenu = false;        // row 0: 32843 becomes the mood popup
    unsigned historyLabel = 0;       // 0: the resource's own text
};

UserMenuState UserMenuRules(const UserMenuInput& input);

} // namespace history
