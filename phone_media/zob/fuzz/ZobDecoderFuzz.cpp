// The format sniffer and the decoder object on arbitrary streams (ZOB, KTRF, WAV, AIFF, .snd):
// nothing is read outside the input, and no more than the cap is ever decoded.
#include "phone_media/zob/ZobBufferDecode.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::uint32_t kCap = 20000;
    ZobStreamInfo sniffed;
    ZobSniffResult result = SniffZobStream(data, size, &sniffed);
    if (result == ZobSniffResult::Recognised
        && (sniffed.headerLength > size || sniffed.bytesPerFrame == 0 || sniffed.channels < 1 || sniffed.channels > 2
            || sniffed.samplesPerFrame < 1))
        std::abort();
    ZobHeader header;
    ParseZobHeader(data, size, &header);

    ZobStreamInfo info;
    std::vector<std::int16_t> samples;
    if (ZobDecodeBuffer(data, size, &info, &samples, kCap)) {
        if (samples.size() > static_cast<std::size_t>(kCap) * static_cast<std::size_t>(info.channels))
            std::abort();
        if (samples.size() % static_cast<std::size_t>(info.channels) != 0)
            std::abort();
    }
    return 0;
}
