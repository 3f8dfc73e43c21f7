// Portable rules of the main window's family: the leader's bounded window groups, the dock entry
// a skin gives a window, the steps of a slide, where a docked window may stand and still count as
// docked, and which free windows touch the leader. The window classes apply them.
#pragma once

#include "toolkit/core/SkinGeometry.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace skin {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Point& o) const { return !(*this == o); }
};

// A group of windows that the leader moves, shows and hides. It owns nothing: no member twice, at
// most `capacity` members, later members move down when one leaves.
template <typename T>
class WindowGroup {
public:
    explicit WindowGroup(std::size_t capacity) : m_capacity(capacity) {}

    // True when the member was added now; a member already present or a full group adds nothing.
    bool Add(const T& member)
    {
        if (Contains(member) || m_members.size() >= m_capacity)
            return false;
        m_members.push_back(member);
        return true;
    }
    // Whether the member was there.
    bool Remove(const T& member)
    {
        auto it = std::find(m_members.begin(), m_members.end(), member);
        if (it == m_members.end())
            return false;
        m_members.erase(it);
        return true;
    }
    bool Contains(const T& member) const
    {
        return std::find(m_members.begin(), m_members.end(), member) != m_members.end();
    }
    std::size_t Count() const { return m_members.size(); }
    std::size_t Capacity() const { return m_capacity; }
    const std::vector<T>& Members() const { return m_members; }

private:
    std::size_t m_capacity;
    std::vector<T> m_members;
};

// The leader's groups and how many windows each takes.
const std::size_t kListGroupSize = 5;
const std::size_t kDockedGroupSize = 20;
const std::size_t kFloatingGroupSize = 100;

// A slide never runs further than this, whatever the skin says.
const int kMaxSlideDistance = 4096;

// Dock letters: the slide directions, and "P" for a docked panel without order owner.
inline bool IsSlideLetter(char letter) { return letter == 'D' || letter == 'L' || letter == 'R' || letter == 'U'; }

// A window's dock entry "x,y:c:n", from a skin that may have been downloaded. hasOffset is false
// when x or y is missing or not a number (the window then stays where it is). letter is one of
// D L R U P, or 0 for none or an unknown letter; distance is 0 unless the letter slides, 0 for a
// negative or non-numeric value, and at most kMaxSlideDistance. A placement "x,y,w,h:c" under the
// same key gives its x, y and no slide.
struct DockEntry {
    bool hasOffset = false;
    Point offset;
    char letter = 0;
    int distance = 0;
};
DockEntry ParseDockEntry(const std::string& value);

// The offset of one pixel of slide in a letter's direction ((0, 0) for a letter that doesn't slide).
Point SlideDirection(char letter);

// A slide-out covers its distance in steps of a third of it; the last tick moves what is left (0
// when the steps covered it exactly) and ends the slide. A step of 0 slides nothing.
inline int SlideStep(int distance) { return distance > 0 ? distance / 3 : 0; }
struct SlideOutTick {
    int move = 0;      // pixels to move in the letter's direction now
    bool more = false; // another tick follows
};
SlideOutTick NextSlideOut(int distance, int step, int progress);

// A slide back covers the way to the dock in steps of a third of it on each axis, taken when the
// slide back starts. A step that would reach or pass the dock, a zero step, or one that points
// away from the dock (the window was moved meanwhile) lands exactly on it, so every slide back
// arrives.
Point SlideBackStep(Point from, Point dock);
Point NextSlideBack(Point position, Point dock, Point step);

// Whether a docked window standing at `position` still counts as docked: at its dock, or anywhere
// on its slide path in its letter's direction, partly or fully slid out.
bool IsOnDockPath(Point position, Point dock, char letter, int distance);

// Whether a free window follows the leader: one of its edges lies exactly on the opposite edge of
// the leader's rectangle (its left on the leader's right, its bottom on the leader's top, its top
// on the leader's bottom or its right on the leader's left) and the two ranges on the other axis
// overlap or touch.
bool TouchesLeader(const Rect& leader, const Rect& window);

} // namespace skin
