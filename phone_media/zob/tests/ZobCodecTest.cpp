#include "phone_media/zob/ZobCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

TEST(ZobCodec, CoefficientsFollowTheHighPassAndTheRate)
{
    struct Row { double f, r; int c1, c2; };
    const Row rows[] = {{500, 8000, 4507, -1240}, {500, 44100, 7334, -3283}, {0, 8000, 8192, -4096}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.f << " Hz at " << row.r);
        ZobCoefficients c = ComputeZobCoefficients(row.f, row.r);
        EXPECT_EQ(row.c1, c.c1);
        EXPECT_EQ(row.c2, c.c2);
    }
}

TEST(ZobCodec, HeaderHasTheFixedLayoutAndOurMarker)
{
    ZobHeader h;
    h.channels = 1;
    h.sampleRate = 8000;
    h.totalSamples = 80000;
    std::uint8_t out[64];
    ASSERT_EQ(kZobHeaderBytes, WriteZobHeader(h, out, sizeof out));
    const std::uint8_t expected[28] = {0x80, 0x00, 0x00, 24, 3, 18, 4, 1, 0, 0, 0x1F, 0x40, 0, 1, 0x38, 0x80,
        0x01, 0xF4, 3, 0, 0, 0, 'Z', 'O', 'B', 'D', 'A', 'T'};
    EXPECT_EQ(0, std::memcmp(expected, out, 28));

    ZobHeader back;
    ASSERT_EQ(ZobHeaderResult::Ok, ParseZobHeader(out, 28, &back));
    EXPECT_EQ(80000u, back.totalSamples);
    EXPECT_EQ(8000u, back.sampleRate);
    EXPECT_EQ(500, back.highPassHz);

    std::memset(out + 22, 0xEE, 6);
    EXPECT_EQ(ZobHeaderResult::Ok, ParseZobHeader(out, 28, &back)) << "the marker's content is never required";

    std::uint8_t terminator[kZobTerminatorBytes];
    WriteZobTerminator(terminator);
    const std::uint8_t expectedTerminator[kZobTerminatorBytes] = {0x80, 0x01, 0, 14};
    EXPECT_EQ(0, std::memcmp(expectedTerminator, terminator, sizeof terminator));
}

TEST(ZobCodec, HeaderReaderRefusesWhatCouldDivideByZeroOrOverrun)
{
    ZobHeader good;
    good.totalSamples = 64;
    std::uint8_t base[32] = {};
    WriteZobHeader(good, base, sizeof base);
    struct Row { const char* name; int offset; std::uint8_t value; ZobHeaderResult result; };
    const Row rows[] = {
        {"as written", -1, 0, ZobHeaderResult::Ok},
        {"no magic", 0, 0x00, ZobHeaderResult::Invalid},
        {"marker after 26", 3, 29, ZobHeaderResult::Invalid},
        {"marker at 26 (data at 32)", 3, 28, ZobHeaderResult::Ok},
        {"marker inside the fields", 3, 10, ZobHeaderResult::Invalid},
        {"0 bits", 6, 0, ZobHeaderResult::Invalid},
        {"8 bits", 6, 8, ZobHeaderResult::Invalid},
        {"block size 0", 5, 0, ZobHeaderResult::Invalid},
        {"no channels", 7, 0, ZobHeaderResult::Invalid},
        {"three channels", 7, 3, ZobHeaderResult::Invalid},
        {"two channels", 7, 2, ZobHeaderResult::Ok},
        {"rate 0", 10, 0, ZobHeaderResult::Invalid}, // 8000 = 0x1F40: clear both low bytes below
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::uint8_t bytes[32];
        std::memcpy(bytes, base, sizeof bytes);
        if (row.offset >= 0)
            bytes[row.offset] = row.value;
        if (row.offset == 10)
            bytes[11] = 0;
        ZobHeader h;
        EXPECT_EQ(row.result, ParseZobHeader(bytes, sizeof bytes, &h));
    }
    ZobHeader h;
    EXPECT_EQ(ZobHeaderResult::NeedMore, ParseZobHeader(base, 20, &h)) << "the header runs to 28 bytes";
}

TEST(ZobCodec, DecoderSumsBothProductsBeforeTheShiftAndClamps)
{
    ZobCoefficients c = ComputeZobCoefficients(500, 8000);
    // Scale word 0x2003: only the low 13 bits count, so the scale is 4.
    std::uint8_t block[kZobBlockBytes] = {0x20, 0x03, 0x7F, 0x80};
    ZobHistory h{1000, -999};
    std::int16_t out[kZobSamplesPerBlock];
    ASSERT_EQ(1u, DecodeZobBlocksMono(block, 1, out, &h, c));
    int h1 = 1000, h2 = -999;
    const int nibbles[4] = {7, -1, -8, 0};
    for (int i = 0; i < 4; ++i) {
        int expected = ((h1 * c.c1 + h2 * c.c2) >> 12) + nibbles[i] * 4;
        EXPECT_EQ(expected, out[i]) << "sample " << i;
        h2 = h1;
        h1 = expected;
    }

    std::uint8_t loud[kZobBlockBytes] = {0x0F, 0xFF, 0x77, 0x77, 0x77, 0x77};
    ZobHistory high{32000, 32000};
    ASSERT_EQ(1u, DecodeZobBlocksMono(loud, 1, out, &high, c));
    EXPECT_EQ(32767, out[0]) << "clamped to 16 bits";
}

TEST(ZobCodec, ATopBitEndsTheRunInMonoAndInEitherBlockOfAStereoPair)
{
    ZobCoefficients c = ComputeZobCoefficients(500, 8000);
    std::vector<std::uint8_t> blocks(4 * kZobBlockBytes, 0x11);
    blocks[2 * kZobBlockBytes] = 0x80;
    blocks[2 * kZobBlockBytes + 1] = 0x01;
    std::vector<std::int16_t> left(4 * kZobSamplesPerBlock), right(4 * kZobSamplesPerBlock);
    ZobHistory h, h2;
    EXPECT_EQ(2u, DecodeZobBlocksMono(blocks.data(), 4, left.data(), &h, c));
    h = h2 = ZobHistory{};
    EXPECT_EQ(2u, DecodeZobBlocksStereo(blocks.data(), 2, left.data(), right.data(), &h, &h2, c))
        << "the second pair starts with the terminator";
    blocks[2 * kZobBlockBytes] = 0x11;
    blocks[3 * kZobBlockBytes] = 0x80; // second block of the second pair
    h = h2 = ZobHistory{};
    EXPECT_EQ(2u, DecodeZobBlocksStereo(blocks.data(), 2, left.data(), right.data(), &h, &h2, c));
}

// The encoder keeps its history in step with what a decoder reconstructs, block after block,
// for any input: a drift would show here long before it is audible.
TEST(ZobCodec, EncoderHistoryStaysIdenticalToTheDecoders)
{
    struct Row { const char* name; double f, r; int amplitude; };
    const Row rows[] = {{"8 kHz speech level", 500, 8000, 6000}, {"8 kHz full scale noise", 500, 8000, 32767},
        {"44.1 kHz", 500, 44100, 20000}, {"quiet", 500, 8000, 3}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZobCoefficients c = ComputeZobCoefficients(row.f, row.r);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> noise(-row.amplitude, row.amplitude);
        ZobHistory encoder, decoder;
        for (int b = 0; b < 400; ++b) {
            std::int16_t in[kZobSamplesPerBlock];
            for (int i = 0; i < kZobSamplesPerBlock; ++i) {
                double tone = row.amplitude * 0.5 * std::sin((b * 32 + i) * 0.3);
                int v = static_cast<int>(tone) + noise(random) / 2;
                in[i] = static_cast<std::int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
            }
            std::uint8_t block[kZobBlockBytes];
            EncodeZobBlock(in, c, &encoder, block);
            std::int16_t out[kZobSamplesPerBlock];
            ASSERT_EQ(1u, DecodeZobBlocksMono(block, 1, out, &decoder, c));
            ASSERT_EQ(decoder.h1, encoder.h1) << "block " << b;
            ASSERT_EQ(decoder.h2, encoder.h2) << "block " << b;
            ASSERT_EQ(0, block[0] & 0x80) << "a data block never looks like a terminator";
        }
    }
}

TEST(ZobCodec, SilenceEncodesAsScaleOneAndStaysSilent)
{
    ZobCoefficients c = ComputeZobCoefficients(500, 8000);
    std::int16_t silence[kZobSamplesPerBlock] = {};
    ZobHistory encoder, decoder;
    std::uint8_t block[kZobBlockBytes];
    EncodeZobBlock(silence, c, &encoder, block);
    EXPECT_EQ(0, block[0]);
    EXPECT_EQ(0, block[1]) << "scale 1 is stored as 0";
    std::int16_t out[kZobSamplesPerBlock];
    DecodeZobBlocksMono(block, 1, out, &decoder, c);
    for (std::int16_t s : out)
        EXPECT_EQ(0, s);
}

} // namespace
