#include "shell/common/settings/ProgramSettings.h"

#include <cstring>

namespace {

const char kApp[] = "";
const char kServers[] = "Servers";
const char kFonts[] = "Fonts";
// "ＭＳ ゴシック" in code page 932.
#define NV_MS_GOTHIC "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e"

uint16_t Limited(unsigned value, unsigned low, unsigned high, uint16_t fallback)
{
    return (value >= low && value <= high) ? static_cast<uint16_t>(value) : fallback;
}

void CopyFace(char (&face)[36], const CString& text)
{
    // Whole characters only: a cut must not leave half a double-byte character.
    CString fitted = text.SafeLeft(35);
    std::memset(face, 0, sizeof face);
    std::memcpy(face, fitted.GetString(), static_cast<std::size_t>(fitted.GetLength()));
}

} // namespace

const FontSlot CProgramSettings::kDefaultFonts[4] = {
    {"Frm", 10, 0x00FF0000, NV_MS_GOTHIC},
    {"Msg", 10, 0x00000000, NV_MS_GOTHIC},
    {"Sys", 10, 0x000000FF, NV_MS_GOTHIC},
    {"Are", 10, 0x00000000, NV_MS_GOTHIC},
};

CProgramSettings::CProgramSettings() { ResetFonts(); }

void CProgramSettings::ResetFonts() { std::memcpy(m_fonts, kDefaultFonts, sizeof m_fonts); }

void CProgramSettings::LoadUserName(IProfileStore& profile, const SettingsDefaults& defaults)
{
    m_userName = profile.GetString(kApp, "UserName", "");
    if (m_userName.IsEmpty())
        m_userName = defaults.logonName.IsEmpty() ? CString("Unknown") : defaults.logonName;
}

CString CProgramSettings::DeriveAreaCode(const CString& stored, const CString& phoneNumber,
                                         const AccessPointAreaCode& areaCodeOf)
{
    CString area = stored;
    if (area.IsEmpty() || area.Left(4).Compare("0990") == 0) {
        if (phoneNumber.Left(4).Compare("0990") != 0) {
            int dash = phoneNumber.Find('-');
            if (dash >= 0)
                area = phoneNumber.Left(dash).SafeLeft(6);
        } else if (areaCodeOf) {
            CString found = areaCodeOf(phoneNumber);
            if (!found.IsEmpty())
                area = found;
        }
    }
    if (area.IsEmpty())
        area = "03";
    return area;
}

void CProgramSettings::LoadPreferences(IProfileStore& p, const CNetInfo& netInfo, const SettingsDefaults& d,
                                       const AccessPointAreaCode& areaCodeOf)
{
    m_ircNick = p.GetString(kApp, "IRCNick", "");
    m_urlChatLogin = p.GetString(kServers, "URLChatLogin", d.urlChatLogin);
    m_replyMessage = p.GetString(kApp, "ReplyMessage", d.replyMessage);
    if (m_replyMessage.IsEmpty() || m_replyMessage.GetLength() > 96)
        m_replyMessage = d.replyMessage;
    m_waveCertify = p.GetString(kApp, "WaveCertify", "TRUE").Compare("TRUE") == 0;
    m_waveFile = p.GetString(kApp, "WaveFile", d.defaultWave);
    m_serverHomePage = p.GetString(kServers, "HomePage", d.homePage);
    m_topPage = p.GetString(kServers, "TopPage", d.topPage);
    m_homePage = p.GetString(kApp, "HomePage", m_topPage);
    if (m_homePage.IsEmpty())
        m_homePage = m_topPage;
    m_loginPage = p.GetString(kServers, "LoginPage", d.loginPage);
    m_searchPage = p.GetString(kServers, "SearchPage", d.searchPage);
    m_profilePage = p.GetString(kServers, "ProfilePage", d.profilePage);
    m_chargePage = p.GetString(kServers, "ChargePage", d.chargePage);
    m_mailPage = p.GetString(kServers, "MailPage", d.mailPage);
    m_flags = p.GetInt(kApp, "Flags", 0x21);
    m_myStatus = p.GetInt(kApp, "MyStatus", 0) & 0xF0;
    m_queryInterval = Limited(p.GetInt(kApp, "QueryInterval", 5), 1, 59, 5);
    m_errorLogDate = Limited(p.GetInt(kApp, "ErrorLogDate", 30), 1, 99, 30);
    m_saveLogDate = Limited(p.GetInt(kApp, "SaveLogDate", 30), 1, 99, 30);
    m_country = p.GetString(kApp, "Country", "81");
    CString stored = p.GetString(kApp, "AreaCode", netInfo.m_signupTel);
    m_areaCode = DeriveAreaCode(stored, netInfo.m_PhoneNumber, areaCodeOf);
}

void CProgramSettings::LoadFonts(IProfileStore& p)
{
    for (FontSlot& slot : m_fonts) {
        CString prefix(slot.prefix);
        CString face = p.GetString(kFonts, prefix + "FontFace", slot.face);
        CopyFace(slot.face, face);
        slot.color = p.GetInt(kFonts, prefix + "FontColor", static_cast<int>(slot.color));
        slot.size = static_cast<int32_t>(p.GetInt(kFonts, prefix + "FontSize", slot.size));
    }
}

void CProgramSettings::SavePreferences(IProfileStore& p) const
{
    p.WriteString(kApp, "ReplyMessage", m_replyMessage);
    p.WriteString(kApp, "WaveCertify", m_waveCertify ? "TRUE" : "FALSE");
    p.WriteString(kApp, "WaveFile", m_waveFile);
    p.WriteString(kApp, "UserName", m_userName);
    p.WriteString(kApp, "HomePage", m_homePage);
    p.WriteInt(kApp, "QueryInterval", m_queryInterval);
    p.WriteInt(kApp, "Flags", static_cast<int>(m_flags));
    p.WriteInt(kApp, "MyStatus", static_cast<int>(m_myStatus));
    p.WriteInt(kApp, "SaveLogDate", m_saveLogDate);
    p.WriteInt(kApp, "ErrorLogDate", m_errorLogDate);
    p.WriteString(kApp, "Country", m_country);
    p.WriteString(kApp, "AreaCode", m_areaCode);
    p.WriteString(kApp, "IRCNick", m_ircNick);
    p.WriteString(kApp, "ChatRoomID", m_chatRoomId);
}

void CProgramSettings::SaveFonts(IProfileStore& p) const
{
    for (const FontSlot& slot : m_fonts) {
        CString prefix(slot.prefix);
        p.WriteString(kFonts, prefix + "FontFace", slot.face);
        p.WriteInt(kFonts, prefix + "FontColor", static_cast<int>(slot.color));
        p.WriteInt(kFonts, prefix + "FontSize", slot.size);
    }
}

unsigned CProgramSettings::GreetingStringId(int month, int day, int hour)
{
    if (month == 1 && day >= 1 && day <= 3)
        return 14200;
    if (month == 12 && (day == 24 || day == 25))
        return 14201;
    if (hour >= 5 && hour <= 11)
        return 14202;
    if (hour >= 12 && hour <= 16)
        return 14203;
    if (hour >= 17 && hour <= 22)
        return 14204;
    return 14205;
}
