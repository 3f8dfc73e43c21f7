// Drives the byte reader with a script taken from the input itself: every read must stay inside
// the buffer and a failed reader must stay failed.
#include "framework/core/ByteBuffer.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    std::size_t split = data[0] % (size);
    const std::uint8_t* script = data + 1;
    std::size_t scriptLength = split > 0 ? split - 1 : 0;
    CByteReader r(data + split, size - split);
    bool failed = false;
    for (std::size_t i = 0; i < scriptLength; ++i) {
        std::size_t before = r.Position();
        switch (script[i] % 8) {
        case 0: r.U8(); break;
        case 1: r.U16BE(); break;
        case 2: r.U32BE(); break;
        case 3: r.U16LE(); break;
        case 4: r.U32LE(); break;
        case 5: r.FixedString(script[i] / 8); break;
        case 6: r.Take(script[i] / 8); break;
        default: r.Skip(script[i] / 8); break;
        }
        if (failed && (!r.Failed() || r.Position() != before))
            std::abort();
        failed = r.Failed();
        if (r.Position() > size - split)
            std::abort();
    }
    return 0;
}
