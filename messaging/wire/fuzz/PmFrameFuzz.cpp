// Received frames: checking, describing and unscrambling arbitrary bytes; a frame that parses
// must frame again to the same bytes.
#include "messaging/wire/PmFrame.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Copies of exactly the input's size, so that any over-read is caught.
    std::vector<std::uint8_t> buffer(data, data + size);
    const PmFrameInfo info = DescribeFrame(buffer.data(), buffer.size());
    std::uint32_t seed = 0;
    const long offset = ParsePacket(buffer.size(), buffer.data(), &seed);
    if (offset < 0)
        return 0;
    if (!info.valid || info.headerLength != static_cast<std::uint32_t>(offset) ||
        info.payloadLength != size - static_cast<std::size_t>(offset))
        std::abort();
    // Re-framing a canonical frame must give back the input.
    if ((data[2] == 0x07 && data[3] == 0x11) || (data[2] == 0x03 && data[3] == 0x10)) {
        std::vector<std::uint8_t> again;
        BuildPacketWithSeed(data[2] == 0x07, buffer.data() + offset, size - offset, again, seed);
        if (again != std::vector<std::uint8_t>(data, data + size))
            std::abort();
    }
    return 0;
}
