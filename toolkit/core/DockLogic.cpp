#include "toolkit/core/DockLogic.h"

#include "toolkit/core/SkinEntries.h"

namespace skin {

namespace {

// A decimal number as skins write them: blanks, an optional sign, then at least one digit.
bool IsNumber(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

int Sign(int v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

int ClampCoordinate(int v)
{
    return v < -kMaxSkinCoordinate ? -kMaxSkinCoordinate : (v > kMaxSkinCoordinate ? kMaxSkinCoordinate : v);
}

} // namespace

DockEntry ParseDockEntry(const std::string& value)
{
    DockEntry entry;
    std::vector<std::string> fields = SplitFields(value, ':', 3);
    if (fields.empty())
        return entry;
    std::vector<std::string> numbers = SplitFields(fields[0], ',', 5);
    if (numbers.size() >= 2 && IsNumber(numbers[0]) && IsNumber(numbers[1])) {
        entry.hasOffset = true;
        entry.offset = Point{ClampCoordinate(ParseInt(numbers[0])), ClampCoordinate(ParseInt(numbers[1]))};
    }
    // A placement (with a width and height) names no dock letter: what follows it is the no-drag mark.
    if (numbers.size() >= 4)
        return entry;
    if (fields.size() >= 2 && !fields[1].empty()) {
        char letter = fields[1][0];
        if (IsSlideLetter(letter) || letter == 'P')
            entry.letter = letter;
    }
    if (IsSlideLetter(entry.letter) && fields.size() >= 3 && IsNumber(fields[2])) {
        int distance = ParseInt(fields[2]);
        entry.distance = distance < 0 ? 0 : (distance > kMaxSlideDistance ? kMaxSlideDistance : distance);
    }
    return entry;
}

Point SlideDirection(char letter)
{
    switch (letter) {
    case 'D':
        return Point{0, 1};
    case 'U':
        return Point{0, -1};
    case 'L':
        return Point{-1, 0};
    case 'R':
        return Point{1, 0};
    default:
        return Point{0, 0};
    }
}

SlideOutTick NextSlideOut(int distance, int step, int progress)
{
    SlideOutTick tick;
    if (distance <= 0 || step <= 0)
        return tick;
    if (progress + step <= distance) {
        tick.move = step;
        tick.more = true;
        return tick;
    }
    tick.move = distance > progress ? distance - progress : 0;
    return tick;
}

Point SlideBackStep(Point from, Point dock) { return Point{(dock.x - from.x) / 3, (dock.y - from.y) / 3}; }

namespace {

int NextOnAxis(int position, int dock, int step)
{
    int remaining = dock - position;
    if (remaining == 0)
        return dock;
    if (step == 0 || Sign(step) != Sign(remaining))
        return dock;
    if ((remaining > 0 && step >= remaining) || (remaining < 0 && step <= remaining))
        return dock;
    return position + step;
}

} // namespace

Point NextSlideBack(Point position, Point dock, Point step)
{
    return Point{NextOnAxis(position.x, dock.x, step.x), NextOnAxis(position.y, dock.y, step.y)};
}

bool IsOnDockPath(Point position, Point dock, char letter, int distance)
{
    if (position == dock)
        return true;
    Point direction = SlideDirection(letter);
    if (direction == Point{0, 0} || distance <= 0)
        return false;
    // How far along the path the window stands, measured on the axis it slides on.
    int along = direction.x != 0 ? (position.x - dock.x) * direction.x : (position.y - dock.y) * direction.y;
    bool onAxis = direction.x != 0 ? position.y == dock.y : position.x == dock.x;
    return onAxis && along >= 0 && along <= distance;
}

bool TouchesLeader(const Rect& leader, const Rect& window)
{
    bool rowsMeet = window.top <= leader.bottom && window.bottom >= leader.top;
    bool columnsMeet = window.left <= leader.right && window.right >= leader.left;
    if (rowsMeet && (window.left == leader.right || window.right == leader.left))
        return true;
    return columnsMeet && (window.bottom == leader.top || window.top == leader.bottom);
}

} // namespace skin
