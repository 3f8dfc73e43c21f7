// Portable decisions of the skinned controls: which frame a skin button shows, what a time
// readout draws, how often a label blinks, and the message box's buttons, keys and layout.
#pragma once

#include "toolkit/core/SkinGeometry.h"

#include <functional>
#include <string>
#include <vector>

namespace skin {

// Skin button looks (also the frame order of a strip).
enum ButtonState { kButtonNormal = 0, kButtonPressed = 1, kButtonHover = 2, kButtonDisabled = 3 };
// The frame of a strip of frameCount frames (>= 1) that a button draws; never outside the strip.
int ChooseButtonFrame(int state, int frameCount, bool hasCaption, bool disabled, bool checked);

// Time readout: glyphs 0-9 are the digits, 10 a blank, 11 "-".
const int kGlyphBlank = 10;
const int kGlyphMinus = 11;
const int kGlyphCount = 12;
const int kReadoutMinutesSeconds = 4;
// The text a readout of `digits` cells shows (exactly `digits` characters).
std::string ReadoutText(int value, int digits, int mode);
// The glyph of each cell, left to right.
std::vector<int> ReadoutGlyphs(int value, int digits, int mode, bool zeroFill);
// The readout's rectangle after a change of cell count: growth bit 4 keeps the left edge (else
// the right), bit 8 keeps the top edge (else the bottom).
Rect RefitReadout(const Rect& current, int digits, int glyphWidth, int glyphHeight, int growth);

// Blink interval of a speed code: 0 2000 ms, 1 1000 ms, 2 500 ms, other values are milliseconds.
unsigned BlinkIntervalMs(int speed);

// Message box: the button set of the style's low four bits and the icon of the next four.
struct MessageBoxButton {
    int id;        // the command id the box answers
    int stringId;  // caption in the string table (IDS_MSGBOX_...)
};
struct MessageBoxButtonSet {
    std::vector<MessageBoxButton> buttons;
    int defaultId = -1;
    int cancelId = -1;
};
// A style whose low four bits name no button set gets OK, so that the box can always be closed.
MessageBoxButtonSet ButtonSetForStyle(unsigned style);
enum class MessageBoxIcon { Hand, Question, Asterisk, Exclamation };
MessageBoxIcon IconForStyle(unsigned style);

// Keys of the box: what the dialog ends with, or 0 when the key is swallowed.
enum class BoxKey { Enter, Escape, Cancel, Close };
// focusedButtonId: the command id of the button that has the focus, or 0.
int MessageBoxKeyResult(BoxKey key, int focusedButtonId, int defaultId, int cancelId);

// The text size a rich-edit control asks for, found by bisection over widths 0..maxWidth. The
// height asked for at the first (widest) step is the target; the narrowest width that keeps it
// wins. requestSize(width) answers the size the control asks for at that width.
struct Size {
    int cx = 0;
    int cy = 0;
};
Size BisectTextSize(int maxWidth, const std::function<Size(int width)>& requestSize);

// Layout of the message box in pixels.
struct MessageBoxMetrics {
    int leftMargin, rightMargin, topMargin, bottomMargin;
    int iconGap, textButtonGap, buttonGap;
};
struct MessageBoxLayout {
    Size client;
    Rect icon;
    Rect text;
    std::vector<Rect> buttons;
    bool textCapped = false;  // the text is taller than the box can show (it scrolls)
};
// maxClientHeight: the tallest client area that fits the work area (0 = no limit).
MessageBoxLayout LayOutMessageBox(const MessageBoxMetrics& m, Size text, Size icon, Size button, int buttonCount,
                                  int maxClientHeight);

} // namespace skin
