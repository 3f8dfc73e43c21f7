// The format sniffer and the decoder object on arbitrary streams (ZOB, KTRF, WAV, AIFF, .snd):
// nothing is read outside the input, and no more than the cap is ever decoded. Headers that read
// write back the same, and what decodes codes again block by block.
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
    if (ParseZobHeader(data, size, &header) == ZobHeaderResult::Ok) {
        // A header that reads writes back to one that reads the same.
        std::uint8_t out[256];
        ZobHeader again;
        std::size_t written = WriteZobHeader(header, out, sizeof out);
        if (written != 0 && (ParseZobHeader(out, written, &again) != ZobHeaderResult::Ok ||
                             again.channels != header.channels || again.sampleRate != header.sampleRate ||
                             again.totalSamples != header.totalSamples || again.Length() != written))
            std::abort();
    }

    ZobStreamInfo info;
    std::vector<std::int16_t> samples;
    if (ZobDecodeBuffer(data, size, &info, &samples, kCap)) {
        if (samples.size() > static_cast<std::size_t>(kCap) * static_cast<std::size_t>(info.channels))
            std::abort();
        if (samples.size() % static_cast<std::size_t>(info.channels) != 0)
            std::abort();
        // The decoded sound coded again block by block decodes to as many samples.
        ZobCoefficients c = ComputeZobCoefficients(kZobHighPassHz, 8000);
        ZobHistory encodeHistory, decodeHistory;
        std::vector<std::uint8_t> blocks;
        for (std::size_t at = 0; at + kZobSamplesPerBlock <= samples.size() && at < 64 * kZobSamplesPerBlock;
             at += kZobSamplesPerBlock) {
            std::uint8_t block[kZobBlockBytes];
            EncodeZobBlock(samples.data() + at, c, &encodeHistory, block);
            blocks.insert(blocks.end(), block, block + kZobBlockBytes);
        }
        // No coded block may look like the end mark, or the decoder would stop there.
        const std::size_t count = blocks.size() / kZobBlockBytes;
        std::vector<std::int16_t> again(count * kZobSamplesPerBlock);
        if (DecodeZobBlocksMono(blocks.data(), count, again.data(), &decodeHistory, c) != count)
            std::abort();
    }
    return 0;
}
