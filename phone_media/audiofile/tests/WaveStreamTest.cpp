#include "phone_media/audiofile/WaveStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::unique_ptr<CWaveStream> CreateInMemory(WaveFileType type, int channels, int bits, std::uint32_t frames,
    CMemoryMappedFile** file = nullptr)
{
    auto memory = std::make_unique<CMemoryMappedFile>(std::vector<std::uint8_t>{}, MappedAccess::ReadWrite);
    if (file)
        *file = memory.get();
    return CWaveStream::Create(std::move(memory), type, 8000, channels, bits, frames);
}

struct FormatRow {
    const char* name;
    WaveFileType type;
    int channels;
    int bits;
    // Bytes of the frame (-32768, 0x1234) as stored in the file (mono stores only the first).
    std::vector<std::uint8_t> stored;
    // What reading that frame gives back.
    std::int16_t left, right;
};

const FormatRow kFormats[] = {
    {"WAV 16 mono", WaveFileType::Wav, 1, 16, {0x00, 0x80}, -32768, -32768},
    {"WAV 16 stereo", WaveFileType::Wav, 2, 16, {0x00, 0x80, 0x34, 0x12}, -32768, 0x1234},
    {"AIFF 16 mono", WaveFileType::Aiff, 1, 16, {0x80, 0x00}, -32768, -32768},
    {"AIFF 16 stereo", WaveFileType::Aiff, 2, 16, {0x80, 0x00, 0x12, 0x34}, -32768, 0x1234},
    {"WAV 8 mono", WaveFileType::Wav, 1, 8, {0x00}, -32768, -32768},
    {"WAV 8 stereo", WaveFileType::Wav, 2, 8, {0x00, 0x92}, -32768, 0x1200},
    {"AIFF 8 mono", WaveFileType::Aiff, 1, 8, {0x80}, -32768, -32768},
    {"AIFF 8 stereo", WaveFileType::Aiff, 2, 8, {0x80, 0x12}, -32768, 0x1200},
};

TEST(WaveStream, FramesAreStoredInEachFormatsOwnWayAndReadBack)
{
    for (const FormatRow& row : kFormats) {
        SCOPED_TRACE(row.name);
        CMemoryMappedFile* memory = nullptr;
        auto stream = CreateInMemory(row.type, row.channels, row.bits, 0, &memory);
        ASSERT_TRUE(stream);
        ASSERT_TRUE(stream->WriteFrame(-32768, 0x1234));
        ASSERT_TRUE(stream->WriteFrame(100, -100));
        std::unique_ptr<CMappedFile> file = stream->Finish();
        ASSERT_TRUE(file);
        std::size_t header = row.type == WaveFileType::Wav ? kWavHeaderSize : kAiffHeaderSize;
        std::size_t frameBytes = static_cast<std::size_t>(row.channels * row.bits / 8);
        ASSERT_EQ(header + 2 * frameBytes, file->Size()) << "cut back to the two frames written";
        std::vector<std::uint8_t> first(file->View() + header, file->View() + header + frameBytes);
        EXPECT_EQ(row.stored, first);

        auto reader = CWaveStream::OpenRead(std::move(file), row.type);
        ASSERT_TRUE(reader);
        EXPECT_EQ(2u, reader->FrameCount());
        EXPECT_EQ(row.channels, reader->Channels());
        EXPECT_EQ(row.bits, reader->Bits());
        EXPECT_EQ(8000u, reader->Rate());
        std::int16_t left = 0, right = 0;
        reader->ReadFrame(&left, &right);
        EXPECT_EQ(row.left, left);
        EXPECT_EQ(row.right, right);
        EXPECT_FALSE(reader->WriteFrame(1, 1)) << "a stream opened for reading is read-only";
    }
}

TEST(WaveStream, WritingPastTheEndGrowsInLargeStepsAndCloseCutsBack)
{
    for (WaveFileType type : {WaveFileType::Wav, WaveFileType::Aiff}) {
        SCOPED_TRACE(type == WaveFileType::Wav ? "WAV" : "AIFF");
        CMemoryMappedFile* memory = nullptr;
        auto stream = CreateInMemory(type, 1, 8, 0, &memory);
        ASSERT_TRUE(stream);
        EXPECT_EQ(0u, stream->Capacity());
        for (int i = 0; i < 10; ++i)
            ASSERT_TRUE(stream->WriteFrame(static_cast<std::int16_t>(i * 256), 0));
        EXPECT_EQ(CWaveStream::kGrowFrames, stream->Capacity());
        EXPECT_EQ(10u, stream->FrameCount());
        std::size_t header = type == WaveFileType::Wav ? kWavHeaderSize : kAiffHeaderSize;
        EXPECT_EQ(header + CWaveStream::kGrowFrames, memory->Size());
        auto file = stream->Finish();
        ASSERT_TRUE(file);
        EXPECT_EQ(header + 10, file->Size());
        WaveLayout layout;
        bool parsed = type == WaveFileType::Wav ? ParseWavHeader(file->View(), file->Size(), &layout)
                                                : ParseAiffHeader(file->View(), file->Size(), &layout);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(10u, layout.frames) << "the header was rewritten for the real length";
    }
}

TEST(WaveStream, ReadingPastTheEndGivesSilenceWithoutAdvancing)
{
    // A mono 8-bit WAV of 80,000 frames, the recorder's own format.
    auto stream = CreateInMemory(WaveFileType::Wav, 1, 8, 80000);
    ASSERT_TRUE(stream);
    for (int i = 0; i < 80000; ++i)
        ASSERT_TRUE(stream->WriteFrame(static_cast<std::int16_t>(((i % 256) - 128) * 256), 0));
    auto reader = CWaveStream::OpenRead(stream->Finish(), WaveFileType::Wav);
    ASSERT_TRUE(reader);
    ASSERT_EQ(80000u, reader->FrameCount());
    for (int i = 0; i < 80000; ++i) {
        std::int16_t left = 1, right = 2;
        reader->ReadFrame(&left, &right);
        ASSERT_EQ(((i % 256) - 128) * 256, left) << "frame " << i;
        ASSERT_EQ(left, right) << "mono reads as (left, left)";
    }
    for (int i = 0; i < 3; ++i) {
        std::int16_t left = 1, right = 2;
        reader->ReadFrame(&left, &right);
        EXPECT_EQ(0, left);
        EXPECT_EQ(0, right);
        EXPECT_EQ(80000u, reader->CurrentFrame());
    }
}

TEST(WaveStream, SetLengthSizesTheFileAndKeepsThePositionInside)
{
    CMemoryMappedFile* memory = nullptr;
    auto stream = CreateInMemory(WaveFileType::Wav, 2, 16, 0, &memory);
    ASSERT_TRUE(stream);
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(stream->WriteFrame(1, 2));
    ASSERT_TRUE(stream->SetLength(5));
    EXPECT_EQ(5u, stream->FrameCount());
    EXPECT_EQ(5u, stream->CurrentFrame());
    EXPECT_EQ(kWavHeaderSize + 20, memory->Size());
    ASSERT_TRUE(stream->SetLength(100));
    EXPECT_EQ(100u, stream->FrameCount());
    EXPECT_EQ(kWavHeaderSize + 400, memory->Size());
}

TEST(WaveStream, AFailedGrowthStopsTheWrite)
{
    CMemoryMappedFile* memory = nullptr;
    auto stream = CreateInMemory(WaveFileType::Wav, 1, 16, 2, &memory);
    ASSERT_TRUE(stream);
    ASSERT_TRUE(stream->WriteFrame(1, 1));
    ASSERT_TRUE(stream->WriteFrame(2, 2));
    memory->FailResizes(true);
    EXPECT_FALSE(stream->WriteFrame(3, 3));
    EXPECT_FALSE(stream->WriteFrame(4, 4)) << "no write lands in a view that is gone";
}

TEST(WaveStream, CreateRefusesFormatsItCannotReadBack)
{
    struct Row { const char* name; WaveFileType type; std::uint32_t rate; int channels; int bits; };
    const Row rows[] = {
        {"three channels", WaveFileType::Wav, 8000, 3, 16},
        {"12 bits", WaveFileType::Wav, 8000, 1, 12},
        {"rate 0", WaveFileType::Wav, 0, 1, 16},
        {"AIFF rate above 16 bits", WaveFileType::Aiff, 96000, 1, 16},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto memory = std::make_unique<CMemoryMappedFile>(std::vector<std::uint8_t>{}, MappedAccess::ReadWrite);
        EXPECT_FALSE(CWaveStream::Create(std::move(memory), row.type, row.rate, row.channels, row.bits, 10));
    }
    auto readOnly = std::make_unique<CMemoryMappedFile>(std::vector<std::uint8_t>{}, MappedAccess::Read);
    EXPECT_FALSE(CWaveStream::Create(std::move(readOnly), WaveFileType::Wav, 8000, 1, 16, 10));
}

} // namespace
