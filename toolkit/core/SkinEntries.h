// Readers and writers of the skin information values that skinned windows use: key colour,
// learned region lines, resize parts, title, window placement. Every reader takes text from a
// skin archive that a user may have downloaded, so it bounds what it reads and never trusts a
// count or a length from the text.
#pragma once

#include "toolkit/core/SkinGeometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace skin {

// Splits text at delim; a field that begins with a double quote runs to the next double quote
// (quotes removed, delimiters inside kept). At most maxFields fields; the rest is ignored.
std::vector<std::string> SplitFields(const std::string& text, char delim, std::size_t maxFields);

// Decimal value of a text as the skin format reads it: leading blanks and a sign allowed, digits
// up to the first other character, 0 when there are none; saturates instead of overflowing.
int ParseInt(const std::string& text);
// x,y,w,h (right = x + w): four non-empty fields, else false.
bool ParseRectXYWH(const std::string& text, Rect* rect);
// l,t,r,b as they stand: four non-empty fields, else false.
bool ParseRectLTRB(const std::string& text, Rect* rect);
// r,g,b as a COLORREF value r + 256 g + 65536 b (each modulo 256): exactly three fields.
bool ParseColorRef(const std::string& text, std::uint32_t* colorRef);

// The window key colour from the skin's text "r,g,b" as a DIB pixel 0x00RRGGBB; a skin that names
// none (empty text) gives the default key colour.
std::uint32_t KeyColorFromText(const std::string& text);

// Rectangles are never larger than this many pixels on either axis.
const int kMaxSkinCoordinate = 16384;

// A learned region value "count:l,t,r,b:l,t,r,b:...". Reads at most count rectangles, and never
// more than the text holds; a rectangle that is empty, negative or (when the bitmap size is given)
// outside the bitmap makes the whole value unusable, since it was learned from another bitmap.
// Returns false (and no rectangles) for a count of 0 or less, an unparsable count or a bad value.
bool ParseRegionValue(const std::string& value, int bitmapWidth, int bitmapHeight, std::vector<Rect>* rects);
// The line a window hands back to the skin: key + "=%d:" + "%d,%d,%d,%d:" per rectangle. Empty
// for an empty key or an empty list (nothing is learned then).
std::string FormatRegionLine(const std::string& key, const std::vector<Rect>& rects);

// One piece of a resizable skin: its source rectangle in the bitmap (x, y, w, h) and the four
// placement numbers of an edge (see PlanResizePaint).
struct Piece {
    int x = 0, y = 0, w = 0, h = 0;
    int a = 0, b = 0, c = 0, d = 0;
    bool IsEmpty() const { return w <= 0 || h <= 0; }
};

struct ResizeParts {
    Piece topLeft, topRight, bottomLeft, bottomRight;
    Piece top, bottom, left, right;
    Rect band;               // the region rectangle that grows in height
    bool hasFill = false;
    std::uint32_t fill = 0;  // COLORREF value
};

// Reads a resize entry (up to ten ":" fields: corners 0 1 3 4, edges 2 5 6 7, band 8, fill 9);
// an empty field leaves its piece as it was. The band defaults to the whole bitmap.
void ParseResizeParts(const std::string& value, int bitmapWidth, int bitmapHeight, ResizeParts* parts);

// One copy of a piece of the bitmap to the window: destination x, y, source x, y, size w x h.
struct Blit {
    int dstX, dstY, srcX, srcY, w, h;
    bool operator==(const Blit& o) const
    {
        return dstX == o.dstX && dstY == o.dstY && srcX == o.srcX && srcY == o.srcY && w == o.w && h == o.h;
    }
};
// Painting of a resizable skin at width x height: the edges tiled (top, bottom, left, right; the
// last tile cut at the end), then the corners; nothing is stretched, empty pieces are skipped.
std::vector<Blit> PlanResizePaint(const ResizeParts& parts, int width, int height);

// The skin's title for a dialog: "face:height:style:r,g,b:x,y:text".
struct Title {
    bool present = false;
    std::string face;        // at most kMaxFaceBytes bytes, cut between characters
    int height = 14;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    std::uint32_t color = 0; // COLORREF value
    int x = 10, y = 5;
    std::string text;
};
// A font's face name field holds 32 bytes with its terminator.
const std::size_t kMaxFaceBytes = 31;
// present is false (and nothing else is set) when the text field is empty.
Title ParseTitle(const std::string& value);

// A window placement "x,y,w,h:c" relative to the main window. noDrag: 1 when c begins with "N",
// 0 for another c, -1 when there is no second field. hasSize is false when the entry gives no
// usable width and height (a dock entry "x,y:c:n" under the same key), so the size is kept.
struct Placement {
    bool valid = false;
    Rect rect;
    bool hasSize = false;
    int noDrag = -1;
};
Placement ParsePlacement(const std::string& value);

} // namespace skin
