// ZOB: 4-bit ADPCM with a fixed second-order predictor, in 18-byte blocks of 32 samples. This
// header holds the file format (header, blocks, terminator) and the block arithmetic; the
// ring-driven encoder, decoder and converter are built on it.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::uint16_t kZobMagic = 0x8000;
constexpr std::uint16_t kZobTerminatorWord = 0x8001;
constexpr std::uint16_t kZobMarkerOffset = 24;         // data starts at marker offset + 4
constexpr std::size_t kZobHeaderBytes = kZobMarkerOffset + 4;
constexpr std::uint8_t kZobEncodingType = 3;
constexpr std::uint8_t kZobBlockBytes = 18;
constexpr std::uint8_t kZobBitsPerSample = 4;
constexpr int kZobSamplesPerBlock = 32;
constexpr std::uint16_t kZobHighPassHz = 500;
constexpr std::uint8_t kZobVersion = 3;
constexpr std::size_t kZobTerminatorBytes = 18;
// The first bytes of a file that ZobIsZobFile and the converter look at.
constexpr std::size_t kZobProbeBytes = 32;
// The six bytes at marker offset - 2 are ours to choose; we write this value and never require
// any particular value when reading.
constexpr std::uint8_t kZobMarker[6] = {'Z', 'O', 'B', 'D', 'A', 'T'};
// Highest sample rate a header may claim; keeps the WAV written from it inside its fields.
constexpr std::uint32_t kZobMaxRate = 1000000;

struct ZobHeader {
    std::uint16_t markerOffset = kZobMarkerOffset;
    std::uint8_t encodingType = kZobEncodingType;
    std::uint8_t blockBytes = kZobBlockBytes;
    std::uint8_t bitsPerSample = kZobBitsPerSample;
    std::uint8_t channels = 1;
    std::uint32_t sampleRate = 8000;
    std::uint32_t totalSamples = 0; // per channel
    std::uint16_t highPassHz = kZobHighPassHz;
    std::uint8_t version = kZobVersion;
    std::uint8_t flags = 0;

    std::size_t Length() const { return static_cast<std::size_t>(markerOffset) + 4; }
};

// Writes the header without loops (the only kind voice clips have): Length() bytes.
std::size_t WriteZobHeader(const ZobHeader& header, std::uint8_t* out, std::size_t capacity);

enum class ZobHeaderResult { Ok, NeedMore, Invalid };
// Reads and checks a header: the magic, a marker that starts between offset 14 and 26, 4 bits
// per sample in 18-byte blocks, 1 or 2 channels and a rate of 1 to kZobMaxRate. Anything else
// could divide by zero or describe blocks this decoder can't size.
ZobHeaderResult ParseZobHeader(const std::uint8_t* data, std::size_t size, ZobHeader* header);

// The terminator that ends the data: 0x8001, its length - 4, and zeros.
void WriteZobTerminator(std::uint8_t out[kZobTerminatorBytes]);

// The fixed predictor's coefficients (4.12 fixed point) for a high-pass frequency and a rate.
struct ZobCoefficients {
    std::int16_t c1;
    std::int16_t c2;
};
ZobCoefficients ComputeZobCoefficients(double highPassHz, double sampleRate);

struct ZobHistory {
    std::int16_t h1 = 0; // previous sample
    std::int16_t h2 = 0; // the one before
};

// The decoder's prediction: both products summed and shifted once. Files in the field follow this
// arithmetic, so the encoder reconstructs with exactly the same one.
inline int ZobPredict(const ZobCoefficients& c, const ZobHistory& h)
{
    return (h.h1 * c.c1 + h.h2 * c.c2) >> 12;
}

// Encodes 32 samples of one channel into an 18-byte block, advancing that channel's history
// exactly as a decoder of the block will.
void EncodeZobBlock(const std::int16_t samples[kZobSamplesPerBlock], const ZobCoefficients& c, ZobHistory* history,
    std::uint8_t block[kZobBlockBytes]);

// Decodes up to count blocks of one channel (32 samples each); stops before a block whose first
// byte has its top bit set. Returns the blocks decoded.
std::size_t DecodeZobBlocksMono(const std::uint8_t* blocks, std::size_t count, std::int16_t* out, ZobHistory* history,
    const ZobCoefficients& c);
// Decodes up to count frames of two blocks (first channel, then second) into two outputs; a
// terminator in either block of a pair stops the run. Returns the blocks decoded (2 per frame).
std::size_t DecodeZobBlocksStereo(const std::uint8_t* blocks, std::size_t frames, std::int16_t* left, std::int16_t* right,
    ZobHistory* leftHistory, ZobHistory* rightHistory, const ZobCoefficients& c);
