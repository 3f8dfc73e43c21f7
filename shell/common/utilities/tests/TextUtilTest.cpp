#include "shell/common/utilities/TextUtil.h"

#include <gtest/gtest.h>

using namespace textutil;

TEST(TextUtil, StripHtmlTagsTurnsBreaksIntoLineEndsAndDropsNestedTags)
{
    const struct {
        const char* in;
        const char* out;
    } rows[] = {
        {"a<br>b", "a\r\nb"},
        {"a<p>b\nc", "a\r\nb\r\nc"},
        {"<b>bold</b> text", "bold text"},
        {"x<a <b>>y", "xy"},
        {"stray > stays", "stray > stays"},
        {"\x82\xa0<i>\x82\xa2</i>", "\x82\xa0\x82\xa2"},
        {"a<BR>b<P>c <font color=\"red\">d</font>", "a\r\nb\r\nc d"},
        {"x\r\ny", "x\r\ny"},
        {"a<<nested>>b", "ab"},
        {"\x83\x3E", "\x83\x3E"}, // a trail byte that looks like '>'
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.in);
        EXPECT_STREQ(row.out, StripHtmlTags(row.in).GetString());
    }
}

TEST(TextUtil, StripQuotesRemovesOnlyARealPair)
{
    const struct {
        const char* in;
        const char* out;
    } rows[] = {
        {"\"C:\\a.cni\"", "C:\\a.cni"},
        {"\"ab\"", "ab"},
        {"\"a\"", "\"a\""}, // shorter than 4: untouched
        {"\"C:\\a.cni", "\"C:\\a.cni"},
        {"C:\\a.cni", "C:\\a.cni"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.in);
        EXPECT_STREQ(row.out, StripQuotes(row.in).GetString());
    }
}

TEST(TextUtil, IsAllDigitsAndStringParts)
{
    EXPECT_TRUE(IsAllDigits(""));
    EXPECT_TRUE(IsAllDigits("0312"));
    EXPECT_FALSE(IsAllDigits("03-12"));
    CString greeting("\x82\xa8\x82\xcd\x82\xe6\x82\xa4(morning.wav)");
    EXPECT_STREQ(greeting.GetString(), StringPart(greeting, 0).GetString());
    EXPECT_STREQ("morning.wav", StringPart(greeting, 1).GetString());
    EXPECT_STREQ("\x82\xa8\x82\xcd\x82\xe6\x82\xa4", StringPart(greeting, 2).GetString());
    EXPECT_STREQ("plain", StringPart("plain", 1).GetString());
    EXPECT_STREQ("", StringPart("x(", 1).GetString());
}

TEST(TextUtil, VersionTextAlwaysHasTheWholeFormat)
{
    const struct {
        const char* in;
        const char* out;
    } rows[] = {
        {"1.18R6B2", "Version1.18 Rel6 Build2"},
        {"1.18", "Version1.18 Rel Build"},
        {"1.18R6", "Version1.18 Rel6 Build"},
        {"1.18B2", "Version1.18B2 Rel Build2"},
        {"B2R6", "VersionB2 Rel6 Build2R6"},
        {"", "Version Rel Build"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.in);
        EXPECT_STREQ(row.out, BuildVersionText(row.in).GetString());
    }
}

TEST(TextUtil, PathsSplitAtARealBackslashOnly)
{
    // 0x95 0x5C is one character whose trail byte is a backslash.
    CString path("C:\\\x95\x5C\\NimboVandrell.exe");
    EXPECT_STREQ("C:\\\x95\x5C", FolderOfPath(path).GetString());
    EXPECT_STREQ("NimboVandrell.exe", FileOfPath(path).GetString());
    CString trailOnly("C:\\dir\\\x95\x5C");
    EXPECT_STREQ("C:\\dir", FolderOfPath(trailOnly).GetString());
    EXPECT_STREQ("", FolderOfPath("file.exe").GetString());
}

TEST(TextUtil, HandoverPathsAreClassifiedByTheirEnding)
{
    EXPECT_EQ(HandoverKind::ConnectionInfo, ClassifyHandoverPath("C:\\x\\A.CNI"));
    EXPECT_EQ(HandoverKind::SkinArchive, ClassifyHandoverPath("C:\\x\\skin.csz"));
    EXPECT_EQ(HandoverKind::None, ClassifyHandoverPath("C:\\x\\a.txt"));
    EXPECT_EQ(HandoverKind::None, ClassifyHandoverPath("cni"));
}
