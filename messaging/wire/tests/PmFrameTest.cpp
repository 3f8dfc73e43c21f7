// Frames: header bytes, the checks on received frames, and the rule that decides "scrambled".
#include "messaging/wire/PmFrame.h"
#include "messaging/wire/PmScrambler.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::uint8_t> Bytes;

Bytes Header(std::uint16_t flags, std::uint32_t length)
{
    Bytes h = {0x7E, 0, std::uint8_t(flags >> 8), std::uint8_t(flags), std::uint8_t(length >> 24),
               std::uint8_t(length >> 16), std::uint8_t(length >> 8), std::uint8_t(length)};
    h[1] = static_cast<std::uint8_t>(256 - PmChecksum8(h.data()));
    return h;
}

Bytes Append(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(PmFrame, EmptyPayloadFrameIsHeaderAndSeed)
{
    Bytes frame;
    EXPECT_EQ(0x01020304u, BuildPacketWithSeed(true, nullptr, 0, frame, 0x01020304));
    const Bytes expected = {0x7E, 0x6A, 0x07, 0x11, 0, 0, 0, 0, 1, 2, 3, 4};
    EXPECT_EQ(expected, frame);
    EXPECT_EQ(0, PmChecksum8(frame.data()));
}

TEST(PmFrame, ScrambledFrameCarriesSeedAndScrambledPayloadAndLeavesTheCallersRecord)
{
    const Bytes record = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    Bytes frame;
    BuildPacketWithSeed(true, record.data(), record.size(), frame, 0xA1B2C3D4);
    ASSERT_EQ(12u + record.size(), frame.size());
    EXPECT_EQ(Header(0x0711, 13), Bytes(frame.begin(), frame.begin() + 8));
    EXPECT_EQ((Bytes{0xA1, 0xB2, 0xC3, 0xD4}), Bytes(frame.begin() + 8, frame.begin() + 12));
    Bytes scrambled = record;
    PmEncryptBuffer(scrambled.data(), scrambled.size(), 0xA1B2C3D4);
    EXPECT_EQ(scrambled, Bytes(frame.begin() + 12, frame.end()));
    // A resend frames the same record again with a new seed.
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), record);

    std::uint32_t seed = 0;
    ASSERT_EQ(12, ParsePacket(frame.size(), frame.data(), &seed));
    EXPECT_EQ(0xA1B2C3D4u, seed);
    EXPECT_EQ(record, Bytes(frame.begin() + 12, frame.end()));
}

// With NoEncryptMode the frame is the header (version 3, no words) and the plain record.
TEST(PmFrame, PlainFrameIsHeaderAndRecord)
{
    const Bytes record(28, 0x41);
    Bytes frame;
    EXPECT_EQ(0u, BuildPacketWithSeed(false, record.data(), record.size(), frame, 1234));
    EXPECT_EQ(Append(Header(0x0310, 28), record), frame);
    std::uint32_t seed = 99;
    EXPECT_EQ(8, ParsePacket(frame.size(), frame.data(), &seed));
    EXPECT_EQ(0u, seed);
    EXPECT_EQ(record, Bytes(frame.begin() + 8, frame.end()));
}

TEST(PmFrame, ReceivedBuffersAreCheckedAsAWhole)
{
    const Bytes four = {0xDE, 0xAD, 0xBE, 0xEF};
    struct Row { const char* name; Bytes buffer; long offset; };
    Bytes badChecksum = Append(Header(0x0310, 4), four);
    badChecksum[1] ^= 1;
    Bytes badMarker = Append(Header(0x0310, 4), four);
    badMarker[0] = 0x7F;
    badMarker[1] = static_cast<std::uint8_t>(badMarker[1] - 1);
    const Row rows[] = {
        {"plain", Append(Header(0x0310, 4), four), 8},
        {"version 7 without its seed word", Append(Header(0x0710, 4), four), -1},
        {"version 4 without its seed word", Append(Header(0x0410, 4), four), -1},
        {"version 3 with one word: payload at 12, not unscrambled", Append(Append(Header(0x0311, 4), {9, 9, 9, 9}), four), 12},
        {"version 2 passes", Append(Header(0x0210, 4), four), 8},
        {"one byte too many", Append(Append(Header(0x0310, 4), four), {0}), -1},
        {"one byte short", Append(Header(0x0310, 4), {1, 2, 3}), -1},
        {"checksum", badChecksum, -1},
        {"marker", badMarker, -1},
        {"shorter than a header", Bytes{0x7E, 0x73, 0x03}, -1},
        {"empty", Bytes{}, -1},
        {"words beyond the buffer", Header(0x031F, 0), -1},
        {"seed word missing", Header(0x0711, 0), -1},
        // 8 + 4 + 0xFFFFFFF4 wraps to 0 in 32 bits: it must not match a short buffer.
        {"length that wraps", Append(Append(Header(0x0711, 0xFFFFFFF4u), {0, 0, 0, 1}), four), -1},
        {"length near 2^32", Append(Header(0x0310, 0xFFFFFFFFu), four), -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes buffer = row.buffer;
        std::uint32_t seed = 7;
        const long offset = ParsePacket(buffer.size(), buffer.data(), &seed);
        EXPECT_EQ(row.offset, offset);
        if (offset == 12 && row.buffer[2] == 3) {
            EXPECT_EQ(four, Bytes(buffer.begin() + 12, buffer.end())) << "version 3 must stay plain";
        }
    }
}

// ParsePacket and DescribeFrame decide "scrambled" by one rule, so the extended-data path and
// the main path never read the same frame differently.
TEST(PmFrame, ParseAndDescribeAgreeOnWhichVersionsAreScrambled)
{
    const Bytes payload = {1, 2, 3, 4, 5};
    for (unsigned version = 0; version < 16; ++version) {
        SCOPED_TRACE("version " + std::to_string(version));
        Bytes frame = Append(Append(Header(static_cast<std::uint16_t>(version << 8 | 0x11), 5), {0, 0, 0, 42}), payload);
        const PmFrameInfo info = DescribeFrame(frame.data(), frame.size());
        std::uint32_t seed = 0;
        ASSERT_EQ(12, ParsePacket(frame.size(), frame.data(), &seed));
        const bool unscrambled = Bytes(frame.begin() + 12, frame.end()) != payload;
        EXPECT_EQ(1u, info.valid);
        EXPECT_EQ(info.scrambled != 0, unscrambled);
        EXPECT_EQ(info.scrambled ? 42u : 0u, seed);
        EXPECT_EQ(version >= 4 && version <= 7, info.scrambled != 0);
    }
}

TEST(PmFrame, DescribeFrameNeedsTheSeedBytesOfAScrambledFrame)
{
    Bytes frame;
    const Bytes payload(10, 0x55);
    BuildPacketWithSeed(true, payload.data(), payload.size(), frame, 0x00ABCDEF);
    for (std::size_t available = 0; available <= 12; ++available) {
        SCOPED_TRACE("available " + std::to_string(available));
        const PmFrameInfo info = DescribeFrame(frame.data(), available);
        EXPECT_EQ(available == 12 ? 1u : 0u, info.valid);
    }
    const PmFrameInfo info = DescribeFrame(frame.data(), frame.size());
    EXPECT_EQ(12u, info.headerLength);
    EXPECT_EQ(10u, info.payloadLength);
    EXPECT_EQ(0x00ABCDEFu, info.seed);
    EXPECT_EQ(1u, info.scrambled);
    const Bytes badSum = {0x7E, 0, 0x03, 0x10, 0, 0, 0, 0};
    EXPECT_EQ(0u, DescribeFrame(badSum.data(), badSum.size()).valid);
}

TEST(PmFrame, NewSeedIsSecondsPlusMilliseconds)
{
    EXPECT_EQ(1000000999u, PmSeedFromClock(1000000000, 999));
    EXPECT_EQ(4u, PmSeedFromClock(0x100000000ull + 1, 3));
    const std::uint32_t a = PmNewSeed();
    const std::uint32_t b = PmNewSeed();
    const std::int32_t apart = static_cast<std::int32_t>(b - a);
    EXPECT_LE(std::abs(apart), 2000) << "two seeds drawn together are close in time";
}

} // namespace
