// The message body in a rich edit control: the text goes in as typed (a text that begins with
// "{\rtf" is not read as RTF), web addresses are underlined at the control's own character
// positions (a double-byte character is one position; a rich edit that keeps CR alone for a line
// break counts CR LF as one), and a click finds the address under the caret.
#pragma once

#include "framework/core/CString.h"
#include "framework/core/UrlFinder.h"

#include <windows.h>

#include <vector>

// Replaces the control's text with text (read-only state as it was), removes every underline and
// underlines the addresses; returns the underlined ranges in control positions.
std::vector<UrlSpan> ShowMessageText(HWND richEdit, const CString& text);

// How the control counts the text that it holds.
TextPositionRules RichEditPositionRules(HWND richEdit, const CString& text);

// The valid address that the caret (the selection's start) lies in, for a click; empty when none.
CString AddressAtCaret(HWND richEdit, const CString& text);
