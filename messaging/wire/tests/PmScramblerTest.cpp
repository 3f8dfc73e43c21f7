// The scrambler tables built into the program, and the scrambler's reversibility and stream rules.
#include "messaging/wire/PmScrambler.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

TEST(PmScramblerTables, AreFourPermutationsWithInversesAndFullPeriodMultipliers)
{
    const PmScramblerTables& t = PmTables();
    for (int m = 0; m < 4; ++m) {
        SCOPED_TRACE("table " + std::to_string(m));
        bool seen[256] = {};
        for (int x = 0; x < 256; ++x) {
            EXPECT_FALSE(seen[t.fwd[m][x]]) << "FWD value repeats at " << x;
            seen[t.fwd[m][x]] = true;
            EXPECT_EQ(x, t.inv[m][t.fwd[m][x]]) << "INV is not FWD's inverse at " << x;
        }
    }
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(1u, t.mult[j] % 4) << "MULT[" << j << "]";
        EXPECT_NE(1u, t.mult[j]) << "MULT[" << j << "]";
    }
}

// The build must carry exactly the data file's bytes (the Python peer reads the file itself).
TEST(PmScramblerTables, MatchTheSharedDataFile)
{
    const char* path = NV_PM_TABLE_FILE;
    std::ifstream in(path);
    ASSERT_TRUE(in) << path;
    const PmScramblerTables& t = PmTables();
    std::string line;
    int tablesSeen = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key, value;
        fields >> key;
        if (key == "MULT") {
            for (int j = 0; j < 3; ++j) {
                fields >> value;
                EXPECT_EQ(std::stoul(value, nullptr, 16), t.mult[j]) << "MULT[" << j << "]";
            }
            ++tablesSeen;
        } else if (key.size() == 4 && (key.compare(0, 3, "FWD") == 0 || key.compare(0, 3, "INV") == 0)) {
            fields >> value;
            ASSERT_EQ(512u, value.size()) << key;
            const std::uint8_t* table = (key[0] == 'F' ? t.fwd : t.inv)[key[3] - '0'];
            for (int x = 0; x < 256; ++x)
                ASSERT_EQ(std::stoul(value.substr(2 * x, 2), nullptr, 16), table[x]) << key << " at " << x;
            ++tablesSeen;
        }
    }
    EXPECT_EQ(9, tablesSeen);
}

TEST(PmScrambler, ModeAndMultiplierFollowTheLength)
{
    struct Row { std::size_t length; unsigned mode; int mult; };
    const Row rows[] = {{0, 0, 0}, {4, 1, 1}, {5, 1, 2}, {12, 3, 0}, {16, 0, 1}, {28, 3, 1}, {900, 1, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE("length " + std::to_string(row.length));
        EXPECT_EQ(row.mode, PmScramblerMode(row.length));
        EXPECT_EQ(PmTables().mult[row.mult], PmScramblerMultiplier(row.length));
    }
}

TEST(PmScrambler, FirstByteUsesTheSteppedSeed)
{
    const PmScramblerTables& t = PmTables();
    std::uint8_t data[4] = {0x5A, 0, 0, 0};
    const std::uint32_t seed = 0x12345678;
    PmEncryptBuffer(data, sizeof data, seed);
    const std::uint32_t stepped = seed * t.mult[1] + 1;
    EXPECT_EQ(t.fwd[1][(stepped >> 24) ^ 0x5A], data[0]);
}

TEST(PmScrambler, UnscramblingGivesBackTheInputForAnyLengthAndSeed)
{
    std::mt19937 rng(4101);
    for (std::size_t length = 0; length < 80; ++length) {
        for (int round = 0; round < 8; ++round) {
            const std::uint32_t seed = round == 0 ? 0 : round == 1 ? 0xFFFFFFFF : rng();
            std::vector<std::uint8_t> original(length);
            for (auto& b : original)
                b = static_cast<std::uint8_t>(rng());
            std::vector<std::uint8_t> data = original;
            PmEncryptBuffer(data.data(), data.size(), seed);
            if (length >= 8) {
                EXPECT_NE(original, data) << "length " << length << " seed " << seed;
            }
            PmDecryptBuffer(data.data(), data.size(), seed);
            ASSERT_EQ(original, data) << "length " << length << " seed " << seed;
        }
    }
}

// Extended data is scrambled as one stream in pieces of any size: the pieces must join up to
// exactly the one-shot result, in both directions.
TEST(PmScrambler, PiecewiseEqualsOneShot)
{
    std::mt19937 rng(4104);
    const std::size_t length = 36 + 3000;
    std::vector<std::uint8_t> plain(length);
    for (auto& b : plain)
        b = static_cast<std::uint8_t>(rng());
    const std::uint32_t seed = 0xCAFEF00D;
    std::vector<std::uint8_t> whole = plain;
    PmEncryptBuffer(whole.data(), whole.size(), seed);

    const std::size_t pieces[] = {1, 7, 36, 1024, 1460};
    for (std::size_t piece : pieces) {
        SCOPED_TRACE("piece " + std::to_string(piece));
        PmCipherState state;
        PmCipherInit(state, length, seed);
        std::vector<std::uint8_t> out(length);
        for (std::size_t at = 0; at < length; at += piece)
            PmEncrypt(state, out.data() + at, plain.data() + at, std::min(piece, length - at));
        EXPECT_EQ(whole, out);
        PmCipherInit(state, length, seed);
        for (std::size_t at = 0; at < length; at += piece)
            PmDecrypt(state, out.data() + at, out.data() + at, std::min(piece, length - at));
        EXPECT_EQ(plain, out);
    }
}

} // namespace
