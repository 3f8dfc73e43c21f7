// The QW ring: a stream joint through which the converter's stages pass byte chunks in place.
// Lane 0 counts free space and lane 1 data. The buffer holds size + extra bytes; the extra bytes
// mirror the first extra bytes of the ring, so a chunk may run up to extra bytes past the end
// and still be contiguous. Every operation but creation goes through the ring's operation table.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr const char* kQwVersionBanner = "QW Ver.5.53 Build:Mar 24 2000 21:06:39";

constexpr int kQwFreeLane = 0;
constexpr int kQwDataLane = 1;
// Reported to the error callback for a bad lane or an untake of a chunk that was not the last taken.
constexpr int kQwMisuse = -3;
constexpr int kQwRingSlots = 64;

struct QwChunk {
    std::uint8_t* pointer = nullptr;
    std::size_t length = 0;
};

struct QwRing;
using QwErrorCallback = void (*)(void* context, int code);

struct QwOperations {
    void* reserved[3];
    void (*Destroy)(QwRing* ring);
    std::uint32_t (*TypeIdentifier)(QwRing* ring);
    void (*Reset)(QwRing* ring);
    std::size_t (*TakeChunk)(QwRing* ring, int lane, std::size_t wanted, QwChunk* out);
    void (*UntakeChunk)(QwRing* ring, int lane, const QwChunk* chunk);
    void (*PutChunk)(QwRing* ring, int lane, const QwChunk* chunk);
    std::size_t (*CountBytes)(QwRing* ring, int lane);
    bool (*IsContiguous)(QwRing* ring, int lane, std::size_t wanted, std::size_t* available);
    void (*SetErrorHandler)(QwRing* ring, QwErrorCallback callback, void* context);
};

struct QwRing {
    const QwOperations* operations;
    int inUse;
    std::uint32_t typeIdentifier;
    std::size_t dataBytes;
    std::size_t freeBytes;
    std::size_t freePosition;
    std::size_t dataPosition;
    std::uint8_t* buffer;
    std::size_t size;
    std::size_t extraSize;
    QwErrorCallback onError;
    void* errorContext;
    // Bytes taken out of each lane and not yet put or untaken: only those may come back, so a
    // misplaced chunk can't make up space or data (data + free + both of these = size).
    std::size_t freeTaken;
    std::size_t dataTaken;
};

void QWRING_Init();
void QWRING_Finish();
// buffer must hold size + extraSize bytes; extraSize may not exceed size. Null when all 64 slots
// are taken or the arguments are unusable.
QwRing* QWRING_Create(std::uint8_t* buffer, std::size_t size, std::size_t extraSize);
std::uint8_t* QWRING_GetBuffer(const QwRing* ring);
std::size_t QWRING_GetSize(const QwRing* ring);
std::size_t QWRING_GetExtraSize(const QwRing* ring);
void QW_SplitChunk(const QwChunk* chunk, std::size_t n, QwChunk* first, QwChunk* second);

// Whole-block helpers for stages that need n bytes at once: they gather over the wrap with as
// many takes as it needs, and do nothing (returning false) unless the lane holds n bytes.
bool QwWriteBytes(QwRing* ring, const void* bytes, std::size_t n);
bool QwReadBytes(QwRing* ring, void* bytes, std::size_t n);
