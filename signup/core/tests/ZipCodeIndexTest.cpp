#include "signup/core/ZipCodeIndex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <string>

namespace {

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

ZipCodeIndex IndexOf(const std::string& text, bool* ok)
{
    ZipCodeIndex index;
    CZipIndexBuilder builder(index);
    builder.Feed(text.data(), text.size());
    *ok = builder.Finish();
    return index;
}

std::string Line(const std::string& code, const std::string& rest = "\"a\",\"b\",\"c\",\"0\"")
{
    return "\"" + code + "\"," + rest + "\r\n";
}

} // namespace

// The fixture is packed with lhapack and unpacked the way the program's archiver does; the
// expected addresses come from the same UTF-8 table, converted to code page 932.
TEST(ZipCode, LookupsOverAPackedCodePage932Fixture)
{
    const char* lhapack = NV_LHAPACK;
    const char* script = NV_ZIP_FIXTURE_SCRIPT;
    const char* python = NV_PYTHON;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("nv_zip_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    const std::string src = std::filesystem::path(script).parent_path().string();
    const std::string make = std::string(python) + " '" + script + "' '" + src + "' '" + dir.string() + "' '" + lhapack + "'";
    ASSERT_EQ(0, std::system(make.c_str()));
    const std::string unpack = std::string("'") + lhapack + "' x '" + (dir / "zipcode.ful").string() + "' '" +
                               (dir / "out").string() + "'";
    std::filesystem::create_directories(dir / "out");
    ASSERT_EQ(0, std::system(unpack.c_str()));
    const std::string text = ReadAll(dir / "out" / "zipcode.csv");
    ASSERT_FALSE(text.empty());
    bool ok = false;
    ZipCodeIndex index = IndexOf(text, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(17u, index.codes.size());
    auto reader = [&text](std::uint32_t offset, std::string* line) { return ReadZipLineFromText(text, offset, line); };
    std::istringstream cases(ReadAll(dir / "cases.tsv"));
    int checked = 0;
    for (std::string row; std::getline(cases, row);) {
        const std::size_t tab = row.find('\t');
        ASSERT_NE(std::string::npos, tab);
        const std::string code = row.substr(0, tab), expected = row.substr(tab + 1);
        EXPECT_EQ(expected, LookUpZipAddress(index, CString(code), reader).str()) << code;
        ++checked;
    }
    EXPECT_EQ(15, checked);
    std::filesystem::remove_all(dir);
}

TEST(ZipCode, TheIndexIsTheSameForEveryPieceSize)
{
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += Line(std::to_string(1000000 + i * 7));
    text += "\"2000000\",\"last line\",\"without\",\"an end\",\"0\""; // unterminated
    bool ok = false;
    const ZipCodeIndex whole = IndexOf(text, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(41u, whole.codes.size());
    EXPECT_EQ(2000000u, whole.codes.back());
    EXPECT_EQ(text.rfind("\"2000000\""), whole.offsets.back());
    for (std::size_t piece = 1; piece <= 90; ++piece) {
        ZipCodeIndex index;
        CZipIndexBuilder builder(index);
        for (std::size_t at = 0; at < text.size(); at += piece)
            builder.Feed(text.data() + at, std::min(piece, text.size() - at));
        EXPECT_TRUE(builder.Finish()) << piece;
        EXPECT_EQ(whole.codes, index.codes) << piece;
        EXPECT_EQ(whole.offsets, index.offsets) << piece;
    }
}

TEST(ZipCode, MalformedFilesEndTheBuildAsFailed)
{
    const struct {
        const char* name;
        std::string text;
        bool ok;
        std::size_t entries;
    } cases[] = {
        {"a line shorter than eight bytes", Line("1000001") + "\"12\"\r\n" + Line("1000002"), false, 0},
        {"an over-long line", Line("1000001") + "\"1000002\"," + std::string(CZipIndexBuilder::kMaxLine, 'x') + "\r\n",
         false, 0},
        {"an over-long last line without an end", "\"1000002\"," + std::string(CZipIndexBuilder::kMaxLine + 5, 'x'),
         false, 0},
        {"a lone CR inside a line", "\"1000001\",\"a\rb\",\"c\",\"d\",\"0\"\r\n", true, 1},
        {"a code that is not seven digits is not indexed", Line("10000x1") + Line("1000002"), true, 1},
        {"empty file", "", true, 0},
        {"only a line end", "\r\n", false, 0},
    };
    for (const auto& c : cases) {
        bool ok = !c.ok;
        ZipCodeIndex index = IndexOf(c.text, &ok);
        EXPECT_EQ(c.ok, ok) << c.name;
        EXPECT_EQ(c.entries, index.codes.size()) << c.name;
        EXPECT_EQ(index.codes.size(), index.offsets.size()) << c.name;
    }
}

TEST(ZipCode, SplitterKeepsQuotedColumnsWhole)
{
    const struct {
        std::string line;
        std::vector<std::string> columns;
    } cases[] = {
        {"\"a\",\"b,c\",d,,\"\"", {"a", "b,c", "d", "", ""}},
        {"", {""}},
        {",", {"", ""}},
        {"\"open", {"open"}},
        {"\"a\"junk,b", {"a", "b"}},
        {"\"\x95\x5c\",\"\x83\x5c\"", {"\x95\x5c", "\x83\x5c"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> columns;
        SplitZipLine(c.line.data(), c.line.size(), columns);
        EXPECT_EQ(c.columns, columns) << c.line;
    }
}

TEST(ZipCode, CommonPrefixIsWalkedFromTheStart)
{
    const std::string wideA = "\x82\x81"; // both bytes lie in the lead-byte range
    std::string fifteen;
    for (int i = 0; i < 15; ++i)
        fifteen += wideA;
    const struct {
        std::vector<std::string> texts;
        std::string prefix;
    } cases[] = {
        {{fifteen + wideA + "x", fifteen + wideA + "y"}, fifteen},
        {{"\x96\x6b", "\x96\x7b"}, ""},
        {{"abc", "abd"}, "ab"},
        {{"abc"}, "abc"},
        {{std::string(40, 'a'), std::string(40, 'a')}, std::string(30, 'a')},
        {{"a" + fifteen, "a" + fifteen}, "a" + fifteen.substr(0, 28)},
        {{}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.prefix, CommonAddressPrefix(c.texts)) << c.texts.size();
}
