// The call-engine binding's decisions that need no platform: the status word and the handler
// call for each library state, the translation of the library's English messages into display
// texts (code page 932), the two debug switches, and the choice of the day's call-log name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace callengine {

// The status word (CCallEngine::GetStatus).
constexpr std::uint32_t kStatusNone = 0;
constexpr std::uint32_t kStatusStarted = 1;
constexpr std::uint32_t kStatusSigningInAgain = 4;
constexpr std::uint32_t kStatusSignedIn = 0x10;
constexpr std::uint32_t kStatusRinging = 0x100;
constexpr std::uint32_t kStatusInCall = 0x1000;

// What one QL_state event does.
struct StateAction {
    enum Before { Nothing, CurrentDirToExe, StopLibrary, LoginAgain };
    enum Text { Message, Translated, Empty };
    bool drop = false;         // nothing at all (no handler, no change)
    Before before = Nothing;   // done first (StopLibrary and LoginAgain on the engine's own thread)
    bool changeWord = false;
    std::uint32_t word = 0;    // the new word when changeWord
    bool wordAfterHandler = false;
    bool callHandler = false;
    int handlerCode = 0;
    Text text = Message;
    // LoginAgain: on success the word becomes 4 and no handler is called; on failure the
    // handler gets (-10006, empty text) and the word stays.
};
StateAction OnState(std::uint32_t word, int code, const char* message);

// One row of the message table: a 52-byte English key and a 52-byte display text (CP932).
struct LibraryMessage {
    char key[52];
    char text[52];
};
// The 13 rows (the last one empty).
const LibraryMessage* LibraryMessageTable();
constexpr int kLibraryMessageRows = 13;

// The display text for a message: the first row whose key occurs in the message (searched
// character by character in code page 932, so a key never matches across a double-byte
// character), else what follows the first ':', else the whole message.
std::string TranslateLibraryMessage(const char* message);

// "NIMBO_CALL_DEBUG": only exactly "TRUE" switches the call log on.
bool CallLogSwitch(const char* value);
// "QELO_DLL_DEBUG": 0 stays 0; 10, 20, 30, 40, 50, 60 and 99 are kept; anything else is 50.
int LibraryLogLevel(int value);

// The day's call-log file in the temporary folder (which ends with a backslash as
// GetTempPathA gives it): "<folder>\NimboCall-YYYYMMDD.txt", or when that exists the first of
// "<folder>NimboCall-YYYYMMDD(n).txt", n = 1..32766, that does not. Empty when there is no
// temporary folder or every name is taken (no call log then: nothing is overwritten).
std::string CallLogName(const std::string& tempFolder, int year, int month, int day,
                        const std::function<bool(const std::string&)>& exists);

// A gateway password as the call log shows it.
std::string MaskedSecret(const char* secret);

} // namespace callengine
