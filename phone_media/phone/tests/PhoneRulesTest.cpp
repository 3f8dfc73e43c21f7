// The phone's decisions: dial texts, keypad text by phase, credit and level texts, the prepaid
// check, the event table and the redial list with its file bytes.
#include "phone_media/phone/PhoneRules.h"

#include <gtest/gtest.h>

#include <string>

using namespace phone;

namespace {

TEST(PhoneDialRules, ClassifiesDialTexts)
{
    struct Row {
        const char* text;
        DialKind kind;
    } rows[] = {
        {"", kDialNothing},
        {"0300123456789012", kDialCommId},   // 16, "0" first, "00" third and fourth
        {"1300123456789012", kDialAsTyped},  // 16 but begins with 1
        {"0310123456789012", kDialNational}, // 16, begins with 0, fails "00"
        {"030012345678901", kDialNational},  // 15 characters
        {"03001234567890123", kDialNational},
        {"117", kDialRefused},
        {"0#*", kDialRefused},
        {"0312345678", kDialNational},
        {"5551234", kDialAsTyped},
        {"*", kDialAsTyped},
        {"12", kDialAsTyped},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.kind, ClassifyDialText(row.text)) << "text '" << row.text << "'";
}

TEST(PhoneDialRules, NationalNumbersAndAreaCodes)
{
    EXPECT_EQ("81312345678", NationalNumber("81", "0312345678"));
    EXPECT_EQ("815551234", NationalNumber("81", "5551234"));
    EXPECT_EQ("3", TrimAreaCode("03"));
    EXPECT_EQ("3", TrimAreaCode("3"));
    EXPECT_EQ("", TrimAreaCode("0"));
    EXPECT_EQ("", TrimAreaCode(""));
}

TEST(PhoneDialRules, DialNumberKeepsOnlyDialCharacters)
{
    struct Row {
        const char* given;
        const char* kept;
    } rows[] = {
        {"03-1234-5678", "0312345678"}, {"12:34", "1234"},     {"*#0", "*#0"},
        {"\x82\xa0" "1", "1"},          {"abc", ""},           {"", ""},
        {" 1 2\t3\r\n", "123"},         {"+81 3", "813"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.kept, KeepDialCharacters(row.given)) << "given '" << row.given << "'";
    EXPECT_EQ("", KeepDialCharacters(nullptr));
}

TEST(PhoneKeypad, EnterDigitsByStatusWord)
{
    struct Row {
        std::uint32_t status;
        const char* display;
        const char* text;
        EnterAction action;
        const char* after;
    } rows[] = {
        {0, "12", "3", EnterAction::Ignore, "12"},          // nothing started
        {1, "12", "3", EnterAction::Ignore, "12"},          // started, not signed in
        {4, "12", "3", EnterAction::Ignore, "12"},          // signing in again
        {0x10, "12", "3", EnterAction::Append, "123"},
        {0x10, "12", "0312345678", EnterAction::Replace, "0312345678"},
        {0x10, "12", "", EnterAction::Clear, ""},
        {0x110, "12", "#", EnterAction::Append, "12#"},     // ringing: still signed in
        {0x1010, "12", "5", EnterAction::ToneAndAppend, "125"},
        {0x1010, "12", "55", EnterAction::Replace, "55"},   // several characters never tone
        {0x1000, "", "*", EnterAction::ToneAndAppend, "*"}, // in a call without the sign-in bit
        {0x1000, "9", "55", EnterAction::Ignore, "9"},
    };
    for (const Row& row : rows) {
        EnterAction action = DecideEnter(row.status, row.text);
        EXPECT_EQ(static_cast<int>(row.action), static_cast<int>(action))
            << "status " << std::hex << row.status << " text '" << row.text << "'";
        EXPECT_EQ(row.after, ApplyEnter(action, row.display, row.text)) << "text '" << row.text << "'";
    }
    EXPECT_TRUE(MayDial(0x10));
    EXPECT_FALSE(MayDial(0x110));
    EXPECT_FALSE(MayDial(0x1010));
    EXPECT_TRUE(MayAnswer(0x110));
    EXPECT_FALSE(MayAnswer(4));
}

TEST(PhoneCredit, TextsByLeadingDigits)
{
    struct Row {
        long long credit;
        bool shown;
        int id;
        const char* amount;
    } rows[] = {
        {0, false, 0, ""},
        {-5, false, 0, ""},
        {1, true, kTextCredit, "0.01"},
        {1234, true, kTextCredit, "12.34"},
        {771250, true, kTextCreditYen, "12.50"},
        {99305, true, kTextCreditDollar, "3.05"},
        {7700, true, kTextCreditYen, ".00"},
        {97700, true, kTextCredit, "977.00"},
        {2147483647LL, true, kTextCredit, "21474836.47"},
        {9999999999999LL, true, kTextCreditDollar, "999999999.99"},
    };
    for (const Row& row : rows) {
        CreditText text;
        EXPECT_EQ(row.shown, FormatCredit(row.credit, &text)) << "credit " << row.credit;
        if (row.shown) {
            EXPECT_EQ(row.id, text.stringId) << "credit " << row.credit;
            EXPECT_EQ(row.amount, text.amount) << "credit " << row.credit;
        }
    }
}

TEST(PhoneLevels, PercentagesInQuarters)
{
    const int percents[] = {-3, 0, 1, 24, 25, 26, 50, 51, 75, 76, 99, 100, 101, 1000};
    const int quarters[] = {0, 0, 1, 1, 1, 2, 2, 3, 3, 4, 4, 4, 4, 4};
    for (std::size_t i = 0; i < sizeof percents / sizeof percents[0]; ++i)
        EXPECT_EQ(quarters[i], VoiceQuarters(percents[i])) << percents[i] << "%";
    EXPECT_EQ(0, QuarterWidth(0, 80));
    EXPECT_EQ(20, QuarterWidth(1, 80));
    EXPECT_EQ(60, QuarterWidth(3, 80));
    EXPECT_EQ(80, QuarterWidth(9, 80));
    EXPECT_EQ(0, QuarterWidth(2, 0));
}

TEST(PhonePrepaid, IdOfTenAndPasswordOfNineOrFour)
{
    struct Row {
        const char* id;
        const char* password;
        bool accepted;
    } rows[] = {
        {"1234567890", "123456789", true}, {"1234567890", "1234", true},   {"1234567890", "12345", false},
        {"123456789", "123456789", false}, {"12345678901", "1234", false}, {"", "", false},
        {"1234567890", "", false},         {"1234567890", "1234567890", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.accepted, ValidatePrepaid(row.id, row.password)) << row.id << " / " << row.password;
}

TEST(PhoneEvents, WhatEachStateDoes)
{
    struct Row {
        int code;
        bool zero, ringingOff, release, show, warn, caller, callee, signedIn;
    } rows[] = {
        {0, true, true, true, true, false, false, false, false},
        {9, false, false, false, false, false, true, false, false},
        {16, false, false, true, false, true, false, false, false},
        {-10001, false, false, true, true, false, false, false, false},
        {-10002, false, false, true, true, false, false, false, false},
        {-10015, false, false, true, true, false, false, false, false},
        {-10004, false, false, true, false, false, false, false, false}, // status line unchanged
        {-10005, false, false, false, false, false, false, false, true},
        {-10010, false, false, false, false, false, false, true, false},
        {5, false, false, false, true, false, false, false, false},
        {-10006, false, false, false, true, false, false, false, false},
    };
    for (const Row& row : rows) {
        StateAction a = ActionForState(row.code);
        SCOPED_TRACE(row.code);
        EXPECT_EQ(row.zero, a.zeroIndicators);
        EXPECT_EQ(row.ringingOff, a.clearRinging);
        EXPECT_EQ(row.release, a.releaseSound);
        EXPECT_EQ(row.show, a.showText);
        EXPECT_EQ(row.warn, a.postWarning);
        EXPECT_EQ(row.caller, a.lookUpCaller);
        EXPECT_EQ(row.callee, a.lookUpCallee);
        EXPECT_EQ(row.signedIn, a.signedIn);
    }
}

TEST(PhoneKeys, KeyUpTable)
{
    struct Row {
        unsigned key;
        bool shift;
        KeyKind kind;
        char character;
    } rows[] = {
        {'0', false, KeyKind::Dial, '0'},  {'7', false, KeyKind::Dial, '7'},  {'3', true, KeyKind::Dial, '#'},
        {'3', false, KeyKind::Dial, '3'},  {0x60, false, KeyKind::Dial, '0'}, {0x69, false, KeyKind::Dial, '9'},
        {0x6A, false, KeyKind::Dial, '*'}, {0xBA, true, KeyKind::Dial, '*'},  {0xBA, false, KeyKind::None, 0},
        {0x08, false, KeyKind::DeleteLast, 0}, {0x2E, false, KeyKind::Clear, 0},
        {0x26, false, KeyKind::RedialUp, 0}, {0x28, false, KeyKind::RedialDown, 0},
        {'A', false, KeyKind::None, 0},    {0x6B, false, KeyKind::None, 0},   {0x0D, false, KeyKind::None, 0},
    };
    for (const Row& row : rows) {
        KeyAction action = KeyUpAction(row.key, row.shift);
        EXPECT_EQ(static_cast<int>(row.kind), static_cast<int>(action.kind)) << "key " << std::hex << row.key;
        EXPECT_EQ(row.character, action.character) << "key " << std::hex << row.key;
    }
}

std::string LoadAndSave(const std::string& bytes)
{
    CRedialList list;
    list.Load(bytes.data(), bytes.size());
    return list.Serialise();
}

TEST(PhoneRedial, FileBytesLoadAndSave)
{
    struct Row {
        std::string file;
        std::string saved;
    } rows[] = {
        {"", ""},
        {"111:222:", "111:222:"},
        {"111:222", "111:222:"},              // the last field without its colon still counts
        {":::111::222:::", "111:222:"},       // empty entries dropped
        {"111:111:222:", "111:222:"},         // listed once
        {"12\x82:34:", "34:"},                // a lead byte cut by the colon
        {"34:12\x82", "34:"},                 // a lead byte cut by the end of the file
        {"\x82\xa0" "1:", "\x82\xa0" "1:"},   // a whole double-byte character stays
        {std::string("1\r\n2:3\x00" "4:5:", 11), "5:"}, // control bytes: the entry is dropped
        {std::string("7:\x00:8:", 6), "7:8:"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.saved, LoadAndSave(row.file)) << "file '" << row.file << "'";
}

TEST(PhoneRedial, ReadsAtMostTwentyEntries)
{
    std::string file;
    for (int i = 1; i <= 25; ++i)
        file += std::to_string(i) + ":";
    CRedialList list;
    list.Load(file.data(), file.size());
    ASSERT_EQ(20u, list.Entries().size());
    EXPECT_EQ("1", list.Entries().front());
    EXPECT_EQ("20", list.Entries().back());
}

TEST(PhoneRedial, TwentyFirstNumberPushesOutTheOldest)
{
    CRedialList list;
    for (int i = 1; i <= 20; ++i)
        ASSERT_TRUE(list.Add(std::to_string(100 + i)));
    std::string entry;
    ASSERT_TRUE(list.Up(&entry)); // position 0
    ASSERT_TRUE(list.Down(&entry));
    ASSERT_TRUE(list.Down(&entry));
    EXPECT_EQ("103", entry); // position 2
    EXPECT_FALSE(list.Add("103")) << "a number dialled twice is listed once";
    ASSERT_TRUE(list.Add("999"));
    ASSERT_EQ(20u, list.Entries().size());
    EXPECT_EQ("102", list.Entries().front());
    EXPECT_EQ("999", list.Entries().back());
    EXPECT_EQ(1, list.Position()) << "the position follows its entry back by one";
    EXPECT_FALSE(list.Add(""));
    EXPECT_FALSE(list.Add("12:34")) << "a colon would split the entry in the file";
    EXPECT_FALSE(list.Add("12\n"));
}

TEST(PhoneRedial, UpAndDownWalkTheList)
{
    CRedialList list;
    std::string entry = "unchanged";
    EXPECT_FALSE(list.Up(&entry));
    EXPECT_FALSE(list.Down(&entry));
    EXPECT_EQ("unchanged", entry);
    list.Add("a1");
    list.Add("b2");
    list.Add("c3");
    // (move, entry, position) from the start position -1.
    struct Step {
        bool up;
        const char* entry;
        int position;
    } steps[] = {{false, "c3", 2}, {false, "c3", 2}, {true, "b2", 1}, {true, "a1", 0},
                 {true, "a1", 0},  {false, "b2", 1}, {false, "c3", 2}};
    for (const Step& step : steps) {
        ASSERT_TRUE(step.up ? list.Up(&entry) : list.Down(&entry));
        EXPECT_EQ(step.entry, entry);
        EXPECT_EQ(step.position, list.Position());
    }
    CRedialList fresh;
    fresh.Add("x1");
    fresh.Add("y2");
    ASSERT_TRUE(fresh.Up(&entry));
    EXPECT_EQ("x1", entry) << "up from -1 goes to the oldest";
}

TEST(PhoneRedial, PathPerWindowsUser)
{
    EXPECT_EQ("C:\\Nimbo\\taro.rdl", RedialPath("C:\\Nimbo", "taro"));
    EXPECT_EQ("C:\\Nimbo\\anonymous.rdl", RedialPath("C:\\Nimbo", ""));
    EXPECT_EQ("", RedialPath("", "taro"));
}

} // namespace
