// A server's byte stream cut into records (bare) or frames, arriving in chunks of any size. The
// first byte picks the mode (bit 0: framed; bit 1: the data connection's 4 KB limit instead of
// 1 MB), the second the chunk size (1..64); the rest is the stream. Every unit that comes out is
// the next stretch of the stream, not empty and within the limit; a bare record is exactly as long
// as its own type and count say; what is neither cut nor refused stays buffered.
#include "messaging/client/PmStream.h"
#include "messaging/wire/PmFrame.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
void Check(bool ok)
{
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const bool framed = (data[0] & 1) != 0;
    const std::size_t limit = (data[0] & 2) ? 4096 : (1u << 20);
    const std::size_t chunk = 1 + data[1] % 64;
    data += 2;
    size -= 2;

    CPmStreamAssembler stream(framed, limit);
    std::size_t appended = 0;
    std::size_t cut = 0;
    bool refused = false;
    while (appended < size && !refused) {
        const std::size_t n = std::min(chunk, size - appended);
        stream.Append(data + appended, n);
        appended += n;
        for (;;) {
            std::vector<std::uint8_t> unit;
            const CPmStreamAssembler::Status status = stream.Next(&unit);
            if (status == CPmStreamAssembler::kNeedMore)
                break;
            if (status == CPmStreamAssembler::kError) {
                refused = true;
                break;
            }
            Check(!unit.empty() && unit.size() <= limit && cut + unit.size() <= appended);
            Check(std::memcmp(unit.data(), data + cut, unit.size()) == 0);
            if (framed)
                Check(unit.size() >= PM_FRAME_HEADER_SIZE);
            else
                Check(PmBareRecordLength(unit.data(), unit.size()) == static_cast<long>(unit.size()));
            cut += unit.size();
        }
        if (!refused)
            Check(cut + stream.Buffered() == appended);
    }
    return 0;
}
