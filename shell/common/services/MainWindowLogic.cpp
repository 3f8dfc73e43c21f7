#include "shell/common/services/MainWindowLogic.h"

#include "framework/core/Cp932.h"

#include <cstdlib>
#include <cstring>

namespace mainwnd {

namespace {

const std::vector<unsigned> kLoggedOutOff = {kBtnBrowser, kBtnReceive, kBtnChat, kBtnPhone, kBtnLogout, kBtnMail, kBtnAddress};
const std::vector<unsigned> kLoggedOutOn = {kBtnVoiceClip, kBtnCdPlayer, kBtnHelp, kBtnMenu};

} // namespace

bool ButtonStateFor(int code, ButtonStateEffect* e)
{
    *e = ButtonStateEffect();
    switch (code) {
    case 1:
    case 7:
        e->disable = kLoggedOutOff;
        e->enable = kLoggedOutOn;
        if (code == 7)
            e->enable.push_back(kBtnLogin);
        e->focus = kBtnLogin;
        return true;
    case 2: e->disable = {kBtnLogin}; return true;
    case 3: e->enable = {kBtnLogin}; return true;
    case 4:
        e->enable = {kBtnReceive, kBtnChat, kBtnVoiceClip, kBtnCdPlayer, kBtnPhone};
        e->focus = kBtnReceive;
        return true;
    case 5: e->disable = {kBtnLogout}; return true;
    case 6: e->enable = {kBtnLogout}; return true;
    case 8:
        e->enable = {kBtnBrowser, kBtnMail, kBtnAddress};
        e->disable = {kBtnLogin};
        return true;
    case 16: e->startTimer = kTimerReceiveBlink; return true;
    case 32:
        e->stopTimer = kTimerReceiveBlink;
        e->releaseHover = kBtnReceive;
        e->onlineIcon = true;
        return true;
    case 48: e->disable = {kBtnReceive}; return true;
    case 64: e->enable = {kBtnReceive}; return true;
    case 80: e->startTimer = kTimerPhoneBlink; return true;
    case 96:
        e->stopTimer = kTimerPhoneBlink;
        e->releaseHover = kBtnPhone;
        return true;
    case 256: e->disable = {kBtnChat}; return true;
    case 512: e->enable = {kBtnChat}; return true;
    case 768: e->disable = {kBtnPhone}; return true;
    case 1024: e->enable = {kBtnPhone}; return true;
    case 1280: e->disable = {kBtnCdPlayer}; return true;
    case 1536: e->enable = {kBtnCdPlayer}; return true;
    case 4096: e->disable = {kBtnVoiceClip}; return true;
    case 8192: e->enable = {kBtnVoiceClip}; return true;
    default: return false;
    }
}

void PollMachine::SetInterval(int minutes)
{
    if (minutes < 1)
        minutes = 5;
    m_reload = minutes * 60000 / 10000;
    m_countdown = m_reload;
}

std::vector<uint16_t> PollMachine::Tick(bool ready, bool lockHeld, bool urlListAllowed)
{
    std::vector<uint16_t> kinds;
    if (!ready) {
        m_countdown = m_reload;
        return kinds;
    }
    if (--m_countdown < 1)
        AddPending(kPendingUrlList | kPendingFriendList | kPendingMessageList);
    if (m_pending == 0)
        return kinds;
    if (lockHeld) {
        m_countdown = 1;
        return kinds;
    }
    m_countdown = m_reload;
    if ((m_pending & kPendingUrlList) && urlListAllowed)
        kinds.push_back(kPollUrlList);
    if (m_pending & kPendingFriendList)
        kinds.push_back(kPollFriendList);
    if (m_pending & kPendingMessageList)
        kinds.push_back(kPollMessageList);
    m_pending = 0;
    return kinds;
}

void IdleMachine::Start(long x, long y)
{
    m_x = x;
    m_y = y;
    m_count = 0;
}

bool IdleMachine::Tick(long x, long y, bool messaging)
{
    if (!messaging)
        return false;
    if (x != m_x || y != m_y) {
        Start(x, y);
        return false;
    }
    if (++m_count >= kTicksToLogout) {
        m_count = 0;
        return true;
    }
    return false;
}

void PlaceMainWindow(const Box& work, long width, long height, bool hasX, long x, bool hasY, long y, long* outX, long* outY)
{
    if (!hasX)
        x = work.left;
    if (!hasY)
        y = work.top;
    // A saved position stays only when the whole window lies in the work area.
    bool xFits = x >= work.left && static_cast<long long>(x) + width <= work.right;
    bool yFits = y >= work.top && static_cast<long long>(y) + height <= work.bottom;
    if (!hasX || !xFits) {
        x = work.left + width + 14;
        if (x > work.right - width)
            x -= width;
        if (x < work.left)
            x = work.left;
    }
    if (!hasY || !yFits)
        y = work.top;
    *outX = x;
    *outY = y;
}

namespace {

// A field of decimal digits (an optional sign and blanks around it allowed); false otherwise.
bool ParseNumber(const char* begin, const char* end, long* value)
{
    while (begin < end && *begin == ' ')
        ++begin;
    while (end > begin && end[-1] == ' ')
        --end;
    if (begin == end)
        return false;
    const char* p = begin;
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        ++p;
    }
    if (p == end)
        return false;
    long result = 0;
    for (; p < end; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        if (result > 100000)
            return false; // no window is that large
        result = result * 10 + (*p - '0');
    }
    *value = negative ? -result : result;
    return true;
}

} // namespace

bool ParseDockExtent(const char* value, long* width, long* height)
{
    if (!value)
        return false;
    // At most four fields split at ",": the fourth runs to the end (or to a ":" mode suffix).
    const char* fields[5] = {};
    const char* ends[4] = {};
    const char* p = value;
    int count = 0;
    fields[0] = p;
    while (count < 4) {
        const char* comma = std::strchr(p, ',');
        if (!comma || count == 3) {
            ends[count] = p + std::strlen(p);
            ++count;
            break;
        }
        ends[count] = comma;
        ++count;
        p = comma + 1;
        fields[count] = p;
    }
    if (count < 4)
        return false;
    // The fourth field stops at a mode suffix such as ":N".
    if (const char* colon = static_cast<const char*>(std::memchr(fields[3], ':', static_cast<size_t>(ends[3] - fields[3]))))
        ends[3] = colon;
    long w = 0, h = 0;
    if (!ParseNumber(fields[2], ends[2], &w) || !ParseNumber(fields[3], ends[3], &h) || w <= 0 || h <= 0)
        return false;
    *width = w;
    *height = h;
    return true;
}

bool BannerRuleHolds(const Box& page, const Box& window, const std::vector<Box>& buttons)
{
    if (page.Empty())
        return false;
    if (page.left < window.left || page.top < window.top || page.right > window.right || page.bottom > window.bottom)
        return false;
    for (const Box& b : buttons) {
        if (b.Empty())
            continue;
        bool apart = b.right <= page.left || page.right <= b.left || b.bottom <= page.top || page.bottom <= b.top;
        if (!apart)
            return false;
    }
    return true;
}

CString StartPageAddress(const CString& oemUrl, const CString& homePage, bool q2Connection, const CString& exeFileName,
                         const CString& dialupEntry, const CString& q2EntryName)
{
    if (!oemUrl.IsEmpty())
        return oemUrl;
    CString address = homePage;
    if (address.IsEmpty() || address[address.GetLength() - 1] != '/')
        address += "/";
    if (q2Connection && exeFileName.CompareNoCase("q2NimboVandrell.exe") != 0 && !q2EntryName.IsEmpty() &&
        dialupEntry == q2EntryName)
        address += "q2index.html";
    return address;
}

bool ShouldReportUrl(const CString& address, const CString& searchPage)
{
    if (searchPage.IsEmpty())
        return true;
    return std::strncmp(address.GetString(), searchPage.GetString(), static_cast<size_t>(searchPage.GetLength())) != 0;
}

CString PercentEncode(const CString& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    CString out;
    for (int i = 0; i < text.GetLength(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out += static_cast<char>(c);
        } else {
            char hex[4] = {'%', kHex[c >> 4], kHex[c & 15], 0};
            out += hex;
        }
    }
    return out;
}

CString BuildMailTo(const CString& body, const CString& subject)
{
    return "mailto:?body=" + PercentEncode(body) + "&subject=" + PercentEncode(subject);
}

CString CutWholeChars(const CString& text, int maxBytes)
{
    if (maxBytes <= 0)
        return CString();
    size_t length = static_cast<size_t>(text.GetLength());
    if (length <= static_cast<size_t>(maxBytes))
        return text;
    size_t cut = cp932::BoundaryAtOrBefore(text.GetString(), length, static_cast<size_t>(maxBytes));
    return text.Left(static_cast<int>(cut));
}

CreditScroll::Step CreditScroll::Tick(int lineCount)
{
    int last = lineCount - 1;
    if (last > kLastLine)
        last = kLastLine;
    if (++m_tick > kTicksPerLine) {
        m_tick = 1;
        ++m_line;
    }
    if (m_line > last) {
        Reset();
        return Step::Finished;
    }
    if (m_line >= kLastLine) {
        if (m_bottom > 10)
            m_bottom -= 10;
        else if (m_bottom > 1)
            m_bottom -= 1;
    }
    return Step::Scroll;
}

} // namespace mainwnd
