// NVPCINFO.TXT from a downloaded skin, through every lookup and parser the windows use.
#include "shell/common/skin/SkinInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string content(reinterpret_cast<const char*>(data), size);
    CSkinLines lines;
    lines.SetLoader([&](bool, std::string& out) {
        out = content;
        return true;
    });
    lines.SetCurrentName(size % 2 ? "fuzz" : kBaseSkinName);
    // Keys the text does not hold all take the same way through the lookups: of those only each
    // table's first is asked for. (Asking for every key of every table took nine tenths of the time.)
    auto asked = [&](const char* key, bool first) { return first || content.find(key) != std::string::npos; };
    SkinRect rect;
    CString a, b, v;
    for (const SkinIdKey* t = SkinControlKeyTable; t->id; ++t) {
        if (!asked(t->key, t == SkinControlKeyTable))
            continue;
        lines.GetControlRect(t->id, rect);
        lines.GetControlFields(t->id, a, b);
        std::uint32_t colour;
        ParseSkinColor(a, colour);
    }
    for (const SkinIdKey* t = SkinDockKeyTable; t->id; ++t)
        if (asked(t->key, t == SkinDockKeyTable))
            lines.GetDockInfo(t->id, v);
    for (const SkinIdKey* t = SkinTitleKeyTable; t->id; ++t)
        if (asked(t->key, t == SkinTitleKeyTable))
            lines.GetTitleInfo(t->id, v);
    for (const SkinFileKey* t = SkinRegionKeyTable; t->file[0]; ++t) {
        if (!asked(t->key, t == SkinRegionKeyTable))
            continue;
        if (lines.GetRegionInfo(t->file, v, true)) {
            std::vector<SkinRect> rects;
            ParseSkinRegion(v, rects);
        }
    }
    for (const SkinFileKey* t = SkinResizeKeyTable; t->file[0]; ++t)
        if (asked(t->key, t == SkinResizeKeyTable))
            lines.GetResizeInfo(t->file, v);
    if (lines.GetSkinValue("FILE_VERSION", v))
        IsSupportedSkinVersion(v);
    if (lines.GetSkinValue("WBG_TRANSEPARENT", v)) {
        std::uint32_t colour;
        ParseSkinColor(v, colour);
        ParseSkinRect(v, rect);
        ParseSkinRect2(v, rect);
    }
    lines.SetInfoValue(CString(content.substr(0, 64)));
    return 0;
}
