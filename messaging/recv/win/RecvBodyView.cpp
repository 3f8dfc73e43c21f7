#include "messaging/recv/win/RecvBodyView.h"

#include <richedit.h>

#include <cstring>
#include <string>

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

namespace {

// Line breaks as the control keeps them: a lone CR or LF becomes CR LF (the paragraph break it
// shows as), so positions are counted on what the control holds.
CString NormalisedBreaks(const CString& text)
{
    std::string out;
    const std::string& in = text.str();
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\r' || in[i] == '\n') {
            if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n')
                ++i;
            out += "\r\n";
        } else {
            out += in[i];
        }
    }
    return CString(out);
}

// The text as RTF that says exactly the typed characters: every byte outside printable ASCII goes
// as \'hh (read back in code page 932), '\\', '{' and '}' are escaped, CR LF (or a lone CR or
// LF) is a paragraph break, and the addresses are runs of \ul. One stream formats the whole text:
// a format change per address would make the control lay out the paragraph again each time.
std::string BuildRtf(const CString& text, const std::vector<UrlSpan>& byteSpans)
{
    std::string rtf = "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fcharset128 ;}}\\f0\\ulnone ";
    const std::size_t length = static_cast<std::size_t>(text.GetLength());
    std::size_t next = 0;
    bool underline = false;
    static const char hex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < length; ++i) {
        if (next < byteSpans.size() && !underline && i == byteSpans[next].start) {
            rtf += "\\ul ";
            underline = true;
        }
        if (underline && i == byteSpans[next].end) {
            rtf += "\\ulnone ";
            underline = false;
            ++next;
            if (next < byteSpans.size() && i == byteSpans[next].start) {
                rtf += "\\ul ";
                underline = true;
            }
        }
        const unsigned char c = static_cast<unsigned char>(text[static_cast<int>(i)]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < length && text[static_cast<int>(i + 1)] == '\n')
                ++i;
            rtf += "\\par ";
        } else if (c == '\\' || c == '{' || c == '}') {
            rtf += '\\';
            rtf += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            rtf += "\\'";
            rtf += hex[c >> 4];
            rtf += hex[c & 15];
        } else {
            rtf += static_cast<char>(c);
        }
    }
    if (underline)
        rtf += "\\ulnone ";
    // The reader takes the last paragraph break as the end of the text: a text that ends with a
    // line break keeps it with one more.
    if (length > 0 && (text[static_cast<int>(length - 1)] == '\n' || text[static_cast<int>(length - 1)] == '\r'))
        rtf += "\\par ";
    rtf += "}";
    return rtf;
}

} // namespace

std::vector<UrlSpan> ShowMessageText(HWND richEdit, const CString& typed)
{
    const CString text = NormalisedBreaks(typed);
    const LONG style = ::GetWindowLongA(richEdit, GWL_STYLE);
    ::SendMessageA(richEdit, EM_SETREADONLY, FALSE, 0);
    ::SendMessageA(richEdit, EM_HIDESELECTION, TRUE, 0);
    const std::size_t length = static_cast<std::size_t>(text.GetLength());
    const std::vector<UrlSpan> byteSpans = FindUrlSegments(text.GetString(), length);
    const std::string rtf = BuildRtf(text, byteSpans);
    StreamSource source = {rtf.data(), static_cast<LONG>(rtf.size())};
    EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&source), 0, ReadPlainText};
    ::SendMessageA(richEdit, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    CHARRANGE caret = {0, 0};
    ::SendMessageA(richEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    ::SendMessageA(richEdit, EM_SETREADONLY, (style & ES_READONLY) ? TRUE : FALSE, 0);

    std::vector<UrlSpan> spans = byteSpans;
    const TextPositionRules rules = RichEditPositionRules(richEdit, text);
    for (UrlSpan& span : spans) {
        span.start = TextPositionOfByte(text.GetString(), length, span.start, rules);
        span.end = TextPositionOfByte(text.GetString(), length, span.end, rules);
    }
    return spans;
}

CString AddressAtCaret(HWND richEdit, const CString& typed)
{
    const CString text = NormalisedBreaks(typed);
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
