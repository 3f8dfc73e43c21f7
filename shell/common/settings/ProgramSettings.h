// The application keys of the profile, the read-only Servers section and the four font slots,
// with their defaults, limits and the order they are read and written in.
#pragma once

#include "shell/common/settings/NetInfo.h"

#include <cstdint>
#include <functional>

// One font slot, laid out as the built-in table row: prefix, size, colour, face (35 bytes + 0).
struct FontSlot {
    char prefix[4];
    int32_t size;
    uint32_t color; // COLORREF
    char face[36];
};

// Flags bits.
enum SettingsFlag : uint32_t {
    kFlagSendVisitedUrls = 0x0001,
    kFlagLoginAtStart = 0x0002,
    kFlagChatTimeStamps = 0x0004,
    kFlagKeepHistory = 0x0010,
    kFlagPlayVoiceOnArrival = 0x0020,
    kFlagNoGreetingSound = 0x0040,
    kFlagNoTelephone = 0x0080,
    kFlagShowArrivalsAtOnce = 0x0100,
    kFlagNoReadReceipts = 0x0200,
    kFlagNoBalloons = 0x0400,
};

// Texts the Windows side supplies: string-table defaults and the system's log-on name.
struct SettingsDefaults {
    CString replyMessage;   // 102
    CString defaultWave;    // 179
    CString logonName;      // empty when the system has none
    CString urlChatLogin;   // 162
    CString homePage;       // 134
    CString topPage;        // 585
    CString loginPage;      // 128
    CString searchPage;     // 14030
    CString profilePage;    // 14018
    CString chargePage;     // 260
    CString mailPage;       // 301
};

class CProgramSettings {
public:
    CProgramSettings();

    static const FontSlot kDefaultFonts[4];

    // The access-point area code for a number of q2ap.lst (empty when not listed).
    using AccessPointAreaCode = std::function<CString(const CString& number)>;

    void LoadUserName(IProfileStore& profile, const SettingsDefaults& defaults);
    void LoadPreferences(IProfileStore& profile, const CNetInfo& netInfo, const SettingsDefaults& defaults,
                         const AccessPointAreaCode& areaCodeOf);
    void LoadFonts(IProfileStore& profile);
    // The application keys, in their fixed order (NetInfo is saved by the caller first).
    void SavePreferences(IProfileStore& profile) const;
    void SaveFonts(IProfileStore& profile) const;
    void ResetFonts();

    // The area code rule: stored value, else derived from the access-point number, else "03".
    static CString DeriveAreaCode(const CString& stored, const CString& phoneNumber,
                                  const AccessPointAreaCode& areaCodeOf);
    // The greeting's string id for a local date and hour.
    static unsigned GreetingStringId(int month, int day, int hour);

    CString m_userName, m_ircNick, m_replyMessage, m_waveFile, m_homePage, m_country, m_areaCode, m_chatRoomId;
    bool m_waveCertify = true;
    uint32_t m_flags = 0x21;
    uint32_t m_myStatus = 0;
    uint16_t m_queryInterval = 5;
    uint16_t m_errorLogDate = 30;
    uint16_t m_saveLogDate = 30;
    // Servers section.
    CString m_urlChatLogin, m_serverHomePage, m_topPage, m_loginPage, m_searchPage, m_profilePage, m_chargePage,
        m_mailPage;
    FontSlot m_fonts[4];
};
