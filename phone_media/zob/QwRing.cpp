#include "phone_media/zob/QwRing.h"

#include <cstring>

namespace {

constexpr std::uint32_t kQwByteRingType = 0x51575242; // "QWRB"

QwRing g_rings[kQwRingSlots];
int g_initCount = 0;

void DefaultError(void*, int) {}

void Report(QwRing* ring, int code)
{
    if (ring->onError)
        ring->onError(ring->errorContext, code);
}

bool ValidLane(QwRing* ring, int lane)
{
    if (lane == kQwFreeLane || lane == kQwDataLane)
        return true;
    Report(ring, kQwMisuse);
    return false;
}

std::size_t& Count(QwRing* ring, int lane) { return lane == kQwDataLane ? ring->dataBytes : ring->freeBytes; }
std::size_t& Position(QwRing* ring, int lane) { return lane == kQwDataLane ? ring->dataPosition : ring->freePosition; }
std::size_t& Taken(QwRing* ring, int lane) { return lane == kQwDataLane ? ring->dataTaken : ring->freeTaken; }

// A chunk must lie inside the buffer, extra bytes included.
bool ChunkInside(QwRing* ring, const QwChunk* chunk)
{
    if (chunk->pointer < ring->buffer)
        return false;
    std::size_t offset = static_cast<std::size_t>(chunk->pointer - ring->buffer);
    return offset < ring->size + ring->extraSize && chunk->length <= ring->size + ring->extraSize - offset;
}

void Destroy(QwRing* ring) { std::memset(ring, 0, sizeof *ring); }

std::uint32_t TypeIdentifier(QwRing* ring) { return ring->typeIdentifier; }

void Reset(QwRing* ring)
{
    ring->dataBytes = 0;
    ring->freeBytes = ring->size;
    ring->freePosition = 0;
    ring->dataPosition = 0;
    ring->freeTaken = 0;
    ring->dataTaken = 0;
}

std::size_t Available(QwRing* ring, int lane, std::size_t wanted)
{
    std::size_t available = Count(ring, lane);
    std::size_t toEnd = ring->size + ring->extraSize - Position(ring, lane);
    if (toEnd < available)
        available = toEnd;
    return wanted < available ? wanted : available;
}

std::size_t TakeChunk(QwRing* ring, int lane, std::size_t wanted, QwChunk* out)
{
    *out = QwChunk{};
    if (!ValidLane(ring, lane))
        return 0;
    std::size_t length = Available(ring, lane, wanted);
    std::size_t& position = Position(ring, lane);
    out->pointer = ring->buffer + position;
    out->length = length;
    position = (position + length) % ring->size;
    Count(ring, lane) -= length;
    Taken(ring, lane) += length;
    return length;
}

void UntakeChunk(QwRing* ring, int lane, const QwChunk* chunk)
{
    if (!ValidLane(ring, lane) || !chunk || !chunk->pointer || chunk->length == 0)
        return;
    std::size_t& position = Position(ring, lane);
    bool lastTaken = ChunkInside(ring, chunk) && chunk->length <= ring->size
        && (position + ring->size - chunk->length) % ring->size
            == static_cast<std::size_t>(chunk->pointer - ring->buffer) % ring->size
        && chunk->length <= Taken(ring, lane);
    if (!lastTaken) {
        Report(ring, kQwMisuse);
        return;
    }
    position = (position + ring->size - chunk->length) % ring->size;
    Count(ring, lane) += chunk->length;
    Taken(ring, lane) -= chunk->length;
}

void PutChunk(QwRing* ring, int lane, const QwChunk* chunk)
{
    if (!ValidLane(ring, lane) || !chunk || !chunk->pointer || chunk->length == 0)
        return;
    // Data comes from free space taken out, and free space from data taken out; anything else
    // would break data + free + taken = size for good.
    std::size_t& source = Taken(ring, lane == kQwDataLane ? kQwFreeLane : kQwDataLane);
    if (!ChunkInside(ring, chunk) || chunk->length > source) {
        Report(ring, kQwMisuse);
        return;
    }
    source -= chunk->length;
    if (lane == kQwFreeLane) {
        ring->freeBytes += chunk->length;
        return;
    }
    ring->dataBytes += chunk->length;
    std::size_t begin = static_cast<std::size_t>(chunk->pointer - ring->buffer);
    std::size_t end = begin + chunk->length;
    // Data written at the start of the ring also appears in the extra bytes after its end ...
    if (begin < ring->extraSize) {
        std::size_t stop = end < ring->extraSize ? end : ring->extraSize;
        std::memmove(ring->buffer + ring->size + begin, ring->buffer + begin, stop - begin);
    }
    // ... and data written into the extra bytes belongs at the start.
    if (end > ring->size) {
        std::size_t from = begin > ring->size ? begin : ring->size;
        std::memmove(ring->buffer + (from - ring->size), ring->buffer + from, end - from);
    }
}

std::size_t CountBytes(QwRing* ring, int lane)
{
    if (!ValidLane(ring, lane))
        return 0;
    return Count(ring, lane);
}

bool IsContiguous(QwRing* ring, int lane, std::size_t wanted, std::size_t* available)
{
    std::size_t got = ValidLane(ring, lane) ? Available(ring, lane, wanted) : 0;
    if (available)
        *available = got;
    return got == wanted;
}

void SetErrorHandler(QwRing* ring, QwErrorCallback callback, void* context)
{
    ring->onError = callback;
    ring->errorContext = context;
}

const QwOperations kByteRingOperations = {
    {nullptr, nullptr, nullptr}, Destroy, TypeIdentifier, Reset, TakeChunk, UntakeChunk, PutChunk, CountBytes,
    IsContiguous, SetErrorHandler,
};

} // namespace

void QWRING_Init()
{
    if (g_initCount++ == 0)
        std::memset(g_rings, 0, sizeof g_rings);
}

void QWRING_Finish()
{
    if (g_initCount > 0 && --g_initCount == 0)
        std::memset(g_rings, 0, sizeof g_rings);
}

QwRing* QWRING_Create(std::uint8_t* buffer, std::size_t size, std::size_t extraSize)
{
    if (!buffer || size == 0 || extraSize > size)
        return nullptr;
    for (QwRing& ring : g_rings) {
        if (ring.inUse)
            continue;
        std::memset(&ring, 0, sizeof ring);
        ring.operations = &kByteRingOperations;
        ring.inUse = 1;
        ring.typeIdentifier = kQwByteRingType;
        ring.buffer = buffer;
        ring.size = size;
        ring.extraSize = extraSize;
        ring.onError = DefaultError;
        ring.errorContext = &ring;
        ring.operations->Reset(&ring);
        return &ring;
    }
    return nullptr;
}

std::uint8_t* QWRING_GetBuffer(const QwRing* ring) { return ring->buffer; }
std::size_t QWRING_GetSize(const QwRing* ring) { return ring->size; }
std::size_t QWRING_GetExtraSize(const QwRing* ring) { return ring->extraSize; }

void QW_SplitChunk(const QwChunk* chunk, std::size_t n, QwChunk* first, QwChunk* second)
{
    std::size_t head = chunk->length < n ? chunk->length : n;
    QwChunk whole = *chunk;
    first->pointer = whole.pointer;
    first->length = head;
    if (whole.length > head) {
        second->pointer = whole.pointer + head;
        second->length = whole.length - head;
    } else {
        *second = QwChunk{};
    }
}

bool QwWriteBytes(QwRing* ring, const void* bytes, std::size_t n)
{
    const QwOperations* ops = ring->operations;
    if (ops->CountBytes(ring, kQwFreeLane) < n)
        return false;
    const std::uint8_t* from = static_cast<const std::uint8_t*>(bytes);
    while (n > 0) {
        QwChunk chunk;
        std::size_t got = ops->TakeChunk(ring, kQwFreeLane, n, &chunk);
        if (got == 0)
            return false;
        std::memcpy(chunk.pointer, from, got);
        ops->PutChunk(ring, kQwDataLane, &chunk);
        from += got;
        n -= got;
    }
    return true;
}

bool QwReadBytes(QwRing* ring, void* bytes, std::size_t n)
{
    const QwOperations* ops = ring->operations;
    if (ops->CountBytes(ring, kQwDataLane) < n)
        return false;
    std::uint8_t* to = static_cast<std::uint8_t*>(bytes);
    while (n > 0) {
        QwChunk chunk;
        std::size_t got = ops->TakeChunk(ring, kQwDataLane, n, &chunk);
        if (got == 0)
            return false;
        std::memcpy(to, chunk.pointer, got);
        ops->PutChunk(ring, kQwFreeLane, &chunk);
        to += got;
        n -= got;
    }
    return true;
}
