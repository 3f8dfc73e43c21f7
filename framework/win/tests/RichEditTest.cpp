// Inserting text into a rich edit in formats of its own, reading ranges back, and the text limit.
#include "framework/win/Controls.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class RichEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(parent.CreateEx(0, CWnd::RegisterWindowClass("NvRichEditTestParent"), "", WS_POPUP, 0, 0, 400,
                                    300, nullptr, nullptr));
        RECT rect = {0, 0, 380, 280};
        ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE, rect, &parent, 100));
    }
    void TearDown() override { parent.DestroyWindow(); }

    static CHARFORMATA Format(bool underline, COLORREF colour)
    {
        CHARFORMATA f = {};
        f.dwMask = CFM_UNDERLINE | CFM_COLOR | CFM_SIZE;
        f.dwEffects = underline ? CFE_UNDERLINE : 0;
        f.crTextColor = colour;
        f.yHeight = 200;
        return f;
    }
    bool UnderlinedAt(long pos)
    {
        edit.SetSel(pos, pos + 1);
        CHARFORMATA f = {};
        f.dwMask = CFM_UNDERLINE;
        edit.GetSelectionCharFormat(f);
        return (f.dwEffects & CFE_UNDERLINE) != 0;
    }

    CWnd parent;
    CRichEditCtrl edit;
};

TEST_F(RichEditTest, InsertedPiecesKeepTheirOwnFormat)
{
    CHARFORMATA plain = Format(false, 0x000000), link = Format(true, 0xFF0000);
    edit.SetSel(-1, -1);
    edit.InsertWithFormat("see ", plain);
    edit.InsertWithFormat("http://a.jp", link);
    edit.InsertWithFormat(" \x93\xFA\x96\x7B", plain);
    EXPECT_FALSE(UnderlinedAt(1));
    EXPECT_TRUE(UnderlinedAt(5));
    EXPECT_TRUE(UnderlinedAt(14));
    EXPECT_FALSE(UnderlinedAt(15));
    long end = edit.GetTextLength();
    EXPECT_EQ(std::string(edit.GetTextRange(0, end)), "see http://a.jp \x93\xFA\x96\x7B");
    EXPECT_EQ(std::string(edit.GetTextRange(4, 15)), "http://a.jp");
    EXPECT_EQ(std::string(edit.GetTextRange(5, 5)), "");
}

TEST_F(RichEditTest, TextPastThirtyTwoThousandCharactersIsKeptOnceTheLimitIsRaised)
{
    CHARFORMATA plain = Format(false, 0);
    edit.LimitText(0x7FFFFFF0);
    EXPECT_GE(static_cast<long>(edit.SendMessage(EM_GETLIMITTEXT)), 0x7FFFFFF0L);
    std::string line(99, 'x');
    line += "\r";
    for (int i = 0; i < 400; ++i) {
        edit.SetSel(-1, -1);
        edit.InsertWithFormat(line.c_str(), plain);
    }
    EXPECT_GE(edit.GetTextLength(), 40000);
    EXPECT_EQ(std::string(edit.GetTextRange(39900, 39903)), "xxx") << "the end of the text reads back";
}

} // namespace
