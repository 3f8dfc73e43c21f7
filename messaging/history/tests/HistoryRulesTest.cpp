#include "messaging/history/HistoryRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace history;

namespace {

TEST(LogRows, PicturesFollowDirectionAndAttachmentType)
{
    EXPECT_EQ(0, LogRowImage(false));
    EXPECT_EQ(1, LogRowImage(true));
    const struct {
        long type;
        int image;
    } rows[] = {{0, -1}, {1, 2}, {4, 3}, {2, 4}, {3, 4}, {5, 4}, {-1, 4}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        EXPECT_EQ(row.image, LogAttachmentImage(row.type));
    }
}

TEST(LogReply, NeedsClientReceivedMessageAndAnotherPartner)
{
    const struct {
        const char* name;
        bool client;
        bool received;
        const char* partner;
        bool reply;
    } rows[] = {
        {"received from a partner", true, true, "PARTNER0000001", true},
        {"logged out", false, true, "PARTNER0000001", false},
        {"sent message", true, false, "PARTNER0000001", false},
        {"own ID in other letter case", true, true, "own0000000000001", false},
        {"own ID", true, true, "OWN0000000000001", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ShownMessage shown;
        shown.received = row.received;
        shown.partnerId = row.partner;
        EXPECT_EQ(row.reply, CanReplyTo(shown, row.client, "OWN0000000000001"));
    }
}

TEST(LogButtons, EachStateTouchesItsButtonOnly)
{
    using Effects = std::vector<std::pair<unsigned, bool>>;
    ShownMessage sound;
    sound.attachType = 1;
    ShownMessage plain;
    const struct {
        int state;
        const ShownMessage* shown;
        bool replyPossible;
        Effects effects;
    } rows[] = {
        {1, &sound, false, {{kLogPlay, true}}},
        {1, &plain, false, {{kLogPlay, false}}},
        {2, &sound, false, {{kLogPlay, false}}},
        {3, &plain, false, {{kLogDelete, true}}},
        {4, &plain, false, {{kLogDelete, false}}},
        {5, &plain, true, {{kLogReply, false}, {kLogReply, true}}},
        {5, &plain, false, {{kLogReply, false}}},
        {6, &plain, true, {{kLogReply, false}}},
        {7, &plain, false, {{kLogReload, true}}},
        {8, &plain, false, {{kLogReload, false}}},
        {11, &sound, false, {{kLogSave, true}}},
        {11, &plain, false, {{kLogSave, false}}},
        {12, &sound, false, {{kLogSave, false}}},
        {9, &sound, true, {}},
        {10, &sound, true, {}},
        {0, &sound, true, {}},
        {13, &sound, true, {}},
        {-1, &sound, true, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.state);
        EXPECT_EQ(row.effects, LogButtonEffects(row.state, *row.shown, row.replyPossible));
    }
}

TEST(LogButtons, SelectionEnablesPlayForSoundAndSaveForPackagesOnly)
{
    const struct {
        long type;
        bool client;
        std::vector<int> states;
    } rows[] = {
        {0, true, {3, 5}}, {1, true, {3, 5, 1}}, {4, true, {3, 5, 11}}, {2, true, {3, 5}},
        {3, false, {3}},   {1, false, {3, 1}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        EXPECT_EQ(row.states, LogSelectionStates(row.type, row.client));
    }
}

TEST(Presence, FirstRowWithTheIdGivesItsIconElseOffline)
{
    PresenceCache cache;
    cache.Add("FRIEND000000001", 7);          // friend list first
    cache.Add("USER00000000002", 0x40 | 9);   // bits above the icon index are dropped
    cache.Add("FRIEND000000001", 12);         // the same ID again in the user list: the first wins
    cache.Add("ONLINE000000003", 0);
    const struct {
        const char* id;
        int presence;
    } rows[] = {
        {"FRIEND000000001", 7}, {"USER00000000002", 9}, {"ONLINE000000003", 0},
        {"NOBODY000000000", 1}, {"friend000000001", 1}, {"", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(row.presence, cache.Lookup(row.id));
    }
    cache.Clear();
    EXPECT_EQ(1, cache.Lookup("FRIEND000000001"));
}

std::set<unsigned> On(const std::map<unsigned, bool>& states)
{
    std::set<unsigned> out;
    for (const auto& item : states)
        if (item.second)
            out.insert(item.first);
    return out;
}

TEST(PartnerList, ButtonsFollowOwnRowLoginPhoneAndPresence)
{
    const std::set<unsigned> all = {kPartnerDelete, kPartnerReply, kPartnerPhone, kPartnerLog, kPartnerMemo};
    const struct {
        const char* name;
        PartnerSelection selection;
        std::set<unsigned> on;
    } rows[] = {
        {"no row", {false, false, true, true, true, 0}, {}},
        {"online partner, phone connected", {true, false, true, true, true, 0}, all},
        {"no phone window: phone still offered", {true, false, true, false, false, 0}, all},
        {"phone not connected", {true, false, true, true, false, 0},
         {kPartnerDelete, kPartnerReply, kPartnerLog, kPartnerMemo}},
        {"offline partner", {true, false, true, true, true, 1},
         {kPartnerDelete, kPartnerReply, kPartnerLog, kPartnerMemo}},
        {"own row", {true, true, true, true, true, 0}, {kPartnerDelete, kPartnerMemo}},
        {"logged out", {true, false, false, true, true, 0}, {kPartnerDelete, kPartnerLog, kPartnerMemo}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.on, On(PartnerButtonStates(row.selection)));
    }
}

TEST(PartnerList, MenuGraysCallWithoutSessionAndPagesWithoutLogin)
{
    auto grayed = [](const PartnerSelection& s, bool web) {
        std::vector<unsigned> list = PartnerMenuGrayed(s, web);
        return std::set<unsigned>(list.begin(), list.end());
    };
    EXPECT_EQ(std::set<unsigned>{}, grayed({true, false, true, true, true, 0}, true));
    EXPECT_EQ(std::set<unsigned>{kPartnerMenuCall}, grayed({true, false, true, false, false, 0}, true));
    EXPECT_EQ(std::set<unsigned>{kPartnerMenuCall}, grayed({true, false, true, true, true, 1}, true));
    EXPECT_EQ((std::set<unsigned>{kPartnerMenuReply, kPartnerMenuCall, kPartnerMenuLog}),
              grayed({true, true, true, true, true, 0}, true));
    EXPECT_EQ((std::set<unsigned>{kPartnerMenuReply, kPartnerMenuRoom, kPartnerMenuPage}),
              grayed({true, false, false, true, true, 0}, false));
}

TEST(PartnerList, RenameTakesOneToSixteenCharactersThatDiffer)
{
    std::string sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen += "\x88\xa4"; // a double-byte character
    const struct {
        const char* name;
        std::string oldName, newName;
        bool accepted;
    } rows[] = {
        {"new ASCII name", "old", "new", true},
        {"sixteen ASCII", "old", "abcdefghijklmnop", true},
        {"seventeen ASCII", "old", "abcdefghijklmnopq", false},
        {"sixteen double-byte (32 bytes)", "old", sixteen, true},
        {"seventeen double-byte", "old", sixteen + "\x88\xa4", false},
        {"sixteen double-byte and one ASCII", "old", sixteen + "a", false},
        {"unchanged", "same", "same", false},
        {"empty", "old", "", false},
        {"a lead byte alone at the end counts once", "old", "abcdefghijklmno\x88", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.accepted, AcceptRename(row.oldName.c_str(), row.newName.c_str()));
    }
}

TEST(Moods, StatusWordMarksTheMoodWhateverItsOtherBits)
{
    const struct {
        unsigned status;
        int mood;
    } rows[] = {
        {0, 0},    {0x10, 1},  {0x14, 1},     {0x1F, 1},         {0x80, 8},        {0x84, 8},
        {0x90, -1}, {0xF0, -1}, {0x10010, 1}, {0xFFFFFF0Fu, 0}, {0xFFFFFF3Fu, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status);
        EXPECT_EQ(row.mood, MoodOfStatus(row.status));
    }
    for (int i = 0; i < kMoodCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(static_cast<unsigned>(i * 16), MoodStatus(i));
        EXPECT_EQ(i, MoodOfStatus(MoodStatus(i)));
        EXPECT_EQ(i, MoodOfCommand(MoodAt(i).command));
        EXPECT_EQ(800u + static_cast<unsigned>(i), MoodAt(i).icon);
        EXPECT_EQ(540u + static_cast<unsigned>(i), MoodAt(i).menuText);
        EXPECT_EQ(1415u + static_cast<unsigned>(i), MoodAt(i).radio);
        EXPECT_EQ(1424u + static_cast<unsigned>(i), MoodAt(i).iconControl);
        EXPECT_EQ(1433u + static_cast<unsigned>(i), MoodAt(i).label);
    }
    EXPECT_EQ(-1, MoodOfCommand(32833));
    EXPECT_EQ(-1, MoodOfCommand(32843));
}

TEST(MoodGrid, RowsPairMoodsAndStartBelowTheLastControl)
{
    // Radio 12x12, icon 16x16, label width 40+index; the last control of each row (a label)
    // is 14 high except in the row of mood 6, whose label is 20 high.
    std::vector<GridSize> sizes;
    for (int mood = 0; mood < kMoodCount; ++mood) {
        sizes.push_back({12, 12});
        sizes.push_back({16, 16});
        sizes.push_back({40 + mood, mood == 6 ? 20 : 14});
    }
    const std::vector<GridRect> rects = LayoutMoodGrid(10, 30, sizes);
    ASSERT_EQ(27u, rects.size());
    auto rect = [&](int mood, int part) { return rects[static_cast<std::size_t>(mood * 3 + part)]; };
    // Row 0: mood 0 then mood 5, left to right, 2 pixels apart.
    EXPECT_EQ(10, rect(0, 0).left);
    EXPECT_EQ(30, rect(0, 0).top);
    EXPECT_EQ(22, rect(0, 0).right);
    EXPECT_EQ(24, rect(0, 1).left);
    EXPECT_EQ(42, rect(0, 2).left);
    EXPECT_EQ(82, rect(0, 2).right);
    EXPECT_EQ(84, rect(5, 0).left);
    EXPECT_EQ(30, rect(5, 2).top);
    // Row 1 (moods 1 and 6) starts 8 below the 14-high label that ended row 0.
    EXPECT_EQ(10, rect(1, 0).left);
    EXPECT_EQ(52, rect(1, 0).top);
    EXPECT_EQ(52, rect(6, 2).top);
    EXPECT_EQ(72, rect(6, 2).bottom);
    // Row 2 follows the 20-high label of mood 6.
    EXPECT_EQ(80, rect(2, 0).top);
    EXPECT_EQ(102, rect(3, 0).top);
    // The last row holds mood 4 alone.
    EXPECT_EQ(124, rect(4, 0).top);
    EXPECT_EQ(10, rect(4, 0).left);
    // No two controls overlap.
    for (std::size_t a = 0; a < rects.size(); ++a)
        for (std::size_t b = a + 1; b < rects.size(); ++b) {
            const bool apart = rects[a].right <= rects[b].left || rects[b].right <= rects[a].left ||
                               rects[a].bottom <= rects[b].top || rects[b].bottom <= rects[a].top;
            EXPECT_TRUE(apart) << a << " and " << b;
        }
    EXPECT_TRUE(LayoutMoodGrid(0, 0, std::vector<GridSize>(26)).empty());
}

std::set<unsigned> Enabled(const UserMenuState& state)
{
    std::set<unsigned> out;
    for (const auto& item : state.grayed)
        if (!item.second)
            out.insert(item.first);
    return out;
}

TEST(UserMenu, GrayingFollowsRowLoginListPhoneAndDatabase)
{
    const std::set<unsigned> all = {kUserRefresh, kUserCopyId, kUserCopyName, kUserMemo, kUserMyStatus,
                                    kUserSend,    kUserCall,   kUserHistory,  kUserRoom, kUserPage};
    auto without = [&all](std::set<unsigned> removed) {
        std::set<unsigned> out;
        for (unsigned c : all)
            if (!removed.count(c))
                out.insert(c);
        return out;
    };
    const struct {
        const char* name;
        UserMenuInput input;
        std::set<unsigned> enabled;
        bool moods;
        bool copyGrayed;
        unsigned label;
    } rows[] = {
        {"own row 0", {0, true}, without({kUserCall}), true, false, kUserAllHistoryLabel},
        {"other row", {3, false}, all, false, false, 0},
        {"no row", {-1, false}, without({kUserSend, kUserCall, kUserRoom, kUserHistory, kUserPage}), false, true, 0},
        {"phone without session", {3, false, true, false}, without({kUserCall}), false, false, 0},
        {"list disabled", {3, false, false, false, false}, without({kUserSend, kUserRefresh}), false, false, 0},
        {"logged out", {3, false, false, false, true, false}, without({kUserRoom, kUserPage}), false, false, 0},
        {"refresh not allowed", {3, false, false, false, true, true, false}, without({kUserRefresh}), false, false, 0},
        {"no database", {3, false, false, false, true, true, true, false}, without({kUserHistory}), false, false, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const UserMenuState state = UserMenuRules(row.input);
        EXPECT_EQ(row.enabled, Enabled(state));
        EXPECT_EQ(row.moods, state.moodSubmenu);
        EXPECT_EQ(row.copyGrayed, state.copyPopupGrayed);
        EXPECT_EQ(row.label, state.historyLabel);
    }
}

} // namespace
