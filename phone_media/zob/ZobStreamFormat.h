// The format sniffer of the low-level decoder: it recognises ZOB, KTRF, WAV, AIFF and .snd
// streams from their first bytes, and turns their sample data into 16-bit samples.
#pragma once

#include "phone_media/zob/ZobCodec.h"

#include <cstddef>
#include <cstdint>

enum class ZobInputKind { Zob = 0, Wav = 1, Ktrf = 2, Aiff = 3, Snd = 4 };

enum class ZobSampleCoding { Adpcm, Unsigned8, Signed8, Little16, Big16, MuLaw8 };

struct ZobStreamInfo {
    ZobInputKind kind = ZobInputKind::Zob;
    ZobSampleCoding coding = ZobSampleCoding::Adpcm;
    int channels = 0;
    int bits = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t totalSamples = 0; // per channel; all ones when the stream does not say
    std::size_t headerLength = 0;
    std::size_t bytesPerFrame = 0; // one 18-byte block per channel for ZOB
    int samplesPerFrame = 0;       // per channel: 32 for ZOB, 1 for PCM
    ZobCoefficients coefficients{};
};

enum class ZobSniffResult { NeedMore, Unknown, Recognised };

// Looks at the bytes available so far. Headers are checked so that nothing later divides by
// zero, sizes a frame of 0 bytes or reads outside what is given.
ZobSniffResult SniffZobStream(const std::uint8_t* data, std::size_t available, ZobStreamInfo* info);

// ITU-T G.711 mu-law byte to 16-bit linear.
std::int16_t MuLawToLinear(std::uint8_t byte);

// Converts whole PCM frames into interleaved 16-bit samples.
void ConvertPcmFrames(const ZobStreamInfo& info, const std::uint8_t* in, std::size_t frames, std::int16_t* out);
