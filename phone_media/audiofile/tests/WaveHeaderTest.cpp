#include "phone_media/audiofile/WaveHeader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Byte by byte: GCC 12 warns wrongly about ranged inserts into a vector that starts empty.
void AppendTag(Bytes& b, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(tag[i]));
}
void AppendLe(Bytes& b, std::uint32_t v, int n)
{
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void AppendBe(Bytes& b, std::uint32_t v, int n)
{
    for (int i = n - 1; i >= 0; --i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A WAV built chunk by chunk, so each case can bend one thing.
struct WavBuilder {
    Bytes bytes;
    WavBuilder() { AppendTag(bytes, "RIFF"); AppendLe(bytes, 0, 4); AppendTag(bytes, "WAVE"); }
    WavBuilder& Chunk(const char* id, const Bytes& body, std::uint32_t declared)
    {
        AppendTag(bytes, id);
        AppendLe(bytes, declared, 4);
        bytes.insert(bytes.end(), body.begin(), body.end());
        if (body.size() & 1)
            bytes.push_back(0);
        return *this;
    }
    WavBuilder& Chunk(const char* id, const Bytes& body) { return Chunk(id, body, static_cast<std::uint32_t>(body.size())); }
    static Bytes Format(int tag, int channels, std::uint32_t rate, int blockAlign, int bits, std::size_t size = 16)
    {
        Bytes f;
        AppendLe(f, tag, 2); AppendLe(f, channels, 2); AppendLe(f, rate, 4);
        AppendLe(f, rate * blockAlign, 4); AppendLe(f, blockAlign, 2); AppendLe(f, bits, 2);
        f.resize(size, 0);
        return f;
    }
};

TEST(WaveHeader, WavHeaderHasTheFixedLayout)
{
    std::uint8_t h[kWavHeaderSize];
    ASSERT_TRUE(WriteWavHeader(h, 8000, 2, 16, 10));
    const std::uint8_t expected[kWavHeaderSize] = {'R', 'I', 'F', 'F', 76, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
        16, 0, 0, 0, 1, 0, 2, 0, 0x40, 0x1F, 0, 0, 0x00, 0x7D, 0, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a', 40, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, h, sizeof h));
}

TEST(WaveHeader, AiffHeaderHasTheFixedLayout)
{
    std::uint8_t h[kAiffHeaderSize];
    ASSERT_TRUE(WriteAiffHeader(h, 8000, 1, 8, 10));
    const std::uint8_t expected[kAiffHeaderSize] = {'F', 'O', 'R', 'M', 0, 0, 0, 56, 'A', 'I', 'F', 'F', 'C', 'O', 'M', 'M',
        0, 0, 0, 18, 0, 1, 0, 0, 0, 10, 0, 8, 0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0,
        'S', 'S', 'N', 'D', 0, 0, 0, 18, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, h, sizeof h));
}

TEST(WaveHeader, AiffRatesEncodeAndDecode)
{
    struct Row { std::uint32_t rate; std::uint8_t bytes[4]; };
    const Row rows[] = {
        {1, {0x3F, 0xFF, 0x80, 0x00}},
        {8000, {0x40, 0x0B, 0xFA, 0x00}},
        {11025, {0x40, 0x0C, 0xAC, 0x44}},
        {44100, {0x40, 0x0E, 0xAC, 0x44}},
        {65535, {0x40, 0x0E, 0xFF, 0xFF}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("rate " + std::to_string(row.rate));
        std::uint8_t ext[10];
        ASSERT_TRUE(EncodeAiffRate(row.rate, ext));
        EXPECT_EQ(0, std::memcmp(row.bytes, ext, 4));
        for (int i = 4; i < 10; ++i)
            EXPECT_EQ(0, ext[i]);
        std::uint32_t back = 0;
        ASSERT_TRUE(DecodeAiffRate(ext, &back));
        EXPECT_EQ(row.rate, back);
    }
    std::uint8_t ext[10];
    EXPECT_FALSE(EncodeAiffRate(0, ext));
    EXPECT_FALSE(EncodeAiffRate(65536, ext)) << "the header field takes 16 bits";
}

TEST(WaveHeader, AiffRateReaderRefusesWhatIsNoWholeRate)
{
    struct Row { const char* name; std::uint8_t bytes[10]; bool ok; std::uint32_t rate; };
    const Row rows[] = {
        {"96000 (above 16 bits)", {0x40, 0x0F, 0xBB, 0x80, 0, 0, 0, 0, 0, 0}, true, 96000},
        {"fraction below 1", {0x3F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0}, false, 0},
        {"exponent far too large", {0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}, false, 0},
        {"exponent just past 32 bits", {0x40, 0x1F, 0x80, 0, 0, 0, 0, 0, 0, 0}, false, 0},
        {"negative", {0xC0, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0}, false, 0},
        {"zero", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::uint32_t rate = 0;
        EXPECT_EQ(row.ok, DecodeAiffRate(row.bytes, &rate));
        if (row.ok) {
            EXPECT_EQ(row.rate, rate);
        }
    }
}

TEST(WaveHeader, FileTypeComesFromAThreeLetterExtension)
{
    struct Row { const char* path; bool ok; WaveFileType type; };
    const Row rows[] = {
        {"clip.wav", true, WaveFileType::Wav}, {"C:\\x\\CLIP.WAV", true, WaveFileType::Wav},
        {"a.Aif", true, WaveFileType::Aiff}, {"b.AIF", true, WaveFileType::Aiff},
        {"b.aiff", false, WaveFileType::Wav}, {"b.wa", false, WaveFileType::Wav},
        {"folder.wav/clip", false, WaveFileType::Wav}, {"folder.wav\\clip", false, WaveFileType::Wav},
        {"noext", false, WaveFileType::Wav}, {"x.au", false, WaveFileType::Wav},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        WaveFileType type = WaveFileType::Wav;
        EXPECT_EQ(row.ok, WaveFileTypeFromPath(row.path, &type));
        if (row.ok) {
            EXPECT_EQ(row.type, type);
        }
    }
}

TEST(WaveHeader, WavReaderWalksChunks)
{
    Bytes samples(20, 0x80);
    WavBuilder wav;
    wav.Chunk("LIST", Bytes(7, 'x')) // odd size: padded
        .Chunk("fmt ", WavBuilder::Format(1, 2, 22050, 2, 8, 18))
        .Chunk("fact", Bytes(4, 0))
        .Chunk("data", samples);
    WaveLayout layout;
    ASSERT_TRUE(ParseWavHeader(wav.bytes.data(), wav.bytes.size(), &layout));
    EXPECT_EQ(22050u, layout.rate);
    EXPECT_EQ(2, layout.channels);
    EXPECT_EQ(8, layout.bits);
    EXPECT_EQ(10u, layout.frames);
    EXPECT_TRUE(layout.unsigned8);
    EXPECT_EQ(wav.bytes.size() - samples.size(), layout.dataOffset);
}

TEST(WaveHeader, WavReaderRefusesUnsafeOrForeignHeaders)
{
    struct Row { const char* name; Bytes bytes; };
    std::vector<Row> rows;
    rows.push_back({"fmt of 14 bytes", WavBuilder().Chunk("fmt ", WavBuilder::Format(1, 1, 8000, 1, 8, 14)).Chunk("data", Bytes(4)).bytes});
    rows.push_back({"block align 0", WavBuilder().Chunk("fmt ", WavBuilder::Format(1, 1, 8000, 0, 8)).Chunk("data", Bytes(4)).bytes});
    rows.push_back({"block align not channels x bits", WavBuilder().Chunk("fmt ", WavBuilder::Format(1, 1, 8000, 4, 8)).Chunk("data", Bytes(4)).bytes});
    rows.push_back({"three channels", WavBuilder().Chunk("fmt ", WavBuilder::Format(1, 3, 8000, 6, 16)).Chunk("data", Bytes(6)).bytes});
    rows.push_back({"24 bits", WavBuilder().Chunk("fmt ", WavBuilder::Format(1, 1, 8000, 3, 24)).Chunk("data", Bytes(6)).bytes});
    rows.push_back({"rate 0", WavBuilder().Chunk("fmt ", WavBuilder::Format(1, 1, 0, 1, 8)).Chunk("data", Bytes(4)).bytes});
    rows.push_back({"mu-law tag", WavBuilder().Chunk("fmt ", WavBuilder::Format(7, 1, 8000, 1, 8)).Chunk("data", Bytes(4)).bytes});
    rows.push_back({"no data chunk", WavBuilder().Chunk("fmt ", WavBuilder::Format(1, 1, 8000, 1, 8)).bytes});
    rows.push_back({"fmt beyond the file", WavBuilder().Chunk("LIST", Bytes(2), 0xFFFFFFF0u).Chunk("fmt ", WavBuilder::Format(1, 1, 8000, 1, 8)).Chunk("data", Bytes(4)).bytes});
    Bytes noWave = WavBuilder().Chunk("fmt ", WavBuilder::Format(1, 1, 8000, 1, 8)).Chunk("data", Bytes(4)).bytes;
    noWave[8] = 'X';
    rows.push_back({"no WAVE", noWave});
    rows.push_back({"truncated header", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V'}});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WaveLayout layout;
        EXPECT_FALSE(ParseWavHeader(row.bytes.data(), row.bytes.size(), &layout));
    }
}

TEST(WaveHeader, WavDataLongerThanTheFileIsCutToTheFramesPresent)
{
    Bytes wav = WavBuilder().Chunk("fmt ", WavBuilder::Format(1, 2, 8000, 4, 16)).Chunk("data", Bytes(10), 0x7FFFFFF0u).bytes;
    WaveLayout layout;
    ASSERT_TRUE(ParseWavHeader(wav.data(), wav.size(), &layout));
    EXPECT_EQ(2u, layout.frames) << "10 bytes hold two whole 4-byte frames";
}

Bytes Aiff(int channels, std::uint32_t frames, int bits, std::uint32_t offset, std::size_t soundBytes)
{
    Bytes b;
    AppendTag(b, "FORM"); AppendBe(b, 0, 4); AppendTag(b, "AIFF");
    AppendTag(b, "COMM"); AppendBe(b, 18, 4); AppendBe(b, channels, 2); AppendBe(b, frames, 4); AppendBe(b, bits, 2);
    const std::uint8_t rate[10] = {0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0};
    b.insert(b.end(), rate, rate + 10);
    AppendTag(b, "SSND"); AppendBe(b, static_cast<std::uint32_t>(8 + offset + soundBytes), 4);
    AppendBe(b, offset, 4); AppendBe(b, 0, 4);
    b.insert(b.end(), offset + soundBytes, 0);
    return b;
}

TEST(WaveHeader, AiffReaderHonoursTheSoundOffsetAndTheFileSize)
{
    Bytes a = Aiff(2, 5, 16, 6, 20);
    WaveLayout layout;
    ASSERT_TRUE(ParseAiffHeader(a.data(), a.size(), &layout));
    EXPECT_EQ(8000u, layout.rate);
    EXPECT_EQ(5u, layout.frames);
    EXPECT_EQ(54u + 6u, layout.dataOffset);
    EXPECT_TRUE(layout.bigEndian);

    Bytes tooMany = Aiff(1, 1000, 16, 0, 20);
    ASSERT_TRUE(ParseAiffHeader(tooMany.data(), tooMany.size(), &layout));
    EXPECT_EQ(10u, layout.frames) << "frames are bounded by the sound data present";

    Bytes badOffset = Aiff(1, 10, 8, 0, 10);
    badOffset[46 + 3] = 200; // offset past the chunk
    EXPECT_FALSE(ParseAiffHeader(badOffset.data(), badOffset.size(), &layout));

    Bytes shortCommon = Aiff(1, 10, 8, 0, 10);
    shortCommon[19] = 16;
    EXPECT_FALSE(ParseAiffHeader(shortCommon.data(), shortCommon.size(), &layout));
}

} // namespace
