// The rules of the dial-up layer that need no system: state texts, which devices dial, entry
// names and numbers, the area code, error texts, and the details dialog's checks. Portable.
#pragma once

#include "framework/core/CString.h"

#include <cstddef>
#include <cstdint>

namespace ras {

constexpr std::uint32_t kStatePausedFirst = 0x1000;
constexpr std::uint32_t kStatePausedLast = 0x1003;

// String ids of the state texts: 14501 + state for states 0-23, 14525 + (state - 0x1000) for the
// four paused states, 14529 connected, 14530 disconnected, 14500 any other state.
struct StateText {
    unsigned stringId;
    bool final;     // connected or disconnected
    bool connected;
};
StateText StateTextFor(std::uint32_t state);

// "MODEM" and "isdn" without regard to case.
bool IsDialupDeviceType(const char* deviceType);

// Copies text into a fixed field of capacity bytes (terminating zero included). False, with the
// field left empty, when the text does not fit: a RAS field is never cut.
bool CopyField(char* field, std::size_t capacity, const char* text);
template <std::size_t N> bool CopyField(char (&field)[N], const char* text) { return CopyField(field, N, text); }
// A fixed field read back: at most capacity bytes, up to its first zero.
CString ReadField(const char* field, std::size_t capacity);
template <std::size_t N> CString ReadField(const char (&field)[N]) { return ReadField(field, N); }

// "%s%d" of the base name and n (the names MakeUniqueEntryName tries).
CString NumberedEntryName(const CString& base, int n);
// How many numbered names MakeUniqueEntryName tries before it gives up.
constexpr int kMaxUniqueNameTries = 999;

// The error text as GetErrorText composes it: the service's text, then " Extended Error Code: %d"
// when the extended code is not 0.
CString ComposeErrorText(const CString& text, std::uint32_t extendedError);

// Premium-rate access: an access-point number that begins with "0990".
bool IsPremiumRateNumber(const CString& number);
// The part of the access-point number before its first "-", when the "-" is not the first
// character; else empty.
CString AreaCodeOf(const CString& number);
// The number of a new phone-book entry: outside line and the access-point number placed into the
// pattern (see FillNumberPattern), after ",P" when the dial mode is pulse ("P" any case).
CString ComposeEntryNumber(const CString& dialMode, const CString& outsideLine, const CString& pattern,
                           const CString& accessPoint, const CString& placeholder);
// The pattern with its placeholder replaced by number; the number alone when the pattern holds no
// placeholder.
CString FillNumberPattern(const CString& pattern, const CString& number, const CString& placeholder);
// The number the connect dialog dials: "T" + outside line + PHS number when the device mode is
// "PHS" (any case), else dial mode + outside line + access-point number.
CString ComposeDialNumber(const CString& deviceMode, const CString& dialMode, const CString& outsideLine,
                          const CString& accessPoint, const CString& phsNumber);

// The details dialog. A typed access-point text is accepted when it still holds the chosen number
// and everything around the number is a dial character (digits, ",", "-", "#", "*", "P", "T",
// "W", blanks).
bool IsAcceptedAccessText(const CString& text, const CString& number);
// The pattern stored on OK: the text with the number replaced by the placeholder; the placeholder
// alone when the number is not in the text.
CString DerivePrefixPattern(const CString& text, const CString& number, const CString& placeholder);
// The outside line stored on OK: empty for the "none" text.
CString OutsideLineValue(const CString& text, const CString& noneText);
// The dial mode stored on OK.
CString DialModeValue(bool tone, bool pulse);
// The three access points after choosing index (0-2): the chosen one changes places with the first.
void MoveChosenFirst(CString numbers[3], int chosen);

} // namespace ras
