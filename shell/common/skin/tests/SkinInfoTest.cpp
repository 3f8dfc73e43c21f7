// Skin information file, key tables, value parsers and the current-then-base lookup rules.
#include "shell/common/skin/SkinInfo.h"
#include "shell/common/skin/SplitFields.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

int Rows(const SkinIdKey* t)
{
    int n = 0;
    while (t[n].id)
        ++n;
    return n;
}
int Rows(const SkinFileKey* t)
{
    int n = 0;
    while (t[n].file[0])
        ++n;
    return n;
}

TEST(SkinTables, HaveTheirRowsAndKeepTheStoredSpellings)
{
    EXPECT_EQ(Rows(SkinControlKeyTable), 166);
    EXPECT_EQ(Rows(SkinDockKeyTable), 13);
    EXPECT_EQ(Rows(SkinTitleKeyTable), 4);
    EXPECT_EQ(Rows(SkinRegionKeyTable), 18);
    EXPECT_EQ(Rows(SkinResizeKeyTable), 4);
    struct IdRow {
        const SkinIdKey* table;
        std::uint32_t id;
        const char* key;
    } ids[] = {
        {SkinControlKeyTable, 1016, "MAIN_CLS"},       {SkinControlKeyTable, 1207, "BROWSER_FOWARD"},
        {SkinControlKeyTable, 1271, "PHONE_*"},        {SkinControlKeyTable, 1277, "PHONE_#"},
        {SkinControlKeyTable, 1407, "USER_STAT_CANCEL"}, {SkinControlKeyTable, 1291, "SET_CLS"},
        {SkinControlKeyTable, 1242, "MAIN_CMIMAGE"},   {SkinControlKeyTable, 9999, nullptr},
        {SkinDockKeyTable, 197, "CTRLD_MAIN"},         {SkinDockKeyTable, 833, "CTRLD_USER_STAT"},
        {SkinDockKeyTable, 100, nullptr},              {SkinTitleKeyTable, 789, "ERROR_LOG_TITLE"},
        {SkinTitleKeyTable, 197, nullptr},
    };
    for (const IdRow& row : ids) {
        SCOPED_TRACE(row.id);
        const char* key = FindSkinKey(row.table, row.id);
        EXPECT_STREQ(key, row.key);
    }
    struct FileRow {
        const SkinFileKey* table;
        const char* file;
        const char* key;
    } files[] = {
        {SkinRegionKeyTable, "general.bmp", "RGN_GENRAL"},   {SkinRegionKeyTable, "cdplay.bmp", "RGN_CD"},
        {SkinRegionKeyTable, "vyrn_msg_err.bmp", "RGN_VYRN_ERR_CHAR"},
        {SkinRegionKeyTable, "Main.bmp", nullptr},            {SkinResizeKeyTable, "set.bmp", "RESIZE_SETTING_INFO"},
        {SkinResizeKeyTable, "main.bmp", nullptr},
    };
    for (const FileRow& row : files) {
        SCOPED_TRACE(row.file);
        const char* key = FindSkinKey(row.table, row.file);
        EXPECT_STREQ(key, row.key);
    }
    // Every key is unique within its table, and none is longer than 39 characters.
    std::map<std::string, int> seen;
    for (const SkinIdKey* t = SkinControlKeyTable; t->id; ++t) {
        EXPECT_LE(std::string(t->key).size(), 39u);
        EXPECT_EQ(seen[t->key]++, 0) << t->key;
    }
}

TEST(SkinInfoFile, CountsOnlyLinesThatBeginWithALetter)
{
    static const char raw[] =
        "; comment\r\nFILE_VERSION=3.2\r\n 1MAIN_CLS=9,9,9,9\r\n2MAIN=x\r\n#x=1\r\n[Section]\r\n\r\n"
        "MAIN_CLSX=1,2,3,4\nMAIN_CLS=5,6,7,8\rwbg=1\r\nNUL=ab\0cd\r\nlast=end";
    const std::string text(raw, sizeof raw - 1);
    std::vector<CString> lines = ParseSkinInfo(text.data(), text.size());
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "FILE_VERSION=3.2");
    EXPECT_EQ(lines[1], "MAIN_CLSX=1,2,3,4");
    EXPECT_EQ(lines[4], "NUL=ab");
    EXPECT_EQ(lines[5], "last=end");
}

TEST(SkinInfoFile, ExactKeyFirstThenThePrefixRule)
{
    std::vector<CString> lines = {"MAIN_CLSX=1,2,3,4", "RGN_CHAT_LOGIN=1:0,0,5,5:", "MAIN_CLS=5,6,7,8",
                                  "CHAT_COLOR1", "PREFIXONLY:7", "RGN_CHAT=2:0,0,1,1:0,1,1,2:"};
    struct Row {
        const char* key;
        bool found;
        const char* value;
    } rows[] = {
        {"MAIN_CLS", true, "5,6,7,8"},       // exact line wins over an earlier longer key
        {"RGN_CHAT", true, "2:0,0,1,1:0,1,1,2:"},
        {"PREFIXONLY", true, "7"},           // any one character after the key is skipped
        {"CHAT_COLOR1", true, ""},
        {"MAIN", true, "CLSX=1,2,3,4"},      // prefix rule: first line that begins with the key
        {"main_cls", false, ""},             // case-sensitive
        {"CHAT_COLOR1X", false, ""},         // a line shorter than the key never matches
        {"", false, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        CString value = "stale";
        EXPECT_EQ(FindSkinInfoValue(lines, row.key, value), row.found);
        EXPECT_EQ(value, row.value);
    }
    // Without a line of exactly the key, the first line that begins with it answers; the one
    // character after the key is skipped whatever it is.
    std::vector<CString> handMade = {"MAIN_CLSX=1,2,3,4", "MAIN_CLS=5,6,7,8"};
    handMade.erase(handMade.begin() + 1);
    CString value;
    EXPECT_TRUE(FindSkinInfoValue(handMade, "MAIN_CLS", value));
    EXPECT_EQ(value, "=1,2,3,4");
}

TEST(SkinParsers, IntegersColoursAndRectangles)
{
    struct IntRow {
        const char* text;
        int value;
    } ints[] = {{"12", 12}, {"-7", -7}, {" 42abc", 42}, {"abc", 0}, {"", 0}, {"99999999999", 2147483647}};
    for (const IntRow& row : ints) {
        SCOPED_TRACE(row.text);
        int v = -1;
        EXPECT_TRUE(ParseSkinInt(row.text, v));
        EXPECT_EQ(v, row.value);
    }
    struct ColourRow {
        const char* text;
        bool ok;
        std::uint32_t colour;
    } colours[] = {{"255,0,128", true, 255u + 65536u * 128u}, {"1,2,3", true, 0x030201},
                   {"256,257,-1", true, 0xFF0100}, {"255,0", false, 0xDEAD}, {"1,2,3,4", false, 0xDEAD},
                   {"", false, 0xDEAD}};
    for (const ColourRow& row : colours) {
        SCOPED_TRACE(row.text);
        std::uint32_t c = 0xDEAD;
        EXPECT_EQ(ParseSkinColor(row.text, c), row.ok);
        EXPECT_EQ(c, row.colour);
    }
    struct RectRow {
        const char* text;
        bool ok;
        SkinRect xywh, ltrb;
    } rects[] = {{"10,20,30,40", true, {10, 20, 40, 60}, {10, 20, 30, 40}},
                 {"10,20,30,40,50", true, {10, 20, 40, 60}, {10, 20, 30, 40}},
                 {"10,20,,40", false, {}, {}},
                 {"10,20,30", false, {}, {}}};
    for (const RectRow& row : rects) {
        SCOPED_TRACE(row.text);
        SkinRect a, b;
        EXPECT_EQ(ParseSkinRect(row.text, a), row.ok);
        EXPECT_EQ(ParseSkinRect2(row.text, b), row.ok);
        if (row.ok) {
            EXPECT_EQ(a, row.xywh);
            EXPECT_EQ(b, row.ltrb);
        }
    }
}

TEST(SkinParsers, RegionCountsMustMatchTheRectanglesPresent)
{
    struct Row {
        const char* text;
        bool ok;
        std::size_t count;
    } rows[] = {
        {"2:0,0,10,1:0,1,10,2:", true, 2},
        {"1:0,0,5,5", true, 1},
        {"3:0,0,10,1:0,1,10,2:", false, 0},        // fewer rectangles than counted
        {"2000000000:0,0,1,1:", false, 0},         // absurd count from a hostile skin
        {"0:", false, 0},
        {"-1:0,0,1,1:", false, 0},
        {"1:0,0,1:", false, 0},
        {"2:0,0,10,1:5,5,5,9:", false, 0},         // an empty rectangle
        {"1:-4,0,10,1:", false, 0},                // a negative one
        {"1:0,0,10,1:junk", true, 1},              // nothing past the count is read
        {"x", false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::vector<SkinRect> rects;
        EXPECT_EQ(ParseSkinRegion(row.text, rects), row.ok);
        EXPECT_EQ(rects.size(), row.count);
    }
}

TEST(SkinParsers, SupportedFileVersions)
{
    struct Row {
        const char* text;
        bool ok;
    } rows[] = {{"3.2", true}, {"3.20", true}, {"130", true}, {"03.2", true}, {"3.1", false},
                {"", false},   {"32", false},  {"130.5", false}, {"3.2x", false}, {"1300", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(IsSupportedSkinVersion(row.text), row.ok);
    }
}

TEST(SplitFieldsTest, QuotesDelimitersAndDoubleByteCharacters)
{
    struct Row {
        const char* text;
        char delimiter;
        int max;
        int count;
        std::vector<const char*> fields;
    } rows[] = {
        {"a,b,c", ',', 3, 3, {"a", "b", "c"}},
        {"a,b,c", ',', 2, 2, {"a", "b"}},                   // the rest is ignored
        {"a", ',', 3, 1, {"a", "", ""}},
        {"", ',', 2, 0, {"", ""}},
        {"a,,c", ',', 3, 3, {"a", "", "c"}},
        {"\"x,y\"junk,z", ',', 2, 2, {"x,y", "z"}},        // text after the closing quote dropped
        {"\"open,rest", ',', 3, 1, {"open,rest", "", ""}},
        {"\x95\x5C:x", '\\', 2, 1, {"\x95\x5C:x", ""}},      // 0x5C trail byte does not split
        {"\x83\x7C|b", '|', 2, 2, {"\x83\x7C", "b"}},       // 0x7C trail byte: "ポ" stays whole
        {"a:b", ':', 0, 1, {"a"}},                          // at least one field
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        CStringArray out;
        out.Add("old");
        EXPECT_EQ(SplitFields(row.text, row.delimiter, row.max, out), row.count);
        ASSERT_EQ(out.GetSize(), static_cast<int>(row.fields.size()));
        for (int i = 0; i < out.GetSize(); ++i)
            EXPECT_EQ(out[i], row.fields[static_cast<std::size_t>(i)]) << "field " << i;
    }
}

// Two in-memory skins behind the line store.
class SkinLinesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_files[true] = "FILE_VERSION=3.2\r\nMAIN_CLS=1,2,3,4:5\r\nMAIN_LOGIN=7,7,7,7\r\nCTRLD_MAIN=0,0:B:4\r\n"
                        "RGN_MAIN=1:0,0,9,9:\r\nRGN_CHAT=1:0,0,2,2:\r\nRESIZE_CHAT_INFO=base\r\n"
                        "ERROR_LOG_TITLE=face:12:1:0,0,0:10,5:log\r\n";
        m_files[false] = "FILE_VERSION=130\r\nMAIN_CLS=10,20,30,40:16\r\nCHAT_COLOR1=1,1,1,1:0:255,0,0:B\r\n"
                         "RGN_CHAT_LOGIN=1:0,0,3,3:\r\nRGN_CHAT=1:0,0,4,4:\r\n";
        m_lines.SetLoader([this](bool base, std::string& content) {
            ++m_loads;
            content = m_files[base];
            return true;
        });
        m_lines.SetCurrentName("blue");
    }
    std::map<bool, std::string> m_files;
    CSkinLines m_lines;
    int m_loads = 0;
};

TEST_F(SkinLinesTest, ControlRectanglesWithAnchorsCurrentThenBase)
{
    struct Row {
        std::uint32_t id;
        int anchor;
        SkinRect rect;
    } rows[] = {
        {1016, -1, {10, 20, 40, 60}},  // the current skin's value, anchor 16 out of range
        {1003, -1, {7, 7, 14, 14}},    // only the base skin has it
        {1178, -1, {0, 0, 0, 0}},      // in the table, in neither skin
        {4242, -1, {0, 0, 0, 0}},      // not in the table
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        SkinRect r{1, 1, 1, 1};
        EXPECT_EQ(m_lines.GetControlRect(row.id, r), row.anchor);
        EXPECT_EQ(r, row.rect);
    }
    CString a = "x", b = "y";
    m_lines.GetControlFields(1224, a, b);
    EXPECT_EQ(a, "255,0,0");
    EXPECT_EQ(b, "B");
    m_lines.GetControlFields(9999, a, b);
    EXPECT_TRUE(a.IsEmpty() && b.IsEmpty());
}

TEST_F(SkinLinesTest, WithTheBaseSkinCurrentOnlyTheBaseSkinIsRead)
{
    m_lines.SetCurrentName("BaseSkin");
    SkinRect r;
    EXPECT_EQ(m_lines.GetControlRect(1016, r), 5);
    EXPECT_EQ(r, (SkinRect{1, 2, 4, 6}));
    CString v;
    EXPECT_TRUE(m_lines.GetRegionInfo("chat.bmp", v, false));
    EXPECT_EQ(v, "1:0,0,2,2:");
}

TEST_F(SkinLinesTest, DockTitleResizeAndRegionLookups)
{
    CString v;
    EXPECT_TRUE(m_lines.GetDockInfo(197, v));
    EXPECT_EQ(v, "0,0:B:4");
    EXPECT_TRUE(m_lines.GetDockInfo(100, v));   // no such dialog: found, empty
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_FALSE(m_lines.GetDockInfo(248, v));  // in the table, in neither skin
    EXPECT_TRUE(m_lines.GetTitleInfo(789, v));
    EXPECT_EQ(v, "face:12:1:0,0,0:10,5:log");
    EXPECT_TRUE(m_lines.GetResizeInfo("chat.bmp", v));
    EXPECT_EQ(v, "base");
    EXPECT_FALSE(m_lines.GetResizeInfo("main.bmp", v));

    // The current skin's own region only, unless the fall-back flag is set.
    EXPECT_FALSE(m_lines.GetRegionInfo("main.bmp", v, false));
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_TRUE(m_lines.GetRegionInfo("main.bmp", v, true));
    EXPECT_EQ(v, "1:0,0,9,9:");
    // A learned RGN_CHAT_LOGIN line placed first does not answer RGN_CHAT.
    EXPECT_TRUE(m_lines.GetRegionInfo("chat.bmp", v, false));
    EXPECT_EQ(v, "1:0,0,4,4:");
    EXPECT_TRUE(m_lines.GetRegionInfo("chat_login.bmp", v, false));
    EXPECT_EQ(v, "1:0,0,3,3:");
    EXPECT_FALSE(m_lines.GetRegionInfo("nothing.bmp", v, true));
    EXPECT_EQ(m_lines.GetRegionCacheKey("general.bmp"), "RGN_GENRAL");
    EXPECT_TRUE(m_lines.GetRegionCacheKey("nothing.bmp").IsEmpty());
}

TEST_F(SkinLinesTest, LearnedLinesAreKeptOnceAndQueuedOnlyForAChosenSkin)
{
    m_lines.SetInfoValue("RGN_URL=2:0,0,4,1:0,1,4,2:");
    m_lines.SetInfoValue("RGN_URL=1:0,0,9,9:");      // second one of the same key: ignored
    m_lines.SetInfoValue("rgn_chat_login=1:0,0,1,1:"); // the skin has it (other case)
    m_lines.SetInfoValue("no equals sign");
    ASSERT_EQ(m_lines.GetPendingLines().size(), 1u);
    EXPECT_EQ(m_lines.GetPendingLines()[0], "RGN_URL=2:0,0,4,1:0,1,4,2:");
    CString v;
    EXPECT_TRUE(m_lines.GetRegionInfo("url.bmp", v, false));
    EXPECT_EQ(v, "2:0,0,4,1:0,1,4,2:");

    // The base skin's archive is never rewritten: its learned lines live for this run only.
    m_lines.ClearPendingLines();
    m_lines.SetCurrentName(kBaseSkinName);
    m_lines.SetInfoValue("RGN_FRIEND=1:0,0,3,3:");
    EXPECT_TRUE(m_lines.GetPendingLines().empty());
    EXPECT_TRUE(m_lines.GetRegionInfo("friend.bmp", v, false));
    EXPECT_EQ(v, "1:0,0,3,3:");
}

TEST_F(SkinLinesTest, LinesAreReadOnceUntilEmptied)
{
    CString v;
    m_lines.GetSkinValue("FILE_VERSION", v);
    m_lines.GetSkinValue("MAIN_CLS", v);
    m_lines.GetBaseSkinValue("FILE_VERSION", v);
    EXPECT_EQ(m_loads, 2);
    m_files[false] = "FILE_VERSION=3.1\r\n";
    m_lines.ResetCurrent();
    EXPECT_TRUE(m_lines.GetSkinValue("FILE_VERSION", v));
    EXPECT_EQ(v, "3.1");
    EXPECT_EQ(m_loads, 3);
}

} // namespace
