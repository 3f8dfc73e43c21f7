#include "phone_media/audiofile/WaveHeader.h"

#include <cstring>

namespace {

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24); }
std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }
std::uint32_t Be32(const std::uint8_t* p) { return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

void PutLe16(std::uint8_t* p, std::uint32_t v) { p[0] = v & 0xFF; p[1] = (v >> 8) & 0xFF; }
void PutLe32(std::uint8_t* p, std::uint32_t v) { PutLe16(p, v & 0xFFFF); PutLe16(p + 2, v >> 16); }
void PutBe16(std::uint8_t* p, std::uint32_t v) { p[0] = (v >> 8) & 0xFF; p[1] = v & 0xFF; }
void PutBe32(std::uint8_t* p, std::uint32_t v) { PutBe16(p, v >> 16); PutBe16(p + 2, v & 0xFFFF); }

bool IsTag(const std::uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

bool FormatIsReadable(int channels, int bits) { return (channels == 1 || channels == 2) && (bits == 8 || bits == 16); }

// Largest payload both headers can describe: the RIFF size field holds data + 36 and the FORM
// size field data + 46; the rest keeps the mapped size inside 32 bits as well.
constexpr std::uint32_t kMaxDataBytes = 0xFFFFFFFFu - 64;

struct Chunk {
    const std::uint8_t* id;
    std::size_t dataOffset;
    std::uint64_t declaredSize;
    std::size_t presentSize; // the part of the chunk inside the file
};

// Walks id+size chunks from offset 12; visit returns false to stop.
template <typename Visit>
void WalkChunks(const std::uint8_t* data, std::size_t size, bool bigEndian, Visit visit)
{
    std::uint64_t position = 12;
    while (position + 8 <= size) {
        const std::uint8_t* header = data + position;
        std::uint64_t declared = bigEndian ? Be32(header + 4) : Le32(header + 4);
        std::uint64_t start = position + 8;
        std::uint64_t present = declared <= size - start ? declared : size - start;
        if (!visit(Chunk{header, static_cast<std::size_t>(start), declared, static_cast<std::size_t>(present)}))
            return;
        position = start + declared + (declared & 1);
    }
}

} // namespace

bool WaveFileTypeFromPath(const char* path, WaveFileType* type)
{
    if (!path)
        return false;
    const char* dot = nullptr;
    for (const char* p = path; *p; ++p) {
        if (*p == '.')
            dot = p;
        else if (*p == '\\' || *p == '/')
            dot = nullptr;
    }
    if (!dot || std::strlen(dot) != 4)
        return false;
    char upper[5] = {};
    for (int i = 0; i < 4; ++i)
        upper[i] = (dot[i] >= 'a' && dot[i] <= 'z') ? static_cast<char>(dot[i] - 'a' + 'A') : dot[i];
    if (std::strcmp(upper, ".WAV") == 0)
        *type = WaveFileType::Wav;
    else if (std::strcmp(upper, ".AIF") == 0)
        *type = WaveFileType::Aiff;
    else
        return false;
    return true;
}

bool EncodeAiffRate(std::uint32_t rate, std::uint8_t out[10])
{
    if (rate < 1 || rate > 65535)
        return false;
    std::uint32_t mantissa = rate;
    int shifts = 0;
    while (!(mantissa & 0x8000)) {
        mantissa <<= 1;
        ++shifts;
    }
    std::memset(out, 0, 10);
    PutBe16(out, 16398 - shifts);
    PutBe16(out + 2, mantissa);
    return true;
}

bool DecodeAiffRate(const std::uint8_t in[10], std::uint32_t* rate)
{
    int exponent = Be16(in);
    if (exponent & 0x8000)
        return false; // negative
    std::uint32_t mantissaHigh = Be32(in + 2);
    // value = mantissaHigh * 2^(exponent - 16383 - 31); whole numbers below 2^32 need a right
    // shift of 0 to 31.
    int shift = 16414 - exponent;
    if (shift < 0 || shift > 31)
        return false;
    std::uint32_t value = mantissaHigh >> shift;
    if (value < 1)
        return false;
    *rate = value;
    return true;
}

std::uint32_t MaxWaveFrames(int channels, int bits)
{
    if (!FormatIsReadable(channels, bits))
        return 0;
    return kMaxDataBytes / static_cast<std::uint32_t>(channels * bits / 8);
}

bool WriteWavHeader(std::uint8_t out[kWavHeaderSize], std::uint32_t rate, int channels, int bits, std::uint32_t frames)
{
    if (!FormatIsReadable(channels, bits) || rate < 1 || frames > MaxWaveFrames(channels, bits))
        return false;
    std::uint32_t blockAlign = static_cast<std::uint32_t>(bits * channels / 8);
    std::uint32_t dataSize = blockAlign * frames;
    std::memcpy(out, "RIFF", 4);
    PutLe32(out + 4, dataSize + 36);
    std::memcpy(out + 8, "WAVE", 4);
    std::memcpy(out + 12, "fmt ", 4);
    PutLe32(out + 16, 16);
    PutLe16(out + 20, 1);
    PutLe16(out + 22, static_cast<std::uint32_t>(channels));
    PutLe32(out + 24, rate);
    PutLe32(out + 28, blockAlign * rate);
    PutLe16(out + 32, blockAlign);
    PutLe16(out + 34, static_cast<std::uint32_t>(bits));
    std::memcpy(out + 36, "data", 4);
    PutLe32(out + 40, dataSize);
    return true;
}

bool WriteAiffHeader(std::uint8_t out[kAiffHeaderSize], std::uint32_t rate, int channels, int bits, std::uint32_t frames)
{
    if (!FormatIsReadable(channels, bits) || frames > MaxWaveFrames(channels, bits))
        return false;
    std::uint8_t extended[10];
    if (!EncodeAiffRate(rate, extended))
        return false;
    std::uint32_t dataSize = static_cast<std::uint32_t>(bits * channels / 8) * frames;
    std::memcpy(out, "FORM", 4);
    PutBe32(out + 4, dataSize + 46);
    std::memcpy(out + 8, "AIFF", 4);
    std::memcpy(out + 12, "COMM", 4);
    PutBe32(out + 16, 18);
    PutBe16(out + 20, static_cast<std::uint32_t>(channels));
    PutBe32(out + 22, frames);
    PutBe16(out + 26, static_cast<std::uint32_t>(bits));
    std::memcpy(out + 28, extended, 10);
    std::memcpy(out + 38, "SSND", 4);
    PutBe32(out + 42, dataSize + 8);
    PutBe32(out + 46, 0);
    PutBe32(out + 50, 0);
    return true;
}

WavFormatFields ReadWavFormatFields(const std::uint8_t format[16])
{
    return WavFormatFields{Le16(format), Le16(format + 2), Le32(format + 4), Le16(format + 12), Le16(format + 14)};
}

bool ParseWavHeader(const std::uint8_t* data, std::size_t size, WaveLayout* layout)
{
    if (!data || size < 12 || !IsTag(data, "RIFF") || !IsTag(data + 8, "WAVE"))
        return false;
    bool haveFormat = false, haveData = false, formatBad = false;
    WavFormatFields format{};
    std::size_t dataOffset = 0, dataBytes = 0;
    WalkChunks(data, size, false, [&](const Chunk& chunk) {
        if (!haveFormat && IsTag(chunk.id, "fmt ")) {
            // The header proper is 16 bytes; a shorter one would have us read its neighbour.
            if (chunk.declaredSize < 16 || chunk.presentSize < 16) {
                formatBad = true;
                return false;
            }
            format = ReadWavFormatFields(data + chunk.dataOffset);
            haveFormat = true;
        } else if (!haveData && IsTag(chunk.id, "data")) {
            dataOffset = chunk.dataOffset;
            dataBytes = chunk.presentSize;
            haveData = true;
        }
        return !(haveFormat && haveData);
    });
    if (formatBad || !haveFormat || !haveData)
        return false;
    // Untagged (0) and PCM (1) are what recorders write; extensible PCM keeps the same layout.
    // Compressed formats would be read as noise.
    if (format.tag != 0 && format.tag != 1 && format.tag != 0xFFFE)
        return false;
    if (!FormatIsReadable(format.channels, format.bits) || format.blockAlign != format.channels * format.bits / 8
        || format.rate < 1)
        return false;
    std::uint64_t frames = dataBytes / static_cast<std::size_t>(format.blockAlign);
    layout->rate = format.rate;
    layout->channels = format.channels;
    layout->bits = format.bits;
    layout->dataOffset = dataOffset;
    layout->frames = frames > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(frames);
    layout->bigEndian = false;
    layout->unsigned8 = format.bits == 8;
    return true;
}

bool ParseAiffHeader(const std::uint8_t* data, std::size_t size, WaveLayout* layout)
{
    if (!data || size < 12 || !IsTag(data, "FORM") || !IsTag(data + 8, "AIFF"))
        return false;
    bool haveCommon = false, haveSound = false, bad = false;
    int channels = 0, bits = 0;
    std::uint32_t frames = 0, rate = 0;
    std::size_t soundOffset = 0, soundBytes = 0;
    WalkChunks(data, size, true, [&](const Chunk& chunk) {
        if (!haveCommon && IsTag(chunk.id, "COMM")) {
            if (chunk.declaredSize < 18 || chunk.presentSize < 18 || !DecodeAiffRate(data + chunk.dataOffset + 8, &rate)) {
                bad = true;
                return false;
            }
            const std::uint8_t* c = data + chunk.dataOffset;
            channels = Be16(c);
            frames = Be32(c + 2);
            bits = Be16(c + 6);
            haveCommon = true;
        } else if (!haveSound && IsTag(chunk.id, "SSND")) {
            if (chunk.presentSize < 8) {
                bad = true;
                return false;
            }
            std::uint64_t offset = Be32(data + chunk.dataOffset);
            if (offset > chunk.presentSize - 8) {
                bad = true;
                return false;
            }
            soundOffset = chunk.dataOffset + 8 + static_cast<std::size_t>(offset);
            soundBytes = chunk.presentSize - 8 - static_cast<std::size_t>(offset);
            haveSound = true;
        }
        return !(haveCommon && haveSound);
    });
    if (bad || !haveCommon || !haveSound || !FormatIsReadable(channels, bits))
        return false;
    std::uint32_t present = static_cast<std::uint32_t>(soundBytes / static_cast<std::size_t>(channels * bits / 8));
    layout->rate = rate;
    layout->channels = channels;
    layout->bits = bits;
    layout->dataOffset = soundOffset;
    layout->frames = frames < present ? frames : present;
    layout->bigEndian = true;
    layout->unsigned8 = false;
    return true;
}
