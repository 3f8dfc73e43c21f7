#include "shell/common/settings/NetInfo.h"

#include "shell/common/scrambler/PasswordScrambler.h"
#include "shell/common/utilities/AccessPointList.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

#ifdef _WIN32
const char kSeparator[] = "\\";
#else
const char kSeparator[] = "/";
#endif

// A proxy port is a number from 1 to 65535; anything else (empty, 0, too large, negative, not a
// number) falls back to 80.
bool IsValidPort(const CString& port)
{
    if (port.IsEmpty())
        return false;
    for (char c : port.str()) {
        if (c < '0' || c > '9')
            return false;
    }
    if (port.GetLength() > 5)
        return false;
    long value = std::strtol(port, nullptr, 10);
    return value >= 1 && value <= 65535;
}

} // namespace

CNetInfo::CNetInfo() = default;
CNetInfo::~CNetInfo() = default;

bool& CNetInfo::UnreadableFlag(const char* key)
{
    for (SecretState& secret : m_secrets) {
        if (std::strcmp(secret.key, key) == 0)
            return secret.unreadable;
    }
    return m_spareUnreadable;
}

CString CNetInfo::GetProfileSecret(const char* key, const char* section, bool* unreadable)
{
    if (unreadable)
        *unreadable = false;
    if (!m_profile)
        return CString();
    CString stored = m_profile->GetString(section, key, "");
    std::string plain;
    if (!scrambler::Unscramble(stored.str(), plain)) {
        if (unreadable)
            *unreadable = true;
        return CString();
    }
    return CString(plain);
}

void CNetInfo::WriteProfileSecret(const char* key, const char* value, const char* section)
{
    if (!m_profile)
        return;
    m_profile->WriteString(section, key, scrambler::Scramble(value ? value : "").c_str());
}

void CNetInfo::SaveSecret(const char* key, const CString& value, const char* section)
{
    bool& unreadable = UnreadableFlag(key);
    // The stored text could not be read; unless the user gave a new value, keep it for a
    // program that can.
    if (unreadable && value.IsEmpty())
        return;
    unreadable = false;
    WriteProfileSecret(key, value, section);
}

void CNetInfo::Load(const char* signupSection, const char* settingsSection)
{
    if (!m_profile)
        return;
    IProfileStore& p = *m_profile;
    const char* s = settingsSection;
    m_signupTel = p.GetString(signupSection, "Tel", "");
    m_LoginID = p.GetString(s, "LoginID", "");
    m_LoginPasswd = GetProfileSecret("LoginPasswd", s, &UnreadableFlag("LoginPasswd"));
    m_PrimaryDNS = p.GetString(s, "PrimaryDNS", "");
    m_SecondaryDNS = p.GetString(s, "SecondaryDNS", "");
    m_PhoneNumber = p.GetString(s, "PhoneNumber", "");
    m_PhoneNumber2 = p.GetString(s, "PhoneNumber2", "");
    m_PhoneNumber3 = p.GetString(s, "PhoneNumber3", "");
    m_E_mail = p.GetString(s, "E_mail", "");
    m_Pop_id = p.GetString(s, "Pop_id", "");
    m_Pop_host = p.GetString(s, "Pop_host", "");
    m_Pop_password = GetProfileSecret("Pop_password", s, &UnreadableFlag("Pop_password"));
    m_Smtp_host = p.GetString(s, "Smtp_host", "");
    m_Comm_id = p.GetString(s, "Comm_id", "");
    m_Comm_data = GetProfileSecret("Comm_data", s, &UnreadableFlag("Comm_data"));
    m_Comm_name = p.GetString(s, "Comm_name", "");
    m_Comm_data2 = p.GetString(s, "Comm_data2", "");
    m_RasEntryName = p.GetString(s, "RasEntryName", "");
    NetConnectSettings& live = m_live;
    live.modemName = p.GetString(s, "ModemName", "");
    live.dialMode = p.GetString(s, "DialMode", "T");
    live.deviceMode = p.GetString(s, "DeviceMode", "");
    live.outsideLine = p.GetString(s, "OutsideLine", "");
    live.prefixNumber = p.GetString(s, "PreFixNumber", m_defaults.prefixNumber);
    CString connectType = p.GetString(s, "ConnectType", "Dialup");
    bool proxyEnabled = p.GetInt(s, "Proxy_enable", 0) != 0;
    CString proxyHost = p.GetString(s, "Proxy_host", "");
    CString proxyPort = p.GetString(s, "Proxy_port", "80");
    CString protocol = p.GetString(s, "Protocol", "udp");
    CString proxyData1 = p.GetString(s, "Proxy_Data1", "");
    CString proxyData2 = GetProfileSecret("Proxy_Data2", s, &UnreadableFlag("Proxy_Data2"));
    live.protocolVersion = static_cast<uint16_t>(p.GetInt(s, "ProtocolVer", 0));
    m_messageTextLimit = (live.protocolVersion & 0xFF) == 47 ? 128 : 900;
    // Loading happens before any log-in: straight into the live record.
    live.connectType = connectType;
    live.protocol = protocol;
    live.proxyHost = proxyHost;
    live.proxyPort = proxyPort;
    live.proxyData1 = proxyData1;
    live.proxyData2 = proxyData2;
    DeriveConnectFlags(live, proxyEnabled);
    m_FreeAP = p.GetString(s, "FreeAP", m_defaults.freeAccessPoint);
    m_PhsFreeAP = p.GetString(s, "PhsFreeAP", m_defaults.phsFreeAccessPoint);
    LoadCommCache();
}

void CNetInfo::Save(const char* section)
{
    if (!m_profile)
        return;
    IProfileStore& p = *m_profile;
    const char* s = section;
    const NetConnectSettings& live = m_live;
    // The communication ID is written last, and cleared first when the stored account is another
    // one: a save cut short then leaves the old account or one without a communication ID (which
    // counts as incomplete), never the login of one account beside the communication ID of another.
    const CString storedCommId = p.GetString(s, "Comm_id", "");
    if (!storedCommId.IsEmpty() &&
        (storedCommId.Compare(m_Comm_id) != 0 || p.GetString(s, "LoginID", "").Compare(m_LoginID) != 0))
        p.WriteString(s, "Comm_id", "");
    p.WriteString(s, "LoginID", m_LoginID);
    SaveSecret("LoginPasswd", m_LoginPasswd, s);
    p.WriteString(s, "PrimaryDNS", m_PrimaryDNS);
    p.WriteString(s, "SecondaryDNS", m_SecondaryDNS);
    p.WriteString(s, "PhoneNumber", m_PhoneNumber);
    p.WriteString(s, "PhoneNumber2", m_PhoneNumber2);
    p.WriteString(s, "PhoneNumber3", m_PhoneNumber3);
    p.WriteString(s, "E_mail", m_E_mail);
    p.WriteString(s, "Pop_id", m_Pop_id);
    p.WriteString(s, "Pop_host", m_Pop_host);
    SaveSecret("Pop_password", m_Pop_password, s);
    p.WriteString(s, "Smtp_host", m_Smtp_host);
    SaveSecret("Comm_data", m_Comm_data, s);
    p.WriteString(s, "Comm_name", m_Comm_name);
    p.WriteString(s, "Comm_data2", m_Comm_data2);
    p.WriteInt(s, "Proxy_enable", (live.flags & kProxyEnabled) ? 1 : 0);
    p.WriteString(s, "Proxy_host", live.proxyHost);
    p.WriteString(s, "Proxy_port", live.proxyPort);
    p.WriteString(s, "Protocol", live.protocol);
    p.WriteString(s, "RasEntryName", m_RasEntryName);
    p.WriteString(s, "ModemName", live.modemName);
    p.WriteString(s, "DialMode", live.dialMode);
    p.WriteString(s, "DeviceMode", live.deviceMode);
    p.WriteString(s, "OutsideLine", live.outsideLine);
    p.WriteString(s, "ConnectType", live.connectType);
    p.WriteString(s, "PreFixNumber", live.prefixNumber);
    p.WriteString(s, "Proxy_Data1", live.proxyData1);
    SaveSecret("Proxy_Data2", live.proxyData2, s);
    p.WriteString(s, "Comm_id", m_Comm_id);
}

void CNetInfo::DeriveConnectFlags(NetConnectSettings& settings, bool proxyEnabled)
{
    settings.flags = 0;
    if (settings.connectType.Compare("Lan") == 0)
        settings.flags |= kConnectLan;
    if (settings.protocol.Compare("auto") == 0)
        settings.flags |= kProtocolAuto;
    else if (settings.protocol.Compare("tcp") == 0)
        settings.flags |= kProtocolTcpChosen | kProtocolTcp;
    if (!IsValidPort(settings.proxyPort))
        settings.proxyPort = "80";
    settings.proxyHostInUse.Empty();
    settings.proxyPortInUse.Empty();
    // A proxy only takes effect over TCP with a host to go to.
    if (proxyEnabled && (settings.flags & kProtocolTcp) && !settings.proxyHost.IsEmpty()) {
        settings.flags |= kProxyEnabled | kProxyInUse;
        settings.proxyHostInUse = settings.proxyHost;
        settings.proxyPortInUse = settings.proxyPort;
    }
}

void CNetInfo::SetConnectionSettings(bool lan, unsigned protocolCode, bool proxyEnabled, const CString& proxyHost,
                                     const CString& proxyPort, const CString& proxyUser, const CString& proxyPassword)
{
    NetConnectSettings& target = GetActiveSettings(true);
    target.connectType = lan ? "Lan" : "Dialup";
    target.protocol = protocolCode == 0 ? "udp" : protocolCode == 0xFFFF ? "auto" : "tcp";
    target.proxyHost = proxyHost;
    target.proxyPort = proxyPort;
    target.proxyData1 = proxyUser;
    target.proxyData2 = proxyPassword;
    DeriveConnectFlags(target, proxyEnabled);
}

NetConnectSettings& CNetInfo::GetActiveSettings(bool forChange)
{
    if (IsLoggedInForSettings()) {
        if (!m_frozenFlag) {
            m_frozen = m_live;
            if (forChange)
                m_frozenFlag = 1;
        }
        return m_frozen;
    }
    ThawConnectSettings();
    return m_live;
}

void CNetInfo::SetDialupEntry(const CString& modemName, const CString& dialMode)
{
    NetConnectSettings& target = GetActiveSettings(true);
    target.modemName = modemName;
    if (dialMode.IsEmpty() || dialMode.CompareNoCase("T") == 0 || dialMode.CompareNoCase("P") == 0)
        target.dialMode = dialMode;
}

void CNetInfo::SetDialupDetails(const CString& number1, const CString& number2, const CString& number3,
                                const CString& outsideLine, const CString& prefixPattern)
{
    m_PhoneNumber = number1;
    m_PhoneNumber2 = number2;
    m_PhoneNumber3 = number3;
    NetConnectSettings& target = GetActiveSettings(true);
    target.outsideLine = outsideLine;
    target.prefixNumber = prefixPattern;
}

CString CNetInfo::GetPhoneNumberText(const CString& number) const
{
    const CString& pattern = m_live.prefixNumber;
    const CString& placeholder = m_defaults.prefixNumber;
    const int at = placeholder.IsEmpty() ? -1 : pattern.Find(placeholder);
    if (at < 0)
        return number;
    return pattern.Left(at) + number + pattern.Mid(at + placeholder.GetLength());
}

bool CNetInfo::ParseProxyServer(const char* text, const char* prefix, CString* host, CString* port)
{
    CString value(text ? text : "");
    if (value.IsEmpty())
        return false;
    if (prefix && *prefix) {
        const int at = value.Find(prefix);
        if (at < 0)
            return false;
        value = value.Mid(at + static_cast<int>(std::strlen(prefix)));
    }
    // One entry: up to the next ";" or blank. No trail byte of a double-byte character is one of
    // those, so the bytes are searched as they are.
    if (const char* end = std::strpbrk(value.GetString(), "; \t"))
        value = value.Left(static_cast<int>(end - value.GetString()));
    const int colon = value.Find(':');
    if (colon < 0) {
        *host = value;
        *port = "80";
    } else {
        *host = value.Left(colon);
        *port = value.Mid(colon + 1);
    }
    return !host->IsEmpty();
}

std::uint32_t CNetInfo::GetRequestFlags(const char* url)
{
    std::uint32_t flags = kFlagReload;
    if (url && CString(url).Left(5).CompareNoCase("https") == 0) {
        flags |= kFlagSecure;
        const uint16_t version = GetActiveSettings().protocolVersion;
        if (version & 0x1000)
            flags |= kFlagIgnoreCertCnInvalid;
        if (version & 0x2000)
            flags |= kFlagIgnoreCertDateInvalid;
    }
    return flags;
}

void CNetInfo::ThawConnectSettings()
{
    if (m_frozenFlag) {
        m_live = m_frozen;
        m_frozenFlag = 0;
    }
}

void CNetInfo::LoadCommCache()
{
    m_commCache.Clear();
    if (m_dataFolder.IsEmpty())
        return;
    CString path = m_dataFolder + kSeparator + "commcash.dat";
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return;
    // One byte more than the limit tells a cut file from one that fits.
    char buffer[CCommCache::kMaxFileBytes + 1];
    std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    m_commCache.Parse(buffer, got);
}

void CNetInfo::SaveCommCache()
{
    if (!m_dataFolder.IsEmpty()) {
        CString path = m_dataFolder + kSeparator + "commcash.dat";
        if (std::FILE* file = std::fopen(path, "wb")) {
            CString text = m_commCache.Format();
            std::fwrite(text.GetString(), 1, static_cast<std::size_t>(text.GetLength()), file);
            std::fclose(file);
        }
    }
    m_commCache.Clear();
}

bool CNetInfo::LoadAccessPointList(const CString& displayFormat, CString* firstText, CString* firstAreaCode,
                                   CString* secondText, CString* thirdText) const
{
    if (m_dataFolder.IsEmpty())
        return false;
    CString path = m_dataFolder + kSeparator + "q2ap.lst";
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    std::string data;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        data.append(buffer, got);
    std::fclose(file);
    std::vector<AccessPoint> list = ParseAccessPointList(data.data(), data.size());
    auto display = [&](const AccessPoint& entry) {
        // The format is the program's own string with three %s: never a text from the file.
        CString text;
        text.Format(displayFormat, entry.name.GetString(), entry.number.GetString(), entry.areaCode.GetString());
        return text;
    };
    if (const AccessPoint* second = FindAccessPoint(list, m_PhoneNumber2); second && secondText)
        *secondText = display(*second);
    if (const AccessPoint* third = FindAccessPoint(list, m_PhoneNumber3); third && thirdText)
        *thirdText = display(*third);
    const AccessPoint* first = FindAccessPoint(list, m_PhoneNumber);
    if (!first)
        return false;
    if (firstText)
        *firstText = display(*first);
    if (firstAreaCode)
        *firstAreaCode = first->areaCode;
    return true;
}

void CNetInfo::LoadOemLink()
{
    m_hasOemLink = false;
    m_oemUrl.Empty();
    m_oemUrlTitle.Empty();
    if (!m_profile)
        return;
    m_oemName = m_profile->GetString("", "OemName", "");
    if (m_oemName.IsEmpty())
        return;
    m_oemUrl = m_profile->GetString(m_oemName, "Url", "");
    m_oemUrlTitle = m_profile->GetString(m_oemName, "UrlTitle", "");
    m_hasOemLink = !m_oemUrl.IsEmpty() && !m_oemUrlTitle.IsEmpty();
}
