// Skin button frames, readout glyphs, blink speeds and the message box's buttons, keys and layout.
#include "toolkit/core/ControlLogic.h"

#include "ids/toolkit.h"

#include <gtest/gtest.h>

namespace {

TEST(ButtonFrame, ChoiceByStateCaptionDisabledAndCheck)
{
    using namespace skin;
    struct Case {
        const char* name;
        int state, frames;
        bool caption, disabled, checked;
        int expected;
    } cases[] = {
        {"normal", kButtonNormal, 4, false, false, false, 0},
        {"pressed", kButtonPressed, 4, false, false, false, 1},
        {"hover", kButtonHover, 4, false, false, false, 2},
        {"hover with caption shows normal", kButtonHover, 4, true, false, false, 0},
        {"disabled", kButtonDisabled, 4, false, true, false, 3},
        {"disabled with caption shows normal", kButtonDisabled, 4, true, true, false, 0},
        {"checked wins", kButtonNormal, 4, false, false, true, 1},
        {"checked wins over disabled", kButtonDisabled, 4, false, true, true, 1},
        {"one frame always 0", kButtonDisabled, 1, false, true, true, 0},
        {"two frames: disabled stays in the strip", kButtonDisabled, 2, false, true, false, 1},
        {"three frames: disabled stays in the strip", kButtonDisabled, 3, false, true, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChooseButtonFrame(c.state, c.frames, c.caption, c.disabled, c.checked), c.expected);
    }
}

TEST(Readout, TextAndGlyphs)
{
    using skin::kGlyphBlank;
    using skin::kGlyphMinus;
    struct Case {
        const char* name;
        int value, digits, mode;
        bool zeroFill;
        const char* text;
        std::vector<int> glyphs;
    } cases[] = {
        {"minutes-seconds", 125, 5, 4, false, " 2- 5", {kGlyphBlank, 2, kGlyphMinus, kGlyphBlank, 5}},
        {"minutes-seconds zero filled", 125, 5, 4, true, " 2- 5", {0, 2, kGlyphMinus, 0, 5}},
        {"two digits zero filled", 7, 2, 1, true, " 7", {0, 7}},
        {"negative", -3, 2, 1, true, "-3", {kGlyphMinus, 3}},
        {"negative keeps blanks", -3, 4, 1, true, "  -3", {kGlyphBlank, kGlyphBlank, kGlyphMinus, 3}},
        {"too wide keeps the last digits", 12345, 3, 1, false, "345", {3, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(skin::ReadoutText(c.value, c.digits, c.mode), c.text);
        EXPECT_EQ(skin::ReadoutGlyphs(c.value, c.digits, c.mode, c.zeroFill), c.glyphs);
    }
}

TEST(Readout, RefitKeepsTheEdgesNamedByGrowth)
{
    skin::Rect r = skin::MakeRect(100, 50, 120, 60);
    EXPECT_EQ(skin::RefitReadout(r, 4, 9, 13, 12), skin::MakeRect(100, 50, 136, 63));
    EXPECT_EQ(skin::RefitReadout(r, 4, 9, 13, 0), skin::MakeRect(84, 47, 120, 60));
}

TEST(Blink, SpeedCodes)
{
    EXPECT_EQ(skin::BlinkIntervalMs(0), 2000u);
    EXPECT_EQ(skin::BlinkIntervalMs(1), 1000u);
    EXPECT_EQ(skin::BlinkIntervalMs(2), 500u);
    EXPECT_EQ(skin::BlinkIntervalMs(3), 3u);
    EXPECT_EQ(skin::BlinkIntervalMs(300), 300u);
}

TEST(MessageBoxButtons, SetsDefaultsAndCancel)
{
    using namespace skin;
    struct Case {
        unsigned style;
        std::vector<int> ids;
        std::vector<int> strings;
        int def, cancel;
    } cases[] = {
        {0, {1}, {IDS_MSGBOX_OK}, 1, 1},
        {1, {1, 2}, {IDS_MSGBOX_OK, IDS_MSGBOX_CANCEL}, 1, 2},
        {2, {3, 4, 5}, {IDS_MSGBOX_ABORT, IDS_MSGBOX_RETRY, IDS_MSGBOX_IGNORE}, -1, 5},
        {3, {6, 7, 2}, {IDS_MSGBOX_YES, IDS_MSGBOX_NO, IDS_MSGBOX_CANCEL}, 6, 2},
        {0x24, {6, 7}, {IDS_MSGBOX_YES, IDS_MSGBOX_NO}, 6, 7},
        {5, {4, 2}, {IDS_MSGBOX_RETRY, IDS_MSGBOX_CANCEL}, 4, 2},
        // No button set of its own: OK, so the box can always be closed.
        {6, {1}, {IDS_MSGBOX_OK}, 1, 1},
        {0x3F, {1}, {IDS_MSGBOX_OK}, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        MessageBoxButtonSet set = ButtonSetForStyle(c.style);
        std::vector<int> ids, strings;
        for (const MessageBoxButton& b : set.buttons) {
            ids.push_back(b.id);
            strings.push_back(b.stringId);
        }
        EXPECT_EQ(ids, c.ids);
        EXPECT_EQ(strings, c.strings);
        EXPECT_EQ(set.defaultId, c.def);
        EXPECT_EQ(set.cancelId, c.cancel);
    }
}

TEST(MessageBoxButtons, Icons)
{
    using skin::MessageBoxIcon;
    EXPECT_EQ(skin::IconForStyle(0x10), MessageBoxIcon::Hand);
    EXPECT_EQ(skin::IconForStyle(0x24), MessageBoxIcon::Question);
    EXPECT_EQ(skin::IconForStyle(0x40), MessageBoxIcon::Asterisk);
    EXPECT_EQ(skin::IconForStyle(0x30), MessageBoxIcon::Exclamation);
    EXPECT_EQ(skin::IconForStyle(0), MessageBoxIcon::Exclamation);
    EXPECT_EQ(skin::IconForStyle(0x70), MessageBoxIcon::Exclamation);
}

TEST(MessageBoxKeys, EnterEscapeAndClose)
{
    using skin::BoxKey;
    struct Case {
        const char* name;
        BoxKey key;
        int focus, def, cancel, expected;
    } cases[] = {
        {"enter takes the default", BoxKey::Enter, 0, 6, 7, 6},
        {"enter on a focused button answers it", BoxKey::Enter, 4, -1, 5, 4},
        {"enter without default or focus is swallowed", BoxKey::Enter, 0, -1, 5, 0},
        {"escape answers cancel", BoxKey::Escape, 6, 6, 7, 7},
        {"ctrl+break answers cancel", BoxKey::Cancel, 0, 1, 2, 2},
        {"close answers cancel", BoxKey::Close, 0, 1, 2, 2},
        {"escape without cancel is swallowed", BoxKey::Escape, 0, 1, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(skin::MessageBoxKeyResult(c.key, c.focus, c.def, c.cancel), c.expected);
    }
}

TEST(MessageBoxText, BisectionFindsNarrowestWidthKeepingTheFirstHeight)
{
    // A text of 300 pixels in lines of 15 pixels.
    auto request = [](int width) {
        int lines = width <= 0 ? 300 : (300 + width - 1) / width;
        return skin::Size{width, lines * 15};
    };
    skin::Size size = skin::BisectTextSize(1024, request);
    EXPECT_LE(size.cx, 512) << "never wider than half the screen";
    EXPECT_GE(size.cx, 300 - 2);
    EXPECT_EQ(size.cy, 15);
}

TEST(MessageBoxLayout, ButtonsCentredAndHeightCapped)
{
    skin::MessageBoxMetrics m{10, 10, 10, 7, 10, 7, 7};
    skin::MessageBoxLayout l = skin::LayOutMessageBox(m, {200, 30}, {32, 32}, {60, 20}, 2, 0);
    EXPECT_EQ(l.client.cx, 200 + 10 + 32 + 10 + 10);
    EXPECT_EQ(l.client.cy, 32 + 7 + 20 + 10 + 7);
    ASSERT_EQ(l.buttons.size(), 2u);
    EXPECT_NEAR(l.buttons[0].left + l.buttons[1].right, l.client.cx, 1) << "the row is centred";
    EXPECT_EQ(l.buttons[0].bottom, l.client.cy - 7);
    EXPECT_EQ(l.icon, skin::MakeRect(10, 10, 42, 42));
    EXPECT_FALSE(l.textCapped);

    skin::MessageBoxLayout tall = skin::LayOutMessageBox(m, {200, 5000}, {32, 32}, {60, 20}, 1, 700);
    EXPECT_EQ(tall.client.cy, 700);
    EXPECT_TRUE(tall.textCapped);
    EXPECT_LE(tall.buttons[0].bottom, 700);
}

} // namespace
