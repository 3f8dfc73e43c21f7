// Balloon texts come from servers and downloaded event data: the line cutter must never split a
// character, never lose a byte other than line breaks, and keep every line within its width.
#include "toolkit/core/BalloonLogic.h"

#include "framework/core/Cp932.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines = skin::CutBalloonLines(text);
    if (lines.empty())
        __builtin_trap();
    std::string joined;
    std::string withoutBreaks;
    for (char c : text)
        if (c != '\r' && c != '\n')
            withoutBreaks += c;
    for (const std::string& line : lines) {
        if (line.size() > static_cast<std::size_t>(skin::kBalloonLineBytes))
            __builtin_trap();
        if (line.find('\r') != std::string::npos || line.find('\n') != std::string::npos)
            __builtin_trap();
        // A line never ends inside a character: its last lead byte has its trail byte with it.
        std::size_t at = 0;
        while (at < line.size()) {
            std::size_t length = cp932::CharLength(line.c_str() + at, line.size() - at);
            if (length == 2 && !cp932::IsTrailByte(static_cast<unsigned char>(line[at + 1])))
                length = 1;
            at += length;
        }
        if (at != line.size())
            __builtin_trap();
        joined += line;
    }
    if (joined != withoutBreaks)
        __builtin_trap();
    skin::BalloonLayout layout =
        skin::LayOutBalloon(text, skin::MakeRect(500, 300, 600, 360), 1024, skin::MakeRect(0, 0, 1024, 738));
    if (layout.window.Height() > 738 || layout.window.Width() > 208 || layout.lines.empty())
        __builtin_trap();
    return 0;
}
