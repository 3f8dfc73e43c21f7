#include "chat_web/window/ChatWindowCore.h"
#include "toolkit/core/SkinGeometry.h"

#include "framework/core/Cp932.h"

#include <algorithm>
#include <cstring>

namespace chat {

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(const std::string& a, const char* b)
{
    std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// Full-width forms of 0xA1..0xDF in code page 932, as _mbbtombc gives them.
const std::uint16_t kWide[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385,
    0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, 0x8350, 0x8352,
    0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384,
    0x8386, 0x8388, 0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,
};

struct JisPair {
    unsigned char halfWidth;
    std::uint16_t jis;
};

// Voiced kana (half-width kana + 0xDE) by JIS code.
const JisPair kVoiced[] = {
    {0xB3, 0x2574}, {0xB6, 0x252C}, {0xB7, 0x252E}, {0xB8, 0x2530}, {0xB9, 0x2532}, {0xBA, 0x2534},
    {0xBB, 0x2536}, {0xBC, 0x2538}, {0xBD, 0x253A}, {0xBE, 0x253C}, {0xBF, 0x253E}, {0xC0, 0x2540},
    {0xC1, 0x2542}, {0xC2, 0x2545}, {0xC3, 0x2547}, {0xC4, 0x2549}, {0xCA, 0x2550}, {0xCB, 0x2553},
    {0xCC, 0x2556}, {0xCD, 0x2559}, {0xCE, 0x255C},
};
// Semi-voiced kana (half-width kana + 0xDF).
const JisPair kSemiVoiced[] = {
    {0xCA, 0x2551}, {0xCB, 0x2554}, {0xCC, 0x2557}, {0xCD, 0x255A}, {0xCE, 0x255D},
};

std::uint16_t FindJis(const JisPair* table, std::size_t count, unsigned char c)
{
    for (std::size_t i = 0; i < count; ++i)
        if (table[i].halfWidth == c)
            return table[i].jis;
    return 0;
}

// JIS row and cell to Shift_JIS.
std::uint16_t JisToShiftJis(std::uint16_t jis)
{
    int row = jis >> 8;
    int cell = jis & 0xFF;
    int lead = ((row - 33) >> 1) + 129;
    if (lead >= 160)
        lead += 64;
    int trail = cell + ((row & 1) ? 31 : 125);
    if (trail >= 127)
        ++trail;
    return static_cast<std::uint16_t>((lead << 8) | trail);
}

bool IsHalfWidthKana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

// One character of the converted text.
struct Piece {
    char bytes[2];
    std::size_t length;
};

// The characters of the typed line after widening, in order.
std::vector<Piece> Widen(const std::string& typed)
{
    std::vector<Piece> out;
    const std::size_t n = typed.size();
    for (std::size_t i = 0; i < n;) {
        auto c = static_cast<unsigned char>(typed[i]);
        if (cp932::IsLeadByte(c)) {
            if (i + 1 < n && cp932::IsTrailByte(static_cast<unsigned char>(typed[i + 1]))) {
                out.push_back({{typed[i], typed[i + 1]}, 2});
                i += 2;
            } else {
                ++i; // a lead byte with no trail byte begins no character
            }
            continue;
        }
        if (IsHalfWidthKana(c)) {
            std::uint16_t wide = kWide[c - 0xA1];
            if (i + 1 < n) {
                auto mark = static_cast<unsigned char>(typed[i + 1]);
                std::uint16_t jis = 0;
                if (mark == 0xDE)
                    jis = FindJis(kVoiced, sizeof kVoiced / sizeof kVoiced[0], c);
                else if (mark == 0xDF)
                    jis = FindJis(kSemiVoiced, sizeof kSemiVoiced / sizeof kSemiVoiced[0], c);
                if (jis) {
                    wide = JisToShiftJis(jis);
                    ++i;
                }
            }
            out.push_back({{static_cast<char>(wide >> 8), static_cast<char>(wide & 0xFF)}, 2});
            ++i;
            continue;
        }
        if (c < 0x80)
            out.push_back({{typed[i], 0}, 1});
        // 0x80, 0xA0 and 0xFD-0xFF stand for no character.
        ++i;
    }
    return out;
}

} // namespace

bool IsValidNickname(const std::string& nickname)
{
    if (nickname.empty())
        return false;
    auto first = static_cast<unsigned char>(nickname[0]);
    if (first == '-' || IsDigit(first))
        return false;
    if (EqualNoCase(nickname, "anonymous"))
        return false;
    for (char ch : nickname) {
        auto c = static_cast<unsigned char>(ch);
        bool allowed = (c >= 65 && c <= 125) || IsDigit(c) || c == '-';
        if (!allowed || c == '|' || c == '_')
            return false;
    }
    return true;
}

std::size_t JisLength(const std::string& text)
{
    std::size_t length = 0;
    bool wide = false;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t step = cp932::CharLength(text.data() + i, text.size() - i);
        bool twoBytes = step == 2;
        if (twoBytes != wide)
            length += 3;
        wide = twoBytes;
        length += step;
        i += step;
    }
    if (wide)
        length += 3;
    return length;
}

std::string ConvertInput(const std::string& typed)
{
    std::string out;
    std::size_t jis = 0;
    bool wide = false;
    for (const Piece& piece : Widen(typed)) {
        bool twoBytes = piece.length == 2;
        std::size_t next = jis + piece.length + (twoBytes != wide ? 3 : 0);
        // A double-byte character also needs room for the switch back at the end.
        std::size_t needed = next + (twoBytes ? 3 : 0);
        if (!out.empty() && (needed > kInputJisLimit || out.size() + piece.length > kInputByteLimit))
            break;
        out.append(piece.bytes, piece.length);
        jis = next;
        wide = twoBytes;
    }
    return out;
}

void AddToHistory(std::vector<std::string>& history, const std::string& line)
{
    if (line.empty())
        return;
    history.erase(std::remove(history.begin(), history.end(), line), history.end());
    while (history.size() >= kHistorySize)
        history.pop_back();
    history.insert(history.begin(), line);
}

std::vector<std::string> HistoryToStore(const std::vector<std::string>& history)
{
    std::vector<std::string> stored;
    for (const std::string& entry : history) {
        if (stored.size() == kHistorySize)
            break;
        if (!entry.empty())
            stored.push_back(entry);
    }
    return stored;
}

std::vector<std::string> SplitMembers(const std::string& names)
{
    std::vector<std::string> members;
    std::size_t start = 0;
    while (start <= names.size()) {
        std::size_t end = names.find(' ', start);
        if (end == std::string::npos)
            end = names.size();
        std::string token = names.substr(start, end - start);
        if (token.size() > 1 && (token[0] == '@' || token[0] == '+'))
            token.erase(0, 1);
        if (!token.empty())
            members.push_back(token);
        start = end + 1;
    }
    return members;
}

std::string FillHoles(const std::string& format, const std::vector<std::string>& args)
{
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        // '%' is never a trail byte of code page 932, so a byte walk finds only real holes.
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 's') {
                if (next < args.size())
                    out += args[next];
                ++next;
                ++i;
                continue;
            }
            if (format[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

std::string FormatSystemLine(const SystemTexts& texts, const std::string& kind, const std::string& name,
                             const std::string& text, const std::string& room)
{
    if (kind == "_CASE1_")
        return text;
    if (kind == "_LOGIN_")
        return FillHoles(texts.entered, {name, room});
    if (kind == "JOIN")
        return FillHoles(texts.joined, {name});
    if (kind == "PART")
        return FillHoles(texts.parted, {name});
    if (kind == "QUIT")
        return FillHoles(texts.quitted, {name});
    return name + " " + text;
}

ControlSwitches SwitchesForControlState(int code)
{
    using S = Switch;
    switch (code) {
    case 1: return {S::Off, S::Off, S::Off};
    case 2:
    case 6: return {S::On, S::Off, S::Keep};
    case 3: return {S::Off, S::Off, S::Keep};
    case 4: return {S::Off, S::Keep, S::Keep};
    case 5: return {S::Off, S::On, S::On};
    case 7: return {S::Keep, S::Off, S::Keep};
    case 8: return {S::On, S::Off, S::Off};
    case 9: return {S::Off, S::On, S::Keep};
    default: return {};
    }
}

StateLook LookForState(int state)
{
    StateLook look;
    switch (state) {
    case 0:
        look.input = InputLook::Empty;
        look.inputEnabled = false;
        look.setBackgrounds = true;
        look.listBackground = 0xC0C0C0;
        look.logBackground = 0xC0C0C0;
        look.clearMembers = true;
        look.controlState = 8;
        break;
    case 1:
        look.input = InputLook::Connecting;
        look.inputReadOnly = true;
        look.addToTray = true;
        break;
    case 3:
        look.input = InputLook::ConnectingChat;
        look.inputReadOnly = true;
        break;
    case 5:
        look.input = InputLook::Empty;
        look.inputFocused = true;
        look.setBackgrounds = true;
        look.listBackground = 0xC8D0D4;
        look.logBackground = 0xFFFFFF;
        look.show = true;
        look.controlState = 5;
        break;
    default:
        break; // 2 and 4 leave the input line as it is
    }
    return look;
}

int ColorButtonFor(std::uint32_t colour)
{
    switch (colour) {
    case 0x0000FF: return 1224;
    case 0x00FF00: return 1228;
    case 0x00FFFF: return 1226;
    case 0xFF0000: return 1220;
    case 0xFF00FF: return 1222;
    default: return 1218;
    }
}

bool IsLinkCandidate(const std::string& candidate)
{
    for (char c : candidate)
        if (cp932::IsLeadByte(static_cast<unsigned char>(c)))
            return false;
    std::size_t colon = candidate.find("://");
    if (colon == std::string::npos)
        return false;
    std::string scheme = candidate.substr(0, colon);
    if (scheme != "http" && scheme != "https")
        return false;
    std::string rest = candidate.substr(colon + 3);
    std::string server = rest.substr(0, rest.find_first_of("/?#"));
    std::size_t at = server.rfind('@');
    if (at != std::string::npos)
        server.erase(0, at + 1);
    server = server.substr(0, server.find(':'));
    return !server.empty();
}

namespace {

struct Span {
    std::size_t start, end;
};

// The links of a text, at character boundaries only (a trail byte followed by "ttp" is no "http").
std::vector<Span> FindLinks(const std::string& text)
{
    std::vector<Span> links;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        if (text.compare(i, 4, "http") == 0) {
            std::size_t end = i;
            while (end < n) {
                auto c = static_cast<unsigned char>(text[end]);
                if (c == ' ' || c == '\r' || c == '\n' || cp932::IsLeadByte(c))
                    break;
                ++end;
            }
            if (IsLinkCandidate(text.substr(i, end - i))) {
                links.push_back({i, end});
                i = end;
                continue;
            }
            // Skipped: the search goes on behind the candidate.
            i = end > i ? end : i + 1;
            continue;
        }
        i += cp932::CharLength(text.data() + i, n - i);
    }
    return links;
}

} // namespace

std::vector<LogSegment> SplitLinks(const std::string& text)
{
    std::vector<LogSegment> segments;
    std::size_t at = 0;
    for (const Span& link : FindLinks(text)) {
        if (link.start > at)
            segments.push_back({text.substr(at, link.start - at), false});
        segments.push_back({text.substr(link.start, link.end - link.start), true});
        at = link.end;
    }
    if (at < text.size())
        segments.push_back({text.substr(at), false});
    else if (!segments.empty() && segments.back().link)
        segments.push_back({" ", false});
    return segments;
}

bool LinkAt(const std::string& text, std::size_t pos, std::string* link)
{
    for (const Span& span : FindLinks(text)) {
        if (pos >= span.start && pos < span.end) {
            if (link)
                *link = text.substr(span.start, span.end - span.start);
            return true;
        }
    }
    return false;
}

int MessageForEndCode(int code)
{
    switch (code) {
    case -1:
    case -2: return kStrLoginFailed;
    case -5: return kStrNickInUse;
    case -6: return kStrBadKey;
    case -7: return kStrRoomFull;
    case -8: return kStrNoSuchRoom;
    case -9: return kStrNickForbidden;
    default: return code < 0 ? kStrSendError : 0;
    }
}

EventDecision DecideEvent(int wParam, const ChatEvent* event)
{
    if (wParam == 1)
        return {EventAction::EnterRoom, 0};
    if (wParam < 0)
        return {EventAction::End, MessageForEndCode(wParam)};
    if (wParam > 0 || !event)
        return {};
    switch (event->type) {
    case CHAT_EV_ENTERED: return {EventAction::Entered, 0};
    case CHAT_EV_MESSAGE:
        return {event->command == "PRIVMSG" ? EventAction::ChatLine : EventAction::SystemLine, 0};
    case CHAT_EV_ALERT: return {EventAction::Alert, 0};
    case CHAT_EV_INFO: return {event->command == "NAMELIST" ? EventAction::MemberList : EventAction::None, 0};
    case CHAT_EV_CLOSED: return {EventAction::Closed, 0};
    default: return {};
    }
}

Placement RestorePlacement(const Placement& stored, int currentWidth, int currentHeight, const Placement& work,
                           const Placement& below)
{
    if (stored.x == -1 && stored.y == -1) {
        // Below the browser, but never off the work area: shifted in, the size kept.
        skin::Rect r = skin::ShiftIntoWorkArea(skin::MakeRectXYWH(below.x, below.y, currentWidth, currentHeight),
                                               skin::MakeRectXYWH(work.x, work.y, work.width, work.height));
        return {r.left, r.top, currentWidth, currentHeight};
    }
    Placement p = stored;
    if (p.width > work.width || p.width < currentWidth)
        p.width = currentWidth;
    if (p.height > work.height || p.height < currentHeight)
        p.height = currentHeight;
    // A window at the very edge stays there; only one outside the work area is brought back.
    if (p.x < work.x || p.x >= work.x + work.width)
        p.x = work.x + work.width / 2 - p.width / 2;
    if (p.y < work.y || p.y >= work.y + work.height)
        p.y = work.y + work.height / 2 - p.height / 2;
    return p;
}

} // namespace chat
