// The ZOB conversion library: WAV/AIFF to ZOB (encoding) and ZOB to 16-bit WAV (decoding),
// driven by polling ZobConvExecServer on the caller's thread. Single-threaded by design: all
// state is in static pools without locks.
#pragma once

#include "phone_media/audiofile/WaveStream.h"
#include "phone_media/zob/ZobQw.h"

#include <cstdint>
#include <cstdio>
#include <memory>

constexpr const char* kZobFrontEndBanner = "ZOBFED Ver.1.04 Build:Jul  3 2000 18:40:00";
constexpr const char* kZobEncoderBanner = "ZOBENC Ver.1.00 Build:Mar 24 2000 21:01:37";

constexpr int kZobHandleCount = 4;
constexpr std::uint32_t kZobMaximumSamples = 80000; // 10 seconds at 8 kHz
constexpr std::size_t kZobRingExtra = 36;            // two 18-byte blocks past the end
constexpr std::size_t kZobClipBufferBytes = 4608;
constexpr std::size_t kZobStepBytes = 8192;
constexpr int kZobStallSteps = 101;
// DecodeZobFile and EncodeZobFile copy their paths into fields of this size.
constexpr std::size_t kZobPathField = 256;

enum ZobConvStatus { kZobIdle = 0, kZobEncoding = 1, kZobDecoding = 2, kZobFinished = 3, kZobError = 4 };

struct ZobConvHandle {
    int inUse;
    int status;
    std::unique_ptr<CWaveStream> wave;
    std::FILE* zobFile;
    QwRing* pcmRing;
    std::size_t pcmBufferSize;
    std::uint8_t* pcmBuffer;
    QwRing* zobRing;
    std::size_t zobBufferSize;
    std::uint8_t* zobBuffer;
    ZOBQWD* decoder;
    ZOBQWE* encoder;
    std::uint32_t totalSamples;
    std::uint32_t maximumSamples;
    std::uint32_t zobBytesMoved;
    std::uint32_t pcmSamplesMoved;
    std::uint32_t samplesAtLastCheck;
    int stallCount;
};

void ZobConvInit();
void ZobConvFinish();
ZobConvHandle* ZobConvCreate(std::size_t zobBufferSize, std::size_t pcmBufferSize);
void ZobConvDestroy(ZobConvHandle* handle);
void ZobConvStartEncode(ZobConvHandle* handle, const char* wavePath, const char* zobPath);
void ZobConvStartDecode(ZobConvHandle* handle, const char* zobPath, const char* wavePath);
void ZobConvStop(ZobConvHandle* handle);
int ZobConvGetStatus(const ZobConvHandle* handle);
std::uint32_t ZobConvGetSamplesDone(const ZobConvHandle* handle);
void ZobConvExecServer();
bool ZobIsZobFile(const char* path);

// Errors are formatted into 256 bytes and passed on when a callback is set.
using ZobErrorCallback = void (*)(void* context, const char* message);
void ZobConvSetErrorCallback(ZobErrorCallback callback, void* context);
void ZobConvReportError(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The synchronous conversions of the voice-clip panel; true on success. Paths of 256 characters
// or more fail rather than being cut.
bool DecodeZobFile(const char* zobPath, const char* wavePath);
bool EncodeZobFile(const char* wavePath, const char* zobPath);

// The pause between polls of DecodeZobFile and EncodeZobFile (10 ms); replaceable so that
// measurements can tell the conversion from the waiting. Returns the previous function.
using ZobPollSleep = void (*)(unsigned milliseconds);
ZobPollSleep ZobSetPollSleep(ZobPollSleep sleep);
// Server steps made by DecodeZobFile and EncodeZobFile since start-up.
std::uint64_t ZobPollCount();
