// The tooltip wrapper: tools for child windows of the owner, each with its own text (code page
// 932 kept byte for byte).
#include "framework/win/ToolTipCtrl.h"

#include <gtest/gtest.h>

namespace {

TEST(ToolTipCtrlTest, EachToolKeepsItsOwnText)
{
    CWnd owner;
    const char* cls = CWnd::RegisterWindowClass("NvToolTipOwner");
    ASSERT_TRUE(owner.CreateEx(0, cls, "owner", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr));
    HWND first = ::CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 20, 20, owner.m_hWnd, nullptr, nullptr, nullptr);
    HWND second = ::CreateWindowExA(0, "BUTTON", "", WS_CHILD, 30, 0, 20, 20, owner.m_hWnd, nullptr, nullptr, nullptr);
    CToolTipCtrl tip;
    EXPECT_FALSE(tip.AddTool(first, "x")) << "no control yet";
    ASSERT_TRUE(tip.Create(&owner, TTS_ALWAYSTIP));
    tip.Activate(TRUE);
    const char* japanese = "\x91\x4f\xcd\xdf\xb0\xbc\xde\x82\xc9\x96\xdf\x82\xe9"; // 前ﾍﾟｰｼﾞに戻る
    EXPECT_TRUE(tip.AddTool(first, japanese));
    EXPECT_TRUE(tip.AddTool(second, "reload"));
    EXPECT_EQ(2, tip.GetToolCount());
    EXPECT_STREQ(japanese, tip.GetToolText(first));
    EXPECT_STREQ("reload", tip.GetToolText(second));
    EXPECT_STREQ("", tip.GetToolText(owner.m_hWnd));
    tip.DestroyWindow();
    owner.DestroyWindow();
}

} // namespace
