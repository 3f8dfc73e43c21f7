#include "phone_media/zob/ZobConv.h"

#include <chrono>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

ZobConvHandle g_handles[kZobHandleCount];
int g_initCount = 0;
ZobErrorCallback g_errorCallback = nullptr;
void* g_errorContext = nullptr;

void SleepMilliseconds(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
ZobPollSleep g_pollSleep = SleepMilliseconds;
std::uint64_t g_pollCount = 0;

void ClearHandle(ZobConvHandle* h)
{
    h->inUse = 0;
    h->status = kZobIdle;
    h->wave.reset();
    h->zobFile = nullptr;
    h->pcmRing = h->zobRing = nullptr;
    h->pcmBuffer = h->zobBuffer = nullptr;
    h->pcmBufferSize = h->zobBufferSize = 0;
    h->decoder = nullptr;
    h->encoder = nullptr;
    h->totalSamples = 0;
    h->maximumSamples = 0;
    h->zobBytesMoved = h->pcmSamplesMoved = h->samplesAtLastCheck = 0;
    h->stallCount = 0;
}

// Closes what a conversion holds; false when the ZOB file could not be completed.
bool ReleaseStreams(ZobConvHandle* h)
{
    bool ok = true;
    if (h->decoder)
        ZobqwdDestroy(h->decoder);
    if (h->encoder)
        ZobqweDestroy(h->encoder);
    h->decoder = nullptr;
    h->encoder = nullptr;
    if (h->zobFile && std::fclose(h->zobFile) != 0)
        ok = false;
    h->zobFile = nullptr;
    if (h->wave && !h->wave->Finish())
        ok = false;
    h->wave.reset();
    return ok;
}

void Fail(ZobConvHandle* h)
{
    ReleaseStreams(h);
    h->status = kZobError;
}

void Complete(ZobConvHandle* h)
{
    if (!ReleaseStreams(h)) {
        ZobConvReportError("Cannot complete the output files.");
        h->status = kZobError;
        return;
    }
    h->status = kZobFinished;
}

void ResetRings(ZobConvHandle* h)
{
    h->pcmRing->operations->Reset(h->pcmRing);
    h->zobRing->operations->Reset(h->zobRing);
    h->zobBytesMoved = h->pcmSamplesMoved = h->samplesAtLastCheck = 0;
    h->stallCount = 0;
}

void StepEncoding(ZobConvHandle* h)
{
    QwRing* pcm = h->pcmRing;
    QwChunk chunk;
    std::size_t got = pcm->operations->TakeChunk(pcm, kQwFreeLane, kZobStepBytes, &chunk);
    std::size_t samples = got / sizeof(std::int16_t);
    for (std::size_t i = 0; i < samples; ++i) {
        std::int16_t left, right;
        h->wave->ReadFrame(&left, &right);
        std::memcpy(chunk.pointer + i * sizeof left, &left, sizeof left);
    }
    QwChunk filled, odd;
    QW_SplitChunk(&chunk, samples * sizeof(std::int16_t), &filled, &odd);
    pcm->operations->UntakeChunk(pcm, kQwFreeLane, &odd);
    pcm->operations->PutChunk(pcm, kQwDataLane, &filled);
    h->pcmSamplesMoved += static_cast<std::uint32_t>(samples);

    QwRing* zob = h->zobRing;
    got = zob->operations->TakeChunk(zob, kQwDataLane, kZobStepBytes, &chunk);
    std::size_t written = got ? std::fwrite(chunk.pointer, 1, got, h->zobFile) : 0;
    QwChunk done, rest;
    QW_SplitChunk(&chunk, written, &done, &rest);
    zob->operations->UntakeChunk(zob, kQwDataLane, &rest);
    zob->operations->PutChunk(zob, kQwFreeLane, &done);
    h->zobBytesMoved += static_cast<std::uint32_t>(written);

    if (h->encoder->state == kZobDone && zob->operations->CountBytes(zob, kQwDataLane) == 0)
        Complete(h);
}

void StepDecoding(ZobConvHandle* h)
{
    QwRing* zob = h->zobRing;
    QwChunk chunk;
    std::size_t got = zob->operations->TakeChunk(zob, kQwFreeLane, kZobStepBytes, &chunk);
    std::size_t read = got ? std::fread(chunk.pointer, 1, got, h->zobFile) : 0;
    QwChunk filled, rest;
    QW_SplitChunk(&chunk, read, &filled, &rest);
    zob->operations->UntakeChunk(zob, kQwFreeLane, &rest);
    zob->operations->PutChunk(zob, kQwDataLane, &filled);
    h->zobBytesMoved += static_cast<std::uint32_t>(read);

    QwRing* pcm = h->pcmRing;
    const int channels = h->wave->Channels();
    const std::size_t frameBytes = sizeof(std::int16_t) * static_cast<std::size_t>(channels);
    got = pcm->operations->TakeChunk(pcm, kQwDataLane, kZobStepBytes, &chunk);
    std::size_t frames = got / frameBytes;
    QwChunk whole, partial;
    QW_SplitChunk(&chunk, frames * frameBytes, &whole, &partial);
    pcm->operations->UntakeChunk(pcm, kQwDataLane, &partial);
    for (std::size_t i = 0; i < frames; ++i) {
        std::int16_t sample[2] = {0, 0};
        std::memcpy(sample, whole.pointer + i * frameBytes, frameBytes);
        if (!h->wave->WriteFrame(sample[0], channels == 2 ? sample[1] : sample[0])) {
            ZobConvReportError("Cannot write WSTM.");
            Fail(h);
            return;
        }
    }
    pcm->operations->PutChunk(pcm, kQwFreeLane, &whole);
    h->pcmSamplesMoved += static_cast<std::uint32_t>(frames);

    if (h->decoder->state == kZobDone && pcm->operations->CountBytes(pcm, kQwDataLane) == 0) {
        if (!h->wave->SetLength(h->decoder->samplesDecoded)) {
            ZobConvReportError("Cannot write WSTM.");
            Fail(h);
            return;
        }
        Complete(h);
    }
}

void CheckStall(ZobConvHandle* h, std::uint32_t samplesDone)
{
    if (samplesDone != h->samplesAtLastCheck) {
        h->samplesAtLastCheck = samplesDone;
        h->stallCount = 0;
        return;
    }
    if (++h->stallCount < kZobStallSteps)
        return;
    if (h->status == kZobDecoding) {
        // Fill up to the total, which was already bounded by the maximum at the start.
        while (h->wave->FrameCount() < h->totalSamples)
            if (!h->wave->WriteFrame(0, 0))
                break;
    }
    bool atEnd = h->zobFile && std::feof(h->zobFile);
    if (atEnd)
        Complete(h);
    else
        Fail(h);
}

void StepHandle(ZobConvHandle* h)
{
    if (h->status == kZobEncoding)
        StepEncoding(h);
    else if (h->status == kZobDecoding)
        StepDecoding(h);
    if (h->status == kZobEncoding)
        CheckStall(h, h->encoder->samplesEncoded);
    else if (h->status == kZobDecoding)
        CheckStall(h, h->decoder->samplesDecoded);
}

bool CopyPath(const char* path, char (&field)[kZobPathField])
{
    if (!path || std::strlen(path) >= kZobPathField)
        return false; // a cut path would name another file
    std::strcpy(field, path);
    return true;
}

bool RunConversion(ZobConvHandle* handle)
{
    ZobConvExecServer();
    ++g_pollCount;
    while (ZobConvGetStatus(handle) != kZobFinished && ZobConvGetStatus(handle) != kZobError) {
        g_pollSleep(10);
        ZobConvExecServer();
        ++g_pollCount;
    }
    return ZobConvGetStatus(handle) != kZobError;
}

// The voice-clip panel's synchronous conversion: start, then poll with a pause until done.
bool ConvertFile(const char* fromPath, const char* toPath, bool encode)
{
    char from[kZobPathField], to[kZobPathField];
    if (!CopyPath(fromPath, from) || !CopyPath(toPath, to))
        return false;
    ZobConvInit();
    ZobConvHandle* handle = nullptr;
    bool ok = (encode || ZobIsZobFile(from)) && (handle = ZobConvCreate(kZobClipBufferBytes, kZobClipBufferBytes));
    if (ok) {
        if (encode)
            ZobConvStartEncode(handle, from, to);
        else
            ZobConvStartDecode(handle, from, to);
        ok = RunConversion(handle);
        ZobConvDestroy(handle);
    }
    ZobConvFinish();
    return ok;
}

} // namespace

void ZobConvSetErrorCallback(ZobErrorCallback callback, void* context)
{
    g_errorCallback = callback;
    g_errorContext = context;
}

void ZobConvReportError(const char* format, ...)
{
    if (!g_errorCallback)
        return;
    char message[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    g_errorCallback(g_errorContext, message);
}

void ZobConvInit()
{
    if (g_initCount++ > 0)
        return;
    QWRING_Init();
    ZobObjectPoolsInit();
    for (ZobConvHandle& h : g_handles)
        ClearHandle(&h);
}

void ZobConvFinish()
{
    if (g_initCount == 0 || --g_initCount > 0)
        return;
    for (ZobConvHandle& h : g_handles)
        if (h.inUse)
            ZobConvDestroy(&h);
    ZobObjectPoolsFinish();
    QWRING_Finish();
}

ZobConvHandle* ZobConvCreate(std::size_t zobBufferSize, std::size_t pcmBufferSize)
{
    ZobConvHandle* h = nullptr;
    for (ZobConvHandle& candidate : g_handles) {
        if (!candidate.inUse) {
            h = &candidate;
            break;
        }
    }
    if (!h) {
        ZobConvReportError("Cannot get instance.");
        return nullptr;
    }
    ClearHandle(h);
    const char* failure = nullptr;
    h->zobBuffer = static_cast<std::uint8_t*>(std::calloc(1, zobBufferSize + kZobRingExtra));
    if (!h->zobBuffer)
        failure = "Cannot allocate memory for ZOB buffer.";
    else if (!(h->zobRing = QWRING_Create(h->zobBuffer, zobBufferSize, kZobRingExtra)))
        failure = "Cannot create QW(for zob buffer)";
    else if (!(h->pcmBuffer = static_cast<std::uint8_t*>(std::calloc(1, pcmBufferSize + kZobRingExtra))))
        failure = "Cannot allocate memory for PCM buffer.";
    else if (!(h->pcmRing = QWRING_Create(h->pcmBuffer, pcmBufferSize, kZobRingExtra)))
        failure = "Cannot create QW(for pcm buffer)";
    if (failure) {
        ZobConvReportError("%s", failure);
        if (h->zobRing)
            h->zobRing->operations->Destroy(h->zobRing);
        std::free(h->zobBuffer);
        std::free(h->pcmBuffer);
        ClearHandle(h);
        return nullptr;
    }
    h->zobBufferSize = zobBufferSize;
    h->pcmBufferSize = pcmBufferSize;
    h->maximumSamples = kZobMaximumSamples;
    h->inUse = 1;
    return h;
}

void ZobConvDestroy(ZobConvHandle* h)
{
    if (!h || !h->inUse)
        return;
    ZobConvStop(h);
    if (h->pcmRing)
        h->pcmRing->operations->Destroy(h->pcmRing);
    if (h->zobRing)
        h->zobRing->operations->Destroy(h->zobRing);
    std::free(h->pcmBuffer);
    std::free(h->zobBuffer);
    ClearHandle(h);
}

void ZobConvStartEncode(ZobConvHandle* h, const char* wavePath, const char* zobPath)
{
    ReleaseStreams(h);
    h->wave = CWaveStream::OpenRead(wavePath);
    if (!h->wave) {
        ZobConvReportError("Cannot open WSTM(%s).", wavePath ? wavePath : "");
        Fail(h);
        return;
    }
    if (h->wave->Rate() > kZobMaxRate) {
        // A clip we could not read back is no clip.
        ZobConvReportError("Unsupported sample rate in WSTM(%s).", wavePath);
        Fail(h);
        return;
    }
    std::uint32_t total = h->wave->FrameCount() < h->maximumSamples ? h->wave->FrameCount() : h->maximumSamples;
    total = (total + kZobSamplesPerBlock - 1) / kZobSamplesPerBlock * kZobSamplesPerBlock;
    h->totalSamples = total;
    h->zobFile = zobPath ? std::fopen(zobPath, "w+b") : nullptr;
    if (!h->zobFile) {
        ZobConvReportError("Cannot open '%s'.", zobPath ? zobPath : "");
        Fail(h);
        return;
    }
    // The handle feeds the encoder the first channel of each frame through its one PCM ring, so
    // the clip is encoded as one channel whatever the source holds.
    h->encoder = ZobqweCreate(&h->pcmRing, 1, h->zobRing);
    if (!h->encoder) {
        ZobConvReportError("Cannot create ZOBQWE.");
        Fail(h);
        return;
    }
    ZobqweSetFormat(h->encoder, h->wave->Rate(), 1, total);
    ResetRings(h);
    ZobqweArm(h->encoder);
    h->status = kZobEncoding;
}

void ZobConvStartDecode(ZobConvHandle* h, const char* zobPath, const char* wavePath)
{
    ReleaseStreams(h);
    h->zobFile = zobPath ? std::fopen(zobPath, "rb") : nullptr;
    if (!h->zobFile) {
        ZobConvReportError("Cannot open '%s'.", zobPath ? zobPath : "");
        Fail(h);
        return;
    }
    std::uint8_t probe[kZobProbeBytes];
    std::size_t read = std::fread(probe, 1, sizeof probe, h->zobFile);
    std::rewind(h->zobFile);
    ZobHeader header;
    if (read < sizeof probe) {
        ZobConvReportError("Cannot read '%s'.", zobPath);
        Fail(h);
        return;
    }
    if (ParseZobHeader(probe, read, &header) != ZobHeaderResult::Ok) {
        ZobConvReportError("Not a ZOB file '%s'.", zobPath);
        Fail(h);
        return;
    }
    h->totalSamples = header.totalSamples < h->maximumSamples ? header.totalSamples : h->maximumSamples;
    h->wave = CWaveStream::Create(wavePath, header.sampleRate, header.channels, 16, h->totalSamples);
    if (!h->wave) {
        ZobConvReportError("Cannot open WSTM(%s).", wavePath ? wavePath : "");
        Fail(h);
        return;
    }
    h->decoder = ZobqwdCreate(h->zobRing, h->pcmRing, h->maximumSamples);
    if (!h->decoder) {
        ZobConvReportError("Cannot create ZOBQWD.");
        Fail(h);
        return;
    }
    ResetRings(h);
    ZobqwdArm(h->decoder);
    h->status = kZobDecoding;
}

void ZobConvStop(ZobConvHandle* h)
{
    if (!h || h->status == kZobIdle)
        return;
    h->status = kZobIdle;
    ReleaseStreams(h);
}

int ZobConvGetStatus(const ZobConvHandle* h) { return h ? h->status : kZobError; }

std::uint32_t ZobConvGetSamplesDone(const ZobConvHandle* h) { return h ? h->samplesAtLastCheck : 0; }

void ZobConvExecServer()
{
    ZobRunEncoders();
    ZobRunDecoders();
    for (ZobConvHandle& h : g_handles)
        if (h.inUse)
            StepHandle(&h);
}

bool ZobIsZobFile(const char* path)
{
    std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file)
        return false;
    std::uint8_t probe[kZobProbeBytes];
    std::size_t read = std::fread(probe, 1, sizeof probe, file);
    std::fclose(file);
    ZobHeader header;
    return read == sizeof probe && ParseZobHeader(probe, read, &header) == ZobHeaderResult::Ok;
}

bool DecodeZobFile(const char* zobPath, const char* wavePath)
{
    return ConvertFile(zobPath, wavePath, false);
}

bool EncodeZobFile(const char* wavePath, const char* zobPath)
{
    return ConvertFile(wavePath, zobPath, true);
}

ZobPollSleep ZobSetPollSleep(ZobPollSleep sleep)
{
    ZobPollSleep previous = g_pollSleep;
    g_pollSleep = sleep ? sleep : SleepMilliseconds;
    return previous;
}

std::uint64_t ZobPollCount() { return g_pollCount; }
