#include "toolkit/core/BalloonLogic.h"

#include "framework/core/Cp932.h"

#include <algorithm>

namespace skin {

std::vector<std::string> CutBalloonLines(const std::string& text)
{
    std::vector<std::string> lines;
    const char* s = text.c_str();
    const std::size_t n = text.size();
    std::string line;
    bool pending = false; // a line has begun (possibly still empty)
    std::size_t i = 0;
    while (i < n) {
        if (s[i] == '\r' || s[i] == '\n') {
            i += (s[i] == '\r' && i + 1 < n && s[i + 1] == '\n') ? 2 : 1;
            lines.push_back(line);
            line.clear();
            pending = false;
            continue;
        }
        std::size_t length = cp932::CharLength(s + i, n - i);
        // A lead byte without a trail byte after it (a break, say) is a character of its own.
        if (length == 2 && !cp932::IsTrailByte(static_cast<unsigned char>(s[i + 1])))
            length = 1;
        if (line.size() + length > static_cast<std::size_t>(kBalloonLineBytes)) {
            lines.push_back(line);
            line.clear();
        }
        line.append(s + i, length);
        pending = true;
        i += length;
    }
    if (pending || lines.empty())
        lines.push_back(line);
    return lines;
}

void ShapeBalloon(int w, int h, bool tailOnRight, BalloonLayout* layout)
{
    // Half-axes of the rectangle inscribed in the ellipse.
    const double inscribed = 0.5 * 0.7071085623775818;
    int a = static_cast<int>((w - 10) * inscribed);
    int b = static_cast<int>(h * inscribed);
    int shift = tailOnRight ? 0 : 10;
    layout->ellipse = tailOnRight ? MakeRect(0, 0, w - 10, h) : MakeRect(10, 0, w, h);
    int tip = tailOnRight ? w : 0;
    int base = tailOnRight ? w - 15 : 15;
    layout->tail[0] = Point{tip, h / 2 - 10};
    layout->tail[1] = Point{base, h / 2 - 5};
    layout->tail[2] = Point{base, h / 2 + 5};
    layout->text = MakeRect((w - 10) / 2 - a + shift, h / 2 - b + 15, (w - 10) / 2 + a + shift, h / 2 + b - 15);
}

BalloonLayout LayOutBalloon(const std::string& text, const Rect& anchor, int screenWidth, const Rect& workArea)
{
    BalloonLayout layout;
    layout.lines = CutBalloonLines(text);
    // A text longer than the work area is tall loses the lines that would not fit.
    int maxLines = std::max(1, (workArea.Height() - 65) / kBalloonLineHeight + 1);
    if (static_cast<int>(layout.lines.size()) > maxLines)
        layout.lines.resize(static_cast<std::size_t>(maxLines));
    int width, height;
    if (layout.lines.size() == 1) {
        width = 6 * static_cast<int>(layout.lines[0].size()) + 40;
        height = 65;
    } else {
        width = 208;
        height = 65 + kBalloonLineHeight * (static_cast<int>(layout.lines.size()) - 1);
    }
    int x = anchor.right;
    int y = anchor.top + 20;
    if (x + width > screenWidth) {
        x = anchor.left - width;
        layout.tailOnRight = true;
    }
    if (y + height > workArea.bottom)
        y = workArea.bottom - height;
    if (y < workArea.top)
        y = workArea.top;
    layout.window = MakeRectXYWH(x, y, width, height);
    ShapeBalloon(width, height, layout.tailOnRight, &layout);
    return layout;
}

BalloonColors ResolveBalloonColors(std::uint32_t fill, std::uint32_t text, std::uint32_t frame)
{
    BalloonColors colors{fill, text, frame};
    if (fill == text && text == frame)
        colors.text = 0xFFFFFF ^ (fill & 0xFFFFFF);
    else if (text == fill)
        colors.text = frame;
    return colors;
}

} // namespace skin
