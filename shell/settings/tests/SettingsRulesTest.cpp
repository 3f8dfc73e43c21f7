#include "shell/settings/SettingsRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace settingsrules;

namespace {

// "あ" (2 bytes in code page 932) repeated.
CString Japanese(int count)
{
    CString text;
    for (int i = 0; i < count; ++i)
        text += "\x82\xa0";
    return text;
}

// Settings stored and read back through the profile, as the program does at exit and start.
CProgramSettings RoundTrip(const CProgramSettings& settings)
{
    CMemoryProfile profile;
    settings.SavePreferences(profile);
    settings.SaveFonts(profile);
    CProgramSettings loaded;
    SettingsDefaults defaults;
    defaults.replyMessage = "default reply";
    CNetInfo info;
    loaded.LoadPreferences(profile, info, defaults, nullptr);
    loaded.LoadFonts(profile);
    return loaded;
}

} // namespace

TEST(TypedNumbers, OnlyTheRangeIsTakenElseTheDefault)
{
    const struct {
        const char* text;
        unsigned low, high;
        uint16_t expected;
    } rows[] = {
        {"59", 1, 59, 59}, {"1", 1, 59, 1},   {"0", 1, 59, 5},   {"60", 1, 59, 5},  {"75", 1, 59, 5},
        {"-1", 1, 59, 5},  {"", 1, 59, 5},    {"a", 1, 59, 5},   {"5a", 1, 59, 5},  {" 7 ", 1, 59, 7},
        {"+3", 1, 59, 5},  {"99", 1, 99, 99}, {"-1", 1, 99, 30}, {"0", 1, 99, 30},  {"100", 1, 99, 30},
        {"99999999", 1, 99, 30},
    };
    for (const auto& row : rows) {
        const uint16_t fallback = row.high == 59 ? 5 : 30;
        EXPECT_EQ(row.expected, TypedNumber(row.text, row.low, row.high, fallback)) << "'" << row.text << "'";
    }
}

TEST(FitBytes, KeepsWholeCharactersWithinTheLimit)
{
    EXPECT_EQ(96, FitBytes(Japanese(96), 96).GetLength());
    EXPECT_EQ(Japanese(48), FitBytes(Japanese(96), 96));
    // An odd limit falls before the character that would be split.
    EXPECT_EQ(Japanese(15), FitBytes(Japanese(20), 31));
    EXPECT_EQ(CString("a") + Japanese(15), FitBytes(CString("a") + Japanese(20), 31));
    EXPECT_EQ(CString("short"), FitBytes("short", 31));
}

TEST(GeneralPage, StoreRulesOverTheProfile)
{
    const struct {
        const char* name;
        GeneralValues values;
        uint32_t flagsBefore;
        uint32_t flagsAfter;
        uint16_t interval, days;
        const char* homePage;
        UrlSending sending;
    } rows[] = {
        {"all on", {true, true, true, true, "59", "99", "http://a/"}, 0x0040, 0x0403, 59, 99, "http://a/",
         UrlSending::Started},
        {"all off", {false, false, false, false, "0", "0", ""}, 0x0403, 0x0040, 5, 30, "room",
         UrlSending::Off},
        {"negative typed", {true, false, true, false, "-1", "-1", " "}, 0x0001, 0x0001, 5, 30, "room",
         UrlSending::On},
        {"too large", {false, true, true, false, "75", "100", "x"}, 0x0000, 0x0002, 5, 30, "x", UrlSending::Off},
        {"other bits kept", {false, false, true, false, "10", "7", "x"}, 0x0294, 0x0294, 10, 7, "x",
         UrlSending::Off},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CProgramSettings s;
        s.m_flags = row.flagsBefore;
        EXPECT_EQ(row.sending, StoreGeneral(s, row.values, "room"));
        const CProgramSettings loaded = RoundTrip(s);
        EXPECT_EQ(row.flagsAfter, loaded.m_flags);
        EXPECT_EQ(row.interval, loaded.m_queryInterval);
        EXPECT_EQ(row.days, loaded.m_errorLogDate);
        EXPECT_EQ(CString(row.homePage), loaded.m_homePage);
        // What the page shows again is what was stored.
        const GeneralValues shown = GeneralFromSettings(loaded);
        EXPECT_EQ(row.values.sendUrls, shown.sendUrls);
        EXPECT_EQ(row.values.greeting, shown.greeting);
        EXPECT_EQ(row.values.loginAtStart, shown.loginAtStart);
        EXPECT_EQ(row.values.noBalloons, shown.noBalloons);
    }
}

TEST(MessagingPage, StoreRulesOverTheProfile)
{
    const CString longReply = Japanese(96);
    const struct {
        const char* name;
        MessageValues values;
        uint32_t flagsAfter;
        const char* wave;
        uint16_t days;
        CString reply;
    } rows[] = {
        {"all on", {true, "c:\\a.wav", true, "99", true, true, true, "read"}, 0x0130, "c:\\a.wav", 99, "read"},
        {"all off, defaults", {false, "", false, "0", false, false, false, ""}, 0x0200, "DEF", 30, "default reply"},
        {"negative days", {true, "x.wav", true, "-1", false, false, true, "r"}, 0x0010, "x.wav", 30, "r"},
        {"long Japanese reply survives the next start", {true, "x", false, "5", false, false, true, longReply},
         0x0000, "x", 5, Japanese(48)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CProgramSettings s;
        s.m_flags = 0;
        StoreMessage(s, row.values, "DEF", "default reply");
        const CProgramSettings loaded = RoundTrip(s);
        EXPECT_EQ(row.flagsAfter, loaded.m_flags);
        EXPECT_EQ(CString(row.wave), loaded.m_waveFile);
        EXPECT_EQ(row.values.playSound, loaded.m_waveCertify);
        EXPECT_EQ(row.days, loaded.m_saveLogDate);
        EXPECT_EQ(row.reply, loaded.m_replyMessage);
        EXPECT_EQ(row.values.askReceipts, MessageFromSettings(loaded).askReceipts);
    }
    EXPECT_TRUE(PlaysDefaultSound("", "DEF"));
    EXPECT_TRUE(PlaysDefaultSound("DEF", "DEF"));
    EXPECT_FALSE(PlaysDefaultSound("a.wav", "DEF"));
}

TEST(CallsPage, AreaCodeOnlyDigitsAndTheServiceBit)
{
    const struct {
        CallValues values;
        bool taken;
        const char* stored;
        uint32_t flags;
    } rows[] = {
        {{true, "03"}, true, "03", 0x0000},     {{false, "03-"}, false, "045", 0x0080},
        {{true, ""}, true, "", 0x0000},         {{true, "0312345678"}, false, "045", 0x0000},
        {{true, "\x82\x4f\x82\x52"}, false, "045", 0x0000}, // full-width digits are no digits
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.values.areaCode.GetString());
        CProgramSettings s;
        s.m_flags = row.values.enabled ? 0x0080 : 0;
        s.m_areaCode = "045";
        EXPECT_EQ(row.taken, StoreCall(s, row.values));
        // (An empty area code is derived again at the next start.)
        EXPECT_EQ(CString(row.stored), s.m_areaCode);
        EXPECT_EQ(row.flags, RoundTrip(s).m_flags);
    }
}

TEST(FormatPage, FacesSizesResetAndTheSample)
{
    CProgramSettings s;
    // A face of 32 and more bytes keeps 31 whole bytes; the slot's NUL stays.
    SetSlotFace(s.m_fonts[0], CString("F") + Japanese(20));
    EXPECT_EQ(31u, std::string(s.m_fonts[0].face).size());
    SetSlotFace(s.m_fonts[2], Japanese(20));
    EXPECT_EQ(30u, std::string(s.m_fonts[2].face).size());
    const CProgramSettings loaded = RoundTrip(s);
    EXPECT_STREQ(s.m_fonts[0].face, loaded.m_fonts[0].face);

    const struct {
        const char* text;
        bool taken;
        int32_t size;
    } sizes[] = {{"12", true, 12}, {"0", false, 10}, {"-8", false, 10}, {"x", false, 10}, {"48pt", true, 48}};
    for (const auto& row : sizes) {
        FontSlot slot = CProgramSettings::kDefaultFonts[1];
        EXPECT_EQ(row.taken, SetSlotSize(slot, row.text)) << row.text;
        EXPECT_EQ(row.size, slot.size) << row.text;
        EXPECT_EQ(row.size * 20, SampleHeightTwips(slot));
    }

    for (FontSlot& slot : s.m_fonts) {
        slot.color = 0x123456;
        slot.size = 32;
        SetSlotFace(slot, "Other");
    }
    ResetFontsKeepingMessageColor(s.m_fonts);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(CProgramSettings::kDefaultFonts[i].size, s.m_fonts[i].size);
        EXPECT_STREQ(CProgramSettings::kDefaultFonts[i].face, s.m_fonts[i].face);
        EXPECT_EQ(i == 1 ? 0x123456u : CProgramSettings::kDefaultFonts[i].color, s.m_fonts[i].color);
    }
    EXPECT_FALSE(ColorButtonEnabled(1));
    EXPECT_TRUE(ColorButtonEnabled(0));

    const auto chat = ComposeSample(0, "12:34 ", "<nick>", "msg", "sys");
    ASSERT_EQ(3u, chat.size());
    EXPECT_EQ(CString("12:34 <nick>"), chat[0].text);
    EXPECT_EQ(CString("msg \r\n"), chat[1].text);
    EXPECT_EQ(2, chat[2].slot);
    const auto messaging = ComposeSample(3, "12:34 ", "<nick>", "msg", "sys");
    ASSERT_EQ(1u, messaging.size());
    EXPECT_EQ(CString("msg"), messaging[0].text);
    EXPECT_EQ(3, messaging[0].slot);
}

TEST(ConnectionPage, ProtocolAndProxyControls)
{
    EXPECT_EQ(Protocol::Auto, ProtocolFromFlags(kProtocolAuto | kProtocolTcpChosen));
    EXPECT_EQ(Protocol::Tcp, ProtocolFromFlags(kProtocolTcpChosen));
    EXPECT_EQ(Protocol::Udp, ProtocolFromFlags(kProxyEnabled));
    const struct {
        Protocol protocol;
        bool checked, box, fields;
    } rows[] = {{Protocol::Udp, true, false, false}, {Protocol::Tcp, false, true, false},
                {Protocol::Tcp, true, true, true},   {Protocol::Auto, true, false, false}};
    for (const auto& row : rows) {
        const ProxyControls c = ProxyControlsFor(row.protocol, row.checked);
        EXPECT_EQ(row.box, c.checkBox);
        EXPECT_EQ(row.fields, c.fields);
    }
}

TEST(ConnectionPage, StoreRulesThroughTheSetter)
{
    const struct {
        const char* name;
        ConnectValues values;
        bool modemListed;
        const char* connectType;
        const char* protocol;
        uint16_t flagBits; // of kConnectLan, kProxyEnabled, kProtocolAuto, kProtocolTcpChosen
        const char* modem;
        const char* password;
    } rows[] = {
        {"LAN over TCP with proxy", {true, "M2", Protocol::Tcp, true, " proxy ", "8080", "u", "p"}, true, "Lan",
         "tcp", kConnectLan | kProxyEnabled | kProtocolTcpChosen, "M2", "p"},
        {"proxy with UDP is dropped", {true, "M2", Protocol::Udp, true, "proxy", "8080", "u", "p"}, true, "Lan",
         "udp", kConnectLan, "M2", "p"},
        {"modem placeholder keeps the stored modem", {false, "(none)", Protocol::Auto, false, "", "", "", ""}, false,
         "Dialup", "auto", kProtocolAuto, "Old modem", ""},
        {"long password keeps 31 bytes", {false, "M", Protocol::Tcp, true, "h", "1", "u", Japanese(16)}, true,
         "Dialup", "tcp", kProxyEnabled | kProtocolTcpChosen, "M", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CNetInfo info;
        info.SetDialupEntry("Old modem", "P");
        StoreConnect(info, row.values, row.modemListed);
        const NetConnectSettings& s = info.LiveConnectSettings();
        EXPECT_EQ(CString(row.connectType), s.connectType);
        EXPECT_EQ(CString(row.protocol), s.protocol);
        EXPECT_EQ(row.flagBits, s.flags & (kConnectLan | kProxyEnabled | kProtocolAuto | kProtocolTcpChosen));
        EXPECT_EQ(CString(row.modem), s.modemName);
        EXPECT_EQ(CString("P"), s.dialMode) << "the dial mode is left as it was";
        if (row.password)
            EXPECT_EQ(CString(row.password), s.proxyData2);
        else
            EXPECT_EQ(Japanese(15), s.proxyData2);
        // Read back as the page shows it.
        const ConnectValues shown = ConnectFromSettings(s);
        EXPECT_EQ(row.values.lan, shown.lan);
        EXPECT_EQ(row.values.protocol, shown.protocol);
    }
}

namespace {

// A page that records what it was asked, into one shared log.
class FakePage : public ISettingsPage {
public:
    FakePage(std::string name, std::vector<std::string>& log, bool mayClose = true)
        : m_name(std::move(name)), m_log(log), m_mayClose(mayClose)
    {
    }
    bool MayClose() override
    {
        m_log.push_back(m_name + "?");
        return m_mayClose;
    }
    void Store(bool ok) override { m_log.push_back(m_name + (ok ? " ok" : " cancel")); }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
    bool m_mayClose;
};

} // namespace

TEST(SettingsSequence, QuestionsComeBeforeTheFirstStoreAndARefusalStoresNothing)
{
    const std::vector<std::string> allStores = {"general", "messaging", "format", "user", "calls", "connection"};
    const struct {
        const char* name;
        bool ok, userMay, connectionMay, ends;
        std::vector<std::string> questions;
    } rows[] = {
        {"ok", true, true, true, true, {"user?", "connection?"}},
        {"cancel", false, true, true, true, {"user?", "connection?"}},
        {"charge kept open", true, false, true, false, {"user?"}},
        {"check kept running", true, true, false, false, {"user?", "connection?"}},
        {"cancel while checking, No", false, true, false, false, {"user?", "connection?"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> log;
        FakePage general("general", log), messaging("messaging", log), format("format", log),
            connection("connection", log, row.connectionMay), user("user", log, row.userMay), calls("calls", log);
        // Pages that never refuse are asked nothing.
        ISettingsPage* const pages[kPageCount] = {&general, &messaging, &format, &connection, &user, &calls};
        EXPECT_EQ(row.ends, CloseSettings(pages, row.ok));
        std::vector<std::string> expected = row.questions;
        if (row.ends)
            for (const std::string& page : allStores)
                expected.push_back(page + (row.ok ? " ok" : " cancel"));
        EXPECT_EQ(expected, log);
    }
}

TEST(ChargeQuestions, MatrixOfDialupLoggedInAndAnswer)
{
    constexpr int yes = 6, no = 7, cancel = 2;
    const struct {
        bool dialup, loggedIn;
        int answer;
        ChargeQuestion question;
        bool proceed, logOut, hangUp, settle, dial;
    } rows[] = {
        {false, false, yes, ChargeQuestion::Dial, true, false, false, false, true},
        {false, false, no, ChargeQuestion::Dial, false, false, false, false, false},
        {true, false, yes, ChargeQuestion::Redial, true, false, true, false, true},
        {true, false, no, ChargeQuestion::Redial, true, false, false, false, false},
        {true, false, cancel, ChargeQuestion::Redial, false, false, false, false, false},
        {false, true, yes, ChargeQuestion::Redial, true, true, false, true, true},
        {false, true, no, ChargeQuestion::Redial, true, false, false, false, true},
        {false, true, cancel, ChargeQuestion::Redial, false, false, false, false, false},
        {true, true, yes, ChargeQuestion::Redial, true, true, true, false, true},
        {true, true, no, ChargeQuestion::Redial, true, false, false, false, false},
        {true, true, cancel, ChargeQuestion::Redial, false, false, false, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "dial-up " << row.dialup << " logged in " << row.loggedIn << " answer "
                                        << row.answer);
        EXPECT_EQ(row.question, ChargeQuestionFor(row.dialup, row.loggedIn));
        const ChargePlan plan = PlanCharge(row.dialup, row.loggedIn, row.answer);
        EXPECT_EQ(row.proceed, plan.proceed);
        EXPECT_EQ(row.logOut, plan.logOut);
        EXPECT_EQ(row.hangUp, plan.hangUp);
        EXPECT_EQ(row.settle, plan.settle);
        EXPECT_EQ(row.dial, plan.dial);
    }
}
