#include "shell/notify/EventData.h"

#include "shell/common/skin/SplitFields.h"
#include "shell/notify/TextLines.h"

#include <climits>
#include <map>
#include <string>
#include <unordered_map>

const EventNameRow EventNameTable[] = {
    {150, "BALLOON_COLOR"},
    {151, "ERROR_COLOR"},
    {1, "QELO_NOTICE"},
    {12, "LOGIN_TIME"},
    {10, "LOGIN_DAY"},
    {11, "LOGIN_WEEK"},
    {20, "FRIEND_COUNT"},
    {29, "NO_FRIEND"},
    {30, "VYRN_SEND"},
    {31, "VYRN_RECV"},
    {32, "VYRN_SEND_R"},
    {33, "VYRN_RECV_R"},
    {39, "NOUSE_VYRN"},
    {41, "ROOMIN_CHAT"},
    {42, "ROOMOUT_CHAT"},
    {43, "ROOMIN_CHAT_R"},
    {44, "ROOMOUT_CHAT_R"},
    {49, "NOUSE_CHAT"},
    {50, "CALL_NIMBOCALL"},
    {51, "RINGING_NIMBOCALL"},
    {52, "CALL_NIMBOCALL_R"},
    {53, "RINGING_NIMBOCALL_R"},
    {60, "SKIN_CHANGE"},
    {61, "SKIN_CHANGE_R"},
    {69, "NOUSE_SKIN"},
    {70, "CD"},
    {71, "CD_R"},
    {79, "NOUSE_CD"},
    {80, "CAST"},
    {81, "CAST_R"},
    {89, "NOUSE_CAST"},
    {90, "WEBMAIL"},
    {91, "WEBMAIL_R"},
    {99, "NOUSE_WEBMAIL"},
    {100, "ADDRESS"},
    {101, "ADDRESS_R"},
    {109, "NOUSE_ADDRESS"},
    {110, "FRIEND_MAIL"},
    {111, "FRIEND_MAIL_R"},
    {119, "NOUSE_FRIEND_MAIL"},
    {120, "MYROOM"},
    {121, "MYROOM_R"},
    {129, "NOUSE_MYROOM"},
    {130, "VYRNTALK_USER_LIST"},
    {131, "VYRNTALK_USER_LIST_R"},
    {139, "NOUSE_VYRNTALK_USER_LIST"},
    {140, "MEMO"},
    {141, "MEMO_R"},
    {149, "NOUSE_MEMO"},
    {160, "START_COUNT"},
    {0, ""},
};

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The two halves of a range key, or false when the key is no range.
bool SplitRange(const std::string& key, std::string& low, std::string& high)
{
    const std::size_t dash = key.find('-');
    if (dash == std::string::npos || dash == 0 || dash + 1 == key.size())
        return false;
    low = key.substr(0, dash);
    high = key.substr(dash + 1);
    return true;
}

} // namespace

bool EventKeyMatches(const CString& recordKey, const CString& key)
{
    std::string low, high;
    if (!SplitRange(recordKey.str(), low, high))
        return recordKey.str() == key.str();
    // Byte order, as the service's data has always been written for ("1-3" also takes "10").
    return low.compare(key.str()) <= 0 && key.str().compare(high) <= 0;
}

CString EventDateKey(const std::tm& local)
{
    CString key;
    key.Format("%d/%d", local.tm_mon + 1, local.tm_mday);
    return key;
}

CString EventTimeKey(const std::tm& local)
{
    CString key;
    key.Format("%d.%d.%d", local.tm_hour, local.tm_min, local.tm_sec);
    return key;
}

bool ParseEventInt(const CString& text, int& value)
{
    const std::string& s = text.str();
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    if (i >= s.size() || s[i] < '0' || s[i] > '9')
        return false;
    long long number = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (number <= INT_MAX)
            number = number * 10 + (s[i] - '0');
    }
    if (negative)
        number = -number;
    value = number > INT_MAX ? INT_MAX : number < INT_MIN ? INT_MIN : static_cast<int>(number);
    return true;
}

bool ParseEventColor(const CString& text, std::uint32_t& color)
{
    CStringArray fields;
    if (SplitFields(text, ',', 3, fields) != 3)
        return false;
    std::uint32_t parts[3];
    for (int i = 0; i < 3; ++i) {
        CString field = fields[i];
        field.Trim();
        const std::string& s = field.str();
        if (s.empty() || s.size() > 3 || s.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const int number = std::stoi(s);
        if (number > 255)
            return false;
        parts[i] = static_cast<std::uint32_t>(number);
    }
    color = parts[0] + 256 * parts[1] + 65536 * parts[2];
    return true;
}

CEventData::CEventData(IEventDataHost* host) : m_host(host) {}

CEventData::~CEventData() = default;

bool CEventData::LoadBuiltIn()
{
    CString text;
    if (!m_host || !m_host->LoadBuiltInText(text))
        return false;
    Parse(text);
    return true;
}

bool CEventData::Download()
{
    if (!m_host)
        return false;
    const CString url = m_host->GetProfileString("Event", "EVENT_URL", kDefaultEventUrl);
    CString text;
    if (url.IsEmpty() || !m_host->HttpGet(url, text) || text.IsEmpty())
        return false;
    if (static_cast<std::size_t>(text.GetLength()) > kMaxDownloadBytes)
        return false;
    Parse(text);
    return true;
}

void CEventData::Parse(const CString& text)
{
    // Records present before this text may be replaced by it; the text's own records never
    // replace each other (the first of two matching lines wins at lookup). The earlier records
    // are indexed by name and exact key, with the range keys of each name kept apart, so a long
    // text over many earlier records stays linear in practice.
    const std::size_t earlier = m_records.size();
    std::vector<bool> removed(earlier, false);
    std::map<std::pair<std::string, std::string>, std::vector<std::size_t>> exact;
    std::unordered_map<std::string, std::vector<std::size_t>> ranges;
    for (std::size_t i = 0; i < earlier; ++i) {
        const EventRecord& r = m_records[i];
        std::string low, high;
        if (SplitRange(r.key.str(), low, high))
            ranges[r.name.str()].push_back(i);
        else
            exact[{r.name.str(), r.key.str()}].push_back(i);
    }
    // Each index list is consumed from its front as its records go.
    std::map<std::pair<std::string, std::string>, std::size_t> exactNext;

    const std::string& s = text.str();
    CStringArray fields;
    // A line ending in CR LF ends before its CR.
    notify::ForEachLine(s, [&](std::size_t pos, std::size_t length) {
        if (length > 0 && IsAsciiLetter(s[pos])) {
            SplitFields(CString(s.substr(pos, length)), ':', 4, fields);
            EventRecord record;
            record.name = fields[0];
            record.key = fields[1];
            record.value = fields[2];
            record.link = fields[3];

            std::size_t victim = earlier;
            auto found = exact.find({record.name.str(), record.key.str()});
            if (found != exact.end()) {
                std::size_t& at = exactNext[found->first];
                while (at < found->second.size() && removed[found->second[at]])
                    ++at;
                if (at < found->second.size())
                    victim = found->second[at];
            }
            auto named = ranges.find(record.name.str());
            if (named != ranges.end()) {
                for (std::size_t index : named->second) {
                    if (index >= victim)
                        break;
                    if (!removed[index] && EventKeyMatches(m_records[index].key, record.key)) {
                        victim = index;
                        break;
                    }
                }
            }
            if (victim < earlier)
                removed[victim] = true;
            m_records.push_back(std::move(record));
        }
    });
    if (earlier == 0)
        return;
    std::size_t out = 0;
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (i < earlier && removed[i])
            continue;
        if (out != i)
            m_records[out] = std::move(m_records[i]);
        ++out;
    }
    m_records.resize(out);
}

void CEventData::Find(int eventId, const CString& key, CString& value, CString& link) const
{
    value.Empty();
    link.Empty();
    const CString name = GetEventName(eventId);
    if (name.IsEmpty())
        return;
    for (const EventRecord& r : m_records) {
        if (r.name.str() == name.str() && EventKeyMatches(r.key, key)) {
            value = r.value;
            link = r.link;
            return;
        }
    }
}

void CEventData::GetText(int eventId, int index, CString& value, CString& link) const
{
    CString key;
    key.Format("%d", index);
    Find(eventId, key, value, link);
}

void CEventData::GetTextForTime(int eventId, std::time_t time, CString& value, CString& link) const
{
    std::tm local{};
    const std::tm* converted = std::localtime(&time);
    if (converted)
        local = *converted;
    Find(eventId, EventTimeKey(local), value, link);
}

void CEventData::GetTextForDate(int eventId, std::time_t time, CString& value, CString& link) const
{
    std::tm local{};
    const std::tm* converted = std::localtime(&time);
    if (converted)
        local = *converted;
    Find(eventId, EventDateKey(local), value, link);
}

bool CEventData::GetInt(int eventId, int index, int& value) const
{
    CString text, link;
    GetText(eventId, index, text, link);
    if (text.IsEmpty())
        return false;
    return ParseEventInt(text, value);
}

bool CEventData::GetColor(int eventId, int index, std::uint32_t& color) const
{
    CString text, link;
    GetText(eventId, index, text, link);
    return ParseEventColor(text, color);
}

bool CEventData::GetColorOr(int eventId, int index, std::uint32_t& color, std::uint32_t defaultColor) const
{
    if (GetColor(eventId, index, color))
        return true;
    color = defaultColor;
    return false;
}

CString CEventData::GetEventName(int eventId)
{
    for (const EventNameRow* row = EventNameTable; row->id != 0; ++row) {
        if (row->id == eventId)
            return row->name;
    }
    return CString();
}

int CEventData::GetCounter(int eventId) const
{
    if (!m_host)
        return -1;
    const CString name = GetEventName(eventId);
    if (name.IsEmpty())
        return 0;
    return m_host->GetProfileInt("Event", name, 0);
}

void CEventData::SetCounter(int eventId, int value)
{
    const CString name = GetEventName(eventId);
    if (m_host && !name.IsEmpty())
        m_host->WriteProfileInt("Event", name, value);
}
