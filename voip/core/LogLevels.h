// The levels of the library's diagnostic log. A line is written when the current level is at
// least the line's own; the ini key "loglevel" counts in tens, so 5 adds the hex dumps of the
// datagrams and 6 the per-packet voice trace.
#pragma once

namespace qelo {

enum LogLevelName : int {
    kLogAlways = 0,      // entry points and the sign-in's milestones
    kLogErrors = 10,     // failures
    kLogCalls = 20,      // call events
    kLogProtocol = 30,   // protocol detail; the level PW_start sets
    kLogSetup = 40,      // device and set-up detail; the level at load
    kLogDumps = 50,      // a hex dump of every datagram
    kLogVoiceTrace = 60, // one line per voice packet
};

// The ini key "loglevel" holds the level divided by this.
constexpr int kLogIniScale = 10;

} // namespace qelo
