#include "phone_media/callengine/CallEngine.h"

#include <gtest/gtest.h>

TEST(CallEngine, ReadsTheLibraryVersionText)
{
    CCallEngine engine;
    CString text = engine.GetVersionText();
    // version "R" release "B" build, as the library reports it.
    int r = text.Find('R');
    int b = text.Find('B');
    EXPECT_GT(r, 0) << text.GetString();
    EXPECT_GT(b, r) << text.GetString();
    EXPECT_LT(b, text.GetLength() - 1) << text.GetString();
}

TEST(CallEngine, TheLastEngineConstructedIsTheCurrentOneUntilItGoes)
{
    EXPECT_EQ(nullptr, CCallEngine::GetInstance());
    {
        CCallEngine first;
        EXPECT_EQ(&first, CCallEngine::GetInstance());
        EXPECT_EQ(0u, first.GetStatus());
        auto* second = new CCallEngine;
        EXPECT_EQ(second, CCallEngine::GetInstance());
        delete second;
        EXPECT_EQ(nullptr, CCallEngine::GetInstance()) << "destroying any engine clears the current one";
    }
    EXPECT_EQ(nullptr, CCallEngine::GetInstance());
}
