#include "net/session/SessionRecords.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(DottedQuad, FormatsMostSignificantByteFirst)
{
    EXPECT_EQ(FormatDottedQuad(0x7F000001u), "127.0.0.1");
    EXPECT_EQ(FormatDottedQuad(0xFFFFFFFFu), "255.255.255.255");
    EXPECT_EQ(FormatDottedQuad(0), "0.0.0.0");
    EXPECT_EQ(FormatDottedQuad(0x0A0B0C0Du), "10.11.12.13");
}

TEST(DottedQuad, ParsesOnlyFourNumbersUpTo255)
{
    struct Case {
        const char* text;
        bool ok;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"127.0.0.1", true, 0x7F000001u},
        {"255.255.255.255", true, 0xFFFFFFFFu},
        {"0.0.0.0", true, 0},
        {"001.002.003.004", true, 0x01020304u},
        {"300.1.2.3", false, 0},   // would spill into the next byte
        {"1.2.3.256", false, 0},
        {"1.2.3", false, 0},
        {"1.2.3.4.5", false, 0},
        {"1..3.4", false, 0},
        {".1.2.3", false, 0},
        {"1.2.3.4 ", false, 0},
        {" 1.2.3.4", false, 0},
        {"1.2.3.-4", false, 0},
        {"1.2.3.0004", false, 0},
        {"a.b.c.d", false, 0},
        {"", false, 0},
    };
    for (const Case& c : cases) {
        std::uint32_t value = 0xDEADBEEF;
        EXPECT_EQ(ParseDottedQuad(std::string(c.text), &value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : 0xDEADBEEF) << c.text;
    }
    std::uint32_t value = 0;
    EXPECT_FALSE(ParseDottedQuad(nullptr, 0, &value));
}

TEST(DottedQuad, RoundTrips)
{
    for (std::uint32_t a : {0x01020304u, 0xC0A80001u, 0x7F7F7F7Fu, 0x80000000u}) {
        std::uint32_t back = 0;
        ASSERT_TRUE(ParseDottedQuad(FormatDottedQuad(a), &back));
        EXPECT_EQ(back, a);
    }
}

TEST(SessionRecords, SecondUdpDestinationSitsInTheReservedBytes)
{
    SessionAddressRecord record;
    const std::uint16_t port = 4321;
    const std::uint32_t address = 0x7F000002u;
    auto* bytes = reinterpret_cast<unsigned char*>(&record);
    std::memcpy(bytes + 46, &port, 2);
    std::memcpy(bytes + 48, &address, 4);
    EXPECT_EQ(SecondUdpPort(record), port);
    EXPECT_EQ(SecondUdpAddress(record), address);
    EXPECT_TRUE(IsUsableAddress(address));
    EXPECT_FALSE(IsUsableAddress(0));
    EXPECT_FALSE(IsUsableAddress(0xFFFFFFFFu));
}
