// The binding's decisions: the status word for every library state from every word, the
// translation of library messages (code page 932), the debug switches and the call-log names.
#include "phone_media/callengine/CallEngineRules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

using namespace callengine;

namespace {

const std::uint32_t kWords[] = {0, 1, 4, 0x10, 0x110, 0x1010, 0x1110, 0x1000, 0x100};
const int kCodes[] = {0, 1, 3, 4, 5, 6, 9, 15, 16, 17, -10000, -10001, -10002, -10003, -10004, -10005, -10006,
                      -10007, -10008, -10009, -10010, -10011, -10012, -10013, -10014, -10015, -10016, -10017};

// What the phone's status word and handler see, as the binding's table says, written out per
// code: (word after, handler code or none).
struct Expect {
    std::uint32_t word;
    bool handler;
    int code;
};

Expect Expected(std::uint32_t s, int code)
{
    bool in = (s & 0x10) != 0;
    switch (code) {
    case 0: return {in ? 0x10u : s, true, 0};
    case 5: return {in ? (s | 0x1000u) : s, true, 5};
    case 9: return {in ? (s | 0x100u) : s, true, 9};
    case 16: return {s, true, 16};
    case -10001: case -10002: case -10004: return {s & ~0x1000u, true, code};
    case -10015: return (s & 0x1000) ? Expect{s & ~0x1000u, true, code} : Expect{s, false, 0};
    case -10005: return {0x10u, true, code};
    case -10006: return {s, true, -10006};  // after the stop, on the engine's thread
    case -10008: return {s, true, -10006};
    case -10010: return {s, true, code};
    default: return {s, false, 0};          // -10007 is a sign-in again, not a handler call
    }
}

} // namespace

TEST(CallEngineRules, StatusWordForEveryCodeFromEveryWord)
{
    for (std::uint32_t word : kWords) {
        for (int code : kCodes) {
            StateAction a = OnState(word, code, "text");
            Expect e = Expected(word, code);
            std::uint32_t after = a.changeWord ? a.word : word;
            EXPECT_EQ(e.word, after) << std::hex << word << std::dec << " code " << code;
            EXPECT_EQ(e.handler, a.callHandler && !a.drop) << std::hex << word << std::dec << " code " << code;
            if (e.handler) {
                EXPECT_EQ(e.code, a.handlerCode) << code;
            }
        }
    }
    // The ones the engine's own thread carries out, and the one that looks at the message.
    EXPECT_EQ(StateAction::StopLibrary, OnState(0x10, -10006, "x").before);
    EXPECT_EQ(StateAction::LoginAgain, OnState(0x10, -10007, "x").before);
    EXPECT_EQ(StateAction::CurrentDirToExe, OnState(0x10, 9, "x").before);
    EXPECT_TRUE(OnState(0x10, 16, "").drop);
    EXPECT_TRUE(OnState(0x10, 16, nullptr).drop);
    EXPECT_EQ(StateAction::Translated, OnState(0x10, 16, "x").text);
    EXPECT_TRUE(OnState(0x10, -10005, "x").wordAfterHandler) << "the handler sees the word before sign-in";
}

TEST(CallEngineRules, TranslationTableHasItsThirteenRows)
{
    const LibraryMessage* rows = LibraryMessageTable();
    EXPECT_EQ(1352u, sizeof(LibraryMessage) * kLibraryMessageRows);
    std::set<std::string> keys;
    for (int i = 0; i < kLibraryMessageRows - 1; ++i) {
        EXPECT_NE('\0', rows[i].key[0]) << i;
        EXPECT_NE('\0', rows[i].text[0]) << i;
        keys.insert(rows[i].key);
    }
    EXPECT_EQ(12u, keys.size());
    EXPECT_EQ('\0', rows[kLibraryMessageRows - 1].key[0]) << "an empty key ends the table";
    EXPECT_STREQ("Called Number Busy", rows[9].key);
}

TEST(CallEngineRules, TranslatesLibraryMessages)
{
    // "相手は電話中です.." and "NimboCall利用可能" in code page 932.
    const std::string busy = "\x91\x8A\x8E\xE8\x82\xCD\x93" "d\x98" "b\x92\x86\x82\xC5\x82\xB7..";
    const std::string signedIn = "NimboCall\x97\x98\x97p\x89\xC2\x94\x5C";
    struct Row {
        const char* message;
        std::string expected;
    } rows[] = {
        {"486: Called Number Busy", busy},
        {"Called Number Busy", busy},
        {"xx Signin OK yy", signedIn},
        {"486: something else", " something else"},   // after the first ':', blank included
        {"a:b:c", "b:c"},
        {"no colon and no key", "no colon and no key"},
        {"", ""},
        // "Signin OK" inside a double-byte character's trail is not a key: 0x82 'S' is one character.
        {"\x82Signin OK", "\x82Signin OK"},
        {"\x82" "ASignin OK", signedIn},
        {"ab:\x82", "\x82"},          // a lead byte last stands alone
        {"\x82", "\x82"},
        {"\x82:x", "\x82:x"},         // a lead byte takes the next byte with it, as CP932 scanning does
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.expected, TranslateLibraryMessage(row.message)) << row.message;
    EXPECT_EQ("", TranslateLibraryMessage(nullptr));
}

TEST(CallEngineRules, DebugSwitches)
{
    struct { const char* value; bool on; } logs[] = {{"TRUE", true}, {"true", false}, {"True", false},
                                                      {"FALSE", false}, {"", false}, {"TRUE ", false},
                                                      {nullptr, false}};
    for (const auto& row : logs)
        EXPECT_EQ(row.on, CallLogSwitch(row.value)) << (row.value ? row.value : "(null)");
    struct { int value, level; } levels[] = {{0, 0}, {10, 10}, {20, 20}, {30, 30}, {40, 40}, {50, 50}, {60, 60},
                                             {99, 99}, {25, 50}, {-1, 50}, {1, 50}, {100, 50}, {70, 50}};
    for (const auto& row : levels)
        EXPECT_EQ(row.level, LibraryLogLevel(row.value)) << row.value;
}

TEST(CallEngineRules, CallLogNames)
{
    const std::string temp = "C:\\TEMP\\";
    std::set<std::string> present;
    auto exists = [&](const std::string& name) { return present.count(name) != 0; };
    EXPECT_EQ("C:\\TEMP\\\\NimboCall-20261210.txt", CallLogName(temp, 2026, 12, 10, exists));
    present = {"C:\\TEMP\\\\NimboCall-20260105.txt", "C:\\TEMP\\NimboCall-20260105(1).txt"};
    EXPECT_EQ("C:\\TEMP\\NimboCall-20260105(2).txt", CallLogName(temp, 2026, 1, 5, exists));
    EXPECT_EQ("", CallLogName("", 2026, 1, 5, exists)) << "no temporary folder: no call log";
    EXPECT_EQ("", CallLogName(temp, 2026, 1, 5, [](const std::string&) { return true; }))
        << "every name of the day taken: no call log, nothing overwritten";
    int asked = 0;
    CallLogName(temp, 2026, 1, 5, [&](const std::string&) { return ++asked > 0; });
    EXPECT_EQ(32767, asked) << "the plain name and 32766 numbered ones";
}

TEST(CallEngineRules, SecretsAreMasked)
{
    EXPECT_EQ("********", MaskedSecret("pw-5001"));
    EXPECT_EQ("", MaskedSecret(""));
}
