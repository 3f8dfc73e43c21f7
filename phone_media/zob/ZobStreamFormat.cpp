#include "phone_media/zob/ZobStreamFormat.h"

#include "phone_media/audiofile/WaveHeader.h"

#include <cstring>

namespace {

// The sniffer sees at most this much of a stream; a header not complete within it is refused.
constexpr std::size_t kSniffWindow = 4096;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) { return Le16(p) | (static_cast<std::uint32_t>(Le16(p + 2)) << 16); }
std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }
std::uint32_t Be32(const std::uint8_t* p) { return (static_cast<std::uint32_t>(Be16(p)) << 16) | Be16(p + 2); }
bool IsTag(const std::uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// Header not found in what is there: wait for more unless the window is already full.
ZobSniffResult Incomplete(std::size_t available)
{
    return available < kSniffWindow ? ZobSniffResult::NeedMore : ZobSniffResult::Unknown;
}

std::uint32_t FramesOf(std::uint64_t bytes, std::size_t bytesPerFrame)
{
    std::uint64_t frames = bytes / bytesPerFrame;
    return frames > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(frames);
}

ZobSniffResult SniffZob(const std::uint8_t* data, std::size_t available, ZobStreamInfo* info)
{
    ZobHeader header;
    switch (ParseZobHeader(data, available, &header)) {
    case ZobHeaderResult::NeedMore: return ZobSniffResult::NeedMore;
    case ZobHeaderResult::Invalid: return ZobSniffResult::Unknown;
    case ZobHeaderResult::Ok: break;
    }
    info->kind = ZobInputKind::Zob;
    info->coding = ZobSampleCoding::Adpcm;
    info->channels = header.channels;
    info->bits = header.bitsPerSample;
    info->sampleRate = header.sampleRate;
    info->totalSamples = header.totalSamples;
    info->headerLength = header.Length();
    info->bytesPerFrame = static_cast<std::size_t>(header.blockBytes) * header.channels;
    info->samplesPerFrame = (header.blockBytes * 8 - 16) / header.bitsPerSample;
    info->coefficients = ComputeZobCoefficients(header.highPassHz, header.sampleRate);
    return ZobSniffResult::Recognised;
}

bool SetPcm(ZobStreamInfo* info, ZobInputKind kind, ZobSampleCoding coding, int channels, int bits, std::uint32_t rate)
{
    if (channels < 1 || channels > 2 || rate < 1)
        return false;
    info->kind = kind;
    info->coding = coding;
    info->channels = channels;
    info->bits = bits;
    info->sampleRate = rate;
    info->bytesPerFrame = static_cast<std::size_t>(channels * bits / 8);
    info->samplesPerFrame = 1;
    return true;
}

ZobSniffResult SniffKtrf(const std::uint8_t* data, std::size_t available, ZobStreamInfo* info)
{
    if (available < 44)
        return ZobSniffResult::NeedMore;
    std::size_t headerLength = static_cast<std::size_t>(data[7]) * 16;
    if (headerLength < 44)
        return ZobSniffResult::Unknown; // the rate field itself would be sample data
    if (available < headerLength)
        return ZobSniffResult::NeedMore;
    if (!SetPcm(info, ZobInputKind::Ktrf, ZobSampleCoding::Little16, (data[9] & 3) + 1, 16, Le16(data + 42)))
        return ZobSniffResult::Unknown;
    info->headerLength = headerLength;
    info->totalSamples = FramesOf(Le32(data + 12), info->bytesPerFrame);
    return ZobSniffResult::Recognised;
}

ZobSniffResult SniffWav(const std::uint8_t* data, std::size_t available, ZobStreamInfo* info)
{
    bool haveFormat = false;
    WavFormatFields f{};
    std::uint64_t position = 12;
    while (position + 8 <= available) {
        const std::uint8_t* chunk = data + position;
        std::uint64_t size = Le32(chunk + 4);
        if (IsTag(chunk, "fmt ") && position % 4 == 0 && !haveFormat) {
            if (size < 16)
                return ZobSniffResult::Unknown;
            if (position + 8 + 16 > available)
                return Incomplete(available);
            f = ReadWavFormatFields(chunk + 8);
            haveFormat = true;
        } else if (IsTag(chunk, "data")) {
            if (!haveFormat || (f.tag != 0 && f.tag != 1) || (f.bits != 8 && f.bits != 16)
                || f.blockAlign != f.channels * f.bits / 8)
                return ZobSniffResult::Unknown;
            ZobSampleCoding coding = f.bits == 8 ? ZobSampleCoding::Unsigned8 : ZobSampleCoding::Little16;
            if (!SetPcm(info, ZobInputKind::Wav, coding, f.channels, f.bits, f.rate))
                return ZobSniffResult::Unknown;
            info->headerLength = static_cast<std::size_t>(position) + 8;
            info->totalSamples = FramesOf(size, info->bytesPerFrame);
            return ZobSniffResult::Recognised;
        }
        position += 8 + size + (size & 1);
    }
    return Incomplete(available);
}

ZobSniffResult SniffAiff(const std::uint8_t* data, std::size_t available, ZobStreamInfo* info)
{
    bool haveCommon = false;
    int channels = 0, bits = 0;
    std::uint32_t frames = 0, rate = 0;
    std::uint64_t position = 12;
    while (position + 8 <= available) {
        const std::uint8_t* chunk = data + position;
        std::uint64_t size = Be32(chunk + 4);
        if (IsTag(chunk, "COMM") && !haveCommon) {
            if (size < 18)
                return ZobSniffResult::Unknown;
            if (position + 8 + 18 > available)
                return Incomplete(available);
            const std::uint8_t* c = chunk + 8;
            channels = Be16(c);
            frames = Be32(c + 2);
            bits = Be16(c + 6);
            if (!DecodeAiffRate(c + 8, &rate))
                return ZobSniffResult::Unknown;
            haveCommon = true;
        } else if (IsTag(chunk, "SSND")) {
            if (position + 16 > available)
                return Incomplete(available);
            std::uint64_t start = position + 16 + Be32(chunk + 8);
            if (!haveCommon || (bits != 8 && bits != 16) || size < 8)
                return ZobSniffResult::Unknown;
            if (start > available)
                return Incomplete(available);
            ZobSampleCoding coding = bits == 8 ? ZobSampleCoding::Signed8 : ZobSampleCoding::Big16;
            if (!SetPcm(info, ZobInputKind::Aiff, coding, channels, bits, rate))
                return ZobSniffResult::Unknown;
            info->headerLength = static_cast<std::size_t>(start);
            info->totalSamples = frames;
            return ZobSniffResult::Recognised;
        }
        position += 8 + size + (size & 1);
    }
    return Incomplete(available);
}

ZobSniffResult SniffSnd(const std::uint8_t* data, std::size_t available, ZobStreamInfo* info)
{
    if (available < 24)
        return ZobSniffResult::NeedMore;
    std::uint32_t offset = Be32(data + 4);
    if (offset < 24)
        return ZobSniffResult::Unknown;
    if (offset > available)
        return Incomplete(available);
    ZobSampleCoding coding;
    int bits;
    switch (Be32(data + 12)) {
    case 1: coding = ZobSampleCoding::MuLaw8; bits = 8; break;
    case 2: coding = ZobSampleCoding::Signed8; bits = 8; break;
    case 3: coding = ZobSampleCoding::Big16; bits = 16; break;
    default: return ZobSniffResult::Unknown;
    }
    std::uint32_t channels = Be32(data + 20);
    if (channels > 2 || !SetPcm(info, ZobInputKind::Snd, coding, static_cast<int>(channels), bits, Be32(data + 16)))
        return ZobSniffResult::Unknown;
    info->headerLength = offset;
    std::uint32_t size = Be32(data + 8);
    info->totalSamples = size == 0xFFFFFFFFu ? 0xFFFFFFFFu : FramesOf(size, info->bytesPerFrame);
    return ZobSniffResult::Recognised;
}

} // namespace

ZobSniffResult SniffZobStream(const std::uint8_t* data, std::size_t available, ZobStreamInfo* info)
{
    if (!data || available < 16)
        return ZobSniffResult::NeedMore;
    if (Be16(data) == kZobMagic)
        return SniffZob(data, available, info);
    if (IsTag(data, "KTRF"))
        return SniffKtrf(data, available, info);
    if (IsTag(data, "RIFF") && IsTag(data + 8, "WAVE"))
        return SniffWav(data, available, info);
    if (IsTag(data, "FORM") && IsTag(data + 8, "AIFF"))
        return SniffAiff(data, available, info);
    if (IsTag(data, ".snd") || std::memcmp(data, ".sd\0", 4) == 0)
        return SniffSnd(data, available, info);
    return ZobSniffResult::Unknown;
}

std::int16_t MuLawToLinear(std::uint8_t byte)
{
    int u = ~byte & 0xFF;
    int t = ((u & 0x0F) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    return static_cast<std::int16_t>((u & 0x80) ? 0x84 - t : t - 0x84);
}

void ConvertPcmFrames(const ZobStreamInfo& info, const std::uint8_t* in, std::size_t frames, std::int16_t* out)
{
    std::size_t samples = frames * static_cast<std::size_t>(info.channels);
    for (std::size_t i = 0; i < samples; ++i) {
        switch (info.coding) {
        case ZobSampleCoding::Unsigned8: out[i] = static_cast<std::int16_t>((in[i] - 128) * 256); break;
        case ZobSampleCoding::Signed8: out[i] = static_cast<std::int16_t>(static_cast<std::int8_t>(in[i]) * 256); break;
        case ZobSampleCoding::MuLaw8: out[i] = MuLawToLinear(in[i]); break;
        case ZobSampleCoding::Little16: out[i] = static_cast<std::int16_t>(Le16(in + 2 * i)); break;
        case ZobSampleCoding::Big16: out[i] = static_cast<std::int16_t>(Be16(in + 2 * i)); break;
        case ZobSampleCoding::Adpcm: out[i] = 0; break;
        }
    }
}
