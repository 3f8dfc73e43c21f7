#include "toolkit/core/SkinEntries.h"

#include "framework/core/Cp932.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace skin {

std::vector<std::string> SplitFields(const std::string& text, char delim, std::size_t maxFields)
{
    std::vector<std::string> fields;
    const char* s = text.c_str();
    std::size_t n = text.size();
    std::size_t i = 0;
    while (fields.size() < maxFields) {
        std::string field;
        if (i < n && s[i] == '"') {
            std::size_t j = i + 1;
            while (j < n && s[j] != '"')
                j += cp932::CharLength(s + j, n - j);
            field.assign(s + i + 1, (j < n ? j : n) - (i + 1));
            i = j < n ? j + 1 : n;
            // Whatever follows the closing quote up to the delimiter belongs to no field.
            while (i < n && s[i] != delim)
                i += cp932::CharLength(s + i, n - i);
        } else {
            std::size_t j = i;
            while (j < n && s[j] != delim)
                j += cp932::CharLength(s + j, n - j);
            if (j > n)
                j = n;
            field.assign(s + i, j - i);
            i = j;
        }
        fields.push_back(field);
        if (i >= n)
            break;
        ++i; // the delimiter
        if (i == n) {
            if (fields.size() < maxFields)
                fields.emplace_back();
            break;
        }
    }
    return fields;
}

int ParseInt(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX))
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    if (value < INT_MIN)
        value = INT_MIN;
    return static_cast<int>(value);
}

namespace {

bool FourNumbers(const std::string& text, int out[4])
{
    std::vector<std::string> f = SplitFields(text, ',', 5);
    if (f.size() < 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (f[i].empty())
            return false;
        out[i] = ParseInt(f[i]);
    }
    return true;
}

int Clamp(int v) { return v < -kMaxSkinCoordinate ? -kMaxSkinCoordinate : (v > kMaxSkinCoordinate ? kMaxSkinCoordinate : v); }

} // namespace

bool ParseRectXYWH(const std::string& text, Rect* rect)
{
    int v[4];
    if (!FourNumbers(text, v))
        return false;
    *rect = MakeRectXYWH(Clamp(v[0]), Clamp(v[1]), Clamp(v[2]), Clamp(v[3]));
    return true;
}

bool ParseRectLTRB(const std::string& text, Rect* rect)
{
    int v[4];
    if (!FourNumbers(text, v))
        return false;
    *rect = MakeRect(Clamp(v[0]), Clamp(v[1]), Clamp(v[2]), Clamp(v[3]));
    return true;
}

bool ParseColorRef(const std::string& text, std::uint32_t* colorRef)
{
    std::vector<std::string> f = SplitFields(text, ',', 4);
    if (f.size() != 3)
        return false;
    std::uint32_t r = static_cast<std::uint32_t>(ParseInt(f[0])) & 0xFF;
    std::uint32_t g = static_cast<std::uint32_t>(ParseInt(f[1])) & 0xFF;
    std::uint32_t b = static_cast<std::uint32_t>(ParseInt(f[2])) & 0xFF;
    *colorRef = r | (g << 8) | (b << 16);
    return true;
}

std::uint32_t KeyColorFromText(const std::string& text)
{
    if (text.empty())
        return kDefaultKeyColor;
    std::vector<std::string> f = SplitFields(text, ',', 3);
    std::uint32_t c[3] = {0, 0, 0};
    for (std::size_t i = 0; i < f.size() && i < 3; ++i)
        c[i] = static_cast<std::uint32_t>(ParseInt(f[i])) & 0xFF;
    return (c[0] << 16) | (c[1] << 8) | c[2];
}

namespace {

// The common shape of a learned rectangle, "l,t,r,b" of plain digits, read without allocating;
// anything else goes through the general reader.
bool ReadPlainRect(const char* s, std::size_t n, Rect* rect)
{
    int v[4] = {0, 0, 0, 0};
    std::size_t i = 0;
    for (int k = 0; k < 4; ++k) {
        std::size_t start = i;
        long long value = 0;
        while (i < n && s[i] >= '0' && s[i] <= '9' && i - start < 6)
            value = value * 10 + (s[i++] - '0');
        if (i == start || (i < n && s[i] != ',') || (k < 3 && i == n) || (k == 3 && i != n))
            return false;
        v[k] = static_cast<int>(value);
        ++i;
    }
    *rect = MakeRect(Clamp(v[0]), Clamp(v[1]), Clamp(v[2]), Clamp(v[3]));
    return true;
}

} // namespace

bool ParseRegionValue(const std::string& value, int bitmapWidth, int bitmapHeight, std::vector<Rect>* rects)
{
    rects->clear();
    std::size_t colon = value.find(':');
    std::string countText = value.substr(0, colon);
    if (countText.empty() || !(countText[0] == '-' || countText[0] == '+' || (countText[0] >= '0' && countText[0] <= '9')))
        return false;
    int count = ParseInt(countText);
    if (count <= 0 || colon == std::string::npos)
        return false;
    // The count only says how many to read: the text itself bounds it.
    std::size_t pos = colon + 1;
    std::vector<Rect> result;
    result.reserve(static_cast<std::size_t>(std::min<long long>(count, static_cast<long long>(value.size() / 8 + 1))));
    while (static_cast<int>(result.size()) < count && pos < value.size()) {
        std::size_t next = value.find(':', pos);
        std::size_t end = next == std::string::npos ? value.size() : next;
        Rect r;
        if (!ReadPlainRect(value.data() + pos, end - pos, &r) && !ParseRectLTRB(value.substr(pos, end - pos), &r))
            return false;
        pos = next == std::string::npos ? value.size() : next + 1;
        if (r.IsEmpty() || r.left < 0 || r.top < 0)
            return false;
        if (bitmapWidth > 0 && bitmapHeight > 0 && (r.right > bitmapWidth || r.bottom > bitmapHeight))
            return false;
        result.push_back(r);
    }
    if (result.empty())
        return false;
    *rects = std::move(result);
    return true;
}

std::string FormatRegionLine(const std::string& key, const std::vector<Rect>& rects)
{
    if (key.empty() || rects.empty())
        return std::string();
    std::string line = key;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "=%d:", static_cast<int>(rects.size()));
    line += buffer;
    for (const Rect& r : rects) {
        std::snprintf(buffer, sizeof buffer, "%d,%d,%d,%d:", r.left, r.top, r.right, r.bottom);
        line += buffer;
    }
    return line;
}

namespace {

// x,y,w,h, optionally followed by a,b,c,d (only when the fifth number is there).
bool ReadPiece(const std::string& text, Piece* piece, bool* hasPlacement)
{
    std::vector<std::string> f = SplitFields(text, ',', 8);
    int v[4];
    if (!FourNumbers(text, v))
        return false;
    piece->x = Clamp(v[0]);
    piece->y = Clamp(v[1]);
    piece->w = Clamp(v[2]);
    piece->h = Clamp(v[3]);
    piece->a = piece->b = piece->c = piece->d = 0;
    *hasPlacement = f.size() >= 5 && !f[4].empty();
    if (*hasPlacement) {
        int* out[4] = {&piece->a, &piece->b, &piece->c, &piece->d};
        for (std::size_t i = 4; i < f.size() && i < 8; ++i)
            *out[i - 4] = Clamp(ParseInt(f[i]));
    }
    return true;
}

void Default(int* value, int fallback)
{
    if (*value == 0)
        *value = fallback;
}

} // namespace

void ParseResizeParts(const std::string& value, int bitmapWidth, int bitmapHeight, ResizeParts* parts)
{
    std::vector<std::string> f = SplitFields(value, ':', 10);
    parts->band = MakeRect(0, 0, bitmapWidth, bitmapHeight);
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i].empty())
            continue;
        bool placement = false;
        Piece piece;
        switch (i) {
        case 0:
            if (ReadPiece(f[i], &piece, &placement))
                parts->topLeft = piece;
            break;
        case 1:
            if (ReadPiece(f[i], &piece, &placement))
                parts->topRight = piece;
            break;
        case 3:
            if (ReadPiece(f[i], &piece, &placement))
                parts->bottomLeft = piece;
            break;
        case 4:
            if (ReadPiece(f[i], &piece, &placement))
                parts->bottomRight = piece;
            break;
        case 2:
            if (ReadPiece(f[i], &piece, &placement)) {
                const Piece& tl = parts->topLeft;
                Default(&piece.a, tl.x + tl.w);
                Default(&piece.b, tl.x);
                Default(&piece.c, -parts->topRight.w);
                parts->top = piece;
            }
            break;
        case 5:
            if (ReadPiece(f[i], &piece, &placement)) {
                Default(&piece.a, parts->bottomLeft.w);
                Default(&piece.b, -parts->bottomLeft.h);
                Default(&piece.c, -parts->bottomRight.w);
                Default(&piece.d, -parts->bottomRight.h);
                parts->bottom = piece;
            }
            break;
        case 6:
            if (ReadPiece(f[i], &piece, &placement)) {
                Default(&piece.a, parts->topLeft.x);
                Default(&piece.b, parts->topLeft.h);
                Default(&piece.c, parts->bottomLeft.x);
                Default(&piece.d, -parts->bottomLeft.h);
                parts->left = piece;
            }
            break;
        case 7:
            if (ReadPiece(f[i], &piece, &placement)) {
                Default(&piece.a, -piece.w);
                Default(&piece.b, parts->topRight.h);
                Default(&piece.c, -piece.w);
                Default(&piece.d, -parts->bottomRight.h);
                parts->right = piece;
            }
            break;
        case 8: {
            Rect band;
            if (ParseRectLTRB(f[i], &band))
                parts->band = band;
            break;
        }
        case 9: {
            std::uint32_t color;
            if (ParseColorRef(f[i], &color)) {
                parts->fill = color;
                parts->hasFill = true;
            }
            break;
        }
        default:
            break;
        }
    }
}

namespace {

void TileRow(std::vector<Blit>& out, const Piece& p, int y, int from, int to)
{
    if (p.IsEmpty())
        return;
    for (int x = from; x < to; x += p.w)
        out.push_back(Blit{x, y, p.x, p.y, x + p.w <= to ? p.w : to - x, p.h});
}

void TileColumn(std::vector<Blit>& out, const Piece& p, int x, int from, int to)
{
    if (p.IsEmpty())
        return;
    for (int y = from; y < to; y += p.h)
        out.push_back(Blit{x, y, p.x, p.y, p.w, y + p.h <= to ? p.h : to - y});
}

void Corner(std::vector<Blit>& out, const Piece& p, int x, int y)
{
    if (!p.IsEmpty())
        out.push_back(Blit{x, y, p.x, p.y, p.w, p.h});
}

} // namespace

std::vector<Blit> PlanResizePaint(const ResizeParts& parts, int width, int height)
{
    std::vector<Blit> out;
    TileRow(out, parts.top, parts.top.b, parts.top.a, width + parts.top.c);
    TileRow(out, parts.bottom, height + parts.bottom.b, parts.bottom.a, width + parts.bottom.c);
    TileColumn(out, parts.left, parts.left.a, parts.left.b, height + parts.left.d);
    TileColumn(out, parts.right, width + parts.right.a, parts.right.b, height + parts.right.d);
    Corner(out, parts.topLeft, 0, 0);
    Corner(out, parts.topRight, width - parts.topRight.w, 0);
    Corner(out, parts.bottomLeft, 0, height - parts.bottomLeft.h);
    Corner(out, parts.bottomRight, width - parts.bottomRight.w, height - parts.bottomRight.h);
    return out;
}

Title ParseTitle(const std::string& value)
{
    Title title;
    std::vector<std::string> f = SplitFields(value, ':', 10);
    if (f.size() < 6 || f[5].empty())
        return title;
    title.present = true;
    title.text = f[5];
    const std::string& face = f[0];
    std::size_t cut = face.size() > kMaxFaceBytes ? cp932::BoundaryAtOrBefore(face.c_str(), face.size(), kMaxFaceBytes)
                                                  : face.size();
    title.face = face.substr(0, cut);
    if (!f[1].empty())
        title.height = ParseInt(f[1]);
    int style = ParseInt(f[2]);
    if (style & 1)
        title.weight = 800;
    title.italic = (style & 2) != 0;
    title.underline = (style & 4) != 0;
    std::uint32_t color;
    if (ParseColorRef(f[3], &color))
        title.color = color;
    std::vector<std::string> pos = SplitFields(f[4], ',', 3);
    if (pos.size() >= 2 && !pos[0].empty() && !pos[1].empty()) {
        title.x = ParseInt(pos[0]);
        title.y = ParseInt(pos[1]);
    }
    return title;
}

Placement ParsePlacement(const std::string& value)
{
    Placement placement;
    if (value.empty())
        return placement;
    std::vector<std::string> f = SplitFields(value, ':', 3);
    std::vector<std::string> n = SplitFields(f[0], ',', 5);
    if (n.size() < 2 || n[0].empty() || n[1].empty())
        return placement;
    int x = Clamp(ParseInt(n[0]));
    int y = Clamp(ParseInt(n[1]));
    int w = n.size() >= 4 ? Clamp(ParseInt(n[2])) : 0;
    int h = n.size() >= 4 ? Clamp(ParseInt(n[3])) : 0;
    placement.valid = true;
    placement.hasSize = w > 0 && h > 0;
    placement.rect = MakeRectXYWH(x, y, placement.hasSize ? w : 0, placement.hasSize ? h : 0);
    if (f.size() >= 2)
        placement.noDrag = (!f[1].empty() && f[1][0] == 'N') ? 1 : 0;
    return placement;
}

} // namespace skin
