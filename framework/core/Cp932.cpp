#include "framework/core/Cp932.h"

namespace cp932 {

std::size_t BoundaryAtOrBefore(const char* s, std::size_t length, std::size_t pos)
{
    if (pos >= length)
        return length;
    std::size_t at = 0;
    while (at < length) {
        std::size_t next = at + CharLength(s + at, length - at);
        if (next > pos)
            return at;
        at = next;
    }
    return length;
}

std::size_t BoundaryAtOrAfter(const char* s, std::size_t length, std::size_t pos)
{
    std::size_t before = BoundaryAtOrBefore(s, length, pos);
    if (before == pos || before >= length)
        return before;
    return before + CharLength(s + before, length - before);
}

bool IsBoundary(const char* s, std::size_t length, std::size_t pos)
{
    return BoundaryAtOrBefore(s, length, pos) == pos;
}

} // namespace cp932
