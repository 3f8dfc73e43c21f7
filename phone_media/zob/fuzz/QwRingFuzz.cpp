// Sequences of ring operations against a model of the bytes in flight: data + free + what is
// taken out always equals the size, and every byte read comes out in the order it was put in,
// whether or not it crossed the end of the ring.
#include "phone_media/zob/QwRing.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace {
int g_misuse = 0;
void CountMisuse(void*, int code)
{
    if (code != kQwMisuse)
        std::abort();
    ++g_misuse;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    std::size_t ringSize = 8 + data[0] % 120;
    std::size_t extra = data[1] % (ringSize + 1);
    QWRING_Init();
    std::vector<std::uint8_t> buffer(ringSize + extra);
    QwRing* ring = QWRING_Create(buffer.data(), ringSize, extra);
    const QwOperations* ops = ring->operations;
    ops->SetErrorHandler(ring, CountMisuse, nullptr);

    std::deque<std::uint8_t> model; // data bytes, oldest first
    QwChunk freeOut{}, dataOut{};   // chunks taken and not yet given back
    std::uint8_t next = 0;
    for (std::size_t i = 2; i + 1 < size; i += 2) {
        std::uint8_t op = data[i] % 8;
        std::size_t amount = data[i + 1];
        switch (op) {
        case 0: // producer takes free space
            if (!freeOut.pointer)
                ops->TakeChunk(ring, kQwFreeLane, amount, &freeOut);
            if (freeOut.length == 0)
                freeOut = QwChunk{};
            break;
        case 1: // producer fills and puts part of it as data, gives the rest back
            if (freeOut.pointer) {
                QwChunk used, rest;
                QW_SplitChunk(&freeOut, amount % (freeOut.length + 1), &used, &rest);
                for (std::size_t k = 0; k < used.length; ++k) {
                    used.pointer[k] = next;
                    model.push_back(next++);
                }
                ops->UntakeChunk(ring, kQwFreeLane, &rest);
                ops->PutChunk(ring, kQwDataLane, &used);
                freeOut = QwChunk{};
            }
            break;
        case 2: // consumer takes data
            if (!dataOut.pointer)
                ops->TakeChunk(ring, kQwDataLane, amount, &dataOut);
            if (dataOut.length == 0)
                dataOut = QwChunk{};
            break;
        case 3: // consumer checks, frees part and gives the rest back
            if (dataOut.pointer) {
                for (std::size_t k = 0; k < dataOut.length; ++k)
                    if (dataOut.pointer[k] != model[k])
                        std::abort();
                QwChunk used, rest;
                QW_SplitChunk(&dataOut, amount % (dataOut.length + 1), &used, &rest);
                model.erase(model.begin(), model.begin() + static_cast<std::ptrdiff_t>(used.length));
                ops->UntakeChunk(ring, kQwDataLane, &rest);
                ops->PutChunk(ring, kQwFreeLane, &used);
                dataOut = QwChunk{};
            }
            break;
        case 4: { // an untake of some chunk: valid only for the tail of the lane's chunk taken out
            int lane = amount & 1;
            QwChunk wrong{buffer.data() + amount % buffer.size(), 1 + amount % 7};
            QwChunk& out = lane == kQwDataLane ? dataOut : freeOut;
            std::size_t at = static_cast<std::size_t>(wrong.pointer - buffer.data());
            bool valid = out.pointer && wrong.length <= out.length && wrong.length + at <= buffer.size()
                && at % ringSize == (static_cast<std::size_t>(out.pointer - buffer.data()) + out.length - wrong.length) % ringSize;
            int before = g_misuse;
            ops->UntakeChunk(ring, lane, &wrong);
            if ((g_misuse == before) != valid)
                std::abort();
            if (valid) {
                out.length -= wrong.length;
                if (out.length == 0)
                    out = QwChunk{};
            }
            break;
        }
        case 5: { // misuse: a lane that does not exist
            QwChunk ignored;
            if (ops->TakeChunk(ring, 2 + amount % 3, 10, &ignored) != 0 || ops->CountBytes(ring, 7) != 0)
                std::abort();
            break;
        }
        case 6: { // contiguous check agrees with what a take would give
            std::size_t available = 0;
            bool whole = ops->IsContiguous(ring, amount & 1, amount, &available);
            if (whole != (available == amount) || available > amount)
                std::abort();
            break;
        }
        default: // reset drops everything
            if (amount < 16) {
                ops->Reset(ring);
                model.clear();
                freeOut = dataOut = QwChunk{};
            }
            break;
        }
        std::size_t out = freeOut.length + dataOut.length;
        if (ring->dataBytes + ring->freeBytes + out != ringSize || ring->dataBytes != model.size() - dataOut.length
            || ring->freeTaken != freeOut.length || ring->dataTaken != dataOut.length)
            std::abort();
    }
    ops->Destroy(ring);
    QWRING_Finish();
    return 0;
}
