// Posted records of any size and content read as message lists and list blocks.
#include "shell/notify/ResultRouting.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PmPostedRecord* record = PmNewPostedRecord(data, size);
    if (!record)
        return 0;
    const auto arrivals = notify::ReadArrivalList(record);
    if (arrivals.size() > 18)
        std::abort();
    for (const auto& e : arrivals) {
        if (e.senderId.empty() || e.senderId.size() > 16 || e.senderName.size() > 16)
            std::abort();
    }
    std::string newName;
    const int kind = notify::ListBlockKind(record);
    const auto rows = notify::BuildUserRows(kind, notify::OwnUser{"me", "Me", 1}, "own", record, &newName);
    if (rows.empty() || rows.size() > 101)
        std::abort();
    PmFreePostedRecord(record);
    return 0;
}
