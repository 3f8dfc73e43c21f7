// The dial-up layer's rules that need no system: tables of cases, each row named on failure.
#include "net/ras/DialupRules.h"
#include "net/ras/RasRecords.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace ras;

TEST(DialupRules, StateTextsCoverEveryStateAndOnlyTheTwoFinalOnes)
{
    struct Row {
        std::uint32_t state;
        unsigned id;
        bool final, connected;
    } rows[] = {
        {0, 14501, false, false},      {1, 14502, false, false},      {18, 14519, false, false},
        {23, 14524, false, false},     {24, 14500, false, false},     {0x1000, 14525, false, false},
        {0x1003, 14528, false, false}, {0x1004, 14500, false, false}, {0x2000, 14529, true, true},
        {0x2001, 14530, true, false},  {0x2002, 14500, false, false}, {0xFFFFFFFF, 14500, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.state);
        StateText t = StateTextFor(r.state);
        EXPECT_EQ(r.id, t.stringId);
        EXPECT_EQ(r.final, t.final);
        EXPECT_EQ(r.connected, t.connected);
    }
    // Every one of 0..23 has its own text.
    for (std::uint32_t s = 0; s <= 23; ++s)
        EXPECT_EQ(14501 + s, StateTextFor(s).stringId) << s;
}

TEST(DialupRules, DialupDevicesAreModemsAndIsdnWithoutRegardToCase)
{
    struct Row {
        const char* type;
        bool dials;
    } rows[] = {{"modem", true}, {"MODEM", true}, {"Modem", true}, {"isdn", true}, {"ISDN", true},
                {"vpn", false},  {"", false},     {"modems", false}, {"isd", false}, {nullptr, false}};
    for (const Row& r : rows)
        EXPECT_EQ(r.dials, IsDialupDeviceType(r.type)) << (r.type ? r.type : "(null)");
}

TEST(DialupRules, FieldsAreCopiedWholeOrNotAtAll)
{
    char field[8];
    std::memset(field, 'x', sizeof field);
    EXPECT_TRUE(CopyField(field, "1234567"));
    EXPECT_STREQ("1234567", field);
    std::memset(field, 'x', sizeof field);
    EXPECT_FALSE(CopyField(field, "12345678")) << "no room for the terminating zero";
    EXPECT_STREQ("", field) << "a text that does not fit is never cut";
    EXPECT_TRUE(CopyField(field, nullptr));
    EXPECT_STREQ("", field);

    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_STREQ("abcd", ReadField(unterminated).GetString()) << "reads stop at the field's end";
    const char shorter[6] = {'a', 'b', 0, 'z', 'z', 'z'};
    EXPECT_STREQ("ab", ReadField(shorter).GetString());
}

TEST(DialupRules, EntryNamesErrorTextsAndNumbers)
{
    EXPECT_STREQ("QELO vy@n talk3", NumberedEntryName("QELO vy@n talk", 3).GetString());
    EXPECT_STREQ("Text", ComposeErrorText("Text", 0).GetString());
    EXPECT_STREQ("Text Extended Error Code: 42", ComposeErrorText("Text", 42).GetString());

    struct Premium {
        const char* number;
        bool premium;
    } premium[] = {{"0990-52-1234", true}, {"0990", true}, {"03-0990-1234", false},
                   {"099", false},         {"", false},    {"10990", false}};
    for (const Premium& r : premium)
        EXPECT_EQ(r.premium, IsPremiumRateNumber(r.number)) << r.number;

    struct Area {
        const char* number;
        const char* area;
    } areas[] = {{"03-1234-5678", "03"}, {"-03-1234", ""}, {"0312345678", ""}, {"045-123-4567", "045"}, {"", ""}};
    for (const Area& r : areas)
        EXPECT_STREQ(r.area, AreaCodeOf(r.number).GetString()) << r.number;
}

TEST(DialupRules, EntryAndDialNumbersAreComposedFromTheSettings)
{
    const char* placeholder = "xx-xxxx-xxxx";
    struct Row {
        const char *dialMode, *outside, *pattern, *number, *expected;
    } rows[] = {
        {"T", "", "xx-xxxx-xxxx", "03-1234-5678", "03-1234-5678"},
        {"T", "0,", "xx-xxxx-xxxx", "03-1234-5678", "0,03-1234-5678"},
        {"P", "0,", "xx-xxxx-xxxx", "03-1234-5678", ",P0,03-1234-5678"},
        {"p", "", "xx-xxxx-xxxx", "03-1234-5678", ",P03-1234-5678"},
        {"", "9,", "0xx-xxxx-xxxx#", "03-1234-5678", "9,003-1234-5678#"},
        {"T", "", "no placeholder", "03-1234-5678", "03-1234-5678"},
    };
    for (const Row& r : rows)
        EXPECT_STREQ(r.expected, ComposeEntryNumber(r.dialMode, r.outside, r.pattern, r.number, placeholder).GetString())
            << r.dialMode << " " << r.outside << " " << r.pattern;

    EXPECT_STREQ("T0,0120-000-001", ComposeDialNumber("phs", "P", "0,", "03-1", "0120-000-001").GetString());
    EXPECT_STREQ("P0,03-1", ComposeDialNumber("", "P", "0,", "03-1", "0120-000-001").GetString());
}

TEST(DialupRules, DetailsDialogAcceptsOnlyDialCharactersAroundTheNumber)
{
    struct Row {
        const char *text, *number;
        bool accepted;
        const char* pattern;
    } rows[] = {
        {"03-1234-5678", "03-1234-5678", true, "xx-xxxx-xxxx"},
        {"003-1234-5678", "03-1234-5678", true, "0xx-xxxx-xxxx"},
        {"03-1234-5678#", "03-1234-5678", true, "xx-xxxx-xxxx#"},
        {"*70,03-1234-5678", "03-1234-5678", true, "*70,xx-xxxx-xxxx"},
        {"03-1234-567", "03-1234-5678", false, "xx-xxxx-xxxx"},
        {"abc03-1234-5678", "03-1234-5678", false, "abcxx-xxxx-xxxx"},
        {"03-1234-5678;rm", "03-1234-5678", false, "xx-xxxx-xxxx;rm"},
        {"", "03-1234-5678", false, "xx-xxxx-xxxx"},
        {"xx-xxxx-xxxx", "", false, "xx-xxxx-xxxx"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(r.accepted, IsAcceptedAccessText(r.text, r.number));
        EXPECT_STREQ(r.pattern, DerivePrefixPattern(r.text, r.number, "xx-xxxx-xxxx").GetString());
    }
}

TEST(DialupRules, DetailsDialogStoresOutsideLineDialModeAndOrder)
{
    EXPECT_STREQ("", OutsideLineValue("(なし)", "(なし)").GetString());
    EXPECT_STREQ("0,", OutsideLineValue("0,", "(なし)").GetString());
    EXPECT_STREQ("T", DialModeValue(true, false).GetString());
    EXPECT_STREQ("P", DialModeValue(false, true).GetString());
    EXPECT_STREQ("", DialModeValue(false, false).GetString()) << "Ctrl-click leaves no mode";

    struct Row {
        int chosen;
        const char *first, *second, *third;
    } rows[] = {{0, "A", "B", "C"}, {1, "B", "A", "C"}, {2, "C", "B", "A"}, {3, "A", "B", "C"}, {-1, "A", "B", "C"}};
    for (const Row& r : rows) {
        CString numbers[3] = {"A", "B", "C"};
        MoveChosenFirst(numbers, r.chosen);
        EXPECT_STREQ(r.first, numbers[0].GetString()) << r.chosen;
        EXPECT_STREQ(r.second, numbers[1].GetString()) << r.chosen;
        EXPECT_STREQ(r.third, numbers[2].GetString()) << r.chosen;
    }
}
