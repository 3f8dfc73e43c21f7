// The skin information file NVPCINFO.TXT and the lookups every window makes through the skin
// manager: the five key tables, the value parsers, and the current-then-base rules.
// Portable: the skin manager (Windows) feeds it the files' bytes; tests and fuzzers use it alone.
#pragma once

#include "framework/core/CString.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// The name that stands for the base skin.
extern const char* const kBaseSkinName;

struct SkinRect {
    long left = 0;
    long top = 0;
    long right = 0;
    long bottom = 0;
    bool operator==(const SkinRect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct SkinIdKey {
    std::uint32_t id;
    const char* key;
};
struct SkinFileKey {
    const char* file;
    const char* key;
};

// Each ends with an empty row (id 0 or empty file name).
extern const SkinIdKey SkinControlKeyTable[];
extern const SkinIdKey SkinDockKeyTable[];
extern const SkinIdKey SkinTitleKeyTable[];
extern const SkinFileKey SkinRegionKeyTable[];
extern const SkinFileKey SkinResizeKeyTable[];

// The key of an id or file in a table; nullptr when absent.
const char* FindSkinKey(const SkinIdKey* table, std::uint32_t id);
const char* FindSkinKey(const SkinFileKey* table, const char* file);

// Counted lines of NVPCINFO.TXT: lines (CR LF, LF or CR ended) whose first byte is an ASCII
// letter; each is cut at a NUL byte. The file is outside data: at most maxLines lines are kept.
std::vector<CString> ParseSkinInfo(const char* data, std::size_t size, std::size_t maxLines = 20000);

// The value of key: the first line that begins with exactly "KEY=", else the first line whose
// first len(key) characters equal key (the character after them is skipped).
bool FindSkinInfoValue(const std::vector<CString>& lines, const char* key, CString& value);

// Decimal value (leading blanks, sign, digits; 0 when not a number; clamped to int).
bool ParseSkinInt(const CString& text, int& value);
// r,g,b (exactly three fields, each modulo 256) -> r + 256 g + 65536 b; output untouched on failure.
bool ParseSkinColor(const CString& text, std::uint32_t& colour);
// x,y,w,h -> left x, top y, right x + w, bottom y + h (four non-empty fields).
bool ParseSkinRect(const CString& text, SkinRect& rect);
// l,t,r,b as they stand (four non-empty fields).
bool ParseSkinRect2(const CString& text, SkinRect& rect);
// count:l,t,r,b:l,t,r,b:... A count that is not positive, exceeds maxRects or is not matched by
// that many well-formed rectangles fails, so a downloaded skin cannot make a caller allocate or
// read more than the line holds. Read by the skinned windows' own reader (skin::ParseRegionValue),
// so an empty or negative rectangle fails here as it does for a window.
bool ParseSkinRegion(const CString& text, std::vector<SkinRect>& rects, int maxRects = 65536);
// A FILE_VERSION value this program reads: 3.2 (also written 3.20) or 130.
bool IsSupportedSkinVersion(const CString& text);

// The current and base skins' counted lines with the lookups of the skin manager. Line lists are
// filled through the loader on the first lookup after they were emptied.
class CSkinLines {
public:
    // Gives the bytes of NVPCINFO.TXT of the base skin (base true) or of the current skin.
    using Loader = std::function<bool(bool base, std::string& content)>;

    void SetLoader(Loader loader) { m_loader = std::move(loader); }
    void SetCurrentName(const CString& name) { m_currentName = name; }
    const CString& GetCurrentName() const { return m_currentName; }
    bool IsBaseSkin() const { return m_currentName.CompareNoCase(kBaseSkinName) == 0; }

    void ResetCurrent() { m_current.clear(); m_currentLoaded = false; }
    void ResetBase() { m_base.clear(); m_baseLoaded = false; }

    bool GetSkinValue(const char* key, CString& value);
    bool GetBaseSkinValue(const char* key, CString& value);

    // Anchor 0..15, or -1 (no anchor, out of range, or an id not in the table).
    int GetControlRect(std::uint32_t controlId, SkinRect& rect);
    void GetControlFields(std::uint32_t controlId, CString& a, CString& b);
    bool GetDockInfo(std::uint32_t dialogId, CString& value);
    bool GetTitleInfo(std::uint32_t dialogId, CString& value);
    bool GetResizeInfo(const char* bitmapFile, CString& value);
    bool GetRegionInfo(const char* bitmapFile, CString& value, bool fallBack);
    CString GetRegionCacheKey(const char* bitmapFile) const;

    // A learned line KEY=value: kept for this run and, unless the base skin is current (the base
    // skin's archive is never rewritten), queued for the current skin's file.
    void SetInfoValue(const CString& line);
    const std::vector<CString>& GetPendingLines() const { return m_pending; }
    void ClearPendingLines() { m_pending.clear(); }

private:
    // Current, then base.
    bool GetValue(const char* key, CString& value);
    std::vector<CString>& Lines(bool base);

    Loader m_loader;
    CString m_currentName = kBaseSkinName;
    std::vector<CString> m_current, m_base, m_pending;
    bool m_currentLoaded = false;
    bool m_baseLoaded = false;
};
