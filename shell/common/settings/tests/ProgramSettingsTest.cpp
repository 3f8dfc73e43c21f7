#include "shell/common/settings/ProgramSettings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

SettingsDefaults Defaults()
{
    SettingsDefaults d;
    d.replyMessage = "reply-default";
    d.defaultWave = "wave-default";
    d.logonName = "taro";
    d.topPage = "http://top.invalid/";
    d.loginPage = "https://login.invalid/";
    return d;
}

struct Loaded {
    CMemoryProfile profile;
    CNetInfo net;
    CProgramSettings settings;
    void Load(const CProgramSettings::AccessPointAreaCode& areaCodeOf = nullptr)
    {
        net.SetProfileStore(&profile);
        net.Load("Signup", "NetInfo");
        settings.LoadUserName(profile, Defaults());
        settings.LoadPreferences(profile, net, Defaults(), areaCodeOf);
        settings.LoadFonts(profile);
    }
};

} // namespace

TEST(ProgramSettings, NumbersOutsideTheirLimitsFallBackToTheDefaults)
{
    const struct {
        const char* key;
        int stored;
        int expected;
    } rows[] = {
        {"QueryInterval", 0, 5},  {"QueryInterval", 60, 5},  {"QueryInterval", 59, 59}, {"QueryInterval", 1, 1},
        {"ErrorLogDate", 0, 30},  {"ErrorLogDate", 100, 30}, {"ErrorLogDate", 1, 1},    {"ErrorLogDate", 99, 99},
        {"SaveLogDate", 0, 30},   {"SaveLogDate", 100, 30},  {"SaveLogDate", 99, 99},   {"QueryInterval", -1, 5},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.key) + "=" + std::to_string(row.stored));
        Loaded l;
        l.profile.WriteInt("", row.key, row.stored);
        l.Load();
        int got = std::string(row.key) == "QueryInterval"  ? l.settings.m_queryInterval
                  : std::string(row.key) == "ErrorLogDate" ? l.settings.m_errorLogDate
                                                           : l.settings.m_saveLogDate;
        EXPECT_EQ(row.expected, got);
    }
}

TEST(ProgramSettings, DefaultsOfAFreshProfile)
{
    Loaded l;
    l.Load();
    EXPECT_STREQ("taro", l.settings.m_userName.GetString());
    EXPECT_STREQ("reply-default", l.settings.m_replyMessage.GetString());
    EXPECT_TRUE(l.settings.m_waveCertify);
    EXPECT_STREQ("wave-default", l.settings.m_waveFile.GetString());
    EXPECT_STREQ("http://top.invalid/", l.settings.m_homePage.GetString()) << "home page defaults to the top page";
    EXPECT_EQ(0x21u, l.settings.m_flags);
    EXPECT_STREQ("81", l.settings.m_country.GetString());
    EXPECT_STREQ("03", l.settings.m_areaCode.GetString());
    EXPECT_STREQ("Frm", l.settings.m_fonts[0].prefix);
    EXPECT_EQ(0x00FF0000u, l.settings.m_fonts[0].color);
    EXPECT_EQ(0x000000FFu, l.settings.m_fonts[2].color);
}

TEST(ProgramSettings, TextRulesOfTheApplicationKeys)
{
    const struct {
        const char* name;
        const char* key;
        std::string stored;
        bool waveOn;
        const char* reply;
    } rows[] = {
        {"reply of 96 bytes stays", "ReplyMessage", std::string(96, 'r'), true, nullptr},
        {"reply of 97 bytes is reset", "ReplyMessage", std::string(97, 'r'), true, "reply-default"},
        {"empty reply is reset", "ReplyMessage", "", true, "reply-default"},
        {"lower-case true switches the sound off", "WaveCertify", "true", false, "reply-default"},
        {"FALSE", "WaveCertify", "FALSE", false, "reply-default"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Loaded l;
        l.profile.WriteString("", row.key, row.stored.c_str());
        l.Load();
        EXPECT_EQ(row.waveOn, l.settings.m_waveCertify);
        EXPECT_EQ(row.reply ? std::string(row.reply) : row.stored, l.settings.m_replyMessage.str());
    }
    Loaded status;
    status.profile.WriteInt("", "MyStatus", 0x1FF);
    status.profile.WriteString("", "UserName", "hanako");
    status.Load();
    EXPECT_EQ(0xF0u, status.settings.m_myStatus);
    EXPECT_STREQ("hanako", status.settings.m_userName.GetString());
}

TEST(ProgramSettings, AreaCodeRules)
{
    auto apList = [](const CString& number) { return number.Compare("0990-12-3456") == 0 ? CString("06") : CString(); };
    const struct {
        const char* name;
        const char* stored;
        const char* phone;
        const char* expected;
    } rows[] = {
        {"stored code stands", "045", "03-1111-2222", "045"},
        {"empty: before the first dash", "", "052-111-2222", "052"},
        {"0990 recomputed from the number", "0990", "011-111-2222", "011"},
        {"at most six characters", "", "1234567-8", "123456"},
        {"0990 access point looked up in the list", "", "0990-12-3456", "06"},
        {"0990 access point not listed", "", "0990-99-9999", "03"},
        {"no dash and nothing stored", "", "0312345678", "03"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_STREQ(row.expected, CProgramSettings::DeriveAreaCode(row.stored, row.phone, apList).GetString());
    }
    // The sign-up program's Tel is the default of a missing AreaCode.
    Loaded l;
    l.profile.WriteString("Signup", "Tel", "078");
    l.Load();
    EXPECT_STREQ("078", l.settings.m_areaCode.GetString());
}

TEST(ProgramSettings, GreetingByDateAndHour)
{
    const struct {
        int month, day, hour;
        unsigned id;
    } rows[] = {
        {1, 2, 10, 14200},  {1, 3, 23, 14200}, {12, 24, 8, 14201}, {12, 25, 20, 14201}, {6, 1, 5, 14202},
        {6, 1, 11, 14202}, {6, 1, 12, 14203}, {6, 1, 16, 14203},  {6, 1, 17, 14204},   {6, 1, 22, 14204},
        {6, 1, 23, 14205}, {6, 1, 0, 14205},  {6, 1, 4, 14205},   {1, 4, 9, 14202},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.month) + "/" + std::to_string(row.day) + " " + std::to_string(row.hour));
        EXPECT_EQ(row.id, CProgramSettings::GreetingStringId(row.month, row.day, row.hour));
    }
}

TEST(ProgramSettings, FontsRoundTripAndALongFaceIsCutAtACharacter)
{
    Loaded l;
    // 17 double-byte characters and one more byte: 35 bytes would split the 18th character.
    std::string face;
    for (int i = 0; i < 18; ++i)
        face += "\x83\x53";
    l.profile.WriteString("Fonts", "MsgFontFace", face.c_str());
    l.profile.WriteInt("Fonts", "MsgFontSize", 12);
    l.Load();
    EXPECT_EQ(34u, std::string(l.settings.m_fonts[1].face).size());
    EXPECT_EQ(12, l.settings.m_fonts[1].size);
    CMemoryProfile out;
    l.settings.SaveFonts(out);
    EXPECT_EQ(std::string(l.settings.m_fonts[1].face), out.GetString("Fonts", "MsgFontFace", "").str());
    EXPECT_EQ(0x000000FFu, out.GetInt("Fonts", "SysFontColor", 0));
    l.settings.ResetFonts();
    EXPECT_EQ(10, l.settings.m_fonts[1].size);
}

TEST(ProgramSettings, PreferencesAreWrittenInTheirOrder)
{
    Loaded l;
    l.Load();
    CMemoryProfile out;
    l.settings.SavePreferences(out);
    EXPECT_EQ("\\ReplyMessage;\\WaveCertify;\\WaveFile;\\UserName;\\HomePage;\\QueryInterval;\\Flags;\\MyStatus;"
              "\\SaveLogDate;\\ErrorLogDate;\\Country;\\AreaCode;\\IRCNick;\\ChatRoomID;",
              out.WriteLog());
    EXPECT_STREQ("TRUE", out.GetString("", "WaveCertify", "").GetString());
}
