#include "signup/core/Sha1.h"

#include <gtest/gtest.h>

#include <string>

TEST(Sha1, FipsVectorsWholeAndInUnevenPieces)
{
    const struct {
        std::string message;
        const char* digest;
    } cases[] = {
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.digest, Sha1Hex(c.message.data(), c.message.size()).GetString()) << c.message.size();
        // The same message fed in pieces of 1, 7, 63, 64 and 65 bytes.
        for (std::size_t piece : {1u, 7u, 63u, 64u, 65u}) {
            if (c.message.size() > 100000 && piece < 63)
                continue;
            CSha1 sha;
            for (std::size_t at = 0; at < c.message.size(); at += piece)
                sha.Update(c.message.data() + at, std::min(piece, c.message.size() - at));
            std::uint8_t digest[20];
            sha.Final(digest);
            char hex[41];
            for (int i = 0; i < 20; ++i)
                std::snprintf(hex + i * 2, 3, "%02x", digest[i]);
            EXPECT_STREQ(c.digest, hex) << "pieces of " << piece;
        }
    }
}

TEST(Sha1, FinalLeavesTheObjectReadyForANewMessage)
{
    CSha1 sha;
    sha.Update("junk", 4);
    std::uint8_t first[20];
    sha.Final(first);
    sha.Update("abc", 3);
    std::uint8_t second[20];
    sha.Final(second);
    EXPECT_EQ(0xa9, second[0]);
    EXPECT_EQ(0x9d, second[19]);
}
