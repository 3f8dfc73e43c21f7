// Real files through the platform's mapping (Win32 under Wine, POSIX natively).
#include "phone_media/audiofile/MappedFile.h"
#include "phone_media/audiofile/WaveStream.h"
#include "phone_media/audiofile/tests/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

std::uintmax_t FileSize(const std::string& path) { return std::filesystem::file_size(path); }

TEST(MappedFile, OpeningForReadNeverCreatesAMissingFile)
{
    CTestFolder folder;
    std::string missing = folder.File("missing.wav");
    EXPECT_FALSE(OpenMappedFile(missing.c_str(), MappedAccess::Read));
    EXPECT_FALSE(CWaveStream::OpenRead(missing.c_str()));
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(MappedFile, EmptyFilesAreNotMappedAndNotStreams)
{
    CTestFolder folder;
    std::string empty = folder.File("empty.wav");
    std::ofstream(empty).close();
    auto file = OpenMappedFile(empty.c_str(), MappedAccess::Read);
    ASSERT_TRUE(file);
    EXPECT_EQ(nullptr, file->View());
    EXPECT_EQ(0u, file->Size());
    EXPECT_FALSE(CWaveStream::OpenRead(empty.c_str()));
}

TEST(MappedFile, ResizeGrowsKeepsAndCuts)
{
    CTestFolder folder;
    std::string path = folder.File("data.bin");
    {
        auto file = OpenMappedFile(path.c_str(), MappedAccess::ReadWrite);
        ASSERT_TRUE(file) << "read-write opening creates the file";
        ASSERT_TRUE(file->Resize(100));
        std::memcpy(file->View(), "hello", 5);
        ASSERT_TRUE(file->Resize(4096));
        EXPECT_EQ(0, std::memcmp(file->View(), "hello", 5)) << "growing keeps the bytes";
        ASSERT_TRUE(file->Resize(3));
        EXPECT_EQ(3u, file->Size());
    }
    EXPECT_EQ(3u, FileSize(path));
    auto reread = OpenMappedFile(path.c_str(), MappedAccess::Read);
    ASSERT_TRUE(reread);
    ASSERT_EQ(3u, reread->Size());
    EXPECT_EQ(0, std::memcmp(reread->View(), "hel", 3));
    EXPECT_FALSE(reread->Resize(10)) << "a read-only mapping can't grow the file";
}

TEST(MappedFile, StreamsPickTheirTypeByExtensionOnRealFiles)
{
    CTestFolder folder;
    struct Row { const char* name; bool ok; std::size_t header; };
    const Row rows[] = {{"a.wav", true, kWavHeaderSize}, {"b.WAV", true, kWavHeaderSize},
        {"c.aif", true, kAiffHeaderSize}, {"d.AiF", true, kAiffHeaderSize}, {"e.aiff", false, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string path = folder.File(row.name);
        {
            auto stream = CWaveStream::Create(path.c_str(), 8000, 1, 8, 0);
            ASSERT_EQ(row.ok, stream != nullptr);
            if (!stream)
                continue;
            for (int i = 0; i < 10; ++i)
                ASSERT_TRUE(stream->WriteFrame(static_cast<std::int16_t>(i * 256), 0));
        }
        EXPECT_EQ(row.header + 10, FileSize(path)) << "closed at 10 frames, not 524,288";
        auto reader = CWaveStream::OpenRead(path.c_str());
        ASSERT_TRUE(reader);
        EXPECT_EQ(10u, reader->FrameCount());
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File("e.aiff")));
}

TEST(MappedFile, AHeaderOfTheOtherTypeIsRefused)
{
    CTestFolder folder;
    std::string wav = folder.File("real.wav");
    {
        auto stream = CWaveStream::Create(wav.c_str(), 8000, 1, 16, 4);
        ASSERT_TRUE(stream);
        ASSERT_TRUE(stream->WriteFrame(1, 1));
    }
    std::string disguised = folder.File("real.aif");
    std::filesystem::copy_file(wav, disguised);
    EXPECT_FALSE(CWaveStream::OpenRead(disguised.c_str()));
    EXPECT_TRUE(CWaveStream::OpenRead(wav.c_str()));
}

} // namespace
