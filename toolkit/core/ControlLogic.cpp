#include "toolkit/core/ControlLogic.h"

#include "ids/toolkit.h"

#include <algorithm>
#include <cstdio>

namespace skin {

int ChooseButtonFrame(int state, int frameCount, bool hasCaption, bool disabled, bool checked)
{
    if (frameCount <= 1)
        return 0;
    int frame = 0;
    if (state == kButtonPressed)
        frame = 1;
    else if (state == kButtonHover)
        frame = hasCaption ? 0 : 2;
    if (disabled && !hasCaption)
        frame = 3;
    if (checked)
        frame = 1;
    // A strip of fewer than four frames has no disabled or hover look of its own.
    return std::min(frame, frameCount - 1);
}

std::string ReadoutText(int value, int digits, int mode)
{
    if (digits < 1)
        digits = 1;
    if (digits > 10)
        digits = 10;
    char text[64];
    if (mode & kReadoutMinutesSeconds)
        std::snprintf(text, sizeof text, "%2d-%2d", value / 60, value % 60);
    else
        std::snprintf(text, sizeof text, "%*d", digits, value);
    std::string s = text;
    if (static_cast<int>(s.size()) > digits)
        s = s.substr(s.size() - static_cast<std::size_t>(digits));
    if (static_cast<int>(s.size()) < digits)
        s.insert(0, static_cast<std::size_t>(digits) - s.size(), ' ');
    return s;
}

std::vector<int> ReadoutGlyphs(int value, int digits, int mode, bool zeroFill)
{
    std::vector<int> glyphs;
    for (char ch : ReadoutText(value, digits, mode)) {
        if (ch == '-')
            glyphs.push_back(kGlyphMinus);
        else if (ch >= '0' && ch <= '9')
            glyphs.push_back(ch - '0');
        else
            glyphs.push_back(zeroFill && value >= 0 ? 0 : kGlyphBlank);
    }
    return glyphs;
}

Rect RefitReadout(const Rect& current, int digits, int glyphWidth, int glyphHeight, int growth)
{
    Rect r = current;
    int w = digits * glyphWidth;
    if (growth & 4)
        r.right = r.left + w;
    else
        r.left = r.right - w;
    if (growth & 8)
        r.bottom = r.top + glyphHeight;
    else
        r.top = r.bottom - glyphHeight;
    return r;
}

unsigned BlinkIntervalMs(int speed)
{
    switch (speed) {
    case 0:
        return 2000;
    case 1:
        return 1000;
    case 2:
        return 500;
    default:
        return static_cast<unsigned>(speed);
    }
}

MessageBoxButtonSet ButtonSetForStyle(unsigned style)
{
    MessageBoxButtonSet set;
    switch (style & 0x0F) {
    case 1: // OK, Cancel
        set.buttons = {{1, IDS_MSGBOX_OK}, {2, IDS_MSGBOX_CANCEL}};
        set.defaultId = 1;
        break;
    case 2: // Abort, Retry, Ignore
        set.buttons = {{3, IDS_MSGBOX_ABORT}, {4, IDS_MSGBOX_RETRY}, {5, IDS_MSGBOX_IGNORE}};
        break;
    case 3: // Yes, No, Cancel
        set.buttons = {{6, IDS_MSGBOX_YES}, {7, IDS_MSGBOX_NO}, {2, IDS_MSGBOX_CANCEL}};
        set.defaultId = 6;
        break;
    case 4: // Yes, No
        set.buttons = {{6, IDS_MSGBOX_YES}, {7, IDS_MSGBOX_NO}};
        set.defaultId = 6;
        break;
    case 5: // Retry, Cancel
        set.buttons = {{4, IDS_MSGBOX_RETRY}, {2, IDS_MSGBOX_CANCEL}};
        set.defaultId = 4;
        break;
    default: // OK, and every style that names no buttons of its own
        set.buttons = {{1, IDS_MSGBOX_OK}};
        set.defaultId = 1;
        break;
    }
    // Each button is added as the cancel button, so the last one is it.
    set.cancelId = set.buttons.back().id;
    return set;
}

MessageBoxIcon IconForStyle(unsigned style)
{
    switch (style & 0xF0) {
    case 0x10:
        return MessageBoxIcon::Hand;
    case 0x20:
        return MessageBoxIcon::Question;
    case 0x40:
        return MessageBoxIcon::Asterisk;
    default:
        return MessageBoxIcon::Exclamation;
    }
}

int MessageBoxKeyResult(BoxKey key, int focusedButtonId, int defaultId, int cancelId)
{
    switch (key) {
    case BoxKey::Enter:
        if (focusedButtonId > 0)
            return focusedButtonId;
        return defaultId > 0 ? defaultId : 0;
    case BoxKey::Escape:
    case BoxKey::Cancel:
    case BoxKey::Close:
        return cancelId > 0 ? cancelId : 0;
    }
    return 0;
}

Size BisectTextSize(int maxWidth, const std::function<Size(int width)>& requestSize)
{
    int low = 0;
    int high = maxWidth;
    bool first = true;
    int target = 0;
    Size last;
    while (low < high) {
        int mid = (low + high) / 2;
        last = requestSize(mid);
        if (first) {
            target = last.cy;
            first = false;
        }
        if (last.cy <= target)
            high = mid - 1;
        else
            low = mid + 1;
    }
    return last;
}

MessageBoxLayout LayOutMessageBox(const MessageBoxMetrics& m, Size text, Size icon, Size button, int buttonCount,
                                  int maxClientHeight)
{
    MessageBoxLayout out;
    bool hasIcon = icon.cx > 0 && icon.cy > 0;
    int contentWidth = text.cx + (hasIcon ? m.iconGap + icon.cx : 0);
    int textHeight = text.cy;
    int fixedHeight = m.textButtonGap + button.cy + m.topMargin + m.bottomMargin;
    if (maxClientHeight > 0 && std::max(textHeight, icon.cy) + fixedHeight > maxClientHeight) {
        textHeight = std::max(icon.cy, maxClientHeight - fixedHeight);
        textHeight = std::max(textHeight, 1);
        out.textCapped = true;
    }
    int contentHeight = std::max(textHeight, hasIcon ? icon.cy : 0);
    int count = std::max(buttonCount, 0);
    int buttonsWidth = count * button.cx + (count > 1 ? (count - 1) * m.buttonGap : 0);
    out.client.cx = std::max(contentWidth, buttonsWidth) + m.leftMargin + m.rightMargin;
    out.client.cy = contentHeight + fixedHeight;
    if (hasIcon)
        out.icon = MakeRectXYWH(m.leftMargin, m.topMargin, icon.cx, icon.cy);
    // The text stands centred between its left edge (after the icon) and the right margin.
    int textLeft = m.leftMargin + (hasIcon ? icon.cx + m.iconGap : 0);
    int textWidth = text.cx + 2;
    int span = out.client.cx - m.rightMargin - textLeft;
    out.text = MakeRectXYWH(textLeft + (span - textWidth) / 2, m.topMargin, textWidth, textHeight);
    int x = (out.client.cx - buttonsWidth) / 2;
    int y = out.client.cy - m.bottomMargin - button.cy;
    for (int i = 0; i < count; ++i) {
        out.buttons.push_back(MakeRectXYWH(x, y, button.cx, button.cy));
        x += button.cx + m.buttonGap;
    }
    return out;
}

} // namespace skin
