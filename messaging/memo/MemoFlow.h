// The memo window's and the transfer progress dialog's rules, free of windows: storing a memo
// (creating the partner's row when there is none), placing the window from its saved corner,
// and the percentage of a transfer.
#pragma once

#include "framework/core/CString.h"

#include <cstdint>

// The partner table's memo column as the memo window uses it (CMsgStore's operations).
class IMemoStore {
public:
    virtual ~IMemoStore() = default;
    // The stored memo; empty when there is none.
    virtual CString GetUserMemo(const CString& commId) = 0;
    // false when no row of the partner took the memo.
    virtual bool SetUserMemo(const CString& commId, const CString& memo) = 0;
    virtual bool PutUser(const CString& commId, const CString& name) = 0;
};

enum class MemoSaveResult {
    NothingToStore, // no ID: the window closes, nothing is written
    Stored,
    Failed,         // the window stays open with the text and says so
};

// OK: stores the memo; without a row for the partner, adds the row (ID, name) and tries once more.
MemoSaveResult SaveMemo(IMemoStore& store, const CString& commId, const CString& name, const CString& text);

struct MemoRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Where the window goes: the saved corner (-1, -1 when none) inside the work area; with no saved
// corner it is centred in the work area; a saved corner that would put any of the window outside
// the work area is moved in (a window larger than the work area keeps its top-left corner at the
// work area's).
void PlaceMemoWindow(int savedX, int savedY, const MemoRect& work, int width, int height, int* x, int* y);

// Percentage done of a transfer: 0 to 100, 0 for an unknown total, 100 at the end marker (-1).
int TransferPercent(std::int64_t bytesDone, double total, int endMarker);
