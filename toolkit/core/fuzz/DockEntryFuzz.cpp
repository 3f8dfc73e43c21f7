// Dock entries come from skins that users download: any bytes must give a sane entry, and the
// slide it describes must end.
#include "toolkit/core/DockLogic.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    skin::DockEntry entry = skin::ParseDockEntry(text);
    if (entry.distance < 0 || entry.distance > skin::kMaxSlideDistance)
        __builtin_trap();
    if (entry.letter != 0 && entry.letter != 'P' && !skin::IsSlideLetter(entry.letter))
        __builtin_trap();
    if (!skin::IsSlideLetter(entry.letter) && entry.distance != 0)
        __builtin_trap();
    // Slide out and back along what the entry says: both end, and the way back lands on the dock.
    int step = skin::SlideStep(entry.distance);
    int progress = 0;
    int ticks = 0;
    for (bool more = step > 0; more; ++ticks) {
        skin::SlideOutTick tick = skin::NextSlideOut(entry.distance, step, progress);
        progress += tick.move;
        more = tick.more;
        if (ticks > 8 || progress > entry.distance)
            __builtin_trap();
    }
    skin::Point dock = entry.offset;
    skin::Point direction = skin::SlideDirection(entry.letter);
    skin::Point out = {dock.x + direction.x * progress, dock.y + direction.y * progress};
    if (!skin::IsOnDockPath(out, dock, entry.letter, entry.distance))
        __builtin_trap();
    skin::Point stepBack = skin::SlideBackStep(out, dock);
    for (int i = 0; out != dock; ++i) {
        out = skin::NextSlideBack(out, dock, stepBack);
        if (i > 8)
            __builtin_trap();
    }
    return 0;
}
