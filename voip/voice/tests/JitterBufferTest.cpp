// The receive side driven by tables of (arrival ms, sequence, timestamp): each packet carries
// three 1-byte frames whose upper bits name the packet, and a fake decoder writes that name into
// its samples, so the played blocks show which packet was heard when. A simulated device plays
// 8 samples per millisecond.
#include "voip/voice/core/FrameCodec.h"
#include "voip/voice/core/JitterBuffer.h"
#include "voip/voice/core/WaveMath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace voice {
namespace {

struct Arrival {
  uint32_t ms;
  uint16_t seq;
  uint32_t ts;
  int id;  // 1..63
};

std::vector<uint8_t> Packet(uint16_t seq, uint32_t ts, int id, int frames = 3) {
  std::vector<uint8_t> p(kHeaderSize);
  BuildHeader(p.data(), seq, ts);
  for (int i = 0; i < frames; ++i) p.push_back(uint8_t(3 | id << 2));
  return p;
}

int SX5363_CALL FakeDecode(void*, int, const unsigned char* in, short* out, int*) {
  for (int i = 0; i < 240; ++i) out[i] = short(in[0] >> 2);
  return 0;
}

struct SimRun {
  std::string played;  // ids of the played blocks; "f<id>" a bridged gap, "0" inserted silence
  unsigned good = 0, bad = 0;
  int maxPending = 0;
};

SimRun Simulate(const std::vector<Arrival>& arrivals, uint32_t untilMs, JitterSettings settings = {}) {
  CodecEntries codec;
  codec.decode = &FakeDecode;
  FrameDecoder frames;
  JitterBuffer jb(settings, [&](const uint8_t* p, size_t n, int16_t* out, size_t cap) {
    return frames.Decode(codec, p, n, out, cap);
  });
  SimRun run;
  uint32_t written = 0, queued = 0, position = 0;
  int16_t block[JitterBuffer::kBlockSamples];
  for (uint32_t now = 1; now <= untilMs; ++now) {
    const uint32_t step = queued < 8 ? queued : 8;
    queued -= step;
    position += step;
    for (const Arrival& a : arrivals) {
      if (a.ms != now) continue;
      const auto p = Packet(a.seq, a.ts, a.id);
      jb.Receive(p.data(), p.size());
    }
    jb.PlayoutStep();
    const PlayoutPosition pos = PlayoutFromPosition(written, position);
    if (jb.Feed(now, pos.pendingFrames, pos.lagSamples, block)) {
      const bool fake = block[719] == 0 && block[0] != 0;
      if (!run.played.empty()) run.played += ' ';
      run.played += (fake ? "f" : "") + std::to_string(block[0]);
      written += 3;
      queued += 720;
    }
  }
  run.good = jb.good;
  run.bad = jb.bad;
  run.maxPending = jb.MaxPending();
  return run;
}

// A steady sender: packet i at 90 ms x i + offset, ids 1, 2, ...
std::vector<Arrival> Steady(int count, uint16_t seq0 = 0, uint32_t ts0 = 0, uint32_t offset = 10) {
  std::vector<Arrival> a;
  for (int i = 0; i < count; ++i)
    a.push_back({offset + 90u * uint32_t(i), uint16_t(seq0 + i), ts0 + 720u * uint32_t(i), i + 1});
  return a;
}

TEST(JitterBuffer, PlayoutFollowsTheTable) {
  struct Row {
    const char* name;
    std::vector<Arrival> arrivals;
    std::string played;
    unsigned good, bad;
  };
  std::vector<Row> rows;
  // After the last packet the output runs dry and one block repeats the last level ("f8").
  rows.push_back({"in order", Steady(8), "1 2 3 4 5 6 7 8 f8", 8, 0});
  {
    auto a = Steady(8);
    a.erase(a.begin() + 4);  // packet 5 lost: 6 is played at once and counts 2 lost
    rows.push_back({"loss", a, "1 2 3 4 6 7 8 f8", 6, 2});
  }
  {
    auto a = Steady(8);
    std::swap(a[4].ms, a[5].ms);  // 6 overtakes 5 by 90 ms
    a[5].ms = a[4].ms + 5;
    rows.push_back({"reordering", a, "1 2 3 4 5 6 7 8 f8", 8, 0});
  }
  {
    auto a = Steady(8);
    a.push_back({a[3].ms, a[3].seq, a[3].ts, a[3].id});        // twice in the window: replaced
    a.push_back({a[5].ms + 150, a[5].seq, a[5].ts, a[5].id});  // again after playout: late, dropped
    rows.push_back({"duplicates", a, "1 2 3 4 5 6 7 8 f8", 8, 1});
  }
  {
    // The sender's clock jumps back by 10 packets: four late packets are dropped, the fifth
    // re-synchronises the receiver and the rest play on.
    // The gap bridges once ("f4"), then the receiver waits for nine frames again; packet 14
    // arrives four sequence numbers after 4 and counts as a loss (2), not as good.
    auto a = Steady(4, 0, 72000);
    for (int i = 0; i < 7; ++i) a.push_back({370u + 90u * i, uint16_t(4 + i), 720u * uint32_t(i), 10 + i});
    rows.push_back({"late run", a, "1 2 3 4 f4 14 15 16 f16", 6, 2});
  }
  {
    // Silence suppression: the timestamp jumps 5 packets ahead without a sequence gap.
    auto a = Steady(4);
    a.push_back({460, 4, 720 * 9, 5});
    a.push_back({550, 5, 720 * 10, 6});
    rows.push_back({"silence gap", a, "1 2 3 4 0 5 6 f6", 6, 0});
  }
  {
    // A burst after a stall: one packet moves into the ring per pass, and the ring (3 blocks)
    // keeps the newest samples, so packet 6 gives way to 9.
    auto a = Steady(3);
    for (int i = 3; i < 9; ++i) a.push_back({700, uint16_t(i), 720u * uint32_t(i), i + 1});
    rows.push_back({"burst", a, "1 2 3 f3 4 5 7 8 9 f9", 9, 0});
  }
  rows.push_back({"wrap-around", Steady(8, 65533, 0xFFFFF000u), "1 2 3 4 5 6 7 8 f8", 8, 0});
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const SimRun run = Simulate(r.arrivals, 2000);
    EXPECT_EQ(run.played, r.played);
    EXPECT_EQ(run.good, r.good);
    EXPECT_EQ(run.bad, r.bad);
  }
}

TEST(JitterBuffer, StartsAfterNineFramesAndWaitsAgainAfterAnUnbridgedUnderrun) {
  CodecEntries codec;
  codec.decode = &FakeDecode;
  FrameDecoder frames;
  std::vector<std::string> log;
  JitterBuffer jb(JitterSettings{}, [&](const uint8_t* p, size_t n, int16_t* out, size_t cap) {
    return frames.Decode(codec, p, n, out, cap);
  }, nullptr, [&](int, const std::string& line) { log.push_back(line); });
  int16_t block[720];
  EXPECT_EQ(JitterSettings{}.Cap(), 2161u);
  for (int i = 0; i < 2; ++i) {
    auto p = Packet(uint16_t(i), 720u * i, i + 1);
    jb.Receive(p.data(), p.size());
    jb.PlayoutStep();
    EXPECT_FALSE(jb.Feed(10 + i, 0, 0, block)) << "pre-buffering with " << (i + 1) * 3 << " frames";
    EXPECT_EQ(jb.IdleMs(10 + i, 0, 0), 10u) << "only a packet can end the pre-buffering";
  }
  auto p = Packet(2, 1440, 3);
  jb.Receive(p.data(), p.size());
  jb.PlayoutStep();
  EXPECT_TRUE(jb.Feed(20, 0, 0, block));
  EXPECT_EQ(block[0], 1);
  EXPECT_TRUE(jb.Feed(21, 0, 0, block));  // below misz pending: no pacing wait
  EXPECT_TRUE(jb.Feed(22, 2, 720, block));
  EXPECT_FALSE(jb.Feed(23, 3, 1440, block)) << "paced: 3 frames pending and 91 ms not passed";
  EXPECT_EQ(jb.IdleMs(23, 3, 1440), 10u);
  EXPECT_EQ(jb.IdleMs(108, 3, 1440), 5u) << "the pacing wait ends 91 ms after the last feed";
  EXPECT_EQ(jb.IdleMs(30, 0, 40), 10u) << "ring empty: nothing to decide before the device runs dry";
  // The ring is empty and the device ran dry; the last sample was 3, so one block is faked.
  EXPECT_FALSE(jb.Feed(200, 0, 0, block));
  EXPECT_TRUE(jb.Feed(211, 0, 0, block));
  EXPECT_EQ(block[0], 3);
  EXPECT_FALSE(jb.Feed(300, 0, 0, block));
  EXPECT_FALSE(jb.Feed(311, 0, 0, block));
  EXPECT_TRUE(jb.PreBuffering());
  EXPECT_EQ(log.back(), "wait another 9 frames!!");
}

TEST(JitterBuffer, RejectsWhatItMustNotTouchAndBoundsDecoding) {
  size_t biggest = 0;
  JitterBuffer jb(JitterSettings{}, [&](const uint8_t*, size_t n, int16_t* out, size_t cap) {
    biggest = std::max(biggest, cap);
    // A payload of 1280 one-byte frames would be 307,200 samples: the capacity is honoured.
    const size_t want = n * 240;
    const size_t k = want < cap ? want : cap;
    for (size_t i = 0; i < k; ++i) out[i] = 1;
    return k;
  });
  struct Case { const char* name; std::vector<uint8_t> bytes; JitterBuffer::Arrival want; };
  std::vector<Case> cases;
  cases.push_back({"empty", {}, JitterBuffer::Arrival::Rejected});
  cases.push_back({"11 bytes", std::vector<uint8_t>(11, 0x80), JitterBuffer::Arrival::Rejected});
  auto pt0 = Packet(0, 0, 1);
  pt0[1] = 0;
  cases.push_back({"payload type 0", pt0, JitterBuffer::Arrival::Rejected});
  auto csrc = Packet(0, 0, 1);
  csrc[0] = 0x8F;  // 15 CSRCs claimed, none there
  cases.push_back({"CSRC overrun", csrc, JitterBuffer::Arrival::Rejected});
  auto ext = Packet(0, 0, 1);
  ext[0] = 0x90;
  cases.push_back({"extension overrun", ext, JitterBuffer::Arrival::Rejected});
  auto big = Packet(0, 0, 1, 1281);
  cases.push_back({"1293 bytes", big, JitterBuffer::Arrival::Rejected});
  cases.push_back({"1292 bytes", Packet(0, 0, 1, 1280), JitterBuffer::Arrival::Stored});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(jb.Receive(c.bytes.data(), c.bytes.size()), c.want);
  }
  jb.PlayoutStep();
  EXPECT_EQ(biggest, 2160u);
  EXPECT_EQ(jb.Buffered(), 2160u);
}

TEST(JitterBuffer, SettingsTakeOnlyValuesInRangeAndRatiosHandleZero) {
  JitterSettings s;
  s.Set(0, 8, 0);
  EXPECT_EQ(s.jitz, 3);
  EXPECT_EQ(s.misz, 3);
  EXPECT_EQ(s.fffz, 9);
  s.Set(8, 7, 24);
  EXPECT_EQ(s.Cap(), 5761u);
  EXPECT_EQ(s.fffz, 24);
  s.Set(1, 1, 25);
  EXPECT_EQ(s.fffz, 3) << "pre-buffer never exceeds the ring";
  EXPECT_EQ(RatioPercent(0, 0), 0);
  EXPECT_EQ(RatioPercent(3, 1), 75);
  EXPECT_EQ(RatioPercent(5, 0), 100);
}

}  // namespace
}  // namespace voice
