// The phone window's decisions, kept apart from the window so they run natively: what a dial
// text is, what keypad text does in each phase of the session, the credit and level texts, the
// prepaid account check, what the window does for each library event, and the redial list with
// its ".rdl" file bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace phone {

// Status word bits of the call engine.
constexpr std::uint32_t kSignedIn = 0x10;
constexpr std::uint32_t kRinging = 0x100;
constexpr std::uint32_t kInCall = 0x1000;

// String ids the window shows for these decisions.
constexpr int kTextCreditYen = 511;
constexpr int kTextCreditDollar = 510;
constexpr int kTextCredit = 493;

enum DialKind { kDialRefused = -1, kDialNothing = 0, kDialCommId = 1, kDialNational = 2, kDialAsTyped = 3 };

// A communication ID that can be called: 16 characters, "0" first, "00" third and fourth.
bool IsCallableCommId(const std::string& text);
// An empty text is nothing to dial.
DialKind ClassifyDialText(const std::string& text);
// The number a national text dials: the country code, then the text without its leading "0".
std::string NationalNumber(const std::string& country, const std::string& text);
// An area code loses a leading "0".
std::string TrimAreaCode(const std::string& area);

bool IsDialCharacter(char ch);
// Only 0-9, "*" and "#" survive: what other windows and pages hand the keypad.
std::string KeepDialCharacters(const char* text);

// Keypad text (EnterDigits) by the engine's status word.
enum class EnterAction { Ignore, ToneAndAppend, Append, Replace, Clear };
EnterAction DecideEnter(std::uint32_t status, const std::string& text);
// The display after the action.
std::string ApplyEnter(EnterAction action, const std::string& display, const std::string& text);

// Dialling is allowed only when the word is exactly "signed in"; answering needs the bit.
inline bool MayDial(std::uint32_t status) { return status == kSignedIn; }
inline bool MayAnswer(std::uint32_t status) { return (status & kSignedIn) != 0; }

// The credit line: the string id and the amount put into it. False (nothing shown) below 1.
struct CreditText {
    int stringId = 0;
    std::string amount;
};
bool FormatCredit(long long credit, CreditText* out);

// A level percentage as quarter steps 0 to 4, and the width those quarters take of a full width.
int VoiceQuarters(int percent);
int QuarterWidth(int quarters, int fullWidth);

// What a key-up does on the phone (virtual-key codes of the platform).
enum class KeyKind { None, Dial, DeleteLast, Clear, RedialUp, RedialDown };
struct KeyAction {
    KeyKind kind = KeyKind::None;
    char character = 0; // for Dial
};
KeyAction KeyUpAction(unsigned virtualKey, bool shift);

// The temporary gateway account: an id of exactly 10 characters and a password of 9 or 4.
bool ValidatePrepaid(const std::string& userId, const std::string& password);

// What the window does for a library state event (on its own thread).
struct StateAction {
    bool zeroIndicators = false;
    bool clearRinging = false;
    bool releaseSound = false;
    bool showText = false;   // the event's text to the status line, unless empty
    bool postWarning = false; // the text as a balloon with the exclamation icon
    bool lookUpCaller = false; // state 9: the caller's call ID to the communication-ID look-up
    bool lookUpCallee = false; // -10010: the callee's call ID likewise
    bool signedIn = false;
};
StateAction ActionForState(int code);

// The status code that carries the incoming caller's sentence.
constexpr int kStatusIncoming = 55;

// The redial list: at most 20 entries, oldest first, a position that starts at -1.
class CRedialList {
public:
    static constexpr std::size_t kMaxEntries = 20;

    // The ".rdl" file's bytes: entries each followed by ':'. Empty entries, entries that hold a
    // control character or end in a cut double-byte character are dropped; at most 20 are kept.
    void Load(const char* data, std::size_t size);
    std::string Serialise() const;
    // False (nothing changes) for an empty text, one already listed, or one the file could not
    // hold (a ':' or a control character).
    bool Add(const std::string& text);
    // The entry the position moved to; false with an empty list.
    bool Up(std::string* entry);
    bool Down(std::string* entry);
    void Clear();

    const std::vector<std::string>& Entries() const { return m_entries; }
    int Position() const { return m_position; }

private:
    bool Contains(const std::string& text) const;

    std::vector<std::string> m_entries;
    int m_position = -1;
};

// Whether a text can stand in the redial file as one entry.
bool IsStorableRedialEntry(const std::string& text);

// The redial file's name: install folder, "\", the Windows user name (or "anonymous"), ".rdl";
// empty without an install folder.
std::string RedialPath(const std::string& installFolder, const std::string& userName);

} // namespace phone
