// How a numbered failure becomes a user text: its own string, a row of the server error table
// (group text and detail number) or the network-busy text for the client's own codes.
#pragma once

#include <functional>

namespace errortable {

constexpr int kSuccess = 12000;
constexpr unsigned kNetworkBusyText = 177;
// Shown for a code with neither a string of its own nor a table row, with "(#code)".
constexpr unsigned kUnknownErrorText = 13011;
// Message flags: the system message box's stop icon (MB_ICONHAND) and warning icon
// (MB_ICONEXCLAMATION), with OK as the only button.
constexpr unsigned kFlagError = 0x10;
constexpr unsigned kFlagWarning = 0x30;

struct ServerErrorRow {
    int serverCode;
    unsigned detailId;
    unsigned groupId;
};

// The 35 rows, in table order.
const ServerErrorRow* ServerErrors(int* count);
const ServerErrorRow* FindServerError(int code);

struct ErrorReport {
    bool show = false;       // false only for success
    unsigned textId = 0;     // string to show
    int number = 0;          // appended as "(#%d)" when not 0
    unsigned flags = 0;      // message flags (icon in 0xF0)
    bool clearQueue = false; // the request queue is emptied and the lock given back with its holder
};

// hasString tells whether the string table has a text with that id.
ErrorReport Resolve(int code, unsigned flags, const std::function<bool(unsigned)>& hasString);

} // namespace errortable
