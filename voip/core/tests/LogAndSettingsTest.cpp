// Log line layout, the wrap rule, hex dumps, the log level rule and the settings decisions.
#include "voip/core/LogFormat.h"
#include "voip/core/SettingsRules.h"

#include <gtest/gtest.h>

using namespace qelo;

TEST(LogLine, TimePrefixCarriageReturnsAndNewline)
{
    LogClock clock{9, 5, 7, 42};
    const struct { const char* text; const char* expected; } rows[] = {
        {"PW_login()", "09:05:07.042> PW_login()\n"},
        {"two\rparts\n", "09:05:07.042> two parts\n"},
        {"\tdump", "\tdump\n"},
        {"", "09:05:07.042> \n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(row.expected, BuildLogLine(clock, row.text));
    }
    std::string longLine = BuildLogLine(clock, std::string(20000, 'x'));
    EXPECT_EQ(kLogLineLimit - 1, longLine.size());
    EXPECT_EQ('\n', longLine.back());
}

TEST(LogLine, FormattingIsBounded)
{
    std::string big(5000, 'y');
    std::string text = BoundedFormat(kNotifyTextLimit, "%s and %s", big.c_str(), big.c_str());
    EXPECT_EQ(kNotifyTextLimit - 1, text.size());
    EXPECT_EQ("n=7", BoundedFormat(16, "n=%d", 7));
}

TEST(LogWrapRule, TwoMegabytesKeepTheFirstKilobyte)
{
    LogWrap wrap;
    // 100-byte lines count 132 each: the counter passes 2 MiB after 15888 lines.
    int lines = 0;
    while (!wrap.BeforeWrite(100))
        ++lines;
    EXPECT_EQ(15888, lines);
    EXPECT_EQ(LogWrap::kKeep + 132, wrap.Counter());
    EXPECT_FALSE(wrap.BeforeWrite(100));
}

TEST(HexDumpLayout, RowsOffsetsAndPrintables)
{
    std::uint8_t bytes[18];
    for (int i = 0; i < 18; ++i)
        bytes[i] = static_cast<std::uint8_t>(i < 16 ? 'A' + i : i);
    std::string dump = HexDump(bytes, sizeof bytes);
    std::string expected = "\t\n"
                           " 0000 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 ABCDEFGHIJKLMNOP\n"
                           " 0010 10 11 " + std::string(14 * 3, ' ') + "..\n";
    EXPECT_EQ(expected, dump);
    std::vector<std::uint8_t> big(2048, 0x41);
    EXPECT_LT(HexDump(big.data(), big.size()).size(), 4096u);
}

TEST(LogLevel, HostLevelSurvivesStartUnlessTheIniSetsOne)
{
    const struct {
        const char* name;
        const char* iniFirst; // "loglevel" read with default "x"
        bool keyPresent;
        int hostLevel;        // 0: the host sets none before the start
        int expected;
    } rows[] = {
        {"no ini, no host", "x", false, 0, 40},
        {"no ini, host 10", "x", false, 10, 10},
        {"ini 2, host 10", "2", true, 10, 20},
        {"ini 5, no host", "5", true, 0, 50},
        {"ini 0 silences the log", "0", true, 60, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LogLevelRule rule;
        rule.SetIniText(row.iniFirst);
        if (row.hostLevel)
            rule.HostSets(row.hostLevel);
        rule.LibrarySets(30); // the start
        rule.SignallingStart(row.keyPresent ? row.iniFirst : "4", row.keyPresent);
        EXPECT_EQ(row.expected, rule.Level());
    }
    LogLevelRule after;
    after.SetIniText("x");
    after.LibrarySets(30);
    after.SignallingStart("4", false);
    after.HostSets(10);
    EXPECT_EQ(10, after.Level()) << "a level set after the start takes effect";
}

TEST(ProxySetting, OnlyOneToEightHexDigitsAreUnscrambled)
{
    std::string scrambled = ScrambleProxy(0x7F000001);
    const struct { std::string value; std::string expected; bool wasScrambled; } rows[] = {
        {scrambled, "127.0.0.1", true},
        {"5C3A91E7", "0.0.0.0", true},
        {"gw.example.jp", "gw.example.jp", false},
        {"deadbeef-gw", "deadbeef-gw", false},
        {"123456789", "123456789", false},
        {"proxy", "proxy", false},
        {"", "", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        bool was = false;
        EXPECT_EQ(row.expected, UnscrambleProxy(row.value, &was));
        EXPECT_EQ(row.wasScrambled, was);
    }
    // The socket order puts the first byte lowest: 0x0100007F ^ mask.
    EXPECT_EQ("5D3A9198", ScrambleProxy(0x7F000001));
}

TEST(Addressing, DottedTextsPortsAndDigits)
{
    EXPECT_EQ(0xC0A80005u, ParseDottedAddress("192.168.0.5"));
    for (const char* bad : {"192.168.0", "1.2.3.4.5", "256.1.1.1", "1..2.3", "a.b.c.d", "1.2.3.4 ", ""})
        EXPECT_EQ(0u, ParseDottedAddress(bad)) << bad;
    EXPECT_TRUE(IsDigitsAndDots("10.0.0.1"));
    EXPECT_FALSE(IsDigitsAndDots("10.0.0.1a"));

    std::string host;
    std::uint16_t port = 0;
    SplitHostPort("127.0.0.1:4567", host, port, 10101);
    EXPECT_EQ("127.0.0.1", host);
    EXPECT_EQ(4567, port);
    SplitHostPort("ds.example", host, port, 10101);
    EXPECT_EQ(10101, port);
    SplitHostPort("ds.example:99999", host, port, 10101);
    EXPECT_EQ(10101, port);

    EXPECT_EQ("0312345678", DialledDigits("03-1234-5678"));
    EXPECT_EQ(std::string(31, '1'), DialledDigits(std::string(40, '1').c_str()));
    EXPECT_EQ("", DialledDigits(nullptr));
    EXPECT_EQ("123456789", FitField("1234567890", 10));
    EXPECT_EQ("", FitField(nullptr, 10));
}

TEST(InterfaceScan, PointToPointWinsOtherwiseTheLastLan)
{
    const NetInterface lanThenPpp[] = {{0x7F000001, true, false}, {0xC0A80002, false, false}, {0x0A000001, false, true},
                                       {0xC0A80003, false, false}};
    InterfaceChoice choice = ChooseLocalInterface(lanThenPpp, 4);
    EXPECT_EQ(0x0A000001u, choice.address);
    EXPECT_TRUE(choice.pointToPoint);

    const NetInterface twoLans[] = {{0xC0A80002, false, false}, {0xC0A80003, false, false}, {0x7F000001, false, false}};
    choice = ChooseLocalInterface(twoLans, 3);
    EXPECT_EQ(0xC0A80003u, choice.address);
    EXPECT_FALSE(choice.pointToPoint);

    const NetInterface onlyLoopback[] = {{0x7F000001, true, false}, {0, false, false}};
    EXPECT_EQ(0u, ChooseLocalInterface(onlyLoopback, 2).address);
}

TEST(AccountLog, PasswordNeverInClear)
{
    std::string line = AccountLogText("gwuser", "s3cret");
    EXPECT_EQ(std::string::npos, line.find("s3cret"));
    EXPECT_NE(std::string::npos, line.find("gwuser"));
}
