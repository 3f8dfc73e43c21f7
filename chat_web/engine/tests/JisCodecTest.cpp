#include "chat_web/engine/JisCodec.h"

#include <gtest/gtest.h>

namespace {

using chat::JisToSjis;
using chat::SjisToJis;

TEST(JisCodec, EncodesDoubleByteRunsAndLeavesSingleBytesOutside)
{
    struct Row { const char* name; std::string sjis; std::string jis; };
    const Row rows[] = {
        {"ascii", "abc", "abc"},
        {"kanji", "\x8A\xBF\x8E\x9A", "\x1B$B4A;z\x1B(B"},                 // 漢字
        {"mixed", "a\x82\xA0" "b", "a\x1B$B$\"\x1B(Bb"},                    // aあb
        {"0x5C trail", "\x83\x5C", "\x1B$B%=\x1B(B"},                      // ソ
        {"half-width kana stay single bytes", "\xB1\xB2", "\xB1\xB2"},
        {"vendor lead 0xF0 becomes the geta mark", "\xF0\x40", "\x1B$B\".\x1B(B"},
        {"lone lead at the end is dropped", "a\x82", "a"},
        {"lead with a bad trail is dropped, the trail kept", "\x82\x20x", " x"},
        {"NEC row 13", "\x87\x40", "\x1B$B-!\x1B(B"},                       // ①
        {"ESC in the text is dropped", "\x1B$B\xB1", "$B\xB1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.jis, SjisToJis(row.sjis));
        std::string jis = SjisToJis(row.sjis);
        bool inRun = false;
        for (std::size_t i = 0; i < jis.size(); ++i) {
            if (jis.compare(i, 3, "\x1B$B") == 0)
                inRun = true;
            if (jis.compare(i, 3, "\x1B(B") == 0)
                inRun = false;
            if (inRun) {
                EXPECT_LT(static_cast<unsigned char>(jis[i]), 0x80) << "8-bit byte inside a JIS run at " << i;
            }
        }
    }
}

TEST(JisCodec, DecodesEscapesAndEucPairs)
{
    struct Row { const char* name; std::string jis; std::string sjis; };
    const Row rows[] = {
        {"ESC $ B", "\x1B$B4A;z\x1B(B!", "\x8A\xBF\x8E\x9A!"},
        {"ESC $ @ and ESC ( J", "\x1B$@$\"\x1B(Jx", "\x82\xA0x"},
        {"NEC ESC K / ESC H", "\x1BK$\"\x1BHy", "\x82\xA0y"},
        {"unknown escape copied", "\x1B(Iab", "\x1B(Iab"},
        {"EUC pair", "\xB4\xC1", "\x8A\xBF"},
        {"dangling first byte in two-byte mode", "\x1B$B4", "4"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.sjis, JisToSjis(row.jis));
    }
}

TEST(JisCodec, EveryJisX0208CharacterRoundTrips)
{
    for (int lead = 0x81; lead <= 0xEF; ++lead) {
        if (lead > 0x9F && lead < 0xE0)
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            std::string sjis{static_cast<char>(lead), static_cast<char>(trail)};
            ASSERT_EQ(sjis, JisToSjis(SjisToJis(sjis))) << std::hex << lead << " " << trail;
        }
    }
}

} // namespace
