#include "messaging/wire/PmFrame.h"

#include "messaging/wire/PmScrambler.h"

#include <chrono>
#include <cstring>

namespace {

std::uint32_t ReadU32BE(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

void WriteU32BE(std::uint8_t* p, std::uint32_t value)
{
    p[0] = static_cast<std::uint8_t>(value >> 24);
    p[1] = static_cast<std::uint8_t>(value >> 16);
    p[2] = static_cast<std::uint8_t>(value >> 8);
    p[3] = static_cast<std::uint8_t>(value);
}

} // namespace

std::uint8_t PmChecksum8(const std::uint8_t* header)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < PM_FRAME_HEADER_SIZE; ++i)
        sum += header[i];
    return static_cast<std::uint8_t>(sum);
}

std::uint32_t PmSeedFromClock(std::uint64_t unixSeconds, unsigned milliseconds)
{
    return static_cast<std::uint32_t>(unixSeconds + milliseconds);
}

std::uint32_t PmNewSeed()
{
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const std::uint64_t ms = static_cast<std::uint64_t>(sinceEpoch);
    return PmSeedFromClock(ms / 1000, static_cast<unsigned>(ms % 1000));
}

void MakeFrameHeader(std::uint8_t* header, std::uint32_t length, bool scramble)
{
    const std::uint16_t flags = scramble ? PM_FRAME_FLAGS_SCRAMBLED : PM_FRAME_FLAGS_PLAIN;
    header[0] = PM_FRAME_MARKER;
    header[1] = 0;
    header[2] = static_cast<std::uint8_t>(flags >> 8);
    header[3] = static_cast<std::uint8_t>(flags);
    WriteU32BE(header + 4, length);
    header[1] = static_cast<std::uint8_t>(256 - PmChecksum8(header));
}

long ReadFrameHeader(const std::uint8_t* buffer, std::size_t available, PmFrameHeader* copy)
{
    if (!buffer || available < PM_FRAME_HEADER_SIZE)
        return -1;
    PmFrameHeader header;
    header.marker = buffer[0];
    header.checksum = buffer[1];
    header.flags = static_cast<std::uint16_t>((buffer[2] << 8) | buffer[3]);
    header.payloadLength = ReadU32BE(buffer + 4);
    if (header.marker != PM_FRAME_MARKER)
        return -1;
    if (header.ExtensionWords() == 0 && PmIsScrambledVersion(header.Version()))
        return -1;
    if (PmChecksum8(buffer) != 0)
        return -1;
    if (copy)
        *copy = header;
    return static_cast<long>(header.HeaderLength());
}

PmFrameInfo DescribeFrame(const std::uint8_t* buffer, std::size_t available)
{
    PmFrameInfo info;
    PmFrameHeader header;
    if (ReadFrameHeader(buffer, available, &header) < 0)
        return info;
    info.headerLength = static_cast<std::uint32_t>(header.HeaderLength());
    info.payloadLength = header.payloadLength;
    info.scrambled = PmIsScrambledVersion(header.Version()) ? 1 : 0;
    if (info.scrambled) {
        if (available < PM_FRAME_OVERHEAD)
            return info;
        info.seed = ReadU32BE(buffer + PM_FRAME_HEADER_SIZE);
    }
    info.valid = 1;
    return info;
}

std::uint32_t BuildPacketWithSeed(bool scramble, const std::uint8_t* payload, std::size_t length,
                                  std::vector<std::uint8_t>& out, std::uint32_t seed)
{
    const std::size_t headerLength = scramble ? PM_FRAME_OVERHEAD : PM_FRAME_HEADER_SIZE;
    out.resize(headerLength + length);
    MakeFrameHeader(out.data(), static_cast<std::uint32_t>(length), scramble);
    if (length)
        std::memcpy(out.data() + headerLength, payload, length);
    if (!scramble)
        return 0;
    WriteU32BE(out.data() + PM_FRAME_HEADER_SIZE, seed);
    PmEncryptBuffer(out.data() + headerLength, length, seed);
    return seed;
}

std::uint32_t BuildPacket(bool scramble, const std::uint8_t* payload, std::size_t length,
                          std::vector<std::uint8_t>& out)
{
    return BuildPacketWithSeed(scramble, payload, length, out, scramble ? PmNewSeed() : 0);
}

long ParsePacket(std::size_t total, std::uint8_t* buffer, std::uint32_t* seed)
{
    if (seed)
        *seed = 0;
    PmFrameHeader header;
    const long offset = ReadFrameHeader(buffer, total, &header);
    if (offset < 0)
        return -1;
    // 64-bit sum: a length field near 2^32 must not wrap round to the buffer's size.
    if (static_cast<std::uint64_t>(offset) + header.payloadLength != static_cast<std::uint64_t>(total))
        return -1;
    if (PmIsScrambledVersion(header.Version())) {
        const std::uint32_t frameSeed = ReadU32BE(buffer + PM_FRAME_HEADER_SIZE);
        PmDecryptBuffer(buffer + offset, header.payloadLength, frameSeed);
        if (seed)
            *seed = frameSeed;
    }
    return offset;
}
