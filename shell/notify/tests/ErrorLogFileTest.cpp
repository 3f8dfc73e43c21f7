#include "shell/notify/ErrorLogFile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The labels as the string table gives them at run time (code page 932).
const errorlog::Labels kLabels{"\x8c\x78\x8d\x90", "\x8f\xee\x95\xf1", "\x92\x8d\x88\xd3"};

std::time_t Midday()
{
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 5;
    t.tm_mday = 15;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

std::vector<errorlog::Entry> ReadText(const std::string& text, std::time_t now, long long days)
{
    return errorlog::Read(text.data(), text.size(), now, days, kLabels);
}

TEST(ErrorLogKinds, FlagsAndStoredLabels)
{
    struct Row {
        unsigned flags;
        int kind;
    } rows[] = {{0x10, 0}, {0x40, 1}, {0x60, 1}, {0x30, 2}, {0x00, 2}, {0x20, 2}, {0x114, 0}, {0x1040, 1}};
    for (const Row& row : rows)
        EXPECT_EQ(row.kind, errorlog::KindForFlags(row.flags)) << std::hex << row.flags;
    EXPECT_EQ(0, errorlog::KindForLabel(kLabels.warning, kLabels));
    EXPECT_EQ(1, errorlog::KindForLabel(kLabels.information, kLabels));
    EXPECT_EQ(2, errorlog::KindForLabel(kLabels.caution, kLabels));
    EXPECT_EQ(2, errorlog::KindForLabel("other", kLabels));
    EXPECT_EQ(2, errorlog::KindForLabel("", kLabels));
}

TEST(ErrorLogText, EveryLineBreakBecomesOneBlank)
{
    struct Row {
        const char* in;
        const char* out;
    } rows[] = {{"a\r\nb", "a b"}, {"a\nb", "a b"}, {"a\rb", "a b"}, {"a\r\n\r\nb", "a  b"},
                {"\r", " "},       {"a,b,c", "a,b,c"}, {"", ""}, {"a\n\rb", "a  b"}};
    for (const Row& row : rows)
        EXPECT_EQ(row.out, errorlog::OneLine(row.in).str()) << row.in;
}

TEST(ErrorLogFile, SavedEntriesReloadUnchangedNewestFirst)
{
    const std::time_t now = Midday();
    std::vector<errorlog::Entry> entries;
    entries.push_back({0, kLabels.warning, errorlog::FormatTime(now), "comma, inside, message"});
    entries.push_back({1, kLabels.information, errorlog::FormatTime(now - 60), "\x83\x54\x81\x5b\x83\x6f (#12224)"});
    entries.push_back({2, kLabels.caution, errorlog::FormatTime(now - 120), "line\r\nbreak"});
    const std::string text = errorlog::Write(entries);
    EXPECT_EQ(0u, text.find("ERROR_LOG_VERSION:1.0\r\n"));
    EXPECT_NE(std::string::npos, text.find(",line break\r\n"));
    const auto back = ReadText(text, now, 30);
    ASSERT_EQ(3u, back.size());
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].kind, back[i].kind);
        EXPECT_EQ(entries[i].label.str(), back[i].label.str());
        EXPECT_EQ(entries[i].time.str(), back[i].time.str());
        EXPECT_EQ(errorlog::OneLine(entries[i].message).str(), back[i].message.str());
    }
    EXPECT_EQ(19, back[0].time.GetLength());
}

TEST(ErrorLogFile, AgeCutKeepsExactlyTheSettingAndDropsOneSecondMore)
{
    const std::time_t now = Midday();
    const long long days = 7;
    std::string text = "ERROR_LOG_VERSION:1.0\r\n";
    text += "A," + errorlog::FormatTime(now - days * 86400).str() + ",exactly\r\n";
    text += "A," + errorlog::FormatTime(now - days * 86400 - 1).str() + ",one second more\r\n";
    text += "A," + errorlog::FormatTime(now + 3600).str() + ",from the future\r\n";
    const auto kept = ReadText(text, now, days);
    ASSERT_EQ(2u, kept.size());
    EXPECT_EQ("exactly", kept[0].message.str());
    EXPECT_EQ("from the future", kept[1].message.str());
    EXPECT_EQ(3u, ReadText(text, now, -1).size()) << "a negative setting keeps everything";
    EXPECT_EQ(3u, ReadText(text, now, 4000000000LL).size()) << "a huge setting keeps everything";
}

TEST(ErrorLogFile, BadLinesEachHaveADefinedResult)
{
    const std::time_t now = Midday();
    const std::string old = errorlog::FormatTime(now - 400 * 86400).str();
    struct Row {
        const char* name;
        std::string text;
        std::size_t rows;
        const char* firstTime;
        const char* firstMessage;
    } rows[] = {
        {"missing version line still reads from the second line", "A,x,first\r\nB,y,second\r\n", 1, "y", "second"},
        {"empty lines are not counted", "\r\n\r\nV\r\n\r\nA,t,m\r\n", 1, "t", "m"},
        {"LF only", "V\nA,t,m\n", 1, "t", "m"},
        {"no final line end", "V\r\nA,t,m", 1, "t", "m"},
        {"one comma: no message", "V\r\nA,t\r\n", 1, "t", ""},
        {"no comma: label only", "V\r\nlabel only\r\n", 1, "", ""},
        {"date of another length is kept", "V\r\nA,2020/01/01,m\r\n", 1, "2020/01/01", "m"},
        {"non-digits are kept", "V\r\nA,20x0/01/01/00:00:00,m\r\n", 1, "20x0/01/01/00:00:00", "m"},
        {"month 13 is kept", "V\r\nA,2001/13/01/00:00:00,m\r\n", 1, "2001/13/01/00:00:00", "m"},
        {"old entry goes", "V\r\nA," + old + ",m\r\n", 0, "", ""},
        {"lone CR inside becomes a blank", "V\r\nA,t,a\rb\r\n", 1, "t", "a b"},
        {"long line", "V\r\nA,t," + std::string(100000, 'x') + "\r\n", 1, "t", nullptr},
        {"only the version line", "V\r\n", 0, "", ""},
        {"empty file", "", 0, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto entries = ReadText(row.text, now, 30);
        ASSERT_EQ(row.rows, entries.size());
        if (row.rows == 0)
            continue;
        EXPECT_EQ(row.firstTime, entries[0].time.str());
        if (row.firstMessage) {
            EXPECT_EQ(row.firstMessage, entries[0].message.str());
        }
        EXPECT_EQ(2, entries[0].kind);
        EXPECT_EQ(kLabels.caution.str(), entries[0].label.str()) << "an unknown label reads as a caution";
    }
    EXPECT_TRUE(errorlog::Read(nullptr, 5, now, 1, kLabels).empty());
}

TEST(ErrorLogFile, TimeFormRoundTripsAndRefusesOthers)
{
    const std::time_t now = Midday();
    std::time_t back = 0;
    ASSERT_TRUE(errorlog::ParseTime(errorlog::FormatTime(now), back));
    EXPECT_EQ(now, back);
    const char* bad[] = {"2026/06/15 12:00:00", "2026/06/15/12:00:0", "2026/00/15/12:00:00", "2026/06/32/12:00:00",
                         "2026/06/15/24:00:00", "2026/06/15/12:60:00", "1969/12/31/23:59:59", "abcd/ef/gh/ij:kl:mn"};
    for (const char* text : bad)
        EXPECT_FALSE(errorlog::ParseTime(text, back)) << text;
}

} // namespace
