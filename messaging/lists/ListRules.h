// The rules of the user-list controls and the friend list window that need no window: the status
// text of a row's image and the friend list's context menu. Portable.
#pragma once

#include <map>

// String-table id of the status text for a row's image index (ids 540-555, 576 and 303).
unsigned StatusTextStringId(int imageIndex);

// Commands of the friend list's context menu (menu 139).
enum FriendCommand : unsigned {
    kFriendRefresh = 32788,
    kFriendCopyId = 32808,
    kFriendCopyName = 32809,
    kFriendMemo = 32823,
    kFriendMyStatus = 32843, // removed from this window's menu
    kFriendSend = 32771,
    kFriendCall = 32810,
    kFriendHistory = 32802,
    kFriendRoom = 32772,
    kFriendDeletePage = 32805,
};
constexpr unsigned kFriendMailLabel = 452;      // "ﾒｰﾙ送信(&M)..."
constexpr unsigned kFriendDeletePageLabel = 467; // "お友達削除ﾍﾟｰｼﾞへ(&D)"

struct FriendMenuInput {
    bool focusIsThisList = true; // the main window's focus list is this window's
    bool rowSelected = false;
    int entryState = 0;          // 1: offline (no call); 3: mail only
    bool databaseAvailable = true;
    bool phoneExists = false;
    bool phoneSessionActive = false;
    bool friendListArrived = true;
    bool loggedIn = true;
};

struct FriendMenuState {
    bool show = false;
    std::map<unsigned, bool> grayed; // every command of the menu but 32843
    bool copyPopupGrayed = false;
    unsigned sendLabel = 0;          // 0: the resource's own label
};

FriendMenuState FriendMenuRules(const FriendMenuInput& input);
