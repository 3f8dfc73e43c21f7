#include "phone_media/zob/ZobBufferDecode.h"

#include "phone_media/zob/ZobConv.h"

#include <cstring>

bool ZobDecodeBuffer(const std::uint8_t* data, std::size_t size, ZobStreamInfo* info, std::vector<std::int16_t>* samples,
    std::uint32_t maximumSamples)
{
    samples->clear();
    ZobConvInit();
    std::vector<std::uint8_t> inputBuffer(kZobClipBufferBytes + kZobRingExtra), outputBuffer(kZobClipBufferBytes + kZobRingExtra);
    QwRing* input = QWRING_Create(inputBuffer.data(), kZobClipBufferBytes, kZobRingExtra);
    QwRing* output = QWRING_Create(outputBuffer.data(), kZobClipBufferBytes, kZobRingExtra);
    ZOBQWD* decoder = input && output ? ZobqwdCreate(input, output, maximumSamples) : nullptr;
    bool recognised = false;
    if (decoder) {
        ZobqwdArm(decoder);
        std::size_t fed = 0;
        int idleSteps = 0;
        // Two steps without any movement mean the decoder waits for input that will not come.
        while (decoder->state != kZobDone && idleSteps < 2) {
            bool moved = false;
            QwChunk chunk;
            std::size_t room = input->operations->TakeChunk(input, kQwFreeLane, size - fed, &chunk);
            if (room > 0) {
                std::memcpy(chunk.pointer, data + fed, room);
                input->operations->PutChunk(input, kQwDataLane, &chunk);
                fed += room;
                moved = true;
            }
            std::uint8_t state = decoder->state;
            std::uint32_t before = decoder->samplesDecoded;
            ZobqwdRun(decoder);
            moved = moved || state != decoder->state || before != decoder->samplesDecoded;
            std::size_t ready = output->operations->CountBytes(output, kQwDataLane);
            if (ready > 0) {
                std::size_t at = samples->size();
                samples->resize(at + ready / sizeof(std::int16_t));
                QwReadBytes(output, samples->data() + at, ready);
            }
            idleSteps = moved ? 0 : idleSteps + 1;
        }
        recognised = decoder->state >= kZobRunning;
        if (recognised)
            *info = decoder->decoder.info;
        ZobqwdDestroy(decoder);
    }
    if (output)
        output->operations->Destroy(output);
    if (input)
        input->operations->Destroy(input);
    ZobConvFinish();
    return recognised;
}
