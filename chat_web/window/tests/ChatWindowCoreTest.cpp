// The chat window's rules without a window: tables of cases, each row named.
#include "chat_web/window/ChatWindowCore.h"

#include <gtest/gtest.h>

namespace {

using namespace chat;

TEST(ChatNickname, TheServerRuleAndTheReservedWord)
{
    struct Row {
        const char* nick;
        bool valid;
    } rows[] = {
        {"taro", true},        {"Taro9", true},       {"[ninja]", true},    {"`quote", true},
        {"a-b^c{d}", true},    {"back\\sl", true},    {"anonymous", false}, {"AnOnYmOuS", false},
        {"anonymous1", true},  {"-dash", false},      {"9lives", false},    {"has_under", false},
        {"pipe|x", false},     {"sp ace", false},     {"", false},          {"\x83\x5E\x83\x8D", false},
        {"tab\tx", false},     {"~tilde", false},     {"a.b", false},       {"abcdefghijk", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsValidNickname(row.nick), row.valid) << row.nick;
}

TEST(ChatInput, KanaWidensAsciiAndDoubleByteStay)
{
    struct Row {
        const char* name;
        std::string in;
        std::string out;
    } rows[] = {
        {"ascii and link stay", "see http://x.jp/a?b=1 ok", "see http://x.jp/a?b=1 ok"},
        {"half-width ka", "\xB6", "\x83\x4A"},
        {"voiced ga", "\xB6\xDE", "\x83\x4B"},
        {"voiced vu", "\xB3\xDE", "\x83\x94"},
        {"semi-voiced pa", "\xCA\xDF", "\x83\x70"},
        {"voiced ha is ba", "\xCA\xDE", "\x83\x6F"},
        {"a pair not in the tables goes one by one", "\xB1\xDE", "\x83\x41\x81\x4A"},
        {"semi-voiced mark after ka goes one by one", "\xB6\xDF", "\x83\x4A\x81\x4B"},
        {"lone marks widen", "\xDE\xDF", "\x81\x4A\x81\x4B"},
        {"punctuation widens", "\xA1\xA2\xA3\xA4\xA5", "\x81\x42\x81\x75\x81\x76\x81\x41\x81\x45"},
        {"double-byte stays", "\x93\xFA\x96\x7B", "\x93\xFA\x96\x7B"},
        {"a lead byte at the end is dropped", "a\x82", "a"},
        {"bytes that begin nothing are dropped", "a\x80\xA0\xFD\xFE\xFF" "b", "ab"},
        {"empty", "", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ConvertInput(row.in), row.out) << row.name;
}

TEST(ChatInput, CutsAtThreeHundredTwentyJisBytesAndTwoHundredFiftySixBytes)
{
    const std::string kanji = "\x93\xFA"; // 2 bytes, JIS run
    struct Row {
        const char* name;
        std::string in;
        std::size_t bytes;
    } rows[] = {
        // 320 single bytes fit the JIS limit but not the byte limit.
        {"ascii stops at 256 bytes", std::string(400, 'a'), 256},
        // One run: 3 + 2n + 3 <= 320 takes 157 characters (314 bytes), then the byte limit: 128.
        {"kanji stop at 256 bytes", [&] { std::string s; for (int i = 0; i < 200; ++i) s += kanji; return s; }(), 256},
        // Alternating "a" and a kanji costs 1 + 3 + 2 + 3 = 9 per pair: 35 pairs take 315, the 36th
        // "a" 316 and its kanji would need 316 + 3 + 2 + 3 = 324.
        {"switches count", [&] { std::string s; for (int i = 0; i < 60; ++i) s += "a" + kanji; return s; }(), 35 * 3 + 1},
        // Half-width kana after ASCII switch modes too once widened.
        {"widened kana switch", [&] { std::string s; for (int i = 0; i < 60; ++i) s += "a\xB1"; return s; }(), 35 * 3 + 1},
    };
    for (const Row& row : rows) {
        std::string out = ConvertInput(row.in);
        EXPECT_EQ(out.size(), row.bytes) << row.name;
        EXPECT_LE(JisLength(out), kInputJisLimit) << row.name;
    }
}

TEST(ChatInput, TheFirstCharacterIsAlwaysTaken)
{
    EXPECT_EQ(ConvertInput("\x93\xFA"), "\x93\xFA");
    EXPECT_EQ(JisLength("\x93\xFA"), 8u);
    EXPECT_EQ(JisLength("a\x93\xFA" "b"), 1u + 3 + 2 + 3 + 1);
    EXPECT_EQ(JisLength(""), 0u);
}

TEST(ChatHistory, TypedAgainMovesToTheTopAndTwentyAreKept)
{
    std::vector<std::string> history;
    for (int i = 1; i <= 25; ++i)
        AddToHistory(history, "line" + std::to_string(i));
    ASSERT_EQ(history.size(), 20u);
    EXPECT_EQ(history.front(), "line25");
    EXPECT_EQ(history.back(), "line6");

    AddToHistory(history, "line10");
    EXPECT_EQ(history.size(), 20u);
    EXPECT_EQ(history[0], "line10");
    EXPECT_EQ(std::count(history.begin(), history.end(), "line10"), 1);
    EXPECT_EQ(history.back(), "line6") << "a repeat drops nothing else";

    AddToHistory(history, "");
    EXPECT_EQ(history[0], "line10") << "an empty line changes nothing";

    AddToHistory(history, "LINE10");
    EXPECT_EQ(history[1], "line10") << "lines differing in case are two lines";
}

TEST(ChatHistory, StoredFormSkipsEmptyEntriesAndKeepsTwenty)
{
    std::vector<std::string> history = {"a", "", "b"};
    for (int i = 0; i < 30; ++i)
        history.push_back("x" + std::to_string(i));
    std::vector<std::string> stored = HistoryToStore(history);
    ASSERT_EQ(stored.size(), 20u);
    EXPECT_EQ(stored[0], "a");
    EXPECT_EQ(stored[1], "b");
    EXPECT_EQ(stored[19], "x17");
}

TEST(ChatMembers, SplitAtSpacesWithPrefixesDropped)
{
    struct Row {
        const char* name;
        std::string in;
        std::vector<std::string> out;
    } rows[] = {
        {"plain", "taro hanako", {"taro", "hanako"}},
        {"operator mark", "@taro hanako", {"taro", "hanako"}},
        {"voice mark", "+jiro @taro", {"jiro", "taro"}},
        {"lone at stays", "@ taro", {"@", "taro"}},
        {"lone plus stays", "+", {"+"}},
        {"double spaces are skipped, not the end", "taro  hanako   jiro", {"taro", "hanako", "jiro"}},
        {"leading and trailing spaces", " taro ", {"taro"}},
        {"only one mark goes", "@@x", {"@x"}},
        {"empty", "", {}},
        {"spaces only", "    ", {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SplitMembers(row.in), row.out) << row.name;

    std::string many;
    for (int i = 0; i < 500; ++i)
        many += "@n" + std::to_string(i) + " ";
    std::vector<std::string> members = SplitMembers(many);
    ASSERT_EQ(members.size(), 500u);
    EXPECT_EQ(members[499], "n499");
}

TEST(ChatSystemLines, EachKindHasItsLine)
{
    SystemTexts texts{"%s joined", "%s parted", "%s in [%s]", "%s quit"};
    struct Row {
        const char* kind;
        const char* name;
        const char* text;
        const char* line;
        bool time;
    } rows[] = {
        {"_CASE1_", "x", "alert text", "alert text", true},
        {"_DEBUG_", "dbg", "detail", "dbg detail", false},
        {"_LOGIN_", "taro", "", "taro in [#room]", true},
        {"JOIN", "jiro", "", "jiro joined", true},
        {"PART", "jiro", "bye", "jiro parted", true},
        {"QUIT", "jiro", "bye", "jiro quit", true},
        {"_CASE4_", "", "left.", " left.", true},
        {"KICK", "hanako", "KICK jiro :behave", "hanako KICK jiro :behave", true},
        {"NICK", "a%sb", "c", "a%sb c", true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FormatSystemLine(texts, row.kind, row.name, row.text, "#room"), row.line) << row.kind;
        EXPECT_EQ(SystemLineTakesTime(row.kind), row.time) << row.kind;
    }
    EXPECT_EQ(FillHoles("%s and %s", {"a"}), "a and ") << "missing arguments stay empty";
    EXPECT_EQ(FillHoles("100%% %s", {"x%s"}), "100% x%s") << "an argument is not read as a format";
}

TEST(ChatControlStates, EveryCodeSwitchesItsButtons)
{
    using S = Switch;
    struct Row {
        int code;
        S enter, leave, phrases;
    } rows[] = {
        {0, S::Keep, S::Keep, S::Keep}, {1, S::Off, S::Off, S::Off},  {2, S::On, S::Off, S::Keep},
        {3, S::Off, S::Off, S::Keep},   {4, S::Off, S::Keep, S::Keep}, {5, S::Off, S::On, S::On},
        {6, S::On, S::Off, S::Keep},    {7, S::Keep, S::Off, S::Keep}, {8, S::On, S::Off, S::Off},
        {9, S::Off, S::On, S::Keep},    {10, S::Keep, S::Keep, S::Keep}, {-1, S::Keep, S::Keep, S::Keep},
    };
    for (const Row& row : rows) {
        ControlSwitches s = SwitchesForControlState(row.code);
        EXPECT_EQ(s.enter, row.enter) << "code " << row.code;
        EXPECT_EQ(s.leave, row.leave) << "code " << row.code;
        EXPECT_EQ(s.phrases, row.phrases) << "code " << row.code;
    }
}

TEST(ChatStates, EachStateShowsItsInputLine)
{
    struct Row {
        int state;
        InputLook input;
        bool readOnly, enabled, focused, backgrounds;
        std::uint32_t list, log;
        int controlState;
        bool tray, show;
    } rows[] = {
        {0, InputLook::Empty, false, false, false, true, 0xC0C0C0, 0xC0C0C0, 8, false, false},
        {1, InputLook::Connecting, true, true, false, false, 0, 0, 0, true, false},
        {2, InputLook::Unchanged, false, true, false, false, 0, 0, 0, false, false},
        {3, InputLook::ConnectingChat, true, true, false, false, 0, 0, 0, false, false},
        {4, InputLook::Unchanged, false, true, false, false, 0, 0, 0, false, false},
        {5, InputLook::Empty, false, true, true, true, 0xC8D0D4, 0xFFFFFF, 5, false, true},
    };
    for (const Row& row : rows) {
        StateLook look = LookForState(row.state);
        SCOPED_TRACE("state " + std::to_string(row.state));
        EXPECT_EQ(look.input, row.input);
        EXPECT_EQ(look.inputReadOnly, row.readOnly);
        EXPECT_EQ(look.inputEnabled, row.enabled);
        EXPECT_EQ(look.inputFocused, row.focused);
        EXPECT_EQ(look.setBackgrounds, row.backgrounds);
        EXPECT_EQ(look.listBackground, row.list);
        EXPECT_EQ(look.logBackground, row.log);
        EXPECT_EQ(look.controlState, row.controlState);
        EXPECT_EQ(look.addToTray, row.tray);
        EXPECT_EQ(look.show, row.show);
    }
    EXPECT_TRUE(LookForState(0).clearMembers);
    EXPECT_FALSE(LookForState(5).clearMembers);
}

TEST(ChatColours, SavedColourPressesItsButton)
{
    struct Row {
        std::uint32_t colour;
        int button;
    } rows[] = {{0x0000FF, 1224}, {0x00FF00, 1228}, {0x00FFFF, 1226}, {0xFF0000, 1220},
                {0xFF00FF, 1222}, {0x000000, 1218}, {0x123456, 1218}, {0xFFFFFFFF, 1218}};
    for (const Row& row : rows)
        EXPECT_EQ(ColorButtonFor(row.colour), row.button) << std::hex << row.colour;
}

TEST(ChatLinks, OnlyTheLinkIsUnderlined)
{
    struct Row {
        const char* name;
        std::string text;
        std::vector<LogSegment> segments;
    } rows[] = {
        {"link then words", "see http://a.jp/x more", {{"see ", false}, {"http://a.jp/x", true}, {" more", false}}},
        {"link at the end gets a space", "go https://b.jp", {{"go ", false}, {"https://b.jp", true}, {" ", false}}},
        {"no server is no link", "http:// x", {{"http:// x", false}}},
        {"unknown scheme", "httpx://a.jp", {{"httpx://a.jp", false}}},
        {"kanji ends the link", "http://a.jp\x93\xFA", {{"http://a.jp", true}, {"\x93\xFA", false}}},
        {"a trail byte before ttp is no link", "\x83http://a.jp", {{"\x83hhttp://a.jp", false}}},
        {"two links", "http://a.jp http://b.jp", {{"http://a.jp", true}, {" ", false}, {"http://b.jp", true}, {" ", false}}},
        {"skipped candidate then link", "http: http://c.jp/", {{"http: ", false}, {"http://c.jp/", true}, {" ", false}}},
        {"user and port", "http://u@h:8080/p", {{"http://u@h:8080/p", true}, {" ", false}}},
        {"empty host after user", "http://u@/p", {{"http://u@/p", false}}},
        {"plain", "hello", {{"hello", false}}},
    };
    // The trail-byte row: a lead byte 0x83 followed by 'h' is one character; the text after it
    // starts with "ttp://" and holds no "http" at a character boundary.
    rows[5].text = "\x83hhttp://a.jp";
    rows[5].segments = {{"\x83h", false}, {"http://a.jp", true}, {" ", false}};
    for (const Row& row : rows) {
        std::vector<LogSegment> got = SplitLinks(row.text);
        ASSERT_EQ(got.size(), row.segments.size()) << row.name;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].text, row.segments[i].text) << row.name << " segment " << i;
            EXPECT_EQ(got[i].link, row.segments[i].link) << row.name << " segment " << i;
        }
    }
    std::vector<LogSegment> hidden = SplitLinks("\x83http://a.jp");
    ASSERT_EQ(hidden.size(), 1u) << "\"http\" whose h is a trail byte starts no link";
    EXPECT_FALSE(hidden[0].link);
}

TEST(ChatLinks, AClickFindsTheLinkAroundIt)
{
    std::string text = "<taro> see http://a.jp/x and http://b.jp\r\n";
    struct Row {
        std::size_t pos;
        const char* link;
    } rows[] = {{0, nullptr},        {11, "http://a.jp/x"}, {20, "http://a.jp/x"}, {24, nullptr},
                {29, "http://b.jp"}, {39, "http://b.jp"},   {40, nullptr},     {999, nullptr}};
    for (const Row& row : rows) {
        std::string link;
        bool found = LinkAt(text, row.pos, &link);
        EXPECT_EQ(found, row.link != nullptr) << "pos " << row.pos;
        if (row.link)
            EXPECT_EQ(link, row.link) << "pos " << row.pos;
    }
}

TEST(ChatEvents, EveryWParamAndTypeHasItsAction)
{
    auto ev = [](int type, const char* command) {
        ChatEvent e;
        e.type = type;
        e.command = command;
        return e;
    };
    struct Row {
        const char* name;
        int wParam;
        bool withEvent;
        ChatEvent event;
        EventAction action;
        int message;
    } rows[] = {
        {"room parameter", 1, false, {}, EventAction::EnterRoom, 0},
        {"entered", 0, true, ev(CHAT_EV_ENTERED, "JOIN"), EventAction::Entered, 0},
        {"privmsg", 0, true, ev(CHAT_EV_MESSAGE, "PRIVMSG"), EventAction::ChatLine, 0},
        {"join of another", 0, true, ev(CHAT_EV_MESSAGE, "JOIN"), EventAction::SystemLine, 0},
        {"alert", 0, true, ev(CHAT_EV_ALERT, "433"), EventAction::Alert, 0},
        {"namelist", 0, true, ev(CHAT_EV_INFO, "NAMELIST"), EventAction::MemberList, 0},
        {"motd", 0, true, ev(CHAT_EV_INFO, "MOTD"), EventAction::None, 0},
        {"closed", 0, true, ev(CHAT_EV_CLOSED, ""), EventAction::Closed, 0},
        {"unknown type", 0, true, ev(99, "X"), EventAction::None, 0},
        {"proxy refused type", 0, true, ev(CHAT_EV_PROXY_REFUSED, ""), EventAction::None, 0},
        {"no record", 0, false, {}, EventAction::None, 0},
        {"positive", 2, true, ev(CHAT_EV_ENTERED, ""), EventAction::None, 0},
        {"-1", -1, false, {}, EventAction::End, kStrLoginFailed},
        {"-2", -2, true, ev(CHAT_EV_ALERT, "ERROR"), EventAction::End, kStrLoginFailed},
        {"-3", -3, false, {}, EventAction::End, kStrSendError},
        {"-4", -4, false, {}, EventAction::End, kStrSendError},
        {"-5", -5, false, {}, EventAction::End, kStrNickInUse},
        {"-6", -6, false, {}, EventAction::End, kStrBadKey},
        {"-7", -7, false, {}, EventAction::End, kStrRoomFull},
        {"-8 has its own text", -8, false, {}, EventAction::End, kStrNoSuchRoom},
        {"-9", -9, false, {}, EventAction::End, kStrNickForbidden},
        {"-10", -10, false, {}, EventAction::End, kStrSendError},
        {"-77", -77, false, {}, EventAction::End, kStrSendError},
    };
    for (const Row& row : rows) {
        EventDecision d = DecideEvent(row.wParam, row.withEvent ? &row.event : nullptr);
        EXPECT_EQ(d.action, row.action) << row.name;
        EXPECT_EQ(d.messageId, row.message) << row.name;
    }
}

TEST(ChatPlacement, StoredPositionsAreKeptOnTheWorkArea)
{
    const Placement work{0, 0, 1024, 740};
    const Placement below{100, 300, 0, 0};
    struct Row {
        const char* name;
        Placement stored, expected;
    } rows[] = {
        {"no stored position goes below the browser", {-1, -1, 500, 400}, {100, 300, 480, 360}},
        {"kept", {50, 60, 600, 500}, {50, 60, 600, 500}},
        {"at the left edge stays", {0, 0, 600, 500}, {0, 0, 600, 500}},
        {"left of the work area is centred", {-5, 10, 600, 500}, {212, 10, 600, 500}},
        {"beyond the width is centred", {1024, 10, 480, 360}, {272, 10, 480, 360}},
        {"too wide takes the current size", {10, 10, 5000, 360}, {10, 10, 480, 360}},
        {"too small takes the current size", {10, 10, 100, 100}, {10, 10, 480, 360}},
        {"below the work area is centred", {10, 900, 480, 360}, {10, 190, 480, 360}},
    };
    for (const Row& row : rows) {
        Placement p = RestorePlacement(row.stored, 480, 360, work, below);
        EXPECT_EQ(p.x, row.expected.x) << row.name;
        EXPECT_EQ(p.y, row.expected.y) << row.name;
        EXPECT_EQ(p.width, row.expected.width) << row.name;
        EXPECT_EQ(p.height, row.expected.height) << row.name;
    }
}

// Without a stored position the window goes below the browser, but a browser near an edge of the
// work area does not carry it off: it is shifted in with its size kept.
TEST(ChatPlacement, FirstPlacementBelowTheBrowserStaysOnTheWorkArea)
{
    const Placement work{0, 0, 1024, 768};
    const Placement never{-1, -1, 480, 400};
    struct Row {
        const char* name;
        Placement below, expected;
    } rows[] = {
        {"room below: kept", {398, 300, 0, 0}, {398, 300, 480, 360}},
        {"browser off the left: shifted right", {-154, 388, 0, 0}, {0, 388, 480, 360}},
        {"browser at the bottom: shifted up", {398, 768, 0, 0}, {398, 408, 480, 360}},
        {"browser off the right: shifted left", {700, 100, 0, 0}, {544, 100, 480, 360}},
    };
    for (const Row& row : rows) {
        Placement p = RestorePlacement(never, 480, 360, work, row.below);
        EXPECT_EQ(p.x, row.expected.x) << row.name;
        EXPECT_EQ(p.y, row.expected.y) << row.name;
        EXPECT_EQ(p.width, row.expected.width) << row.name;
        EXPECT_EQ(p.height, row.expected.height) << row.name;
    }
}

} // namespace
