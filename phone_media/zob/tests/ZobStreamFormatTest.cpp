#include "phone_media/zob/ZobBufferDecode.h"
#include "phone_media/zob/ZobStreamFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Le(Bytes& b, std::uint32_t v, int n) { for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i))); }
void Be(Bytes& b, std::uint32_t v, int n) { for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i))); }
// Byte by byte: GCC 12 warns wrongly about ranged inserts into a vector that starts empty.
void Tag(Bytes& b, const char* t) { for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(t[i])); }
void Append(Bytes& b, const Bytes& more) { for (std::uint8_t v : more) b.push_back(v); }

Bytes Wav(int tag, int channels, int bits, const Bytes& data, bool extraChunk = false)
{
    Bytes b;
    Tag(b, "RIFF"); Le(b, 0, 4); Tag(b, "WAVE");
    if (extraChunk) { Tag(b, "LIST"); Le(b, 4, 4); Tag(b, "INFO"); }
    Tag(b, "fmt "); Le(b, 16, 4); Le(b, tag, 2); Le(b, channels, 2); Le(b, 11025, 4);
    Le(b, 11025 * channels * bits / 8, 4); Le(b, channels * bits / 8, 2); Le(b, bits, 2);
    Tag(b, "data"); Le(b, static_cast<std::uint32_t>(data.size()), 4);
    Append(b, data);
    return b;
}

Bytes Snd(std::uint32_t offset, std::uint32_t encoding, std::uint32_t channels, const Bytes& data)
{
    Bytes b;
    Tag(b, ".snd"); Be(b, offset, 4); Be(b, static_cast<std::uint32_t>(data.size()), 4); Be(b, encoding, 4);
    Be(b, 8000, 4); Be(b, channels, 4);
    b.resize(offset < 24 ? 24 : offset, 0);
    Append(b, data);
    return b;
}

Bytes Ktrf(int headerUnits, int channelBits, std::uint16_t rate, const Bytes& data)
{
    Bytes b(static_cast<std::size_t>(headerUnits) * 16, 0);
    std::memcpy(b.data(), "KTRF", 4);
    b[7] = static_cast<std::uint8_t>(headerUnits);
    b[9] = static_cast<std::uint8_t>(channelBits);
    std::uint32_t size = static_cast<std::uint32_t>(data.size());
    std::memcpy(b.data() + 12, &size, 4); // the test machines are little-endian, like the format
    b[42] = rate & 0xFF;
    b[43] = rate >> 8;
    Append(b, data);
    return b;
}

Bytes Aiff(int channels, std::uint32_t frames, int bits, const Bytes& data)
{
    Bytes b;
    Tag(b, "FORM"); Be(b, 0, 4); Tag(b, "AIFF");
    Tag(b, "COMM"); Be(b, 18, 4); Be(b, channels, 2); Be(b, frames, 4); Be(b, bits, 2);
    const std::uint8_t rate[10] = {0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0};
    b.insert(b.end(), rate, rate + 10);
    Tag(b, "SSND"); Be(b, static_cast<std::uint32_t>(8 + data.size()), 4); Be(b, 0, 4); Be(b, 0, 4);
    Append(b, data);
    return b;
}

TEST(ZobStreamFormat, SnifferRecognisesEachFormatFromItsHeader)
{
    struct Row { const char* name; Bytes bytes; ZobSniffResult result; ZobInputKind kind; int channels; std::uint32_t total; std::size_t headerLength; };
    const Bytes four = {1, 2, 3, 4};
    std::vector<Row> rows = {
        {"WAV 8-bit stereo", Wav(1, 2, 8, four), ZobSniffResult::Recognised, ZobInputKind::Wav, 2, 2, 44},
        {"WAV untagged", Wav(0, 1, 16, four), ZobSniffResult::Recognised, ZobInputKind::Wav, 1, 2, 44},
        {"WAV with a chunk before fmt", Wav(1, 1, 8, four, true), ZobSniffResult::Recognised, ZobInputKind::Wav, 1, 4, 56},
        {"WAV mu-law", Wav(7, 1, 8, four), ZobSniffResult::Unknown, ZobInputKind::Wav, 0, 0, 0},
        {"WAV 24-bit", Wav(1, 1, 24, four), ZobSniffResult::Unknown, ZobInputKind::Wav, 0, 0, 0},
        {"WAV three channels", Wav(1, 3, 16, four), ZobSniffResult::Unknown, ZobInputKind::Wav, 0, 0, 0},
        {".snd mu-law", Snd(24, 1, 1, four), ZobSniffResult::Recognised, ZobInputKind::Snd, 1, 4, 24},
        {".snd 16-bit stereo", Snd(32, 3, 2, four), ZobSniffResult::Recognised, ZobInputKind::Snd, 2, 1, 32},
        {".snd unknown coding", Snd(24, 6, 1, four), ZobSniffResult::Unknown, ZobInputKind::Snd, 0, 0, 0},
        {".snd offset inside its header", Snd(8, 1, 1, four), ZobSniffResult::Unknown, ZobInputKind::Snd, 0, 0, 0},
        {".snd no channels", Snd(24, 1, 0, four), ZobSniffResult::Unknown, ZobInputKind::Snd, 0, 0, 0},
        {"KTRF stereo", Ktrf(3, 1, 8000, Bytes(8)), ZobSniffResult::Recognised, ZobInputKind::Ktrf, 2, 2, 48},
        {"KTRF four channels", Ktrf(3, 3, 8000, Bytes(8)), ZobSniffResult::Unknown, ZobInputKind::Ktrf, 0, 0, 0},
        {"KTRF rate 0", Ktrf(3, 0, 0, Bytes(8)), ZobSniffResult::Unknown, ZobInputKind::Ktrf, 0, 0, 0},
        {"AIFF 8-bit", Aiff(1, 4, 8, four), ZobSniffResult::Recognised, ZobInputKind::Aiff, 1, 4, 54},
        {"too short", Bytes(10, 0), ZobSniffResult::NeedMore, ZobInputKind::Zob, 0, 0, 0},
        {"something else", Bytes(64, 'x'), ZobSniffResult::Unknown, ZobInputKind::Zob, 0, 0, 0},
    };
    Bytes longSnd = Snd(24, 1, 1, four);
    longSnd[6] = 0x20; // offset 8216: beyond what a header may need
    rows.push_back({".snd offset past the window", longSnd, ZobSniffResult::NeedMore, ZobInputKind::Snd, 0, 0, 0});
    Bytes wavNoData = Wav(1, 1, 8, four);
    wavNoData.resize(36);
    rows.push_back({"WAV before its data chunk", wavNoData, ZobSniffResult::NeedMore, ZobInputKind::Wav, 0, 0, 0});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZobStreamInfo info;
        ASSERT_EQ(row.result, SniffZobStream(row.bytes.data(), row.bytes.size(), &info));
        if (row.result != ZobSniffResult::Recognised)
            continue;
        EXPECT_EQ(row.kind, info.kind);
        EXPECT_EQ(row.channels, info.channels);
        EXPECT_EQ(row.total, info.totalSamples);
        EXPECT_EQ(row.headerLength, info.headerLength);
    }
}

TEST(ZobStreamFormat, MuLawFollowsG711)
{
    struct Row { std::uint8_t byte; std::int16_t linear; };
    const Row rows[] = {{0xFF, 0}, {0x7F, 0}, {0x00, -32124}, {0x80, 32124}, {0xF0, 120}, {0x70, -120}, {0xCF, 924}};
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.byte));
        EXPECT_EQ(row.linear, MuLawToLinear(row.byte));
    }
}

TEST(ZobStreamFormat, PcmStreamsDecodeToSixteenBitSamples)
{
    struct Row { const char* name; Bytes bytes; std::vector<std::int16_t> samples; };
    const Row rows[] = {
        {"WAV unsigned 8-bit stereo", Wav(1, 2, 8, {0x00, 0xFF, 0x80, 0x81}), {-32768, 32512, 0, 256}},
        {"WAV 16-bit", Wav(1, 1, 16, {0x34, 0x12, 0x00, 0x80}), {0x1234, -32768}},
        {"AIFF signed 8-bit", Aiff(1, 2, 8, {0x80, 0x7F}), {-32768, 32512}},
        {"AIFF frames count over the data", Aiff(1, 1, 8, {0x10, 0x20}), {0x1000}},
        {".snd mu-law", Snd(24, 1, 1, {0x00, 0xFF}), {-32124, 0}},
        {".snd 8-bit linear", Snd(24, 2, 1, {0x80, 0x01}), {-32768, 256}},
        {".snd 16-bit", Snd(28, 3, 1, {0x12, 0x34}), {0x1234}},
        {"KTRF 16-bit", Ktrf(3, 0, 8000, {0x34, 0x12, 0xFF, 0xFF}), {0x1234, -1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ZobStreamInfo info;
        std::vector<std::int16_t> samples;
        ASSERT_TRUE(ZobDecodeBuffer(row.bytes.data(), row.bytes.size(), &info, &samples));
        EXPECT_EQ(row.samples, samples);
    }
}

TEST(ZobStreamFormat, AZobStreamWithTheLargestTotalStillDecodes)
{
    ZobHeader header;
    header.totalSamples = 0xFFFFFFFFu;
    Bytes zob(kZobHeaderBytes);
    WriteZobHeader(header, zob.data(), zob.size());
    zob.resize(kZobHeaderBytes + 3 * kZobBlockBytes, 0x11);
    ZobStreamInfo info;
    std::vector<std::int16_t> samples;
    ASSERT_TRUE(ZobDecodeBuffer(zob.data(), zob.size(), &info, &samples));
    EXPECT_EQ(3u * kZobSamplesPerBlock, samples.size());
    ASSERT_TRUE(ZobDecodeBuffer(zob.data(), zob.size(), &info, &samples, 40));
    EXPECT_EQ(40u, samples.size()) << "the cap cuts inside a block";
}

TEST(ZobStreamFormat, AnUnknownStreamIsNotDecoded)
{
    Bytes junk(5000, 'j');
    ZobStreamInfo info;
    std::vector<std::int16_t> samples;
    EXPECT_FALSE(ZobDecodeBuffer(junk.data(), junk.size(), &info, &samples));
    EXPECT_TRUE(samples.empty());
}

} // namespace
