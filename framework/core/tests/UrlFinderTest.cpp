#include "framework/core/UrlFinder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(IsValidMessageUrl, PassesNetworkTypesWithServersOnly)
{
    const struct {
        const char* candidate;
        bool valid;
    } rows[] = {
        {"http://www.example.jp/", true},
        {"https://www.example.jp/x?y", true},
        {"ftp://ftp.example.jp", true},
        {"news://news.example.jp/fj.comp", true},
        {"nntp://news.example.jp", true},
        {"telnet://bbs.example.jp", true},
        {"LDAP:whatever", true},       // unknown type needs no server
        {"ldaps://dir.example", true}, // unknown, begins with LDAP in any case
        {"file://host/c/x", false},
        {"wais://w.example/db", false},
        {"afs://cell/x", false},
        {"mailto:a@b.jp", true},       // the address is its server
        {"mailto:?subject=x", false},  // no server
        {"http:", false},
        {"http://", false},
        {"http:/x", false},
        {"httpx://host/", false},      // unknown, not LDAP
        {"http://host:port/", false},
        {"http://host/\x83\x41", false}, // a double-byte character inside
        {"http://host/\xB1\xB2", true},  // single-byte katakana are not lead bytes
        {"", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.candidate);
        EXPECT_EQ(row.valid, IsValidMessageUrl(CString(row.candidate)));
    }
    const char withNul[] = "http://a.jp\0/b";
    EXPECT_FALSE(IsValidMessageUrl(withNul, sizeof withNul - 1));
}

std::vector<std::string> Found(const std::string& text)
{
    std::vector<std::string> out;
    for (const UrlSpan& span : FindUrlSegments(text.data(), text.size()))
        out.push_back(text.substr(span.start, span.end - span.start));
    return out;
}

TEST(FindUrl, ForwardFindsEveryValidAddressAndStopsAtBlanksAndLeadBytes)
{
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> urls;
    } rows[] = {
        {"address then words", "see http://a.example.jp/x and more", {"http://a.example.jp/x"}},
        {"two addresses over CR LF", "http://a.jp\r\nhttps://b.jp/p", {"http://a.jp", "https://b.jp/p"}},
        {"a word that begins with http", "httpd is not http://ok.jp", {"http://ok.jp"}},
        {"Japanese right after", "http://a.jp/\x82\xA0\x82\xA2", {"http://a.jp/"}},
        {"Japanese before", "\x83\x41\x83\x43http://a.jp", {"http://a.jp"}},
        {"h as a trail byte", "\x82http://a.jp", {}},
        {"0x5C trail byte before", "\x95\x5Chttp://a.jp", {"http://a.jp"}},
        {"http at the very end", "text http", {}},
        {"lone lead byte at the end", "http://a.jp\x82", {"http://a.jp"}},
        {"case-sensitive", "HTTP://a.jp", {}},
        {"tab and NUL end it", std::string("http://a.jp\tx http://b.jp\0c", 27), {"http://a.jp", "http://b.jp"}},
        {"empty", "", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.urls, Found(row.text));
    }
}

TEST(FindUrl, ClickModeTakesTheNearestHttpBeforeThePositionAndAlwaysEnds)
{
    const std::string text = "go http://a.jp/x now httpd http://b.jp";
    const struct {
        std::size_t from;
        bool found;
        std::size_t start, end;
    } rows[] = {
        {3, true, 3, 16},   // on the "h"
        {10, true, 3, 16},  // inside
        {16, true, 3, 16},  // on the blank after it: still that candidate (the caller checks the range)
        {2, false, 0, 0},   // nothing before
        {22, false, 0, 0},  // "httpd" is nearest and invalid: nothing, and the search ends
        {30, true, 27, 38},
        {38, false, 0, 0},  // past the end
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.from);
        UrlSpan span;
        ASSERT_EQ(row.found, FindUrl(text.data(), text.size(), row.from, UrlFindMode::Click, &span));
        if (row.found) {
            EXPECT_EQ(row.start, span.start);
            EXPECT_EQ(row.end, span.end);
        }
    }
}

TEST(TextPositions, CountCharactersNotBytes)
{
    // "アhttp://a.jp 表\r\nhttp://b.jp": ア and 表 are two bytes, one position.
    const std::string text = "\x83\x41http://a.jp \x95\x5C\r\nhttp://b.jp";
    const auto positions = FindUrlPositions(text.data(), text.size());
    ASSERT_EQ(2u, positions.size());
    EXPECT_EQ(1u, positions[0].start);
    EXPECT_EQ(12u, positions[0].end);
    EXPECT_EQ(16u, positions[1].start);
    EXPECT_EQ(27u, positions[1].end);
    const auto crOnly = FindUrlPositions(text.data(), text.size(), TextPositionRules{true});
    ASSERT_EQ(2u, crOnly.size());
    EXPECT_EQ(15u, crOnly[1].start);

    // Round trips land on character starts; a byte inside a character maps to that character.
    EXPECT_EQ(0u, TextPositionOfByte(text.data(), text.size(), 1));
    EXPECT_EQ(2u, ByteOfTextPosition(text.data(), text.size(), 1));
    EXPECT_EQ(14u, ByteOfTextPosition(text.data(), text.size(), 13));
    EXPECT_EQ(text.size(), ByteOfTextPosition(text.data(), text.size(), 1000));
    for (std::size_t pos = 0; pos <= 16; ++pos)
        EXPECT_EQ(pos, TextPositionOfByte(text.data(), text.size(), ByteOfTextPosition(text.data(), text.size(), pos)));
}

} // namespace
