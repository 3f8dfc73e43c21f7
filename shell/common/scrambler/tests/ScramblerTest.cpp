// The scrambled text is what the profile shares with the sign-up program: fixed vectors (computed
// with an independent script), round trips and refusal of malformed stored text.
#include "shell/common/scrambler/PasswordScrambler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace scrambler;

namespace {

struct Vector {
    const char* name;
    std::string plain;
    const char* scrambled;
};

const Vector kVectors[] = {
    {"one byte", "a", "3B"},
    {"eight bytes", "password", "2A79B69FC17B012B"},
    {"ninth byte reuses the first key byte plus 8", "abcdefghi", "3B7AA688D37214270B"},
    {"code page 932 text", "\x94\xe9\x96\xa7", "CEF1534B"},
    {"31 bytes", std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10"
                             "\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f"),
     "5B1AC6E8B31274476B2AC6F8B31274477B3AC6E8D33294476B2AC618D33294"},
};

} // namespace

TEST(PasswordScrambler, FixedVectorsScrambleAndUnscramble)
{
    for (const Vector& v : kVectors) {
        SCOPED_TRACE(v.name);
        EXPECT_EQ(v.scrambled, Scramble(v.plain));
        std::string back;
        ASSERT_TRUE(Unscramble(v.scrambled, back));
        EXPECT_EQ(v.plain, back);
    }
}

TEST(PasswordScrambler, InPlaceBufferFormMatchesTheStringForm)
{
    char buffer[2 * 8 + 1] = "password";
    ASSERT_TRUE(ScrambleText(buffer, sizeof buffer, 8, kScramble));
    EXPECT_STREQ("2A79B69FC17B012B", buffer);
    ASSERT_TRUE(ScrambleText(buffer, sizeof buffer, 1, kUnscramble));
    EXPECT_STREQ("password", buffer);
}

TEST(PasswordScrambler, LowerCaseDigitsUnscrambleToTheSameBytes)
{
    std::string back;
    ASSERT_TRUE(Unscramble("2a79b69fc17b012b", back));
    EXPECT_EQ("password", back);
}

TEST(PasswordScrambler, EveryLengthUpToTheLimitRoundTrips)
{
    for (std::size_t n = 0; n <= kMaxPlainBytes; ++n) {
        SCOPED_TRACE(n);
        std::string plain;
        for (std::size_t i = 0; i < n; ++i)
            plain += static_cast<char>(0x81 + i * 7); // high bytes: the secrets may be Japanese
        std::string text = Scramble(plain);
        EXPECT_EQ(2 * n, text.size());
        std::string back;
        ASSERT_TRUE(Unscramble(text, back));
        EXPECT_EQ(plain, back);
    }
}

TEST(PasswordScrambler, LengthZeroLeavesTheBufferUntouched)
{
    char buffer[8] = "keep";
    EXPECT_TRUE(ScrambleText(buffer, sizeof buffer, 0, kScramble));
    EXPECT_TRUE(ScrambleText(buffer, sizeof buffer, 0, kUnscramble));
    EXPECT_STREQ("keep", buffer);
    EXPECT_EQ("", Scramble(""));
}

TEST(PasswordScrambler, MalformedStoredTextIsRefusedAndReadsAsEmpty)
{
    const struct {
        const char* name;
        std::string text;
    } rows[] = {
        {"odd length", "2A7"},
        {"non-hex character", "2A7G"},
        {"space inside", "2A 9"},
        {"more than 62 digits", std::string(64, 'A')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string plain = "stale";
        EXPECT_FALSE(Unscramble(row.text, plain));
        EXPECT_EQ("", plain);
    }
}

TEST(PasswordScrambler, UnscrambleNeverReadsPastAnUnterminatedBuffer)
{
    char buffer[4] = {'2', 'A', '7', '9'}; // no terminating zero inside the buffer
    EXPECT_FALSE(ScrambleText(buffer, sizeof buffer, 4, kUnscramble));
    EXPECT_EQ(0, std::memcmp(buffer, "2A79", 4));
}

TEST(PasswordScrambler, ScrambleRefusesABufferTooSmallOrAValueTooLong)
{
    char small[4] = "abc";
    EXPECT_FALSE(ScrambleText(small, sizeof small, 3, kScramble));
    EXPECT_STREQ("abc", small);
    char longValue[80] = {};
    std::memset(longValue, 'x', 32);
    EXPECT_FALSE(ScrambleText(longValue, sizeof longValue, 32, kScramble));
}

TEST(PasswordScrambler, HexHelpersMatchTheirContracts)
{
    unsigned char bytes[4];
    EXPECT_EQ(0, HexToBytes("", bytes, sizeof bytes));
    EXPECT_EQ(2, HexToBytes("0aFf", bytes, sizeof bytes));
    EXPECT_EQ(0x0A, bytes[0]);
    EXPECT_EQ(0xFF, bytes[1]);
    EXPECT_EQ(-1, HexToBytes("0011223344", bytes, sizeof bytes)) << "more bytes than the output holds";
    char out[5];
    EXPECT_EQ(4, BytesToHex(bytes, 2, out));
    EXPECT_STREQ("0AFF", out);
}
