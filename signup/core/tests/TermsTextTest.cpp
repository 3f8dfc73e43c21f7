#include "signup/core/TermsText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Whole(const std::string& text)
{
    CTermsText terms;
    terms.AppendPiece(text.data(), text.size());
    return terms.Text();
}

} // namespace

TEST(TermsText, EveryLineEndBecomesCrLfWhereverThePiecesSplit)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"a\r\nb", "a\r\nb"},
        {"a\rb", "a\r\nb"},
        {"a\nb", "a\r\nb"},
        {"a\r\r\nb", "a\r\n\r\nb"},
        {"a\n\rb", "a\r\n\r\nb"},
        {"\r\n\r\n", "\r\n\r\n"},
        {"\n\n", "\r\n\r\n"},
        {"\r", "\r\n"},
        {"", ""},
        {"\x95\x5c\r\n\x83\x5c\n", "\x95\x5c\r\n\x83\x5c\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.out, Whole(c.in)) << "whole";
        // Cut into three pieces at every pair of positions (empty pieces included).
        for (std::size_t i = 0; i <= c.in.size(); ++i) {
            for (std::size_t j = i; j <= c.in.size(); ++j) {
                CTermsText terms;
                terms.AppendPiece(c.in.data(), i);
                terms.AppendPiece(c.in.data() + i, j - i);
                terms.AppendPiece(c.in.data() + j, c.in.size() - j);
                EXPECT_EQ(c.out, terms.Text()) << "cut at " << i << " and " << j;
            }
        }
    }
}

TEST(TermsText, APieceOverTheCapIsRefusedAndTheTextKept)
{
    CTermsText terms(10);
    EXPECT_TRUE(terms.AppendPiece("12345\n", 6)); // 7 bytes stored
    EXPECT_FALSE(terms.AppendPiece("abcd", 4));
    EXPECT_TRUE(terms.OverCap());
    EXPECT_EQ("12345\r\n", terms.Text());
    EXPECT_FALSE(terms.AppendPiece("a", 1)) << "stays refused";
    terms.Clear();
    EXPECT_TRUE(terms.AppendPiece("a", 1));
}
