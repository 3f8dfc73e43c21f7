// Message texts come from other users: the address finder must end on any bytes, give ranges
// inside the text on character boundaries, in order, each a valid address, and the click search
// must end with a candidate that starts at or before the click.
#include "framework/core/Cp932.h"
#include "framework/core/UrlFinder.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t click = data[0];
    const char* text = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;

    std::size_t previousEnd = 0;
    for (const UrlSpan& span : FindUrlSegments(text, length)) {
        if (span.start < previousEnd || span.end <= span.start || span.end > length)
            std::abort();
        if (!cp932::IsBoundary(text, length, span.start) || !cp932::IsBoundary(text, length, span.end))
            std::abort();
        if (!IsValidMessageUrl(text + span.start, span.end - span.start))
            std::abort();
        previousEnd = span.end;
    }

    UrlSpan span;
    if (FindUrl(text, length, click, UrlFindMode::Click, &span)) {
        if (span.start > click || span.end > length || !IsValidMessageUrl(text + span.start, span.end - span.start))
            std::abort();
    }

    std::size_t previous = 0;
    for (const UrlSpan& position : FindUrlPositions(text, length)) {
        if (position.start < previous || position.end < position.start)
            std::abort();
        previous = position.end;
    }
    const std::size_t byte = ByteOfTextPosition(text, length, click);
    if (byte > length || !cp932::IsBoundary(text, length, byte) || TextPositionOfByte(text, length, byte) > click)
        std::abort();
    return 0;
}
