#include "phone_media/phone/PhoneRules.h"

#include "framework/core/Cp932.h"

#include <cstdio>

namespace phone {

bool IsCallableCommId(const std::string& text)
{
    return text.size() == 16 && text[0] == '0' && text[2] == '0' && text[3] == '0';
}

DialKind ClassifyDialText(const std::string& text)
{
    if (text.empty())
        return kDialNothing;
    if (IsCallableCommId(text))
        return kDialCommId;
    if (text.size() == 3)
        return kDialRefused;
    return text[0] == '0' ? kDialNational : kDialAsTyped;
}

std::string NationalNumber(const std::string& country, const std::string& text)
{
    return country + (!text.empty() && text[0] == '0' ? text.substr(1) : text);
}

std::string TrimAreaCode(const std::string& area)
{
    return !area.empty() && area[0] == '0' ? area.substr(1) : area;
}

bool IsDialCharacter(char ch) { return (ch >= '0' && ch <= '9') || ch == '*' || ch == '#'; }

std::string KeepDialCharacters(const char* text)
{
    std::string kept;
    for (const char* p = text; p && *p; ++p)
        if (IsDialCharacter(*p))
            kept += *p;
    return kept;
}

EnterAction DecideEnter(std::uint32_t status, const std::string& text)
{
    if ((status & kInCall) && text.size() == 1)
        return EnterAction::ToneAndAppend;
    if (!(status & kSignedIn))
        return EnterAction::Ignore;
    if (text.empty())
        return EnterAction::Clear;
    return text.size() == 1 ? EnterAction::Append : EnterAction::Replace;
}

std::string ApplyEnter(EnterAction action, const std::string& display, const std::string& text)
{
    switch (action) {
    case EnterAction::ToneAndAppend:
    case EnterAction::Append:
        return display + text;
    case EnterAction::Replace:
        return text;
    case EnterAction::Clear:
        return std::string();
    case EnterAction::Ignore:
        break;
    }
    return display;
}

bool FormatCredit(long long credit, CreditText* out)
{
    if (credit < 1)
        return false;
    char amount[48];
    std::snprintf(amount, sizeof amount, "%llu.%02llu", static_cast<unsigned long long>(credit) / 100,
                  static_cast<unsigned long long>(credit) % 100);
    std::string text = amount;
    if (text.compare(0, 2, "77") == 0) {
        out->stringId = kTextCreditYen;
        out->amount = text.substr(2);
    } else if (text.compare(0, 2, "99") == 0) {
        out->stringId = kTextCreditDollar;
        out->amount = text.substr(2);
    } else {
        out->stringId = kTextCredit;
        out->amount = text;
    }
    return true;
}

int VoiceQuarters(int percent)
{
    if (percent <= 0)
        return 0;
    int quarters = percent / 25 + (percent % 25 ? 1 : 0);
    return quarters > 4 ? 4 : quarters;
}

int QuarterWidth(int quarters, int fullWidth)
{
    if (quarters <= 0 || fullWidth <= 0)
        return 0;
    return fullWidth * (quarters > 4 ? 4 : quarters) / 4;
}

KeyAction KeyUpAction(unsigned virtualKey, bool shift)
{
    // Virtual-key codes: main-row digits, number pad, multiply, the Japanese layout's ':' key
    // (VK_OEM_1, "*" with Shift), Backspace, Delete, Up, Down.
    const unsigned kNumpad0 = 0x60, kMultiply = 0x6A, kOem1 = 0xBA, kBack = 0x08, kDelete = 0x2E, kUp = 0x26,
                   kDown = 0x28;
    KeyAction action;
    if (virtualKey >= '0' && virtualKey <= '9') {
        action.kind = KeyKind::Dial;
        action.character = shift && virtualKey == '3' ? '#' : static_cast<char>(virtualKey);
    } else if (virtualKey >= kNumpad0 && virtualKey <= kNumpad0 + 9) {
        action.kind = KeyKind::Dial;
        action.character = static_cast<char>('0' + (virtualKey - kNumpad0));
    } else if (virtualKey == kMultiply || (virtualKey == kOem1 && shift)) {
        action.kind = KeyKind::Dial;
        action.character = '*';
    } else if (virtualKey == kBack) {
        action.kind = KeyKind::DeleteLast;
    } else if (virtualKey == kDelete) {
        action.kind = KeyKind::Clear;
    } else if (virtualKey == kUp) {
        action.kind = KeyKind::RedialUp;
    } else if (virtualKey == kDown) {
        action.kind = KeyKind::RedialDown;
    }
    return action;
}

bool ValidatePrepaid(const std::string& userId, const std::string& password)
{
    return userId.size() == 10 && (password.size() == 9 || password.size() == 4);
}

StateAction ActionForState(int code)
{
    StateAction action;
    switch (code) {
    case 0:
        action.zeroIndicators = true;
        action.clearRinging = true;
        action.releaseSound = true;
        action.showText = true;
        break;
    case 9:
        action.lookUpCaller = true;
        break;
    case 16:
        action.releaseSound = true;
        action.postWarning = true;
        break;
    case -10001:
    case -10002:
    case -10015:
        action.releaseSound = true;
        action.showText = true;
        break;
    case -10004:
        action.releaseSound = true;
        break;
    case -10005:
        action.signedIn = true;
        break;
    case -10010:
        action.lookUpCallee = true;
        break;
    default:
        action.showText = true;
        break;
    }
    return action;
}

bool IsStorableRedialEntry(const std::string& text)
{
    if (text.empty())
        return false;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char ch = static_cast<unsigned char>(text[i]);
        if (ch < 0x20 || ch == 0x7F || ch == ':')
            return false;
        if (cp932::IsLeadByte(ch)) {
            if (i + 1 >= text.size() || !cp932::IsTrailByte(static_cast<unsigned char>(text[i + 1])))
                return false;
            i += 2;
            continue;
        }
        ++i;
    }
    return true;
}

void CRedialList::Load(const char* data, std::size_t size)
{
    Clear();
    std::size_t start = 0;
    for (std::size_t i = 0; data && i <= size && m_entries.size() < kMaxEntries; ++i) {
        if (i < size && data[i] != ':')
            continue;
        std::string entry(data + start, i - start);
        start = i + 1;
        // A field cut by the end of the file without its ':' is kept too, as a plain splitter would.
        if (IsStorableRedialEntry(entry) && !Contains(entry))
            m_entries.push_back(entry);
    }
}

bool CRedialList::Contains(const std::string& text) const
{
    for (const std::string& entry : m_entries)
        if (entry == text)
            return true;
    return false;
}

std::string CRedialList::Serialise() const
{
    std::string bytes;
    for (const std::string& entry : m_entries)
        bytes += entry + ':';
    return bytes;
}

bool CRedialList::Add(const std::string& text)
{
    if (!IsStorableRedialEntry(text) || Contains(text))
        return false;
    if (m_entries.size() >= kMaxEntries) {
        m_entries.erase(m_entries.begin());
        if (m_position > 0)
            --m_position;
    }
    m_entries.push_back(text);
    return true;
}

bool CRedialList::Up(std::string* entry)
{
    if (m_entries.empty())
        return false;
    if (m_position > 0)
        --m_position;
    else
        m_position = 0;
    *entry = m_entries[static_cast<std::size_t>(m_position)];
    return true;
}

bool CRedialList::Down(std::string* entry)
{
    if (m_entries.empty())
        return false;
    int newest = static_cast<int>(m_entries.size()) - 1;
    if (m_position < 0 || m_position >= newest)
        m_position = newest;
    else
        ++m_position;
    *entry = m_entries[static_cast<std::size_t>(m_position)];
    return true;
}

void CRedialList::Clear()
{
    m_entries.clear();
    m_position = -1;
}

std::string RedialPath(const std::string& installFolder, const std::string& userName)
{
    if (installFolder.empty())
        return std::string();
    return installFolder + "\\" + (userName.empty() ? std::string("anonymous") : userName) + ".rdl";
}

} // namespace phone
