// Text helpers of the shell that hold no window: HTML clean-up, quotes, digits, string parts,
// the VoIP version text and code-page-932-safe path splitting.
#pragma once

#include "framework/core/CString.h"

namespace textutil {

// "\n", "<br>" and "<p>" become "\r\n"; everything between "<" and ">" goes (nesting counted).
CString StripHtmlTags(const CString& text);
// Drops a surrounding pair of double quotes from a text of 4 or more characters. Only a real
// pair is removed: a text that begins with a quote but does not end in one loses nothing.
CString StripQuotes(const CString& text);
// True when every character is a decimal digit (an empty text counts).
bool IsAllDigits(const CString& text);
// Part 0 the whole text, 1 what stands between the first "(" and the last character, 2 what
// stands before the first "("; a text without "(" is returned whole.
CString StringPart(const CString& text, int part);

// "1.18R6B2" -> "Version1.18 Rel6 Build2". A text without "R" or "B" still gives the whole
// format with empty parts; a "B" before the "R" never yields a negative cut.
CString BuildVersionText(const CString& libraryVersion);

// The folder of a full path (no trailing backslash), cut at the last backslash that is a
// character of its own: 0x5C can be the trail byte of a double-byte character.
CString FolderOfPath(const CString& path);
// The file part after that backslash (the whole text without one).
CString FileOfPath(const CString& path);

// What a handed-over command line asks for, after StripQuotes: its last four characters
// compared without case.
enum class HandoverKind { None, ConnectionInfo, SkinArchive };
HandoverKind ClassifyHandoverPath(const CString& strippedPath);

} // namespace textutil
