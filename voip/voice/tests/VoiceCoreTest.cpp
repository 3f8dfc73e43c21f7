#include "voip/voice/core/FrameCodec.h"
#include "voip/voice/core/MixFile.h"
#include "voip/voice/core/Rtp.h"
#include "voip/voice/core/ToneFile.h"
#include "voip/voice/core/WaveMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace voice {
namespace {

TEST(Rtp, HeaderAsSentAndParsedBack) {
  uint8_t h[12];
  BuildHeader(h, 0xABCD, 0x01020304);
  const uint8_t want[12] = {0x80, 4, 0xAB, 0xCD, 1, 2, 3, 4, 0, 0, 0, 204};
  EXPECT_EQ(std::memcmp(h, want, 12), 0);
  RtpView v;
  ASSERT_TRUE(ParseRtp(h, 12, v));
  EXPECT_EQ(v.seq, 0xABCD);
  EXPECT_EQ(v.timestamp, 0x01020304u);
  EXPECT_EQ(v.ssrc, 204u);
  EXPECT_EQ(v.payloadSize, 0u);
}

TEST(Rtp, CsrcExtensionAndPaddingAreSkippedSafely) {
  struct Row { const char* name; std::vector<uint8_t> bytes; bool ok; size_t offset, size; } rows[] = {
      {"2 CSRCs then 3 bytes", {0x82, 4, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 9, 9, 9}, true, 20, 3},
      {"extension of one word", {0x90, 4, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xBE, 0xDE, 0, 1, 7, 7, 7, 7, 9}, true, 20, 1},
      {"extension head cut", {0x90, 4, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xBE, 0xDE}, false, 0, 0},
      {"padding of 2", {0xA0, 4, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 9, 9, 0, 2}, true, 12, 2},
      {"padding past payload", {0xA0, 4, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 9, 5}, false, 0, 0},
      {"padding of zero", {0xA0, 4, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0}, false, 0, 0},
      {"11 bytes", {0x80, 4, 0, 1, 0, 0, 0, 0, 0, 0, 0}, false, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    RtpView v;
    ASSERT_EQ(ParseRtp(r.bytes.data(), r.bytes.size(), v), r.ok);
    if (!r.ok) continue;
    EXPECT_EQ(v.payloadOffset, r.offset);
    EXPECT_EQ(v.payloadSize, r.size);
  }
}

TEST(Rtp, SerialArithmeticAcrossWrap) {
  EXPECT_TRUE(SeqBefore(65535, 0));
  EXPECT_FALSE(SeqBefore(0, 65535));
  EXPECT_TRUE(SeqBefore(100, 101));
  EXPECT_TRUE(TsBefore(0xFFFFFD30u, 0x00000000u));
  EXPECT_FALSE(TsBefore(0x00000000u, 0xFFFFFD30u));
}

// A codec whose frames name the first sample of their block, so framing shows in the bytes.
int SX5363_CALL Enc63(void*, int, const short* in, unsigned char* out, int* info) {
  std::memset(out, 0, 24);
  out[0] = uint8_t((in[0] & 0x3F) << 2);
  out[23] = uint8_t(in[239]);
  *info = 24;
  return 0;
}
int SX5363_CALL Enc53(void*, int, const short* in, unsigned char* out, int* info) {
  std::memset(out, 0, 20);
  out[0] = uint8_t(1 | (in[0] & 0x3F) << 2);
  *info = 20;
  return 0;
}
int SX5363_CALL Dec(void*, int, const unsigned char* in, short* out, int*) {
  for (int i = 0; i < 240; ++i) out[i] = short(in[0] >> 2);
  return 0;
}

CodecEntries Fakes() {
  CodecEntries c;
  c.encode53 = &Enc53;
  c.encode63 = &Enc63;
  c.decode = &Dec;
  return c;
}

TEST(FrameCodec, EncodeFramesByRateMuteAndPaddedTail) {
  std::vector<int16_t> samples(720 + 100, 7);
  samples[0] = 1, samples[240] = 2, samples[480] = 3, samples[720] = 4;
  uint8_t out[200];
  EXPECT_EQ(EncodeFrames(Fakes(), 63, false, samples.data(), 720, out, sizeof out), 72u);
  EXPECT_EQ(out[0] >> 2, 1);
  EXPECT_EQ(out[48] >> 2, 3);
  EXPECT_EQ(EncodeFrames(Fakes(), 53, false, samples.data(), 720, out, sizeof out), 60u);
  EXPECT_EQ(out[20] & 3, 1);
  EXPECT_EQ(EncodeFrames(Fakes(), 63, true, samples.data(), 720, out, sizeof out), 3u);
  EXPECT_EQ(out[0], 3);
  EXPECT_EQ(out[2], 3);
  // 820 samples: the fourth frame holds 100 samples and zeros, never bytes past the input.
  EXPECT_EQ(EncodeFrames(Fakes(), 63, false, samples.data(), samples.size(), out, sizeof out), 96u);
  EXPECT_EQ(out[72] >> 2, 4);
  EXPECT_EQ(out[95], 0) << "last sample of the padded frame";
  // Output capacity for two frames only.
  EXPECT_EQ(EncodeFrames(Fakes(), 63, false, samples.data(), 720, out, 50), 48u);
}

TEST(FrameCodec, DecodeFramesCarriesPartialFramesAndHonoursCapacity) {
  FrameDecoder d;
  const CodecEntries c = Fakes();
  std::vector<uint8_t> stream;
  for (int id = 1; id <= 3; ++id) {
    stream.push_back(uint8_t(id << 2));  // 24-byte frame
    stream.insert(stream.end(), 23, 0);
  }
  stream.push_back(uint8_t(2 | 9 << 2));  // 4-byte frame
  stream.insert(stream.end(), {0, 0, 0});
  stream.push_back(uint8_t(3 | 10 << 2));
  int16_t out[2000];
  // Split at awkward places: the carry joins them.
  const size_t cuts[] = {0, 5, 30, 31, 60, stream.size()};
  std::vector<int> ids;
  for (size_t i = 0; i + 1 < sizeof cuts / sizeof cuts[0]; ++i) {
    const size_t n = d.Decode(c, stream.data() + cuts[i], cuts[i + 1] - cuts[i], out, 2000);
    for (size_t k = 0; k < n; k += 240) ids.push_back(out[k]);
  }
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 9, 10}));
  EXPECT_EQ(d.Carried(), 0u);
  // 1280 one-byte frames into room for 4 frames: 960 samples, nothing beyond.
  std::vector<uint8_t> ones(1280, 3);
  int16_t small[960 + 16];
  for (auto& s : small) s = -1;
  EXPECT_EQ(d.Decode(c, ones.data(), ones.size(), small, 960), 960u);
  for (int i = 960; i < 976; ++i) EXPECT_EQ(small[i], -1);
}

TEST(ToneFile, DataChunkAndDtmfNames) {
  std::vector<uint8_t> wav(44, 0);
  std::memcpy(&wav[0], "RIFF", 4);
  std::memcpy(&wav[36], "data", 4);
  EXPECT_EQ(FindToneData(wav.data(), wav.size()), 44);
  std::vector<uint8_t> none(5000, 'x');
  std::memcpy(&none[4094], "data", 4);  // past the first 4096 bytes
  EXPECT_EQ(FindToneData(none.data(), none.size()), -1);
  std::memcpy(&none[4092], "data", 4);
  EXPECT_EQ(FindToneData(none.data(), none.size()), 4100);
  char name[8];
  struct { char digit; const char* want; } rows[] = {{'0', "d0.wav"}, {'9', "d9.wav"}, {'*', "d_.wav"}, {'#', "d#.wav"}};
  for (auto& r : rows) {
    ASSERT_TRUE(DtmfFileName(r.digit, name));
    EXPECT_STREQ(name, r.want);
  }
  EXPECT_FALSE(DtmfFileName('/', name));
}

TEST(MixFile, ChunksRoundTripAndNamesFollowTheLocalTime) {
  std::vector<uint8_t> file(kMixMagic, kMixMagic + 8);
  const uint8_t sent[3] = {3, 3, 3}, heard[4] = {2, 1, 2, 3};
  uint8_t head[8];
  file.insert(file.end(), head, head + MixChunkHead(head, 3, true));
  EXPECT_EQ(std::memcmp(head, "mix \xFD\xFF\xFF\xFF", 8), 0);
  file.insert(file.end(), sent, sent + 3);
  file.insert(file.end(), head, head + MixChunkHead(head, 4, false));
  file.insert(file.end(), heard, heard + 4);
  std::vector<MixChunk> chunks;
  ASSERT_TRUE(ParseMix(file.data(), file.size(), chunks));
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_TRUE(chunks[0].sent);
  EXPECT_FALSE(chunks[1].sent);
  EXPECT_EQ(chunks[1].frames.size(), 4u);
  file.pop_back();
  EXPECT_FALSE(ParseMix(file.data(), file.size(), chunks));
  EXPECT_EQ(MixFileName("C:\\rec", 2026, 1, 5, 9, 3, 7, true), "C:\\rec\\2026-01-05 090307 outcall.mix");
  EXPECT_EQ(MixFileName("x", 2026, 12, 31, 23, 59, 59, false), "x\\2026-12-31 235959 incall.mix");
}

// The recording folder is code page 932 text: "\x95\x5C" is one character whose second byte is
// the code of '\\', so neither the folder of a chosen file nor the trimmed folder may cut there.
TEST(MixFile, FoldersEndAtRealSeparatorsOnly) {
  struct Row {
    const char* name;
    std::string path;
    std::string folder;   // FolderOfPath
    std::string trimmed;  // WithoutTrailingSeparators
  };
  const Row rows[] = {
      {"plain file", "C:\\rec\\a.mix", "C:\\rec\\", "C:\\rec\\a.mix"},
      {"folder with its separator", "C:\\rec\\", "C:\\rec\\", "C:\\rec"},
      {"run of both separators", "C:/rec\\/", "C:/rec\\/", "C:/rec"},
      {"file name ending in 0x5C", "C:\\dir\\\x95\x5C", "C:\\dir\\", "C:\\dir\\\x95\x5C"},
      {"double-byte name before a file", "C:\\\x95\x5C\\a.mix", "C:\\\x95\x5C\\", "C:\\\x95\x5C\\a.mix"},
      {"double-byte folder and its separator", "C:\\\x95\x5C\\", "C:\\\x95\x5C\\", "C:\\\x95\x5C"},
      {"no separator", "a.mix", "", "a.mix"},
      {"lone lead byte at the end", "C:\\\x95", "C:\\", "C:\\\x95"},
      {"empty", "", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.folder, FolderOfPath(row.path));
    EXPECT_EQ(row.trimmed, WithoutTrailingSeparators(row.path));
  }
  EXPECT_EQ(MixFileName("C:\\rec\\", 2026, 1, 5, 9, 3, 7, true), "C:\\rec\\2026-01-05 090307 outcall.mix");
  EXPECT_EQ(MixFileName("C:\\\x95\x5C", 2026, 1, 5, 9, 3, 7, false), "C:\\\x95\x5C\\2026-01-05 090307 incall.mix");
}

TEST(WaveMath, PendingVolumeAndDeviceChoice) {
  PlayoutPosition p = PlayoutFromPosition(9, 481);
  EXPECT_EQ(p.pendingFrames, 6);
  EXPECT_EQ(p.lagSamples, 9 * 240 - 481);
  EXPECT_EQ(PlayoutFromPosition(3, 800).pendingFrames, 0);
  int clamped = 0;
  EXPECT_EQ(VolumeValue(150, &clamped), 0xFFFFFFFFu);
  EXPECT_EQ(clamped, 100);
  EXPECT_EQ(VolumeValue(-5, &clamped), 0u);
  EXPECT_EQ(clamped, 0);
  EXPECT_EQ(VolumePercent(VolumeValue(50)), 49) << "65535 x 50 / 100 read back rounds down";
  EXPECT_EQ(ClampFramesPerBuffer(0), 3);
  EXPECT_EQ(ClampFramesPerBuffer(1), 1);
  EXPECT_EQ(ClampFramesPerBuffer(4), 3);
  const std::vector<std::string> devs = {"Wine Speaker", "USB Headset", "USB Headset 2"};
  EXPECT_EQ(PickDevice(devs, "Headset"), 1);
  EXPECT_EQ(PickDevice(devs, "Nothing"), -1);
  EXPECT_EQ(PickDevice(devs, ""), -1);
}

}  // namespace
}  // namespace voice
