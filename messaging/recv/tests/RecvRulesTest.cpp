#include "messaging/recv/RecvRules.h"

#include <gtest/gtest.h>

#include <set>

namespace {

std::set<unsigned> Grayed(const RecvMenuState& state)
{
    std::set<unsigned> out;
    for (const auto& item : state.grayed) {
        if (item.second)
            out.insert(item.first);
    }
    return out;
}

TEST(RecvListMenu, GrayingFollowsRowSenderLoginPhoneAndHistory)
{
    const struct {
        const char* name;
        RecvMenuInput input;
        std::set<unsigned> grayed;
        bool allHistory;
    } rows[] = {
        {"row of another user", {true, "bob", "me"}, {}, false},
        {"own message", {true, "me", "me"}, {kRecvCall}, true},
        {"empty sender", {true, "", "me"}, {kRecvReply, kRecvRoom, kRecvPartnerPage}, false},
        {"logged out with a row", {true, "bob", "me", false}, {kRecvReply, kRecvRoom, kRecvPartnerPage}, false},
        {"phone without session", {true, "bob", "me", true, true, false}, {kRecvCall}, false},
        {"no history", {true, "bob", "me", true, false, false, false}, {kRecvHistory}, false},
        {"no row", {false, "", "me"},
         {kRecvHistory, kRecvReply, kRecvRoom, kRecvPartnerPage, kRecvCall, kRecvMemo}, false},
        {"no row, logged out", {false, "", "me", false},
         {kRecvHistory, kRecvReply, kRecvRoom, kRecvPartnerPage, kRecvCall, kRecvMemo, kRecvRefresh}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const RecvMenuState state = RecvListMenuRules(row.input);
        EXPECT_EQ(row.grayed, Grayed(state));
        EXPECT_EQ(row.allHistory, state.allHistoryLabel);
        EXPECT_EQ(0u, state.grayed.count(kRecvDelete));
    }
}

TEST(RecvPlacement, SavedCornerInsideTheWorkAreaIsKeptElseCentred)
{
    const RecvRect work{100, 50, 1124, 818}; // a work area that does not start at 0
    const struct {
        int savedX, savedY;
        int x, y;
    } rows[] = {
        {300, 200, 300, 200},
        {1100, 800, 1100, 800},  // right of the width but inside the area
        {100, 50, 412, 284},     // the defaults: centred
        {-5000, 200, 412, 200},
        {300, 90000, 300, 284},
        {1125, 819, 412, 284},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.savedX);
        int x = 0, y = 0;
        PlaceRecvWindow(row.savedX, row.savedY, work, 400, 300, &x, &y);
        EXPECT_EQ(row.x, x);
        EXPECT_EQ(row.y, y);
    }
}

TEST(RecvBanner, PlacementMustBeInsideAndClearOfTheControls)
{
    const RecvRect window{0, 0, 500, 400};
    const std::vector<RecvRect> controls = {{10, 80, 490, 200}, {10, 210, 100, 230}};
    const struct {
        const char* name;
        RecvRect banner;
        bool ok;
    } rows[] = {
        {"above the list", {16, 10, 484, 70}, true},
        {"touching the list's top edge", {16, 20, 484, 80}, true},
        {"crossing the list", {16, 30, 484, 90}, false},
        {"outside the window", {100, 380, 568, 440}, false},
        {"empty", {0, 0, 0, 0}, false},
        {"400 wide window cannot hold 468", {-34, 10, 434, 70}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.ok, BannerPlacementOk(row.banner, window, controls));
    }
}

TEST(AttachOpenTarget, PlainNamesInsideTheTemporaryFolderAndNoDevices)
{
    const struct {
        const char* entry;
        const char* target;
    } rows[] = {
        {"photo.jpg", "C:\\tmp\\photo.jpg"},
        {"..\\..\\windows\\win.ini", "C:\\tmp\\win.ini"},
        {"C:evil.exe", "C:\\tmp\\evil.exe"},
        {"a/b/c.txt", "C:\\tmp\\c.txt"},
        {"\x95\x5C.txt", "C:\\tmp\\\x95\x5C.txt"},       // 表: 0x5C trail byte is no separator
        {"\x83\x7C\x83\x67.txt", "C:\\tmp\\\x83\x7C\x83\x67.txt"}, // ポト: '|' as a trail byte
        {"CON", ""},
        {"com1.txt", ""},
        {"Lpt9", ""},
        {"nul .txt", ""},
        {"name.", ""},
        {"a|b.txt", ""},
        {"..", ""},
        {"", ""},
        {"COM10.txt", "C:\\tmp\\COM10.txt"},
        {"console.txt", "C:\\tmp\\console.txt"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.entry);
        EXPECT_STREQ(row.target, AttachOpenTarget("C:\\tmp\\", row.entry));
    }
    EXPECT_STREQ("C:\\tmp\\x", AttachOpenTarget("C:\\tmp", "x"));
}

TEST(PackageNotice, CodesGiveTheirMessages)
{
    const struct {
        int code;
        PackageNotice notice;
    } rows[] = {
        {0, PackageNotice::None},        {1, PackageNotice::None},
        {-100, PackageNotice::Resources}, {-101, PackageNotice::Resources},
        {-24, PackageNotice::WriteError}, {-23, PackageNotice::ReadError},
        {-22, PackageNotice::CreateError}, {-21, PackageNotice::OpenError},
        {-2, PackageNotice::NoFile},      {-1, PackageNotice::Unsupported},
        {-27, PackageNotice::Unsupported},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(row.notice, PackageNoticeFor(row.code));
    }
}

} // namespace
