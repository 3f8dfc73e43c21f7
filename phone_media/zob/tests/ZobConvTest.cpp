#include "phone_media/audiofile/tests/TempDir.h"
#include "phone_media/zob/ZobConv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::uint32_t Be32(const Bytes& b, std::size_t at)
{
    return (static_cast<std::uint32_t>(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}

// A test tone with some overtones, as a WAV or AIFF of the given shape.
void WriteSource(const std::string& path, std::uint32_t frames, int channels = 1, int bits = 16, std::uint32_t rate = 8000)
{
    auto stream = CWaveStream::Create(path.c_str(), rate, channels, bits, 0);
    ASSERT_TRUE(stream) << path;
    for (std::uint32_t i = 0; i < frames; ++i) {
        double t = i / static_cast<double>(rate);
        auto v = static_cast<std::int16_t>(8000 * std::sin(2 * 3.14159265 * 440 * t) + 3000 * std::sin(2 * 3.14159265 * 1230 * t));
        ASSERT_TRUE(stream->WriteFrame(v, static_cast<std::int16_t>(-v)));
    }
}

std::vector<std::int16_t> ReadSamples(const std::string& path)
{
    std::vector<std::int16_t> samples;
    auto stream = CWaveStream::OpenRead(path.c_str());
    if (!stream)
        return samples;
    for (std::uint32_t i = 0; i < stream->FrameCount(); ++i) {
        std::int16_t left, right;
        stream->ReadFrame(&left, &right);
        samples.push_back(left);
    }
    return samples;
}

// Polls the server with no pause until the handle is done; returns its final status.
int RunToEnd(ZobConvHandle* handle)
{
    for (int step = 0; step < 100000; ++step) {
        int status = ZobConvGetStatus(handle);
        if (status != kZobEncoding && status != kZobDecoding)
            return status;
        ZobConvExecServer();
    }
    return -1;
}

struct Errors {
    std::vector<std::string> messages;
    static void Record(void* context, const char* message) { static_cast<Errors*>(context)->messages.push_back(message); }
};

class ZobConvTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZobConvSetErrorCallback(Errors::Record, &m_errors);
        ZobConvInit();
    }
    void TearDown() override
    {
        ZobConvFinish();
        ZobConvSetErrorCallback(nullptr, nullptr);
    }
    CTestFolder m_folder;
    Errors m_errors;
};

TEST_F(ZobConvTest, ClipLengthsFollowTheBlockArithmetic)
{
    struct Row { const char* name; std::uint32_t frames; int channels; int bits; std::uint32_t total; std::size_t bytes; };
    const Row rows[] = {
        {"10 s at 8 kHz", 80000, 1, 16, 80000, 45046},
        {"longer than 10 s is cut", 100000, 1, 16, 80000, 45046},
        {"one sample rounds up to a block", 1, 1, 16, 32, 28 + 18 + 18},
        {"8-bit stereo encodes its first channel", 33, 2, 8, 64, 28 + 2 * 18 + 18},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string wav = m_folder.File("source.wav"), zob = m_folder.File("clip.zob");
        WriteSource(wav, row.frames, row.channels, row.bits);
        ASSERT_TRUE(EncodeZobFile(wav.c_str(), zob.c_str()));
        Bytes file = ReadFile(zob);
        ASSERT_EQ(row.bytes, file.size());
        EXPECT_EQ(row.total, Be32(file, 12));
        EXPECT_EQ(1, file[7]) << "channels";
        EXPECT_EQ(8000u, Be32(file, 8));
        EXPECT_EQ(0x80, file[file.size() - 18]);
        EXPECT_EQ(0x01, file[file.size() - 17]);
        EXPECT_EQ(14, file[file.size() - 15]);
        EXPECT_TRUE(ZobIsZobFile(zob.c_str()));
        std::filesystem::remove(wav);
    }
}

TEST_F(ZobConvTest, DecodedWaveHoldsExactlyTheSamplesDecodedAndSoundsLikeTheSource)
{
    std::string wav = m_folder.File("source.wav"), zob = m_folder.File("clip.zob"), out = m_folder.File("back.wav");
    WriteSource(wav, 4000);
    ASSERT_TRUE(EncodeZobFile(wav.c_str(), zob.c_str()));
    ASSERT_TRUE(DecodeZobFile(zob.c_str(), out.c_str()));
    auto stream = CWaveStream::OpenRead(out.c_str());
    ASSERT_TRUE(stream);
    EXPECT_EQ(4000u, stream->FrameCount()) << "4000 is a multiple of 32";
    EXPECT_EQ(16, stream->Bits());
    EXPECT_EQ(1, stream->Channels());
    EXPECT_EQ(8000u, stream->Rate());
    stream.reset();
    std::vector<std::int16_t> source = ReadSamples(wav), decoded = ReadSamples(out);
    double signal = 0, noise = 0;
    for (std::size_t i = 0; i < source.size(); ++i) {
        signal += double(source[i]) * source[i];
        noise += double(source[i] - decoded[i]) * (source[i] - decoded[i]);
    }
    EXPECT_GT(10 * std::log10(signal / noise), 15.0);
}

TEST_F(ZobConvTest, AFifthHandleCannotBeHad)
{
    ZobConvHandle* handles[kZobHandleCount];
    for (auto& h : handles)
        ASSERT_TRUE(h = ZobConvCreate(kZobClipBufferBytes, kZobClipBufferBytes));
    EXPECT_EQ(nullptr, ZobConvCreate(kZobClipBufferBytes, kZobClipBufferBytes));
    ASSERT_EQ(1u, m_errors.messages.size());
    EXPECT_EQ("Cannot get instance.", m_errors.messages[0]);
    ZobConvDestroy(handles[2]);
    EXPECT_EQ(handles[2], ZobConvCreate(kZobClipBufferBytes, kZobClipBufferBytes));
}

// Builds a ZOB file by hand: a header claiming total samples and n blocks of a fixed pattern,
// with or without the terminator.
Bytes HandMadeZob(std::uint32_t total, std::size_t blocks, bool terminated, std::uint8_t channels = 1)
{
    ZobHeader header;
    header.channels = channels;
    header.totalSamples = total;
    Bytes file(kZobHeaderBytes);
    WriteZobHeader(header, file.data(), file.size());
    for (std::size_t b = 0; b < blocks * channels; ++b) {
        std::uint8_t block[kZobBlockBytes] = {0x00, 0x20, 0x12, 0x34, 0xF0, 0x0F};
        file.insert(file.end(), block, block + kZobBlockBytes);
    }
    if (terminated) {
        std::uint8_t terminator[kZobTerminatorBytes];
        WriteZobTerminator(terminator);
        file.insert(file.end(), terminator, terminator + kZobTerminatorBytes);
    }
    return file;
}

TEST_F(ZobConvTest, DecodingStopsAtTheTerminatorTheTotalOrTheCap)
{
    struct Row { const char* name; std::uint32_t total; std::size_t blocks; bool terminated; std::uint8_t channels; std::uint32_t frames; int status; };
    const Row rows[] = {
        {"terminator first", 6400, 10, true, 1, 320, kZobFinished},
        {"total first", 100, 10, true, 1, 100, kZobFinished},
        {"stereo", 640, 20, true, 2, 640, kZobFinished},
        // Without a terminator the decoder waits for more; after the stall the rest of the
        // total is silence, and the file did end, so the clip is still good.
        {"truncated: silence up to the total", 1000, 10, false, 1, 1000, kZobFinished},
        {"a huge total is capped", 0xFFFFFFF0u, 10, false, 1, kZobMaximumSamples, kZobFinished},
        {"more blocks than the cap", 0xFFFFFFF0u, 3000, true, 1, kZobMaximumSamples, kZobFinished},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string zob = m_folder.File("hand.zob"), out = m_folder.File("hand.wav");
        WriteFile(zob, HandMadeZob(row.total, row.blocks, row.terminated, row.channels));
        ZobConvHandle* h = ZobConvCreate(kZobClipBufferBytes, kZobClipBufferBytes);
        ASSERT_TRUE(h);
        ZobConvStartDecode(h, zob.c_str(), out.c_str());
        ASSERT_EQ(kZobDecoding, ZobConvGetStatus(h));
        EXPECT_EQ(row.status, RunToEnd(h));
        ZobConvDestroy(h);
        auto stream = CWaveStream::OpenRead(out.c_str());
        ASSERT_TRUE(stream);
        EXPECT_EQ(row.frames, stream->FrameCount());
        EXPECT_EQ(row.channels, stream->Channels());
        EXPECT_EQ(44 + row.frames * 2u * row.channels, std::filesystem::file_size(out));
    }
}

TEST_F(ZobConvTest, ATerminatorInTheSecondBlockOfAPairEndsTheStreamAtOnce)
{
    Bytes file = HandMadeZob(6400, 2, false, 2);
    Bytes lone = HandMadeZob(0, 1, true, 1);
    file.insert(file.end(), lone.begin() + kZobHeaderBytes, lone.end()); // a left block, then the terminator
    std::string zob = m_folder.File("pair.zob"), out = m_folder.File("pair.wav");
    WriteFile(zob, file);
    ZobConvHandle* h = ZobConvCreate(kZobClipBufferBytes, kZobClipBufferBytes);
    ZobConvStartDecode(h, zob.c_str(), out.c_str());
    for (int step = 0; step < 20 && ZobConvGetStatus(h) == kZobDecoding; ++step)
        ZobConvExecServer();
    EXPECT_EQ(kZobFinished, ZobConvGetStatus(h)) << "ended by the terminator, not by a stall";
    ZobConvDestroy(h);
    auto stream = CWaveStream::OpenRead(out.c_str());
    ASSERT_TRUE(stream);
    EXPECT_EQ(64u, stream->FrameCount());
}

TEST_F(ZobConvTest, UntrustedOrMissingInputsFailWithoutLeavingFilesBehind)
{
    std::string out = m_folder.File("out.wav");
    struct Row { const char* name; Bytes bytes; };
    Bytes zeroBits = HandMadeZob(64, 2, true);
    zeroBits[6] = 0;
    Bytes zeroRate = HandMadeZob(64, 2, true);
    zeroRate[10] = zeroRate[11] = 0;
    Bytes threeChannels = HandMadeZob(64, 2, true);
    threeChannels[7] = 3;
    const Row rows[] = {{"bits 0", zeroBits}, {"rate 0", zeroRate}, {"three channels", threeChannels},
        {"too short", Bytes(20, 0x80)}, {"a WAV", Bytes{'R', 'I', 'F', 'F'}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string zob = m_folder.File("bad.zob");
        WriteFile(zob, row.bytes);
        EXPECT_FALSE(ZobIsZobFile(zob.c_str()));
        EXPECT_FALSE(DecodeZobFile(zob.c_str(), out.c_str()));
        EXPECT_FALSE(std::filesystem::exists(out));
        ZobConvHandle* h = ZobConvCreate(kZobClipBufferBytes, kZobClipBufferBytes);
        ZobConvStartDecode(h, zob.c_str(), out.c_str());
        EXPECT_EQ(kZobError, ZobConvGetStatus(h));
        ZobConvDestroy(h);
    }
    std::string missing = m_folder.File("missing.wav"), zob = m_folder.File("never.zob");
    EXPECT_FALSE(EncodeZobFile(missing.c_str(), zob.c_str()));
    EXPECT_FALSE(std::filesystem::exists(missing)) << "reading never creates the source";
    EXPECT_FALSE(DecodeZobFile(missing.c_str(), out.c_str()));
}

TEST_F(ZobConvTest, ASourceRateNoZobReaderAcceptsIsRefused)
{
    std::string wav = m_folder.File("fast.wav"), zob = m_folder.File("fast.zob");
    WriteSource(wav, 64, 1, 16, kZobMaxRate + 1);
    EXPECT_FALSE(EncodeZobFile(wav.c_str(), zob.c_str()));
    WriteSource(wav, 64, 1, 16, kZobMaxRate);
    ASSERT_TRUE(EncodeZobFile(wav.c_str(), zob.c_str()));
    EXPECT_TRUE(ZobIsZobFile(zob.c_str()));
}

TEST_F(ZobConvTest, PathsTooLongForTheirFieldFailInsteadOfBeingCut)
{
    std::string wav = m_folder.File("source.wav");
    WriteSource(wav, 64);
    std::string base = m_folder.File("");
    std::string longZob = base + std::string(kZobPathField - base.size() - 4, 'z') + ".zob";
    ASSERT_EQ(kZobPathField, longZob.size());
    std::string cut = longZob.substr(0, kZobPathField - 1);
    EXPECT_FALSE(EncodeZobFile(wav.c_str(), longZob.c_str()));
    EXPECT_FALSE(std::filesystem::exists(cut));
    std::string fits = longZob.substr(0, kZobPathField - 5) + ".zob";
    EXPECT_TRUE(EncodeZobFile(wav.c_str(), fits.c_str())) << "255 characters still fit";
    EXPECT_FALSE(DecodeZobFile(fits.c_str(), (base + std::string(kZobPathField, 'w') + ".wav").c_str()));
}

TEST_F(ZobConvTest, StopReleasesTheStreamsAndDestroyStopsFirst)
{
    std::string wav = m_folder.File("source.wav"), zob = m_folder.File("clip.zob");
    WriteSource(wav, 8000);
    ZobConvHandle* h = ZobConvCreate(kZobClipBufferBytes, kZobClipBufferBytes);
    ZobConvStartEncode(h, wav.c_str(), zob.c_str());
    ZobConvExecServer();
    ZobConvExecServer();
    EXPECT_EQ(kZobEncoding, ZobConvGetStatus(h));
    EXPECT_GT(ZobConvGetSamplesDone(h), 0u);
    ZobConvStop(h);
    EXPECT_EQ(kZobIdle, ZobConvGetStatus(h));
    EXPECT_EQ(nullptr, h->encoder);
    EXPECT_EQ(nullptr, h->zobFile);
    ZobConvExecServer(); // nothing left to run
    ZobConvStartEncode(h, wav.c_str(), zob.c_str());
    EXPECT_EQ(kZobFinished, RunToEnd(h)) << "a stopped handle can start again";
    ZobConvDestroy(h);
}

} // namespace
