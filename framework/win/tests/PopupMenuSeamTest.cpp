// The context-menu seam: a registered tracker sees the built menu, and its answer reaches the
// owner as the command TrackPopupMenu would have sent.
#include "framework/win/PopupMenuSeam.h"

#include "framework/win/Wnd.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CommandSink : public CWnd {
public:
    std::vector<UINT> commands;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND)
            commands.push_back(LOWORD(wParam));
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

TEST(PopupMenuSeam, TrackerReadsTheMenuAndItsAnswerIsTheCommand)
{
    CommandSink owner;
    const char* cls = CWnd::RegisterWindowClass("NvPopupSeamTest");
    ASSERT_TRUE(owner.CreateEx(0, cls, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HMENU menu = ::CreatePopupMenu();
    ::AppendMenuA(menu, MF_STRING, 101, "one");
    ::AppendMenuA(menu, MF_STRING | MF_GRAYED, 102, "two");
    int seenItems = -1;
    UINT answer = 101;
    nvwin::SetPopupTracker([&](HMENU built, UINT, int, int, HWND) {
        seenItems = ::GetMenuItemCount(built);
        return answer;
    });
    EXPECT_EQ(1u, nvwin::TrackPopup(menu, TPM_RIGHTBUTTON, 5, 5, owner.m_hWnd));
    EXPECT_EQ(2, seenItems);
    EXPECT_EQ(std::vector<UINT>{101}, owner.commands);
    answer = 0;
    EXPECT_EQ(0u, nvwin::TrackPopup(menu, TPM_RIGHTBUTTON, 5, 5, owner.m_hWnd));
    answer = 102;
    EXPECT_EQ(102u, nvwin::TrackPopup(menu, TPM_RETURNCMD, 5, 5, owner.m_hWnd));
    EXPECT_EQ(std::vector<UINT>{101}, owner.commands); // nothing sent with TPM_RETURNCMD
    nvwin::SetPopupTracker(nullptr);
    ::DestroyMenu(menu);
    owner.DestroyWindow();
}

} // namespace
