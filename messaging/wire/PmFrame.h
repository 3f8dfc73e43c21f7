// Frames that carry message-server records when the server speaks protocol version 512 or later:
// an 8-byte header (marker, checksum, flags, payload length; network byte order), the seed as one
// 32-bit extension word when the payload is scrambled, then the payload. A received buffer must
// hold exactly one frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr std::size_t PM_FRAME_HEADER_SIZE = 8;
constexpr std::size_t PM_FRAME_SEED_SIZE = 4;
// The largest frame header with its seed: what a caller adds to the payload size for the buffer.
constexpr std::size_t PM_FRAME_OVERHEAD = PM_FRAME_HEADER_SIZE + PM_FRAME_SEED_SIZE;
constexpr std::uint8_t PM_FRAME_MARKER = 0x7E;
constexpr std::uint16_t PM_FRAME_FLAGS_SCRAMBLED = 0x0711;
constexpr std::uint16_t PM_FRAME_FLAGS_PLAIN = 0x0310;

// The frame header in host order.
struct PmFrameHeader {
    std::uint8_t marker = 0;
    std::uint8_t checksum = 0;
    std::uint16_t flags = 0;
    std::uint32_t payloadLength = 0;

    unsigned Version() const { return flags >> 8; }
    unsigned ExtensionWords() const { return flags & 0x0F; }
    std::size_t HeaderLength() const { return PM_FRAME_HEADER_SIZE + 4 * ExtensionWords(); }
};

// Versions 4 to 7 are the scrambled family: such a frame must carry its seed, and its payload is
// unscrambled. Every path that looks at a received frame decides with this one rule.
inline bool PmIsScrambledVersion(unsigned version)
{
    return (version & 0xFC) == 4;
}

// Sum modulo 256 of the 8 header bytes (0 for a sound header).
std::uint8_t PmChecksum8(const std::uint8_t* header);

// Seconds since 1970 plus the millisecond part of the same clock reading, modulo 2^32.
std::uint32_t PmNewSeed();
std::uint32_t PmSeedFromClock(std::uint64_t unixSeconds, unsigned milliseconds);

// Writes the 8 header bytes for a payload of length bytes, scrambled or plain.
void MakeFrameHeader(std::uint8_t* header, std::uint32_t length, bool scramble);

// Checks the header at the start of buffer (available bytes) and copies it in host order.
// Returns the payload offset (8 + 4 x extension words) or -1: fewer than 8 bytes, wrong marker,
// a scrambled-family version without its seed word, or a checksum that does not come to 0.
long ReadFrameHeader(const std::uint8_t* buffer, std::size_t available, PmFrameHeader* copy);

// What a caller of the extended-data connection needs to know from a frame's first bytes.
struct PmFrameInfo {
    std::uint32_t valid = 0;
    std::uint32_t headerLength = 0;
    std::uint32_t payloadLength = 0;
    std::uint32_t seed = 0;
    std::uint32_t scrambled = 0;
};
// valid is 0 when the header fails the checks of ReadFrameHeader or, for a scrambled frame, when
// fewer than 12 bytes are available to read the seed from.
PmFrameInfo DescribeFrame(const std::uint8_t* buffer, std::size_t available);

// Frames length bytes of payload into out (resized to the frame's size). The payload itself is
// left as it is, so a request can be framed again, with a new seed, when it is resent.
// Returns the seed (0 for a plain frame).
std::uint32_t BuildPacketWithSeed(bool scramble, const std::uint8_t* payload, std::size_t length,
                                  std::vector<std::uint8_t>& out, std::uint32_t seed);
std::uint32_t BuildPacket(bool scramble, const std::uint8_t* payload, std::size_t length,
                          std::vector<std::uint8_t>& out);

// Checks a received buffer of total bytes that must hold exactly one frame; unscrambles the
// payload in place when the frame is scrambled and stores its seed in *seed (0 otherwise).
// Returns the payload offset or -1.
long ParsePacket(std::size_t total, std::uint8_t* buffer, std::uint32_t* seed);
