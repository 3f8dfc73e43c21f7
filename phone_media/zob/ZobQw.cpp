#include "phone_media/zob/ZobQw.h"

#include <cstring>

namespace {

ZOBQWE g_encoders[kZobObjectPoolSize];
ZOBQWD g_decoders[kZobObjectPoolSize];

// A step hands at most this many PCM bytes to the output ring.
constexpr std::size_t kMaxStepOutputBytes = 8192;
constexpr std::size_t kMaxStepSamples = kMaxStepOutputBytes / 2;
// A decoder looks at no more than this for a header.
constexpr std::size_t kHeaderWindow = 4096;

void WriteHeaderAndSeed(ZOBQWE* e)
{
    std::uint8_t header[64];
    std::size_t length = WriteZobHeader(e->header, header, sizeof header);
    if (length == 0 || !QwWriteBytes(e->output, header, length))
        return; // no room yet: try again next step
    e->bytesWritten += static_cast<std::uint32_t>(length);
    for (int ch = 0; ch < kZobMaxChannels; ++ch) {
        e->coefficients[ch] = ComputeZobCoefficients(e->header.highPassHz, e->header.sampleRate);
        e->history[ch] = ZobHistory{};
    }
    e->state = kZobRunning;
}

void EncodeFrames(ZOBQWE* e)
{
    const int channels = e->header.channels;
    const std::size_t frameBytes = static_cast<std::size_t>(kZobBlockBytes) * channels;
    while (!e->endFlag && e->output->operations->CountBytes(e->output, kQwFreeLane) / kZobBlockBytes / channels >= 1) {
        std::uint32_t left = e->totalSamples - e->samplesEncoded;
        std::size_t count = left < static_cast<std::uint32_t>(kZobSamplesPerBlock) ? left : kZobSamplesPerBlock;
        std::size_t bytes = count * sizeof(std::int16_t);
        for (int ch = 0; ch < channels; ++ch) {
            QwRing* in = e->inputs[ch];
            if (in->operations->CountBytes(in, kQwDataLane) < bytes)
                return; // wait until the whole frame is there
        }
        for (int ch = 0; ch < channels; ++ch) {
            std::memset(e->frameSamples[ch], 0, sizeof e->frameSamples[ch]);
            QwReadBytes(e->inputs[ch], e->frameSamples[ch], bytes);
            EncodeZobBlock(e->frameSamples[ch], e->coefficients[ch], &e->history[ch], e->frameOutput + ch * kZobBlockBytes);
        }
        QwWriteBytes(e->output, e->frameOutput, frameBytes);
        e->bytesWritten += static_cast<std::uint32_t>(frameBytes);
        e->samplesEncoded += kZobSamplesPerBlock;
        if (e->samplesEncoded >= e->totalSamples)
            e->endFlag = 1;
    }
}

void FinishEncoding(ZOBQWE* e)
{
    std::uint8_t terminator[kZobTerminatorBytes];
    WriteZobTerminator(terminator);
    if (!QwWriteBytes(e->output, terminator, sizeof terminator))
        return; // the whole terminator must fit
    e->bytesWritten += sizeof terminator;
    e->state = kZobDone;
}

// Runs the armed job: ADPCM blocks or PCM frames into interleaved 16-bit samples.
std::size_t RunJob(ZobLowLevelDecoder* d, std::int16_t* out)
{
    ZobDecodeJob& job = d->job;
    job.state = ZobDecodeJob::kRunning;
    const ZobStreamInfo& info = d->info;
    if (info.kind != ZobInputKind::Zob) {
        ConvertPcmFrames(info, job.input, job.frames, out);
        job.framesDecoded = job.frames;
        job.state = ZobDecodeJob::kFinished;
        return job.frames * static_cast<std::size_t>(info.channels);
    }
    static std::int16_t left[kMaxStepSamples], right[kMaxStepSamples];
    if (job.stereo) {
        job.framesDecoded = DecodeZobBlocksStereo(job.input, job.frames, left, right, &d->history[0], &d->history[1],
                                info.coefficients) / 2;
        std::size_t samples = job.framesDecoded * kZobSamplesPerBlock;
        for (std::size_t i = 0; i < samples; ++i) {
            out[2 * i] = left[i];
            out[2 * i + 1] = right[i];
        }
    } else {
        job.framesDecoded = DecodeZobBlocksMono(job.input, job.frames, out, &d->history[0], info.coefficients);
    }
    job.state = ZobDecodeJob::kFinished;
    return job.framesDecoded * kZobSamplesPerBlock * static_cast<std::size_t>(info.channels);
}

void TakeHeader(ZOBQWD* d)
{
    QwRing* in = d->inputs[0];
    const QwOperations* ops = in->operations;
    QwChunk chunk;
    std::size_t got = ops->TakeChunk(in, kQwDataLane, kHeaderWindow, &chunk);
    if (got < 16) {
        ops->UntakeChunk(in, kQwDataLane, &chunk);
        return;
    }
    ZobStreamInfo info;
    if (SniffZobStream(chunk.pointer, got, &info) != ZobSniffResult::Recognised) {
        // Not (yet) something we know: wait for more input.
        ops->UntakeChunk(in, kQwDataLane, &chunk);
        return;
    }
    d->decoder.info = info;
    d->decoder.history[0] = d->decoder.history[1] = ZobHistory{};
    d->headerLength = info.headerLength;
    d->sndInput = info.kind == ZobInputKind::Snd;
    if (info.kind == ZobInputKind::Ktrf) {
        d->ktrfHeaderLength = info.headerLength < sizeof d->ktrfHeader ? info.headerLength : sizeof d->ktrfHeader;
        std::memcpy(d->ktrfHeader, chunk.pointer, d->ktrfHeaderLength);
    }
    QwChunk header, rest;
    QW_SplitChunk(&chunk, info.headerLength, &header, &rest);
    ops->UntakeChunk(in, kQwDataLane, &rest);
    ops->PutChunk(in, kQwFreeLane, &header);
    std::uint32_t total = info.totalSamples < d->maximumSamples ? info.totalSamples : d->maximumSamples;
    d->maximumSamples = total;
    d->state = kZobRunning;
}

void DecodeStep(ZOBQWD* d)
{
    QwRing* in = d->inputs[0];
    const QwOperations* ops = in->operations;
    ZobLowLevelDecoder& low = d->decoder;
    const ZobStreamInfo& info = low.info;
    if (d->sndInput && ops->CountBytes(in, kQwDataLane) == 0) {
        d->state = kZobDone;
        return;
    }
    QwChunk chunk;
    std::size_t got = ops->TakeChunk(in, kQwDataLane, ops->CountBytes(in, kQwDataLane), &chunk);
    bool terminated = info.kind == ZobInputKind::Zob && got >= 1 && (chunk.pointer[0] & 0x80);
    if (terminated || d->samplesDecoded >= d->maximumSamples) {
        ops->UntakeChunk(in, kQwDataLane, &chunk);
        d->state = kZobDone;
        return;
    }
    // As many whole frames as the chunk holds, the output ring can take and the total allows.
    const std::size_t perFrame = static_cast<std::size_t>(info.samplesPerFrame) * info.channels;
    QwRing* out = d->output;
    std::size_t room = out->operations->CountBytes(out, kQwFreeLane) / sizeof(std::int16_t);
    if (room > kMaxStepSamples)
        room = kMaxStepSamples;
    std::uint32_t remaining = d->maximumSamples - d->samplesDecoded;
    std::size_t frames = got / info.bytesPerFrame;
    if (frames > room / perFrame)
        frames = room / perFrame;
    std::uint64_t framesForTotal = (static_cast<std::uint64_t>(remaining) + info.samplesPerFrame - 1) / info.samplesPerFrame;
    if (frames > framesForTotal)
        frames = framesForTotal;
    if (frames == 0) {
        ops->UntakeChunk(in, kQwDataLane, &chunk);
        return;
    }
    low.job = ZobDecodeJob{ZobDecodeJob::kArmed, info.channels == 2, chunk.pointer, frames, 0};
    static std::int16_t samples[kMaxStepSamples];
    std::size_t produced = RunJob(&low, samples);
    // A terminator inside the blocks handed over (in either block of a stereo pair) ends the
    // stream here; otherwise the same half frame would be offered again and again.
    bool ended = low.job.framesDecoded < low.job.frames;
    std::size_t perChannel = produced / info.channels;
    if (perChannel > remaining)
        perChannel = remaining; // the last frame may reach past the total
    QwWriteBytes(out, samples, perChannel * info.channels * sizeof(std::int16_t));
    d->samplesDecoded += static_cast<std::uint32_t>(perChannel);
    QwChunk consumed, rest;
    QW_SplitChunk(&chunk, low.job.framesDecoded * info.bytesPerFrame, &consumed, &rest);
    ops->UntakeChunk(in, kQwDataLane, &rest);
    ops->PutChunk(in, kQwFreeLane, &consumed);
    low.job.state = ZobDecodeJob::kFree;
    if (ended)
        d->state = kZobDone;
}

} // namespace

void ZobObjectPoolsInit()
{
    for (ZOBQWE& e : g_encoders)
        e = ZOBQWE{};
    for (ZOBQWD& d : g_decoders)
        d = ZOBQWD{};
}

void ZobObjectPoolsFinish()
{
    ZobObjectPoolsInit();
}

ZOBQWE* ZobqweCreate(QwRing* const* inputs, int count, QwRing* output)
{
    if (!inputs || count < 1 || count > kZobMaxChannels || !output)
        return nullptr;
    for (ZOBQWE& e : g_encoders) {
        if (e.inUse)
            continue;
        e = ZOBQWE{};
        e.inUse = 1;
        e.inputCount = static_cast<std::uint8_t>(count);
        for (int i = 0; i < count; ++i)
            e.inputs[i] = inputs[i];
        e.output = output;
        e.header = ZobHeader{};
        e.header.sampleRate = 44100;
        e.header.channels = static_cast<std::uint8_t>(count);
        e.header.totalSamples = 0x7FFF0000;
        e.totalSamples = e.header.totalSamples;
        return &e;
    }
    return nullptr;
}

void ZobqweSetFormat(ZOBQWE* e, std::uint32_t sampleRate, int channels, std::uint32_t totalSamples)
{
    e->header.sampleRate = sampleRate;
    // A channel needs a ring of its own.
    e->header.channels = static_cast<std::uint8_t>(channels >= 1 && channels <= e->inputCount ? channels : e->inputCount);
    e->header.bitsPerSample = kZobBitsPerSample;
    e->header.totalSamples = totalSamples;
    e->totalSamples = totalSamples;
}

void ZobqweArm(ZOBQWE* e)
{
    e->state = kZobHeaderDue;
    e->endFlag = 0;
    e->bytesWritten = 0;
    e->samplesEncoded = 0;
}

void ZobqweRun(ZOBQWE* e)
{
    if (e->state == kZobHeaderDue)
        WriteHeaderAndSeed(e);
    if (e->state == kZobRunning) {
        if (e->totalSamples == 0)
            e->endFlag = 1;
        EncodeFrames(e);
        if (e->endFlag)
            FinishEncoding(e);
    }
}

void ZobqweDestroy(ZOBQWE* e)
{
    if (e)
        *e = ZOBQWE{};
}

ZOBQWD* ZobqwdCreate(QwRing* input, QwRing* output, std::uint32_t maximumSamples)
{
    if (!input || !output)
        return nullptr;
    for (ZOBQWD& d : g_decoders) {
        if (d.inUse)
            continue;
        d = ZOBQWD{};
        d.inUse = 1;
        d.inputCount = 1;
        d.inputs[0] = input;
        d.output = output;
        d.maximumSamples = maximumSamples;
        return &d;
    }
    return nullptr;
}

void ZobqwdArm(ZOBQWD* d)
{
    d->state = kZobHeaderDue;
    d->samplesDecoded = 0;
}

void ZobqwdRun(ZOBQWD* d)
{
    if (d->state == kZobHeaderDue)
        TakeHeader(d);
    if (d->state == kZobRunning && d->decoder.job.state == ZobDecodeJob::kFree)
        DecodeStep(d);
}

void ZobqwdDestroy(ZOBQWD* d)
{
    if (d)
        *d = ZOBQWD{};
}

void ZobRunEncoders()
{
    for (ZOBQWE& e : g_encoders)
        if (e.inUse)
            ZobqweRun(&e);
}

void ZobRunDecoders()
{
    for (ZOBQWD& d : g_decoders)
        if (d.inUse)
            ZobqwdRun(&d);
}
