#include "messaging/lists/ListRules.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(StatusText, ImagesMapToTheirStringsAndTheTwoSetsShareThem)
{
    const struct {
        int image;
        unsigned id;
    } rows[] = {
        {1, 576}, {3, 303}, {5, 540}, {21, 540}, {6, 541}, {22, 541}, {7, 542}, {13, 548}, {29, 548},
        {14, 549}, {20, 555}, {30, 549}, {36, 555}, {0, 540}, {2, 540}, {4, 540}, {37, 540}, {-1, 540},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.image);
        EXPECT_EQ(row.id, StatusTextStringId(row.image));
    }
}

std::set<unsigned> Enabled(const FriendMenuState& state)
{
    std::set<unsigned> out;
    for (const auto& item : state.grayed) {
        if (!item.second)
            out.insert(item.first);
    }
    return out;
}

TEST(FriendMenu, EnablingFollowsRowStateLoginListAndDatabase)
{
    const std::set<unsigned> all = {kFriendRefresh, kFriendCopyId, kFriendCopyName, kFriendMemo, kFriendSend,
                                    kFriendCall, kFriendHistory, kFriendRoom, kFriendDeletePage};
    auto without = [&all](std::set<unsigned> removed) {
        std::set<unsigned> out;
        for (unsigned c : all) {
            if (!removed.count(c))
                out.insert(c);
        }
        return out;
    };
    const struct {
        const char* name;
        FriendMenuInput input;
        bool show;
        std::set<unsigned> enabled;
        unsigned sendLabel;
    } rows[] = {
        {"normal friend", {true, true, 0}, true, all, 0},
        {"no row: refresh only", {true, false, 0}, true, {kFriendRefresh}, 0},
        {"no row before the list arrived: nothing", {true, false, 0, true, false, false, false}, true, {}, 0},
        {"mail-only friend", {true, true, 3}, true, {kFriendRefresh, kFriendSend}, kFriendMailLabel},
        {"mail-only before the list arrived: send still offered", {true, true, 3, true, false, false, false},
         true, {kFriendSend}, kFriendMailLabel},
        {"offline friend: no call", {true, true, 1}, true, without({kFriendCall}), 0},
        {"phone without session", {true, true, 0, true, true, false}, true, without({kFriendCall}), 0},
        {"phone in session", {true, true, 0, true, true, true}, true, all, 0},
        {"no database", {true, true, 0, false}, true, without({kFriendMemo, kFriendHistory}), 0},
        {"logged out", {true, true, 0, true, false, false, true, false}, true,
         without({kFriendRoom, kFriendDeletePage}), 0},
        {"another list had the focus", {false, true, 0}, false, all, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const FriendMenuState state = FriendMenuRules(row.input);
        EXPECT_EQ(row.show, state.show);
        EXPECT_EQ(0u, state.grayed.count(kFriendMyStatus));
        if (row.show) {
            EXPECT_EQ(row.enabled, Enabled(state));
            EXPECT_EQ(row.sendLabel, state.sendLabel);
            EXPECT_EQ(!row.enabled.count(kFriendCopyId), state.copyPopupGrayed);
        }
    }
}

} // namespace
