// The string table is compiled from UTF-8 sources: LoadStringA must give the exact code page 932
// bytes and LoadStringW the exact Unicode text.
#include "framework/win/Afx.h"

#include "framework/win/tests/FrameworkTestIds.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

std::string LoadA(UINT id)
{
    char buffer[1024];
    int n = ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::wstring LoadW(UINT id)
{
    wchar_t buffer[1024];
    int n = ::LoadStringW(::GetModuleHandleA(nullptr), id, buffer, 1024);
    return std::wstring(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

TEST(StringTable, AnsiTextsAreCodePage932Bytes)
{
    ASSERT_EQ(932u, ::GetACP()) << "tests run with a Japanese ANSI code page";
    struct Row { UINT id; std::string cp932; };
    const Row rows[] = {
        {IDS_INSTALL_BROKEN,
         "\x4E\x69\x6D\x62\x6F\x56\x61\x6E\x64\x72\x65\x6C\x6C\x82\xCC\xB2\xDD\xBD\xC4\xB0\xD9\x82\xAA\x90\xB3\x82\xB5"
         "\x82\xAD\x8E\xC0\x8E\x7B\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1\x2E\x0D\x0A\x4E\x69\x6D\x62"
         "\x6F\x56\x61\x6E\x64\x72\x65\x6C\x6C\x82\xCC\xB2\xDD\xBD\xC4\xB0\xD9\x82\xF0\x82\xE2\x82\xE8\x92\xBC\x82\xB5"
         "\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x2E\x20"},
        {IDS_SIGNUP_RUNNING,
         "\xBB\xB2\xDD\xB1\xAF\xCC\xDF\xCC\xDF\xDB\xB8\xDE\xD7\xD1\x82\xCD\x93\xAE\x8D\xEC\x92\x86\x82\xC5\x82\xB7\x2E"
         "\x0D\x0A\xBB\xB2\xDD\xB1\xAF\xCC\xDF\x82\xF0\x8F\x49\x97\xB9\x82\xB5\x82\xC4\x82\xA9\x82\xE7\x4E\x69\x6D\x62"
         "\x6F\x56\x61\x6E\x64\x72\x65\x6C\x6C\x82\xF0\x8B\x4E\x93\xAE\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x2E"},
        // 0x5C trail bytes, half-width katakana, and the wave dash and horizontal bar as Windows maps them.
        {IDS_TEST_LABEL, "\x83\x5C\x83\x74\x83\x67\x95\x5C\x8E\xA6\x94\x5C\x97\xCD\x20\xB1\xB2\xB3\xB4\xB5\x20\x82\x50\x81\x60\x82\x51\x81\x5C\x82\x52"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(Hex(row.cp932), Hex(LoadA(row.id)));
        CString s;
        EXPECT_TRUE(s.LoadString(row.id));
        EXPECT_EQ(Hex(row.cp932), Hex(s.str()));
    }
}

TEST(StringTable, UnicodeTextsAreExact)
{
    EXPECT_EQ(std::wstring(L"\x30B5\x30A4\x30F3\x30A2\x30C3\x30D7").size(), 6u);
    std::wstring running = LoadW(IDS_SIGNUP_RUNNING);
    // ｻｲﾝｱｯﾌﾟﾌﾟﾛｸﾞﾗﾑは動作中です.\r\n...
    EXPECT_EQ(0, running.compare(0, 5, L"\xFF7B\xFF72\xFF9D\xFF71\xFF6F"));
    EXPECT_NE(std::wstring::npos, running.find(L"\x52D5\x4F5C\x4E2D\x3067\x3059.\r\n"));
    EXPECT_EQ(L"\x8A2D\x5B9A\x30C0\x30A4\x30A2\x30ED\x30B0", LoadW(IDS_TEST_CAPTION));
    std::wstring label = LoadW(IDS_TEST_LABEL);
    EXPECT_NE(std::wstring::npos, label.find(L"\xFF5E")) << "wave dash as the full-width tilde";
    EXPECT_NE(std::wstring::npos, label.find(L"\x2015")) << "horizontal bar";
}

TEST(StringTable, MissingIdGivesAnEmptyTextAndFalse)
{
    CString s("old");
    EXPECT_FALSE(s.LoadString(59999));
    EXPECT_TRUE(s.IsEmpty());
}

} // namespace
