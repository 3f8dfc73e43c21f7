// Portable geometry of the popup balloon: how its text is cut into lines, how big it gets, which
// side of the anchor it goes to, its ellipse, tail and text rectangle, and its colours.
#pragma once

#include "toolkit/core/ControlLogic.h"
#include "toolkit/core/DockLogic.h"

#include <cstdint>
#include <string>
#include <vector>

namespace skin {

// A balloon line holds at most this many bytes.
const int kBalloonLineBytes = 28;
// Line pitch of the drawn text and the height each further line adds to the balloon.
const int kBalloonTextPitch = 14;
const int kBalloonLineHeight = 20;

// Cuts a code page 932 text into lines of at most kBalloonLineBytes bytes, always between two
// characters. CR LF, CR and LF end a line and belong to none; a break at the very end adds no
// empty line. An empty text is one empty line.
std::vector<std::string> CutBalloonLines(const std::string& text);

struct BalloonLayout {
    Rect window;                     // screen coordinates
    bool tailOnRight = false;        // the balloon stands left of the anchor
    std::vector<std::string> lines;  // what is drawn (a text too long for the work area loses its end)
    Rect ellipse;                    // client coordinates
    Point tail[3];
    Rect text;
};

// The balloon for a text beside an anchor's window rectangle. One line of n bytes gives
// 6 n + 40 x 65; more lines give 208 x (65 + 20 per further line), no taller than the work area.
// It stands right of the anchor, 20 pixels below its top, or left of it when it would pass the
// screen's right edge; it is kept inside the work area from top to bottom.
BalloonLayout LayOutBalloon(const std::string& text, const Rect& anchor, int screenWidth, const Rect& workArea);

// The ellipse, tail and text rectangle of a balloon of width x height.
void ShapeBalloon(int width, int height, bool tailOnRight, BalloonLayout* layout);

struct BalloonColors {
    std::uint32_t fill = 0;
    std::uint32_t text = 0;
    std::uint32_t frame = 0;
};
// Text the colour of the fill would vanish: it takes the frame colour, and when all three are the
// same, the inverse of that colour (0xFFFFFF ^ c).
BalloonColors ResolveBalloonColors(std::uint32_t fill, std::uint32_t text, std::uint32_t frame);

} // namespace skin
