// Web addresses inside message texts: the one finder that the received-message, log and chat
// windows use to underline addresses and to open the one under a click. Candidates are checked
// with the program's one cracker, AfxParseURL (UrlParse.h). Texts are code page 932 bytes; the
// finder never starts, ends or steps inside a double-byte character, and every search ends.
// Portable.
#pragma once

#include "framework/core/CString.h"
#include "framework/core/UrlParse.h"

#include <cstddef>
#include <vector>

// Whether a candidate is an address worth opening from a message: it cracks with a known
// network type (or an unknown one that begins with "LDAP"), has a server (unknown types need
// none) and holds no double-byte lead byte. file, wais and afs never pass.
bool IsValidMessageUrl(const char* candidate, std::size_t length);
inline bool IsValidMessageUrl(const CString& candidate)
{
    return IsValidMessageUrl(candidate.GetString(), static_cast<std::size_t>(candidate.GetLength()));
}

enum class UrlFindMode {
    Forward, // the first valid address at or after the position
    Click,   // the address whose "http" is nearest at or before the position
};

// A candidate address: bytes [start, end) of the text.
struct UrlSpan {
    std::size_t start = 0;
    std::size_t end = 0;
};

// Looks for "http" (case-sensitive) and takes the bytes up to the first double-byte lead byte,
// white space, CR, LF or the end of the text. Forward mode skips candidates that are not valid
// addresses and goes on after them; click mode gives the candidate nearest before the position,
// or nothing when that one is not valid. from past the end finds nothing.
bool FindUrl(const char* text, std::size_t length, std::size_t from, UrlFindMode mode, UrlSpan* found);
inline bool FindUrl(const CString& text, std::size_t from, UrlFindMode mode, UrlSpan* found)
{
    return FindUrl(text.GetString(), static_cast<std::size_t>(text.GetLength()), from, mode, found);
}

// Every address that is shown underlined, in order, as byte ranges.
std::vector<UrlSpan> FindUrlSegments(const char* text, std::size_t length);

// How a text control counts positions. Rich edit controls count characters: a double-byte
// character is one position; a control that keeps only CR for a line break counts CR LF as one.
struct TextPositionRules {
    bool crlfIsOne = false;
};
// The control position of byte offset (a byte inside a character maps to that character).
std::size_t TextPositionOfByte(const char* text, std::size_t length, std::size_t byteOffset,
                               TextPositionRules rules = {});
// The byte offset where the character at control position starts (length when past the end).
std::size_t ByteOfTextPosition(const char* text, std::size_t length, std::size_t position,
                               TextPositionRules rules = {});
// The underlined addresses as control positions.
std::vector<UrlSpan> FindUrlPositions(const char* text, std::size_t length, TextPositionRules rules = {});
