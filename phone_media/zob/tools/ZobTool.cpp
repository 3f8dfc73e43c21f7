// Command-line access to the conversion library, for tests that check our files with other
// programs (sox, Python's wave and aifc modules, a reference decoder) and feed theirs to ours.
//   encode IN.wav|aif OUT.zob       EncodeZobFile
//   decode IN.zob OUT.wav           DecodeZobFile
//   iszob PATH                      exit 0 when ZobIsZobFile holds
//   info PATH.wav|aif               "rate channels bits frames" as the stream reads them
//   dump PATH.wav|aif OUT.raw       every frame as interleaved 16-bit little-endian samples
//   write PATH.wav|aif RATE CHANNELS BITS IN.raw   a stream written frame by frame from raw samples
//   sniff ANYFILE OUT.raw           the decoder object's reading: "kind channels rate total"
#include "phone_media/zob/ZobBufferDecode.h"
#include "phone_media/zob/ZobConv.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadAll(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteRaw(const char* path, const std::vector<std::int16_t>& samples)
{
    std::FILE* out = std::fopen(path, "wb");
    if (!out)
        return false;
    for (std::int16_t s : samples) {
        unsigned char b[2] = {static_cast<unsigned char>(s & 0xFF), static_cast<unsigned char>((s >> 8) & 0xFF)};
        std::fwrite(b, 1, 2, out);
    }
    return std::fclose(out) == 0;
}

void PrintError(void*, const char* message) { std::fprintf(stderr, "%s\n", message); }

int Usage()
{
    std::fprintf(stderr, "usage: nv_zobtool encode|decode|iszob|info|dump|write|sniff ...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    ZobConvSetErrorCallback(PrintError, nullptr);
    const char* command = argv[1];
    if (!std::strcmp(command, "encode") && argc == 4)
        return EncodeZobFile(argv[2], argv[3]) ? 0 : 1;
    if (!std::strcmp(command, "decode") && argc == 4)
        return DecodeZobFile(argv[2], argv[3]) ? 0 : 1;
    if (!std::strcmp(command, "iszob") && argc == 3)
        return ZobIsZobFile(argv[2]) ? 0 : 1;
    if ((!std::strcmp(command, "info") && argc == 3) || (!std::strcmp(command, "dump") && argc == 4)) {
        auto stream = CWaveStream::OpenRead(argv[2]);
        if (!stream)
            return 1;
        if (argc == 3) {
            std::printf("%u %d %d %u\n", stream->Rate(), stream->Channels(), stream->Bits(), stream->FrameCount());
            return 0;
        }
        std::vector<std::int16_t> samples;
        for (std::uint32_t i = 0; i < stream->FrameCount(); ++i) {
            std::int16_t left, right;
            stream->ReadFrame(&left, &right);
            samples.push_back(left);
            if (stream->Channels() == 2)
                samples.push_back(right);
        }
        return WriteRaw(argv[3], samples) ? 0 : 1;
    }
    if (!std::strcmp(command, "write") && argc == 7) {
        int channels = std::atoi(argv[4]);
        std::vector<std::uint8_t> raw = ReadAll(argv[6]);
        std::size_t frameBytes = 2 * static_cast<std::size_t>(channels > 0 ? channels : 1);
        auto stream = CWaveStream::Create(argv[2], static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)), channels,
            std::atoi(argv[5]), 0);
        if (!stream)
            return 1;
        for (std::size_t at = 0; at + frameBytes <= raw.size(); at += frameBytes) {
            auto sample = [&](std::size_t i) { return static_cast<std::int16_t>(raw[i] | (raw[i + 1] << 8)); };
            std::int16_t left = sample(at);
            if (!stream->WriteFrame(left, channels == 2 ? sample(at + 2) : left))
                return 1;
        }
        return stream->Finish() ? 0 : 1;
    }
    if (!std::strcmp(command, "sniff") && argc == 4) {
        std::vector<std::uint8_t> bytes = ReadAll(argv[2]);
        ZobStreamInfo info;
        std::vector<std::int16_t> samples;
        if (!ZobDecodeBuffer(bytes.data(), bytes.size(), &info, &samples))
            return 1;
        std::printf("%d %d %u %u\n", static_cast<int>(info.kind), info.channels, info.sampleRate, info.totalSamples);
        return WriteRaw(argv[3], samples) ? 0 : 1;
    }
    return Usage();
}
