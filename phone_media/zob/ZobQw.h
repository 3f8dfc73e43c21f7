// The ring-driven stages of the converter: the encoder object ZOBQWE (PCM rings in, ZOB ring
// out) and the decoder object ZOBQWD (a ZOB, KTRF, WAV, AIFF or .snd stream in, interleaved
// 16-bit PCM out). Both live in static pools of 8 and advance only when the server runs them.
#pragma once

#include "phone_media/zob/QwRing.h"
#include "phone_media/zob/ZobCodec.h"
#include "phone_media/zob/ZobStreamFormat.h"

#include <cstdint>

constexpr int kZobObjectPoolSize = 8;
constexpr int kZobMaxChannels = 2;

enum ZobObjectState : std::uint8_t { kZobStopped = 0, kZobHeaderDue = 1, kZobRunning = 2, kZobDone = 3 };

struct ZobLoop {
    std::uint32_t startSample = 0;
    std::uint32_t startByte = 0;
    std::uint32_t endSample = 0;
    std::uint32_t endByte = 0;
};

struct ZOBQWE {
    std::uint8_t inUse;
    std::uint8_t state;
    std::uint8_t inputCount;
    std::uint8_t endFlag;
    QwRing* inputs[kZobMaxChannels];
    QwRing* output;
    std::uint32_t bytesWritten;
    std::uint32_t samplesEncoded;
    std::uint32_t totalSamples;
    ZobHeader header;
    // Loops are part of the format but voice clips never carry one; the count stays 0.
    std::uint16_t loopAlignment;
    std::uint16_t loopCount;
    ZobLoop loop;
    ZobCoefficients coefficients[kZobMaxChannels];
    ZobHistory history[kZobMaxChannels];
    std::int16_t frameSamples[kZobMaxChannels][kZobSamplesPerBlock];
    std::uint8_t frameOutput[kZobMaxChannels * kZobBlockBytes];
};

// The block-decoding job of a low-level decoder: what one decoding step works on.
struct ZobDecodeJob {
    enum State : std::uint8_t { kFree = 0, kArmed = 1, kRunning = 2, kFinished = 3 } state;
    bool stereo;
    const std::uint8_t* input;
    std::size_t frames;         // whole frames handed over
    std::size_t framesDecoded;  // how many were decoded (a terminator stops early)
};

struct ZobLowLevelDecoder {
    ZobStreamInfo info;
    ZobHistory history[kZobMaxChannels];
    ZobDecodeJob job;
};

struct ZOBQWD {
    std::uint8_t inUse;
    std::uint8_t state;
    std::uint8_t inputCount;
    std::uint8_t sndInput; // set for .snd streams, which end when their input runs dry
    ZobLowLevelDecoder decoder;
    QwRing* output;
    QwRing* inputs[kZobMaxChannels];
    std::uint8_t ktrfHeader[64];
    std::size_t ktrfHeaderLength;
    std::size_t headerLength;
    std::uint32_t samplesDecoded;  // per channel
    std::uint32_t maximumSamples;  // never decodes more than this, whatever the header says
};

void ZobObjectPoolsInit();
void ZobObjectPoolsFinish();

// Encoder over count (1 or 2) PCM input rings, one per channel, with the defaults of a new
// encoder (44100 Hz, 500 Hz high-pass, open-ended total).
ZOBQWE* ZobqweCreate(QwRing* const* inputs, int count, QwRing* output);
void ZobqweSetFormat(ZOBQWE* encoder, std::uint32_t sampleRate, int channels, std::uint32_t totalSamples);
void ZobqweArm(ZOBQWE* encoder);
void ZobqweRun(ZOBQWE* encoder);
void ZobqweDestroy(ZOBQWE* encoder);

ZOBQWD* ZobqwdCreate(QwRing* input, QwRing* output, std::uint32_t maximumSamples);
void ZobqwdArm(ZOBQWD* decoder);
void ZobqwdRun(ZOBQWD* decoder);
void ZobqwdDestroy(ZOBQWD* decoder);

// One step of every encoder and then every decoder in use.
void ZobRunEncoders();
void ZobRunDecoders();
