#include "toolkit/core/WndCascade.h"

#include <algorithm>
#include <cstdlib>

using skin::Point;
using skin::Rect;

CTimeSeededRandom::CTimeSeededRandom(Clock clock) : m_clock(std::move(clock)) {}

int CTimeSeededRandom::Random(int n)
{
    if (n <= 0)
        return 1;
    std::time_t now = m_clock ? m_clock() : std::time(nullptr);
    std::srand(static_cast<unsigned>(now));
    int value = std::rand() % n;
    return value == 0 ? 1 : value;
}

CWndCascade::CWndCascade(const Rect& workArea, ICascadeRandom* random)
    : m_workArea(workArea), m_random(random ? random : &m_ownRandom)
{
}

CWndCascade::~CWndCascade() = default;

void CWndCascade::SetWindowSize(int width, int height)
{
    m_width = std::max(0, width);
    m_height = std::max(0, height);
}

void CWndCascade::Reset()
{
    m_position = Point{0, 0};
    m_direction = kChoose;
    m_pastMiddle = false;
}

void CWndCascade::ChooseDirection()
{
    // Random(5) never gives 0, so left comes up twice as often as the others.
    int direction = m_random->Random(5);
    m_direction = direction >= kLeft && direction <= kDown ? direction : kUp;
}

void CWndCascade::ChooseSteps()
{
    int v = std::max(1, m_random->Random(10));
    if (m_pastMiddle && v > 4)
        v -= 4;
    // The height sets the horizontal speed and the width the vertical one. A step below one pixel
    // would never leave the work area (and its owner's timer would never end).
    m_stepX = std::max(1, m_height / v);
    m_stepY = std::max(1, m_width / v);
}

void CWndCascade::MoveToStart()
{
    const Rect& a = m_workArea;
    // Rows and columns of the window's own size, counted from the work area's corner; a window of
    // no size counts as one pixel.
    int w = std::max(1, m_width);
    int h = std::max(1, m_height);
    switch (m_direction) {
    case kLeft:
        m_position = Point{a.right + m_width, a.top + m_height * m_random->Random((a.Height() - m_height) / h)};
        break;
    case kRight:
        m_position = Point{a.left - m_width, a.top + m_height * m_random->Random((a.Height() - m_height) / h)};
        break;
    case kDown:
        m_position = Point{a.left + m_width * m_random->Random((a.Width() - m_width) / w), a.top - m_height};
        break;
    default:
        m_position = Point{a.left + m_width * m_random->Random((a.Width() - m_width) / w), a.bottom + m_height};
        break;
    }
}

int CWndCascade::NextPosition(Point* point)
{
    if (m_direction == kChoose) {
        ChooseDirection();
        ChooseSteps();
        MoveToStart();
    } else if (m_direction == kChooseHere) {
        ChooseDirection();
        ChooseSteps();
    }
    switch (m_direction) {
    case kLeft:
        m_position.x -= m_stepX;
        break;
    case kRight:
        m_position.x += m_stepX;
        break;
    case kDown:
        m_position.y += m_stepY;
        break;
    default:
        m_position.y -= m_stepY;
        break;
    }
    if (point)
        *point = m_position;

    const Rect& a = m_workArea;
    const Point p = m_position;
    // The band of the middle is as wide as the window; a step may be wider than that, so the call
    // that reaches or passes the band's near side reports it, even when the same step also took
    // the window out (it leaves at the next call).
    if (!m_pastMiddle) {
        int middleX = a.left + a.Width() / 2;
        int middleY = a.top + a.Height() / 2;
        bool middle;
        switch (m_direction) {
        case kLeft:
            middle = p.x <= middleX + m_width;
            break;
        case kRight:
            middle = p.x >= middleX;
            break;
        case kDown:
            middle = p.y >= middleY;
            break;
        default:
            middle = p.y <= middleY + m_height;
            break;
        }
        if (middle) {
            m_pastMiddle = true;
            return kReachedMiddle;
        }
    }
    bool left;
    switch (m_direction) {
    case kLeft:
        left = p.x + m_width < a.left;
        break;
    case kRight:
        left = p.x > a.right;
        break;
    case kDown:
        left = p.y > a.bottom;
        break;
    default:
        left = p.y + m_height < a.top;
        break;
    }
    if (!left)
        return kMoving;
    Reset();
    return kLeftWorkArea;
}

