// Skin values come from archives that users download: every reader must survive any bytes.
#include "toolkit/core/SkinEntries.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
#if defined(SKIN_FUZZ_REGION_VALUE)
    std::vector<skin::Rect> rects;
    if (skin::ParseRegionValue(text, 640, 480, &rects)) {
        // What was read must come back as the same value.
        std::string line = skin::FormatRegionLine("K", rects);
        std::vector<skin::Rect> again;
        if (!skin::ParseRegionValue(line.substr(2), 640, 480, &again) || again != rects)
            __builtin_trap();
    }
#elif defined(SKIN_FUZZ_RESIZE_PARTS)
    skin::ResizeParts parts;
    skin::ParseResizeParts(text, 64, 64, &parts);
    std::vector<skin::Blit> plan = skin::PlanResizePaint(parts, 200, 150);
    (void)plan;
#elif defined(SKIN_FUZZ_TITLE)
    skin::Title title = skin::ParseTitle(text);
    if (title.face.size() > skin::kMaxFaceBytes)
        __builtin_trap();
#elif defined(SKIN_FUZZ_PLACEMENT)
    skin::Placement placement = skin::ParsePlacement(text);
    std::uint32_t color = 0;
    skin::ParseColorRef(text, &color);
    (void)skin::KeyColorFromText(text);
    (void)placement;
#endif
    return 0;
}
