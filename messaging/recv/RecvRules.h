// The received-message window's rules that need no window: its list's context menu, the
// position it is placed at, the banner's placement check, the name an opened attachment gets and
// the messages of package failures. Portable.
#pragma once

#include "framework/core/CString.h"

#include <map>
#include <vector>

// Commands of the list's context menu (menu 180) and the attachment menus.
enum RecvCommand : unsigned {
    kRecvDelete = 32776, // always removed
    kRecvReply = 32786,
    kRecvRefresh = 32803,
    kRecvMemo = 32823,
    kRecvCall = 32810,
    kRecvHistory = 32802,
    kRecvRoom = 32772,
    kRecvPartnerPage = 32804,
    kRecvSave = 32830,
    kRecvOpenFirst = 3584,
};

struct RecvMenuInput {
    bool rowSelected = false;
    CString senderId;
    CString ownId;
    bool loggedIn = true;
    bool phoneExists = false;
    bool phoneSessionActive = false;
    bool historyAvailable = true;
};

struct RecvMenuState {
    std::map<unsigned, bool> grayed; // every command of the menu but 32776
    bool allHistoryLabel = false;    // 32802 reads "すべてのvy@ntalk履歴表示(&L)..."
};

RecvMenuState RecvListMenuRules(const RecvMenuInput& input);

struct RecvRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

// Where the window goes from its saved corner: a coordinate inside the work area is kept, any
// other is replaced by the centred one. (Compared with the work area's right and bottom edges,
// so work areas that do not start at 0 keep their positions too.)
void PlaceRecvWindow(int savedX, int savedY, const RecvRect& workArea, int windowWidth, int windowHeight, int* x,
                     int* y);

// The banner must be non-empty, lie wholly inside the window and cross none of the controls.
bool BannerPlacementOk(const RecvRect& banner, const RecvRect& window, const std::vector<RecvRect>& controls);

// The file an opened attachment is written to: the temporary folder and the entry's plain name.
// Empty when no plain name is left or the name is one that Windows gives to a device (CON, PRN,
// AUX, NUL, COM1-9, LPT1-9, with any extension, in any case) or ends in a dot or a blank.
CString AttachOpenTarget(const CString& temporaryFolder, const char* entryName);

// What a failed package operation shows.
enum class PackageNotice {
    None,          // not a failure
    Resources,     // 213
    ReadError,     // "ﾌｧｲﾙ(%s)の読み込み中にｴﾗｰが発生しました." with the file
    WriteError,    // "ﾌｧｲﾙ(%s)の書き込み中にｴﾗｰが発生しました." with the target
    OpenError,     // "ﾌｧｲﾙ(%s)が開けません." with the package
    CreateError,   // "ﾌｧｲﾙ(%s)が開けません." with the target
    NoFile,        // 559
    Unsupported,   // 210
};
// A package's result code: -100 and -101 (the package's own out-of-memory code) are 213.
PackageNotice PackageNoticeFor(int code);
