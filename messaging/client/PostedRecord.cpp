#include "messaging/client/PostedRecord.h"

#include <cstdlib>

PmPostedRecord* PmNewPostedRecord(const void* data, std::size_t length)
{
    if (length > 0x7FFFFFFF)
        return nullptr;
    const std::size_t total = sizeof(PmPostedRecord) + (length ? length : 1);
    auto* record = static_cast<PmPostedRecord*>(std::calloc(1, total));
    if (!record)
        return nullptr;
    record->size = static_cast<std::uint32_t>(length);
    if (data && length)
        std::memcpy(record->Bytes(), data, length);
    return record;
}

void PmFreePostedRecord(PmPostedRecord* record)
{
    std::free(record);
}
