// WAV and AIFF headers: the fixed headers this library writes and the chunk walkers that read
// whatever other programs wrote. Pure functions over bytes, so they can be fuzzed on their own.
#pragma once

#include <cstddef>
#include <cstdint>

enum class WaveFileType { Wav = 0, Aiff = 1 };

constexpr std::size_t kWavHeaderSize = 44;
constexpr std::size_t kAiffHeaderSize = 54;

// Where the samples are and how to read them.
struct WaveLayout {
    std::uint32_t rate = 0;
    int channels = 0;
    int bits = 0;
    std::size_t dataOffset = 0;
    std::uint32_t frames = 0;
    bool bigEndian = false;
    bool unsigned8 = false;
};

// ".WAV" and ".AIF" in any case; anything else (".aiff" included) is not ours.
bool WaveFileTypeFromPath(const char* path, WaveFileType* type);

// The 80-bit extended number of an AIFF rate, written from a rate of 1 to 65535.
bool EncodeAiffRate(std::uint32_t rate, std::uint8_t out[10]);
// Reads a whole-number rate of 1 to 2^32 - 1; fractions are dropped, anything else is refused.
bool DecodeAiffRate(const std::uint8_t in[10], std::uint32_t* rate);

// The first 16 bytes of a WAV "fmt " chunk.
struct WavFormatFields {
    int tag;
    int channels;
    std::uint32_t rate;
    int blockAlign;
    int bits;
};
WavFormatFields ReadWavFormatFields(const std::uint8_t format[16]);

// Headers for a file holding frames frames; false when the sizes don't fit their fields or the
// format is not one the streams can read back.
bool WriteWavHeader(std::uint8_t out[kWavHeaderSize], std::uint32_t rate, int channels, int bits, std::uint32_t frames);
bool WriteAiffHeader(std::uint8_t out[kAiffHeaderSize], std::uint32_t rate, int channels, int bits, std::uint32_t frames);

// Largest frame count whose data still fits the 32-bit size fields of both headers.
std::uint32_t MaxWaveFrames(int channels, int bits);

// Chunk walkers over a whole file. Every size is bounded by the bytes given: a data chunk that
// claims more than the file holds is cut to the whole frames present.
bool ParseWavHeader(const std::uint8_t* data, std::size_t size, WaveLayout* layout);
bool ParseAiffHeader(const std::uint8_t* data, std::size_t size, WaveLayout* layout);
