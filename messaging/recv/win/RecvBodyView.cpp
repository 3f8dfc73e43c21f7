#include "messaging/recv/win/RecvBodyView.h"

#include <richedit.h>

#include <cstring>

namespace {

struct StreamSource {
    const char* data;
    LONG remaining;
};

DWORD CALLBACK ReadPlainText(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done)
{
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const LONG n = count < source->remaining ? count : source->remaining;
    std::memcpy(buffer, source->data, static_cast<std::size_t>(n));
    source->data += n;
    source->remaining -= n;
    *done = n;
    return 0;
}

LONG UnicodeLength(HWND richEdit)
{
    GETTEXTLENGTHEX length = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(::SendMessageA(richEdit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

void Underline(HWND richEdit, LONG start, LONG end, bool on)
{
    CHARRANGE range = {start, end};
    ::SendMessageA(richEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMATA format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_UNDERLINE;
    format.dwEffects = on ? CFE_UNDERLINE : 0;
    ::SendMessageA(richEdit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

} // namespace

TextPositionRules RichEditPositionRules(HWND richEdit, const CString& text)
{
    const std::size_t length = static_cast<std::size_t>(text.GetLength());
    const LONG held = UnicodeLength(richEdit);
    TextPositionRules crOnly{true};
    // The control that keeps CR alone holds fewer positions than the text has characters.
    if (static_cast<std::size_t>(held) == TextPositionOfByte(text.GetString(), length, length, crOnly) &&
        static_cast<std::size_t>(held) != TextPositionOfByte(text.GetString(), length, length))
        return crOnly;
    return TextPositionRules{};
}

std::vector<UrlSpan> ShowMessageText(HWND richEdit, const CString& text)
{
    const LONG style = ::GetWindowLongA(richEdit, GWL_STYLE);
    ::SendMessageA(richEdit, EM_SETREADONLY, FALSE, 0);
    ::SendMessageA(richEdit, EM_HIDESELECTION, TRUE, 0);
    StreamSource source = {text.GetString(), text.GetLength()};
    EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&source), 0, ReadPlainText};
    ::SendMessageA(richEdit, EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));

    const LONG all = UnicodeLength(richEdit);
    Underline(richEdit, 0, -1, false);
    const std::size_t length = static_cast<std::size_t>(text.GetLength());
    const std::vector<UrlSpan> spans = FindUrlPositions(text.GetString(), length, RichEditPositionRules(richEdit, text));
    for (const UrlSpan& span : spans) {
        if (static_cast<LONG>(span.end) <= all)
            Underline(richEdit, static_cast<LONG>(span.start), static_cast<LONG>(span.end), true);
    }
    CHARRANGE caret = {0, 0};
    ::SendMessageA(richEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    ::SendMessageA(richEdit, EM_SETREADONLY, (style & ES_READONLY) ? TRUE : FALSE, 0);
    return spans;
}

CString AddressAtCaret(HWND richEdit, const CString& text)
{
    CHARRANGE selection = {};
    ::SendMessageA(richEdit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const std::size_t length = static_cast<std::size_t>(text.GetLength());
    if (length == 0 || selection.cpMin < 0)
        return CString();
    const TextPositionRules rules = RichEditPositionRules(richEdit, text);
    const std::size_t caret = ByteOfTextPosition(text.GetString(), length, static_cast<std::size_t>(selection.cpMin), rules);
    if (caret >= length)
        return CString();
    UrlSpan span;
    if (!FindUrl(text, caret, UrlFindMode::Click, &span) || caret < span.start || caret > span.end)
        return CString();
    return CString(text.GetString() + span.start, static_cast<int>(span.end - span.start));
}
