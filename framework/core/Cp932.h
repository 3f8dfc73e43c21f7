// Code page 932 (Shift_JIS as Windows uses it): the one place that knows which bytes begin a
// double-byte character. Every cut, trim, search or case change of program text goes through here
// so that a character is never split and a trail byte is never mistaken for ASCII
// (0x5C '\' and 0x40-0x7E letters occur as trail bytes).
#pragma once

#include <cstddef>

namespace cp932 {

inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
inline bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Length in bytes of the character that starts at s[0] (1 or 2); a lead byte at the very end, or
// followed by the terminating NUL, counts as one byte so that a broken text is still walked safely.
inline std::size_t CharLength(const char* s, std::size_t remaining)
{
    if (remaining >= 2 && IsLeadByte(static_cast<unsigned char>(s[0])) && s[1] != '\0')
        return 2;
    return remaining ? 1 : 0;
}

// The largest character boundary not after pos, walking from the start of the text.
std::size_t BoundaryAtOrBefore(const char* s, std::size_t length, std::size_t pos);
// The smallest character boundary not before pos.
std::size_t BoundaryAtOrAfter(const char* s, std::size_t length, std::size_t pos);
// Whether pos (0..length) falls between two characters.
bool IsBoundary(const char* s, std::size_t length, std::size_t pos);

} // namespace cp932
