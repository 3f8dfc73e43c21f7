// The busy cursor of a scope: nested scopes put back each their own predecessor.
#include "framework/win/WaitCursor.h"

#include <gtest/gtest.h>

namespace {

TEST(WaitCursor, ShowsItsCursorForTheScopeAndPutsThePreviousOneBack)
{
    HCURSOR arrow = ::LoadCursor(nullptr, IDC_ARROW);
    HCURSOR hourglass = ::LoadCursor(nullptr, IDC_WAIT);
    HCURSOR cross = ::LoadCursor(nullptr, IDC_CROSS);
    ASSERT_TRUE(arrow && hourglass && cross);
    ::SetCursor(arrow);
    {
        CWaitCursor outer;
        EXPECT_EQ(hourglass, ::GetCursor()) << "the system's hourglass unless told otherwise";
        {
            CWaitCursor inner(cross);
            EXPECT_EQ(cross, ::GetCursor());
        }
        EXPECT_EQ(hourglass, ::GetCursor()) << "the inner scope put back the outer one's cursor";
    }
    EXPECT_EQ(arrow, ::GetCursor());
}

} // namespace
