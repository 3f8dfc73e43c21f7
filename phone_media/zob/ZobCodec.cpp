#include "phone_media/zob/ZobCodec.h"

#include <cmath>
#include <cstring>

namespace {

std::int16_t Clamp16(long long v)
{
    return static_cast<std::int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

void PutBe16(std::uint8_t* p, std::uint32_t v) { p[0] = (v >> 8) & 0xFF; p[1] = v & 0xFF; }
void PutBe32(std::uint8_t* p, std::uint32_t v) { PutBe16(p, v >> 16); PutBe16(p + 2, v & 0xFFFF); }
std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }
std::uint32_t Be32(const std::uint8_t* p) { return (static_cast<std::uint32_t>(Be16(p)) << 16) | Be16(p + 2); }

int Nibble(std::uint8_t byte, bool high)
{
    int n = high ? byte >> 4 : byte & 0x0F;
    return n >= 8 ? n - 16 : n;
}

void DecodeBlock(const std::uint8_t* block, std::int16_t* out, ZobHistory* h, const ZobCoefficients& c)
{
    int scale = (Be16(block) & 0x1FFF) + 1;
    for (int i = 0; i < kZobSamplesPerBlock; ++i) {
        int nibble = Nibble(block[2 + i / 2], (i & 1) == 0);
        std::int16_t sample = Clamp16(static_cast<long long>(ZobPredict(c, *h)) + nibble * scale);
        out[i] = sample;
        h->h2 = h->h1;
        h->h1 = sample;
    }
}

} // namespace

std::size_t WriteZobHeader(const ZobHeader& header, std::uint8_t* out, std::size_t capacity)
{
    std::size_t length = header.Length();
    if (header.markerOffset < 22 || capacity < length)
        return 0;
    std::memset(out, 0, length);
    PutBe16(out, kZobMagic);
    PutBe16(out + 2, header.markerOffset);
    out[4] = header.encodingType;
    out[5] = header.blockBytes;
    out[6] = header.bitsPerSample;
    out[7] = header.channels;
    PutBe32(out + 8, header.sampleRate);
    PutBe32(out + 12, header.totalSamples);
    PutBe16(out + 16, header.highPassHz);
    out[18] = header.version;
    out[19] = header.flags;
    std::memcpy(out + header.markerOffset - 2, kZobMarker, sizeof kZobMarker);
    return length;
}

ZobHeaderResult ParseZobHeader(const std::uint8_t* data, std::size_t size, ZobHeader* header)
{
    if (size < 4)
        return ZobHeaderResult::NeedMore;
    if (Be16(data) != kZobMagic)
        return ZobHeaderResult::Invalid;
    ZobHeader h;
    h.markerOffset = Be16(data + 2);
    // The fields end at 20, so data can't start before; a marker after offset 26 is not ours.
    if (h.markerOffset < 16 || h.markerOffset - 2 > 26)
        return ZobHeaderResult::Invalid;
    if (size < h.Length())
        return ZobHeaderResult::NeedMore;
    h.encodingType = data[4];
    h.blockBytes = data[5];
    h.bitsPerSample = data[6];
    h.channels = data[7];
    h.sampleRate = Be32(data + 8);
    h.totalSamples = Be32(data + 12);
    h.highPassHz = Be16(data + 16);
    h.version = data[18];
    h.flags = data[19];
    if (h.bitsPerSample != kZobBitsPerSample || h.blockBytes != kZobBlockBytes || h.channels < 1 || h.channels > 2
        || h.sampleRate < 1 || h.sampleRate > kZobMaxRate)
        return ZobHeaderResult::Invalid;
    *header = h;
    return ZobHeaderResult::Ok;
}

void WriteZobTerminator(std::uint8_t out[kZobTerminatorBytes])
{
    std::memset(out, 0, kZobTerminatorBytes);
    PutBe16(out, kZobTerminatorWord);
    PutBe16(out + 2, kZobTerminatorBytes - 4);
}

ZobCoefficients ComputeZobCoefficients(double highPassHz, double sampleRate)
{
    const double pi = 3.14159265358979323846;
    double a = std::sqrt(2.0) - std::cos(2.0 * pi * highPassHz / sampleRate);
    double b = std::sqrt(2.0) - 1.0;
    // a >= b for every angle, so the root is real and c lies in (0, 1].
    double c = (a - std::sqrt((a - b) * (a + b))) / b;
    ZobCoefficients k;
    k.c1 = static_cast<std::int16_t>(c * 8192.0);
    k.c2 = static_cast<std::int16_t>(c * c * -4096.0);
    return k;
}

void EncodeZobBlock(const std::int16_t samples[kZobSamplesPerBlock], const ZobCoefficients& c, ZobHistory* history,
    std::uint8_t block[kZobBlockBytes])
{
    // Open loop on the input itself, only to choose the block's scale.
    ZobHistory open = *history;
    int largest = 0;
    for (int i = 0; i < kZobSamplesPerBlock; ++i) {
        int e = Clamp16(static_cast<long long>(samples[i]) - ZobPredict(c, open));
        int magnitude = e < 0 ? -e : e;
        if (magnitude > largest)
            largest = magnitude;
        open.h2 = open.h1;
        open.h1 = samples[i];
    }
    // Digital silence has no largest residual; treat it as 1, which gives scale 1 and lets the
    // closed loop still steer the reconstruction back to the input.
    if (largest < 1)
        largest = 1;
    int scale = (largest - 1) / 7 + 1;
    if (scale > 4096)
        scale = 4096;
    double normalise = 32767.0 / largest;

    // Closed loop on the reconstruction, so encoder and decoder keep the same history.
    std::int8_t nibbles[kZobSamplesPerBlock];
    for (int i = 0; i < kZobSamplesPerBlock; ++i) {
        int prediction = ZobPredict(c, *history);
        int e = Clamp16(static_cast<long long>(samples[i]) - prediction);
        double scaled = e * normalise;
        int v = scaled >= 32767.0 ? 32767 : (scaled <= -32768.0 ? -32768 : static_cast<int>(scaled));
        int n = v >= 0 ? (v + 2340) / 4681 : (v - 2340) / 4681;
        if (n > 7)
            n = 7;
        if (n < -8)
            n = -8;
        int d = Clamp16(n * scale);
        std::int16_t y = Clamp16(static_cast<long long>(prediction) + d);
        history->h2 = history->h1;
        history->h1 = y;
        nibbles[i] = static_cast<std::int8_t>(n);
    }
    PutBe16(block, static_cast<std::uint32_t>(scale - 1));
    for (int i = 0; i < kZobSamplesPerBlock / 2; ++i)
        block[2 + i] = static_cast<std::uint8_t>(((nibbles[2 * i] & 0x0F) << 4) | (nibbles[2 * i + 1] & 0x0F));
}

std::size_t DecodeZobBlocksMono(const std::uint8_t* blocks, std::size_t count, std::int16_t* out, ZobHistory* history,
    const ZobCoefficients& c)
{
    ZobHistory h = *history;
    std::size_t done = 0;
    for (; done < count; ++done) {
        const std::uint8_t* block = blocks + done * kZobBlockBytes;
        if (block[0] & 0x80)
            break;
        DecodeBlock(block, out + done * kZobSamplesPerBlock, &h, c);
    }
    *history = h;
    return done;
}

std::size_t DecodeZobBlocksStereo(const std::uint8_t* blocks, std::size_t frames, std::int16_t* left, std::int16_t* right,
    ZobHistory* leftHistory, ZobHistory* rightHistory, const ZobCoefficients& c)
{
    std::size_t frame = 0;
    for (; frame < frames; ++frame) {
        const std::uint8_t* first = blocks + frame * 2 * kZobBlockBytes;
        const std::uint8_t* second = first + kZobBlockBytes;
        if ((first[0] & 0x80) || (second[0] & 0x80))
            break;
        DecodeBlock(first, left + frame * kZobSamplesPerBlock, leftHistory, c);
        DecodeBlock(second, right + frame * kZobSamplesPerBlock, rightHistory, c);
    }
    return frame * 2;
}
