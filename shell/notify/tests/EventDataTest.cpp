#include "shell/notify/EventData.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

const char kBuiltIn[] =
    "# balloon colours\r\n"
    "BALLOON_COLOR:0:249,254,188::\r\n"
    "BALLOON_COLOR:1:0,0,0::\r\n"
    "BALLOON_COLOR:2:0,0,255::\r\n"
    "ERROR_COLOR:0:249,254,188::\r\n"
    "ERROR_COLOR:1:0,0,0::\r\n"
    "ERROR_COLOR:2:0,0,255::\r\n";

class FakeHost : public IEventDataHost {
public:
    bool LoadBuiltInText(CString& text) override
    {
        text = kBuiltIn;
        return true;
    }
    bool HttpGet(const CString& url, CString& text) override
    {
        requested = url.str();
        text = CString(download);
        return getSucceeds;
    }
    CString GetProfileString(const char* section, const char* key, const char* defaultValue) override
    {
        auto it = strings.find(std::string(section) + "/" + key);
        return it == strings.end() ? CString(defaultValue) : CString(it->second);
    }
    int GetProfileInt(const char* section, const char* key, int defaultValue) override
    {
        auto it = ints.find(std::string(section) + "/" + key);
        return it == ints.end() ? defaultValue : it->second;
    }
    void WriteProfileInt(const char* section, const char* key, int value) override
    {
        ints[std::string(section) + "/" + key] = value;
    }

    std::string download;
    bool getSucceeds = true;
    std::string requested;
    std::map<std::string, std::string> strings;
    std::map<std::string, int> ints;
};

std::string Lookup(const CEventData& data, int id, const char* key, std::string* link = nullptr)
{
    CString value, l;
    data.Find(id, key, value, l);
    if (link)
        *link = l.str();
    return value.str();
}

TEST(EventKeys, RangesCompareAsByteStringsAndOtherKeysOnlyThemselves)
{
    struct Row {
        const char* recordKey;
        const char* key;
        bool matches;
    } rows[] = {
        {"1-3", "1", true},     {"1-3", "2", true},     {"1-3", "3", true},   {"1-3", "10", true},
        {"1-3", "100", true},   {"1-3", "4", false},    {"1-3", "0", false},  {"5", "5", true},
        {"5", "50", false},     {"5-", "5", false},     {"5-", "5-", true},   {"-5", "-5", true},
        {"-5", "3", false},     {"9-1", "5", false},    {"9-1", "9-1", false}, {"1/1-1/9", "1/5", true},
        {"", "", true},         {"", "0", false},       {"a-b-c", "b", true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.matches, EventKeyMatches(row.recordKey, row.key))
            << "record key '" << row.recordKey << "', key '" << row.key << "'";
    }
}

TEST(EventKeys, DateAndTimeKeysHaveNoLeadingZeros)
{
    std::tm t{};
    t.tm_mon = 0;
    t.tm_mday = 5;
    t.tm_hour = 7;
    t.tm_min = 0;
    t.tm_sec = 9;
    EXPECT_EQ("1/5", EventDateKey(t).str());
    EXPECT_EQ("7.0.9", EventTimeKey(t).str());
}

TEST(EventParse, LinesTableOfWhatIsKeptAndHowItSplits)
{
    struct Row {
        const char* name;
        const char* text;
        const char* key;
        const char* value;
        const char* link;
    } rows[] = {
        {"plain", "VYRN_SEND:1:first\n", "1", "first", ""},
        {"comment skipped", "#VYRN_SEND:1:no\nVYRN_SEND:1:yes\n", "1", "yes", ""},
        {"digit-first skipped", "1VYRN_SEND:1:no\n", "1", "", ""},
        {"blank-first skipped", " VYRN_SEND:1:no\n", "1", "", ""},
        {"no final LF", "VYRN_SEND:2:last", "2", "last", ""},
        {"CR LF ends before the CR", "VYRN_SEND:3:v:link\r\n", "3", "v", "link"},
        {"unquoted URL cut at its colon", "VYRN_SEND:3:v:http://x/\n", "3", "v", "http"},
        {"CR of the last line", "VYRN_SEND:3:v\r", "3", "v", ""},
        {"quoted link keeps colons", "VYRN_SEND:4:v:\"GET,http://a.example/p,\"\n", "4", "v", "GET,http://a.example/p,"},
        {"unbalanced quote takes the rest", "VYRN_SEND:5:\"a:b\n", "5", "a:b", ""},
        {"extra fields ignored", "VYRN_SEND:6:v:l:extra:more\n", "6", "v", "l"},
        {"empty key", "VYRN_SEND::v\n", "", "v", ""},
        {"first of two matching lines wins", "VYRN_SEND:7:one\nVYRN_SEND:7:two\n", "7", "one", ""},
        {"range line", "VYRN_SEND:1-3:r\n", "2", "r", ""},
        {"invalid CP932 kept as bytes", "VYRN_SEND:8:\x82\n", "8", "\x82", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CEventData data;
        data.Parse(row.text);
        std::string link;
        EXPECT_EQ(row.value, Lookup(data, 30, row.key, &link));
        EXPECT_EQ(row.link, link);
    }
}

TEST(EventParse, LaterTextReplacesOnlyTheEarlierRecordsItCovers)
{
    FakeHost host;
    CEventData data(&host);
    ASSERT_TRUE(data.LoadBuiltIn());
    const std::size_t builtIn = data.Records().size();
    ASSERT_EQ(6u, builtIn);
    data.Parse("BALLOON_COLOR:0:255,255,255::\nVYRN_SEND:1-3:old range\nVYRN_SEND:9:nine\n");
    std::uint32_t color = 0;
    ASSERT_TRUE(data.GetColor(kEventBalloonColor, 0, color));
    EXPECT_EQ(0xFFFFFFu, color);
    EXPECT_EQ(6u + 2u, data.Records().size()) << "the built-in fill colour was replaced, not kept beside";
    // A second text: its "2" falls in the earlier range, which goes; "9" replaces "9".
    data.Parse("VYRN_SEND:2:two\nVYRN_SEND:9:new nine\n");
    EXPECT_EQ("two", Lookup(data, 30, "2"));
    EXPECT_EQ("", Lookup(data, 30, "3")) << "the range record was replaced whole";
    EXPECT_EQ("new nine", Lookup(data, 30, "9"));
    EXPECT_EQ(8u, data.Records().size());
    // The text's own records never replace each other.
    data.Parse("MEMO:1:a\nMEMO:1:b\n");
    EXPECT_EQ(10u, data.Records().size());
    EXPECT_EQ("a", Lookup(data, 140, "1"));
}

TEST(EventLookups, ColoursIntsAndNames)
{
    CEventData data;
    data.Parse("BALLOON_COLOR:0:1,2,3\nBALLOON_COLOR:1:300,0,0\nBALLOON_COLOR:2:a,b\n"
               "ERROR_COLOR:0: 10 , 20 ,30\nERROR_COLOR:1:1,2\nERROR_COLOR:2:-1,0,0\n"
               "START_COUNT:0:7\nSTART_COUNT:1:x\nSTART_COUNT:2:99999999999\nSTART_COUNT:3:-4\n");
    struct ColourRow {
        int id, index;
        bool found;
        std::uint32_t colour;
    } colours[] = {
        {150, 0, true, 1 + 2 * 256 + 3 * 65536}, {150, 1, false, 0x123456}, {150, 2, false, 0x123456},
        {151, 0, true, 10 + 20 * 256 + 30 * 65536}, {151, 1, false, 0x123456}, {151, 2, false, 0x123456},
        {150, 9, false, 0x123456},
    };
    for (const ColourRow& row : colours) {
        std::uint32_t colour = 0;
        EXPECT_EQ(row.found, data.GetColorOr(row.id, row.index, colour, 0x123456)) << row.id << "/" << row.index;
        EXPECT_EQ(row.colour, colour) << row.id << "/" << row.index;
    }
    struct IntRow {
        int index;
        bool found;
        int value;
    } ints[] = {{0, true, 7}, {1, false, -99}, {2, true, 2147483647}, {3, true, -4}, {4, false, -99}};
    for (const IntRow& row : ints) {
        int value = -99;
        EXPECT_EQ(row.found, data.GetInt(160, row.index, value)) << row.index;
        EXPECT_EQ(row.value, value) << row.index;
    }
    EXPECT_EQ("START_COUNT", CEventData::GetEventName(160).str());
    EXPECT_EQ("BALLOON_COLOR", CEventData::GetEventName(150).str());
    EXPECT_EQ("", CEventData::GetEventName(2).str());
    EXPECT_EQ("", Lookup(data, 2, "")) << "an unknown id finds nothing, not the records of the empty name";
    int rows = 0;
    for (const EventNameRow* row = EventNameTable; row->id != 0; ++row)
        ++rows;
    EXPECT_EQ(50, rows);
}

TEST(EventDownload, ReplyParsedOverBuiltInEmptyOrFailedOrOversizeLeavesItAlone)
{
    struct Row {
        const char* name;
        std::string reply;
        bool getSucceeds;
        bool result;
        std::uint32_t fill;
    } rows[] = {
        {"new fill", "BALLOON_COLOR:0:255,255,255::\n", true, true, 0xFFFFFF},
        {"empty", "", true, false, 249 + 254 * 256 + 188 * 65536},
        {"failed", "BALLOON_COLOR:0:255,255,255::\n", false, false, 249 + 254 * 256 + 188 * 65536},
        {"oversize", "BALLOON_COLOR:0:255,255,255::\n" + std::string(CEventData::kMaxDownloadBytes, '#'), true, false,
         249 + 254 * 256 + 188 * 65536},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeHost host;
        host.download = row.reply;
        host.getSucceeds = row.getSucceeds;
        host.strings["Event/EVENT_URL"] = "http://127.0.0.1:1/e.txt";
        CEventData data(&host);
        data.LoadBuiltIn();
        EXPECT_EQ(row.result, data.Download());
        EXPECT_EQ("http://127.0.0.1:1/e.txt", host.requested);
        std::uint32_t fill = 0;
        data.GetColorOr(kEventBalloonColor, 0, fill, 0);
        EXPECT_EQ(row.fill, fill);
    }
    CEventData orphan;
    EXPECT_FALSE(orphan.Download());
    EXPECT_FALSE(orphan.LoadBuiltIn());
}

TEST(EventCounters, ProfileSectionEventByNameAndMinusOneWithoutApplication)
{
    FakeHost host;
    CEventData data(&host);
    EXPECT_EQ(0, data.GetCounter(30));
    data.SetCounter(30, 12);
    EXPECT_EQ(12, host.ints["Event/VYRN_SEND"]);
    EXPECT_EQ(12, data.GetCounter(30));
    CEventData orphan;
    EXPECT_EQ(-1, orphan.GetCounter(30));
}

} // namespace
