// The voice-clip panel's portable rules: progress in eighths, placement beside an owner,
// temporary names, WAV clip information, clip copies.
#include "phone_media/voiceclip/ClipRules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

struct WavSpec {
    std::uint16_t tag = 1;
    std::uint16_t channels = 1;
    std::uint32_t rate = 8000;
    std::uint32_t average = 8000;
    std::uint16_t align = 1;
    std::uint16_t bits = 8;
    std::uint32_t formatSize = 16;
    std::uint32_t dataClaimed = 0; // 0: the bytes present
    std::size_t dataPresent = 8000;
};

Bytes MakeWav(const WavSpec& s)
{
    Bytes b = {'R', 'I', 'F', 'F'};
    Put32(b, 0);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(b, s.formatSize);
    Bytes format;
    Put16(format, s.tag);
    Put16(format, s.channels);
    Put32(format, s.rate);
    Put32(format, s.average);
    Put16(format, s.align);
    Put16(format, s.bits);
    format.resize(s.formatSize, 0);
    b.insert(b.end(), format.begin(), format.end());
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Put32(b, s.dataClaimed ? s.dataClaimed : static_cast<std::uint32_t>(s.dataPresent));
    b.insert(b.end(), s.dataPresent, 0x80);
    std::uint32_t riff = static_cast<std::uint32_t>(b.size() - 8);
    std::memcpy(b.data() + 4, &riff, 4);
    return b;
}

std::string TempDir()
{
#ifdef _WIN32
    char buffer[MAX_PATH];
    ::GetTempPathA(MAX_PATH, buffer);
    return buffer;
#else
    return ::testing::TempDir();
#endif
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(ClipProgress, EighthsOfTheFullWidth)
{
    // 10 s recording, full width 100: the first tick shows one eighth at once (12 px).
    clip::ProgressStrip strip(100);
    strip.Start(10000);
    std::vector<int> widths;
    int changes = 0;
    while (strip.Elapsed() < strip.Total()) {
        changes += strip.Advance() ? 1 : 0;
        widths.push_back(strip.Width());
    }
    ASSERT_EQ(widths.size(), 100u);
    EXPECT_EQ(widths[0], 12);
    EXPECT_EQ(widths[11], 12);  // 1200 ms: 8 x 0.12 = 0.96, still step 1
    EXPECT_EQ(widths[12], 24);  // 1300 ms: 1.04 -> step 2
    EXPECT_EQ(widths[86], 84);  // 8700 ms: step 7
    EXPECT_EQ(widths[87], 100); // 8800 ms: step 8, the full width (not 8 x 12)
    EXPECT_EQ(widths.back(), 100);
    EXPECT_EQ(changes, 8); // the control moves only when the width changes
    strip.Reset();
    EXPECT_EQ(strip.Width(), 0);
    EXPECT_EQ(strip.Total(), 0);

    struct Case {
        int full, total, ticks, width;
    };
    const Case cases[] = {{80, 300, 1, 30}, {80, 300, 2, 60}, {80, 300, 3, 80}, {7, 1000, 1, 0},
                          {7, 1000, 10, 7}, {64, 0, 1, 64},  {64, 100, 1, 64}};
    for (const Case& c : cases) {
        clip::ProgressStrip s(c.full);
        s.Start(c.total);
        for (int i = 0; i < c.ticks; ++i)
            s.Advance();
        EXPECT_EQ(s.Width(), c.width) << c.full << " " << c.total << " " << c.ticks;
    }
}

TEST(ClipPlacement, BesideTheOwnerOnTheDesktop)
{
    struct Case {
        clip::Box owner;
        int desktop;
        clip::Spot expected;
    };
    const clip::Box panel{500, 500, 740, 548}; // 240 wide
    const Case cases[] = {
        {{100, 50, 300, 400}, 1024, {300, 50}},
        {{100, 50, 784, 400}, 1024, {784, 50}},  // exactly fits
        {{100, 50, 785, 400}, 1024, {-140, 50}}, // one pixel too far: to the left
        {{600, 10, 1000, 90}, 1024, {360, 10}},
    };
    for (const Case& c : cases) {
        clip::Spot s = clip::BesidePosition(panel, c.owner, c.desktop);
        EXPECT_EQ(s.x, c.expected.x);
        EXPECT_EQ(s.y, c.expected.y);
    }
}

TEST(ClipTempNames, OnlyTheExtensionChanges)
{
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\users\\me\\Temp\\MMP1A2B.tmp", "C:\\users\\me\\Temp\\MMP1A2B.zob"},
        {"C:\\a.tmp\\b.tmp\\MMP3.tmp", "C:\\a.tmp\\b.tmp\\MMP3.zob"},
        {"C:\\x.tmpfolder\\MMPFFFF.TMP", "C:\\x.tmpfolder\\MMPFFFF.zob"},
        {"MMP1.tmp", "MMP1.zob"},
        {".tmp", ""},
        {"C:\\dir\\.tmp", ""},
        {"C:\\noext", ""},
        {"", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(clip::ReplaceTempExtension(in, ".zob"), out) << in;
}

TEST(ClipInfo, WaveHeadersGoodAndBad)
{
    struct Case {
        const char* name;
        WavSpec spec;
        int result;
        std::int64_t duration;
    };
    WavSpec tenSeconds;
    tenSeconds.dataPresent = 80000;
    WavSpec noRate;
    noRate.average = 0;
    WavSpec shortFormat;
    shortFormat.formatSize = 14;
    WavSpec notPcm;
    notPcm.tag = 2;
    WavSpec pastEnd;
    pastEnd.dataClaimed = 4000000000u;
    pastEnd.dataPresent = 4000;
    WavSpec tiny;
    tiny.dataPresent = 7; // under a millisecond at 8000 bytes/s
    WavSpec stereo16;
    stereo16.channels = 2;
    stereo16.bits = 16;
    stereo16.align = 4;
    stereo16.rate = 44100;
    stereo16.average = 176400;
    stereo16.dataPresent = 176400 * 3;
    WavSpec slowRate; // a duration whose product needs 64 bits
    slowRate.average = 1;
    slowRate.dataPresent = 5000000;
    const Case cases[] = {
        {"1 s", WavSpec{}, 1, 1000},
        {"10 s", tenSeconds, 1, 10000},
        {"zero average rate", noRate, -12, 0},
        {"14-byte fmt", shortFormat, -12, 0},
        {"not PCM", notPcm, -12, 0},
        {"data past the end", pastEnd, 1, 500},
        {"under 1 ms", tiny, -12, 0},
        {"stereo 16-bit", stereo16, 1, 3000},
        {"large product", slowRate, 1, 5000000000LL},
    };
    for (const Case& c : cases) {
        Bytes wav = MakeWav(c.spec);
        clip::ClipInfo info;
        EXPECT_EQ(clip::ReadWaveInfo(wav.data(), wav.size(), &info), c.result) << c.name;
        EXPECT_EQ(info.durationMs, c.duration) << c.name;
        EXPECT_EQ(info.kind, c.result == 1 ? 1 : 0) << c.name;
    }
    Bytes good = MakeWav(WavSpec{});
    clip::ClipInfo info;
    for (std::size_t cut : {0u, 4u, 17u, 30u, 43u}) // cut headers
        EXPECT_EQ(clip::ReadWaveInfo(good.data(), cut, &info), -12) << cut;
    Bytes wrong = good;
    wrong[8] = 'X';
    EXPECT_EQ(clip::ReadWaveInfo(wrong.data(), wrong.size(), &info), -12);
    const char zob[] = "ZOB\x01 not a wave at all, but long enough";
    EXPECT_EQ(clip::ReadWaveInfo(reinterpret_cast<const std::uint8_t*>(zob), sizeof zob, &info), -12);
}

TEST(ClipInfo, FromFiles)
{
    std::string dir = TempDir();
    std::string path = dir + "clipinfo_test.wav";
    WriteFile(path, MakeWav(WavSpec{}));
    clip::ClipInfo info;
    EXPECT_EQ(clip::GetMediaFileInfo(path.c_str(), &info), 1);
    EXPECT_EQ(info.durationMs, 1000);
    EXPECT_EQ(clip::GetMediaFileInfo((dir + "no_such_clip.wav").c_str(), &info), -11);
    EXPECT_EQ(clip::GetMediaFileInfo(nullptr, &info), -11);
    WriteFile(path, Bytes{});
    EXPECT_EQ(clip::GetMediaFileInfo(path.c_str(), &info), -12);
    std::remove(path.c_str());
}

TEST(ClipCopy, CopiesAndNeverTruncatesTheSameFile)
{
    std::string dir = TempDir();
    std::string source = dir + "clipcopy_source.zob";
    std::string target = dir + "clipcopy_target.zob";
    for (std::size_t size : {1u, 10239u, 10240u, 10241u, 30720u, 45046u}) {
        Bytes data(size);
        for (std::size_t i = 0; i < size; ++i)
            data[i] = static_cast<std::uint8_t>(i * 7 + size);
        WriteFile(source, data);
        WriteFile(target, Bytes(99999, 1)); // an older, longer clip is replaced whole
        EXPECT_EQ(clip::CopyClipFile(target.c_str(), source.c_str()), 1) << size;
        EXPECT_EQ(ReadFile(target), data) << size;
    }
    Bytes kept = ReadFile(source);
    // The same path, and the same file spelt differently: nothing truncated.
    EXPECT_EQ(clip::CopyClipFile(source.c_str(), source.c_str()), 1);
#ifdef _WIN32
    std::string other = dir + ".\\clipcopy_source.zob";
#else
    std::string other = dir + "./clipcopy_source.zob";
#endif
    EXPECT_TRUE(clip::IsSameFile(other.c_str(), source.c_str()));
    EXPECT_EQ(clip::CopyClipFile(other.c_str(), source.c_str()), 1);
    EXPECT_EQ(ReadFile(source), kept);
    EXPECT_FALSE(clip::IsSameFile(target.c_str(), source.c_str()));
    // Missing or empty source, unwritable target.
    EXPECT_EQ(clip::CopyClipFile(target.c_str(), (dir + "clipcopy_missing.zob").c_str()), 0);
    WriteFile(source, Bytes{});
    EXPECT_EQ(clip::CopyClipFile(target.c_str(), source.c_str()), 0);
    WriteFile(source, kept);
    EXPECT_EQ(clip::CopyClipFile((dir + "no_such_folder_for_clips/x.zob").c_str(), source.c_str()), 0);
    EXPECT_EQ(clip::CopyClipFile(nullptr, source.c_str()), 0);
    std::remove(source.c_str());
    std::remove(target.c_str());
}
