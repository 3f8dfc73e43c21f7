// The proxy's answer on arbitrary bytes, read whole and in two parts: the verdicts agree once the
// whole answer is in, and nothing is consumed beyond what arrived.
#include "messaging/client/PmStream.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ProxyReply whole = ParseProxyReply(data, size);
    if (whole.consumed > size)
        std::abort();
    if (whole.verdict == ProxyReply::kAccepted && whole.consumed == 0)
        std::abort();
    if (size > 1) {
        const ProxyReply part = ParseProxyReply(data, size / 2);
        // A decision taken on the first half stands (an accepted answer ends with its empty line).
        if (part.verdict == ProxyReply::kAccepted && whole.verdict != ProxyReply::kAccepted)
            std::abort();
        if (part.verdict == ProxyReply::kNotProxy && whole.verdict != ProxyReply::kNotProxy)
            std::abort();
    }
    return 0;
}
