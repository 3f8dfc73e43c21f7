// The dotted-quad reader on arbitrary text: never reads past the length, and whatever it accepts
// formats back to the same four numbers.
#include "net/session/SessionRecords.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::uint32_t address = 0;
    const char* text = reinterpret_cast<const char*>(data);
    if (ParseDottedQuad(text, size, &address)) {
        std::uint32_t again = 0;
        if (!ParseDottedQuad(FormatDottedQuad(address), &again) || again != address)
            std::abort();
        if (size > 15)
            std::abort(); // four parts of at most three digits and three dots
    }
    return 0;
}
