#include "framework/core/ByteBuffer.h"

#include <gtest/gtest.h>

namespace {

TEST(ByteReader, ReadsBigAndLittleEndian)
{
    const unsigned char data[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x01, 0x02, 0x03};
    CByteReader r(data, sizeof data);
    EXPECT_EQ(0x1234u, r.U16BE());
    EXPECT_EQ(0x56789ABCu, r.U32BE());
    EXPECT_EQ(0xF0DEu, r.U16LE());
    EXPECT_EQ(0x01u, r.U8());
    EXPECT_EQ(2u, r.Remaining());
    EXPECT_TRUE(r.Ok());
}

TEST(ByteReader, UnderrunIsStickyAndYieldsZeros)
{
    const unsigned char data[] = {1, 2, 3};
    CByteReader r(data, sizeof data);
    EXPECT_EQ(0u, r.U32BE()) << "not enough bytes";
    EXPECT_TRUE(r.Failed());
    EXPECT_EQ(0u, r.U8()) << "a failed reader stays failed even when bytes are left";
    EXPECT_EQ(0u, r.Position());
    unsigned char out[2] = {9, 9};
    EXPECT_FALSE(r.Bytes(out, 2));
    EXPECT_EQ(0, out[0]);
    EXPECT_TRUE(r.Take(1).empty());

    CByteReader empty(nullptr, 10);
    EXPECT_EQ(0u, empty.Remaining());
    EXPECT_EQ(0u, empty.U16LE());
    EXPECT_TRUE(empty.Failed());
}

TEST(ByteReader, FixedStringStopsAtNulOrFieldEnd)
{
    const char data[] = "ab\0zzABCD";
    CByteReader r(data, 9);
    EXPECT_EQ("ab", r.FixedString(5));
    EXPECT_EQ("ABCD", r.FixedString(4)) << "a full field without NUL";
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ("", r.FixedString(1));
    EXPECT_TRUE(r.Failed());
}

TEST(ByteWriter, WritesFieldsAndPatches)
{
    CByteWriter w;
    w.U16BE(0x0102);
    w.U32BE(0x03040506);
    w.U16LE(0x0708);
    w.U32LE(0x090A0B0C);
    w.FixedString("abcdef", 4);
    w.FixedString("abcd", 4, false);
    EXPECT_TRUE(w.PatchU16BE(0, 0xFFEE));
    EXPECT_FALSE(w.PatchU32BE(w.Size() - 3, 1));
    const std::vector<std::uint8_t> expected = {0xFF, 0xEE, 3, 4, 5, 6, 8, 7, 0x0C, 0x0B, 0x0A, 9,
                                                'a', 'b', 'c', 0, 'a', 'b', 'c', 'd'};
    EXPECT_EQ(expected, w.Data());
}

TEST(ByteWriter, FixedStringCutsWholeCharacters)
{
    CByteWriter w;
    w.FixedString("a\x83\x5C", 3); // room for 2 bytes + NUL: the lead byte of ソ must not stay
    const std::vector<std::uint8_t> expected = {'a', 0, 0};
    EXPECT_EQ(expected, w.Data());
}

TEST(ByteBuffer, RoundTrip)
{
    CByteWriter w;
    w.U32BE(631152000u);
    w.FixedString("\x83\x5C\x95\x5C", 8);
    CByteReader r(w.Data().data(), w.Size());
    EXPECT_EQ(631152000u, r.U32BE());
    EXPECT_EQ("\x83\x5C\x95\x5C", r.FixedString(8));
    EXPECT_EQ(0u, r.Remaining());
    EXPECT_TRUE(r.Ok());
}

} // namespace
