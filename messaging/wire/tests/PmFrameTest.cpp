// Frames: header bytes, the checks on received frames, and the rule that decides "scrambled".
// Expected header, frame and unscrambled bytes come from the Python codec's vectors.
#include "messaging/wire/PmFrame.h"
#include "messaging/wire/PmScrambler.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

typedef std::vector<std::uint8_t> Bytes;

// The expected bytes, written by the independent Python codec at build time (see
// make_frame_vectors.py next to this file), so that no expectation comes from the code under test.
struct FrameVectors {
    struct Frame {
        bool scrambled;
        std::uint32_t seed;
        Bytes payload;
        Bytes frame;
    };
    struct Parse {
        Bytes frame;
        Bytes payload;
        bool hasSeed;
        std::uint32_t seed;
    };
    std::map<std::pair<std::uint16_t, std::uint32_t>, Bytes> headers;
    std::vector<Frame> frames;
    std::vector<Parse> parses;
    bool loaded = false;
};

Bytes FromHex(const std::string& hex)
{
    Bytes bytes;
    if (hex == "-")
        return bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

const FrameVectors& Vectors()
{
    static const FrameVectors vectors = [] {
        FrameVectors v;
        std::ifstream in(NV_PM_FRAME_VECTORS);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string kind, a, b, c, d;
            fields >> kind >> a >> b >> c >> d;
            if (kind == "header") {
                v.headers[{static_cast<std::uint16_t>(std::stoul(a, nullptr, 16)),
                           static_cast<std::uint32_t>(std::stoul(b, nullptr, 16))}] = FromHex(c);
            } else if (kind == "frame") {
                v.frames.push_back({a == "1", static_cast<std::uint32_t>(std::stoul(b, nullptr, 16)), FromHex(c),
                                    FromHex(d)});
            } else if (kind == "parse") {
                v.parses.push_back({FromHex(a), FromHex(b), c != "-",
                                    c == "-" ? 0u : static_cast<std::uint32_t>(std::stoul(c, nullptr, 16))});
            }
        }
        v.loaded = !v.headers.empty() && !v.frames.empty() && !v.parses.empty();
        return v;
    }();
    return vectors;
}

class PmFrame : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Vectors().loaded) << "no frame vectors in " << NV_PM_FRAME_VECTORS; }
};

Bytes Header(std::uint16_t flags, std::uint32_t length)
{
    auto it = Vectors().headers.find({flags, length});
    if (it == Vectors().headers.end()) {
        ADD_FAILURE() << "the vectors hold no header for flags " << flags << ", length " << length;
        return Bytes(PM_FRAME_HEADER_SIZE, 0);
    }
    return it->second;
}

Bytes Frame(bool scrambled, std::uint32_t seed, const Bytes& payload)
{
    for (const FrameVectors::Frame& f : Vectors().frames)
        if (f.scrambled == scrambled && f.seed == seed && f.payload == payload)
            return f.frame;
    ADD_FAILURE() << "the vectors hold no such frame (seed " << seed << ", " << payload.size() << " bytes)";
    return Bytes();
}

Bytes Append(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(PmFrame, EmptyPayloadFrameIsHeaderAndSeed)
{
    Bytes frame;
    EXPECT_EQ(0x01020304u, BuildPacketWithSeed(true, nullptr, 0, frame, 0x01020304));
    EXPECT_EQ(Frame(true, 0x01020304, {}), frame);
    EXPECT_EQ(12u, frame.size());
    EXPECT_EQ(0, PmChecksum8(frame.data()));
}

TEST_F(PmFrame, ScrambledFrameCarriesSeedAndScrambledPayloadAndLeavesTheCallersRecord)
{
    const Bytes record = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    Bytes frame;
    BuildPacketWithSeed(true, record.data(), record.size(), frame, 0xA1B2C3D4);
    ASSERT_EQ(12u + record.size(), frame.size());
    EXPECT_EQ(Header(0x0711, 13), Bytes(frame.begin(), frame.begin() + 8));
    EXPECT_EQ((Bytes{0xA1, 0xB2, 0xC3, 0xD4}), Bytes(frame.begin() + 8, frame.begin() + 12));
    EXPECT_EQ(Frame(true, 0xA1B2C3D4, record), frame);
    // A resend frames the same record again with a new seed.
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), record);

    std::uint32_t seed = 0;
    ASSERT_EQ(12, ParsePacket(frame.size(), frame.data(), &seed));
    EXPECT_EQ(0xA1B2C3D4u, seed);
    EXPECT_EQ(record, Bytes(frame.begin() + 12, frame.end()));
}

// With NoEncryptMode the frame is the header (version 3, no words) and the plain record.
TEST_F(PmFrame, PlainFrameIsHeaderAndRecord)
{
    const Bytes record(28, 0x41);
    Bytes frame;
    EXPECT_EQ(0u, BuildPacketWithSeed(false, record.data(), record.size(), frame, 1234));
    EXPECT_EQ(Append(Header(0x0310, 28), record), frame);
    EXPECT_EQ(Frame(false, 0, record), frame);
    std::uint32_t seed = 99;
    EXPECT_EQ(8, ParsePacket(frame.size(), frame.data(), &seed));
    EXPECT_EQ(0u, seed);
    EXPECT_EQ(record, Bytes(frame.begin() + 8, frame.end()));
}

// Every payload length up to 40 (each permutation and multiplier of the scrambler) framed as
// the Python codec frames it, and read back to the payload and seed.
TEST_F(PmFrame, FramesAreByteForByteThoseOfThePythonCodec)
{
    ASSERT_GE(Vectors().frames.size(), 41u);
    for (const FrameVectors::Frame& f : Vectors().frames) {
        SCOPED_TRACE((f.scrambled ? "scrambled, " : "plain, ") + std::to_string(f.payload.size()) + " bytes, seed " +
                     std::to_string(f.seed));
        Bytes frame;
        EXPECT_EQ(f.scrambled ? f.seed : 0u,
                  BuildPacketWithSeed(f.scrambled, f.payload.data(), f.payload.size(), frame, f.seed));
        EXPECT_EQ(f.frame, frame);
        std::uint32_t seed = 7;
        ASSERT_EQ(f.scrambled ? 12 : 8, ParsePacket(frame.size(), frame.data(), &seed));
        EXPECT_EQ(f.scrambled ? f.seed : 0u, seed);
        EXPECT_EQ(f.payload, Bytes(frame.begin() + (f.scrambled ? 12 : 8), frame.end()));
    }
}

TEST_F(PmFrame, ReceivedBuffersAreCheckedAsAWhole)
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
TEST_F(PmFrame, ParseAndDescribeAgreeOnWhichVersionsAreScrambled)
{
    ASSERT_EQ(16u, Vectors().parses.size());
    for (unsigned version = 0; version < 16; ++version) {
        SCOPED_TRACE("version " + std::to_string(version));
        const FrameVectors::Parse& expected = Vectors().parses[version];
        Bytes frame = expected.frame;
        ASSERT_EQ(version, frame[2]);
        const PmFrameInfo info = DescribeFrame(frame.data(), frame.size());
        std::uint32_t seed = 0;
        ASSERT_EQ(12, ParsePacket(frame.size(), frame.data(), &seed));
        EXPECT_EQ(expected.payload, Bytes(frame.begin() + 12, frame.end()));
        EXPECT_EQ(expected.hasSeed ? expected.seed : 0u, seed);
        EXPECT_EQ(1u, info.valid);
        EXPECT_EQ(expected.hasSeed, info.scrambled != 0);
        EXPECT_EQ(info.scrambled ? 42u : 0u, info.seed);
        EXPECT_EQ(version >= 4 && version <= 7, info.scrambled != 0);
    }
}

TEST_F(PmFrame, DescribeFrameNeedsTheSeedBytesOfAScrambledFrame)
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

TEST_F(PmFrame, NewSeedIsSecondsPlusMilliseconds)
{
    EXPECT_EQ(1000000999u, PmSeedFromClock(1000000000, 999));
    EXPECT_EQ(4u, PmSeedFromClock(0x100000000ull + 1, 3));
    const std::uint32_t a = PmNewSeed();
    const std::uint32_t b = PmNewSeed();
    const std::int32_t apart = static_cast<std::int32_t>(b - a);
    EXPECT_LE(std::abs(apart), 2000) << "two seeds drawn together are close in time";
}

} // namespace
