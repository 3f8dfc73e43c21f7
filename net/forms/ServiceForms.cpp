#include "net/forms/ServiceForms.h"

#include "framework/core/Cp932.h"
#include "shell/common/utilities/TextUtil.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool IsAlnum(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

void AppendEscaped(std::string& out, unsigned char c)
{
    static const char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 15];
}

CString Encode(const char* text, const char* keep)
{
    std::string out;
    for (const char* p = text ? text : ""; *p; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (IsAlnum(c) || (keep && std::strchr(keep, c)))
            out += static_cast<char>(c);
        else
            AppendEscaped(out, c); // each byte of a double-byte character on its own
    }
    return CString(out);
}

bool StartsWithNoCase(const char* text, const char* prefix)
{
    for (; *prefix; ++text, ++prefix) {
        char a = *text, b = *prefix;
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A field begins a line: at the text's start, after a line break or after a "<br>" tag.
bool AtLineStart(const char* text, std::size_t pos)
{
    if (pos == 0)
        return true;
    char before = text[pos - 1];
    return before == '\n' || before == '\r' || before == '>';
}

// Position of key at the start of a line, searching from `from`; npos when there is none.
std::size_t FindField(const char* text, const char* key, std::size_t from = 0)
{
    const std::size_t keyLength = std::strlen(key);
    const std::size_t length = std::strlen(text);
    if (keyLength == 0 || length < keyLength)
        return std::string::npos;
    for (std::size_t pos = from; pos + keyLength <= length; ++pos) {
        if (AtLineStart(text, pos) && std::memcmp(text + pos, key, keyLength) == 0)
            return pos;
    }
    return std::string::npos;
}

// The rest of a field's line: up to CR, LF, a "<br>" tag or the end.
std::string RestOfLine(const char* start)
{
    const char* end = start;
    while (*end && *end != '\r' && *end != '\n' && !StartsWithNoCase(end, "<br>"))
        ++end;
    return std::string(start, static_cast<std::size_t>(end - start));
}

CString CutAt(const std::string& value, std::size_t limit)
{
    if (value.size() <= limit)
        return CString(value);
    return CString(value).SafeLeft(static_cast<int>(limit));
}

bool FieldValue(const char* text, const char* key, CString* value)
{
    std::size_t pos = FindField(text ? text : "", key);
    if (pos == std::string::npos) {
        value->Empty();
        return false;
    }
    std::string rest = RestOfLine(text + pos + std::strlen(key));
    std::size_t first = 0, last = rest.size();
    while (first < last && IsBlank(rest[first]))
        ++first;
    while (last > first && IsBlank(rest[last - 1]))
        --last;
    *value = CutAt(rest.substr(first, last - first), 256);
    return true;
}

const char* const kFieldKeys[kServiceFieldCount] = {
    "00:", "01:", "02:", "03:", "04:", "05:", "06:", "07:", "08:", "09:", "10:",
    "11:", "12:", "13:", "14:", "15:", "16:", "17:", "18:", "19:", "32:",
};

// Pending slot -> account member ("15:" and "16:" go nowhere).
struct SlotTarget {
    int slot;
    AccountField field;
};
const SlotTarget kApplied[] = {
    {3, ACCOUNT_LoginID},     {4, ACCOUNT_LoginPasswd},  {5, ACCOUNT_PrimaryDNS},  {6, ACCOUNT_SecondaryDNS},
    {7, ACCOUNT_PhoneNumber}, {8, ACCOUNT_PhoneNumber2}, {9, ACCOUNT_PhoneNumber3}, {10, ACCOUNT_E_mail},
    {11, ACCOUNT_Pop_id},     {12, ACCOUNT_Pop_host},    {13, ACCOUNT_Pop_password}, {14, ACCOUNT_Smtp_host},
    {17, ACCOUNT_Comm_id},    {18, ACCOUNT_Comm_data},   {19, ACCOUNT_Comm_name},  {20, ACCOUNT_Comm_data2},
};

bool IsFormatVersionOk(const char* text)
{
    CString version;
    return FieldValue(text, "00:", &version) && version.CompareNoCase("1.0") == 0;
}

const unsigned kCallIdVersion = 0x220;

} // namespace

CString UrlEncode(const char* text, int mode)
{
    if (mode == 2)
        return Encode(text, nullptr);
    CString encoded = Encode(text, ";/?:@&=+$,*-_=.");
    if (mode == 1) {
        encoded.Replace(":", "%3A");
        encoded.Replace("/", "%2F");
    }
    return encoded;
}

CString UrlEncodeFormValue(const char* text)
{
    return Encode(text, ";/?:@$,*-_.");
}

bool SplitUrl(const char* url, CString* host, std::uint16_t* port)
{
    std::string text = url ? url : "";
    if (!text.empty() && text.back() == '/')
        text.pop_back();
    unsigned defaultPort;
    if (StartsWithNoCase(text.c_str(), "http:")) {
        text.erase(0, text.size() < 7 ? text.size() : 7);
        defaultPort = 80;
    } else if (StartsWithNoCase(text.c_str(), "https")) {
        text.erase(0, text.size() < 8 ? text.size() : 8);
        defaultPort = 443;
    } else {
        host->Empty();
        return false;
    }
    std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        *host = CString(text);
        if (host->IsEmpty())
            return false;
        *port = static_cast<std::uint16_t>(defaultPort);
        return true;
    }
    // The port is the decimal number after the colon; a wrapped or missing port is no server.
    unsigned long value = 0;
    std::size_t digits = 0;
    for (std::size_t i = colon + 1; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 6; ++i, ++digits)
        value = value * 10 + static_cast<unsigned long>(text[i] - '0');
    if (digits == 0 || value == 0 || value > 65535 || colon == 0) {
        host->Empty();
        return false;
    }
    *host = CString(text.substr(0, colon));
    *port = static_cast<std::uint16_t>(value);
    return true;
}

bool GetTaggedValue(const char* text, const char* key, CString* value)
{
    return FieldValue(text, key, value);
}

CString GetTaggedLine(const char* text, const char* key)
{
    std::size_t pos = FindField(text ? text : "", key);
    if (pos == std::string::npos)
        return CString();
    const char* start = text + pos + std::strlen(key);
    while (IsBlank(*start))
        ++start;
    return CutAt(RestOfLine(start), 2048);
}

bool IsOkStatus(const char* value)
{
    return CString(value).CompareNoCase("OK") == 0;
}

const char* CServiceForms::FieldKey(int slot)
{
    return slot >= 0 && slot < kServiceFieldCount ? kFieldKeys[slot] : "";
}

void CServiceForms::ClearPending()
{
    for (int i = 0; i < kPendingSlotCount; ++i) {
        m_pending[i].Empty();
        m_supplied[i] = false;
    }
}

int CServiceForms::ParseServiceReply(const char* text)
{
    for (int slot = 0; slot < kServiceFieldCount; ++slot)
        m_supplied[slot] = FieldValue(text, kFieldKeys[slot], &m_pending[slot]);
    return MapServiceFields(IsOkStatus(m_pending[1]), text);
}

int CServiceForms::MapServiceFields(bool statusOk, const char* text)
{
    text = text ? text : "";
    if (!IsFormatVersionOk(text))
        return -2;
    if (statusOk)
        return 0;
    std::size_t open = FindField(text, "98:");
    if (open == std::string::npos)
        return -2;
    // The message starts on the line after "98:"; lines end with LF or a "<br>" tag (a reply may
    // use either alone).
    std::size_t start = std::string::npos;
    for (const char* p = text + open + 3; *p; ++p) {
        if (*p == '\n') {
            start = static_cast<std::size_t>(p + 1 - text);
            break;
        }
        if (StartsWithNoCase(p, "<br>")) {
            p += 4;
            if (*p == '\r')
                ++p;
            if (*p == '\n')
                ++p;
            start = static_cast<std::size_t>(p - text);
            break;
        }
    }
    if (start == std::string::npos)
        return -2;
    std::size_t close = FindField(text, "99:", start);
    if (close == std::string::npos)
        return -2;
    std::size_t end = close;
    if (end >= start + 4 && StartsWithNoCase(text + end - 4, "<br>"))
        end -= 4;
    if (end > start && text[end - 1] == '\n')
        --end;
    if (end > start && text[end - 1] == '\r')
        --end;
    std::size_t length = end > start ? end - start : 0;
    if (length == 0 || length > 512)
        return -2;
    m_serviceMessage = textutil::StripHtmlTags(std::string(text + start, length).c_str());

    const char* paren = std::strchr(m_serviceMessage.GetString(), '(');
    long number = 0;
    if (paren) {
        for (const char* p = paren + 1; *p >= '0' && *p <= '9'; ++p) {
            number = number * 10 + (*p - '0');
            if (number > 999999999)
                return 9999; // no server number is that long
        }
    }
    return number == 0 ? 9999 : static_cast<int>(number);
}

int CServiceForms::ParseServiceFile(const char* text, CString* value30, CString* value31)
{
    CString status, kind, v30, v31;
    FieldValue(text, "01:", &status);
    FieldValue(text, "02:", &kind);
    FieldValue(text, "30:", &v30);
    FieldValue(text, "31:", &v31);
    int result = MapServiceFields(IsOkStatus(status), text);
    if (result == 0) {
        *value30 = v30;
        *value31 = v31;
    }
    return result;
}

int CServiceForms::CheckServiceFile(const char* text)
{
    if (!IsFormatVersionOk(text ? text : ""))
        return -2;
    CString kind;
    FieldValue(text, "02:", &kind);
    if (kind == "Nimbocall-Client")
        return 1;
    if (kind == "PC_Client" || kind == "PC-Client")
        return 0;
    return -1;
}

void CServiceForms::ApplyServiceFields()
{
    for (const SlotTarget& target : kApplied)
        if (m_supplied[target.slot])
            m_account.SetAccountField(target.field, m_pending[target.slot]);
}

int CServiceForms::ParseCallReply(const char* text, bool deregistration, CString* callId)
{
    static const char* const kRequired[] = {"version:", "type:", "seq:", "id:", "session:", "errno:"};
    CString values[6];
    for (int i = 0; i < 6; ++i)
        if (!FieldValue(text, kRequired[i], &values[i]))
            return -2;
    const char* errnoText = values[5].GetString();
    char* end = nullptr;
    unsigned long code = std::strtoul(errnoText, &end, 16);
    if (end == errnoText || *end != '\0' || code > 0x7FFFFFFF)
        return -2;
    if (code == 0)
        FieldValue(text, deregistration ? "oth_id:" : "nc_id:", callId);
    return static_cast<int>(code);
}

bool CServiceForms::Post(const char* server, const char* path, const CString& body, CString* reply)
{
    m_lastFormError = 0;
    return m_poster.PostForm(m_account.GetServerUrl(server), path, body, reply, &m_lastFormError);
}

int CServiceForms::PostRecovery(const char* loginId, const char* loginPassword)
{
    CString body;
    body.Format("user_id=%s&login_password=%s", UrlEncodeFormValue(loginId).GetString(),
                UrlEncodeFormValue(loginPassword).GetString());
    CString reply;
    ClearPending();
    if (!Post("ProfilePage", "/profile_pc/rst/NCSRst_PCEIA.cgi", body, &reply)) {
        m_lastServiceResult = -1;
        return m_lastServiceResult;
    }
    m_lastServiceResult = ParseServiceReply(reply);
    return m_lastServiceResult;
}

int CServiceForms::PostAccountChange(const char* commId, const char* commPassword, const char* loginId,
                                     const char* loginPassword, const char* nickname, bool change)
{
    CString body;
    body.Format("s_id=%s&comm_id=%s&comm_password=%s&login_id=%s&login_password=%s&n_name=%s",
                UrlEncodeFormValue(loginId).GetString(), UrlEncodeFormValue(commId).GetString(),
                UrlEncodeFormValue(commPassword).GetString(), UrlEncodeFormValue(loginId).GetString(),
                UrlEncodeFormValue(loginPassword).GetString(), UrlEncodeFormValue(nickname).GetString());
    CString reply;
    if (!Post("ProfilePage", change ? "/cmtool/menu/PC_IDChgEIA.cgi" : "/cmtool/menu/PC_IDGetEIA.cgi", body, &reply)) {
        m_lastServiceResult = -1;
        return m_lastServiceResult;
    }
    ClearPending();
    m_lastServiceResult = ParseServiceReply(reply);
    if (m_lastServiceResult == 0) {
        const struct {
            int slot;
            AccountField field;
        } replaced[] = {{17, ACCOUNT_Comm_id}, {18, ACCOUNT_Comm_data}, {19, ACCOUNT_Comm_name}};
        for (const auto& r : replaced)
            if (!m_pending[r.slot].IsEmpty())
                m_account.SetAccountField(r.field, m_pending[r.slot]);
    }
    return m_lastServiceResult;
}

int CServiceForms::PostCallRegistration(int mode, const char* areaCode, CString* callId)
{
    m_lastServiceResult = 0;
    const CString commId = UrlEncodeFormValue(m_account.GetAccountField(ACCOUNT_Comm_id));
    const CString commData = UrlEncodeFormValue(m_account.GetAccountField(ACCOUNT_Comm_data));
    if (mode == 1 || mode == 2) {
        CString body, reply, ignored;
        body.Format("version=%#.4x&type=0x0203&seq=0x00000001&id=%s&session=0x00000001&password=%s&nc_id=%s",
                    kCallIdVersion, commId.GetString(), commData.GetString(),
                    UrlEncodeFormValue(m_account.GetAccountField(ACCOUNT_Comm_data2)).GetString());
        if (!Post("SearchPage", "/menu/NCunsignup.cgi", body, &reply))
            m_lastServiceResult = -1;
        else
            m_lastServiceResult = ParseCallReply(reply, true, &ignored);
        // The registered ID is gone on the server only once the server says so.
        if (m_lastServiceResult == 0)
            m_account.SetAccountField(ACCOUNT_Comm_data2, CString());
        if (mode == 2)
            return m_lastServiceResult;
    }
    CString body, reply, registered;
    body.Format("version=%#.4x&type=0x0201&seq=0x00000001&id=%s&session=0x00000001&password=%s&c_code=%s&a_code=%s",
                kCallIdVersion, commId.GetString(), commData.GetString(), "81",
                UrlEncodeFormValue(areaCode).GetString());
    if (!Post("SearchPage", "/menu/NCsignup.cgi", body, &reply)) {
        // No answer: the stored call ID is kept rather than lost.
        m_lastServiceResult = -1;
        return m_lastServiceResult;
    }
    m_account.SetAccountField(ACCOUNT_Comm_data2, CString());
    m_lastServiceResult = ParseCallReply(reply, false, &registered);
    if (m_lastServiceResult == 0) {
        m_account.SetAccountField(ACCOUNT_Comm_data2, registered);
        if (callId)
            *callId = registered;
    }
    return m_lastServiceResult;
}
