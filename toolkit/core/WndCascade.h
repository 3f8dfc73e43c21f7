// CWndCascade: successive positions that carry a window across the desktop's work area. Each
// crossing picks a direction (left, right, up or down), starts just outside the edge it enters
// from, at a random row or column, and moves by a random step per call; the caller hears once when
// the window has reached the middle and again when it has left the work area on the far side,
// after which the next call starts a new crossing. Its random numbers come through a seam.
#pragma once

#include "toolkit/core/DockLogic.h"

#include <ctime>
#include <functional>

class ICascadeRandom {
public:
    virtual ~ICascadeRandom() = default;
    // A number from 1 to n - 1 (1 when n is 1 or less).
    virtual int Random(int n) = 0;
};

// The cascade's own generator: reseeded with the clock's second at every call, so every number
// drawn within one second comes from the same seed, and two cascades started in the same second
// run the same course. rand() % n, with 0 taken as 1; n of 0 or less gives 1.
class CTimeSeededRandom : public ICascadeRandom {
public:
    using Clock = std::function<std::time_t()>;
    explicit CTimeSeededRandom(Clock clock = Clock());
    int Random(int n) override;

private:
    Clock m_clock;
};

class CWndCascade {
public:
    enum Direction { kChoose = 0, kLeft = 1, kRight = 2, kUp = 3, kDown = 4, kChooseHere = -1 };
    enum Result { kMoving = 0, kLeftWorkArea = 1, kReachedMiddle = 2 };

    // random: null for the time-seeded generator.
    explicit CWndCascade(const skin::Rect& workArea, ICascadeRandom* random = nullptr);
    virtual ~CWndCascade();
    CWndCascade(const CWndCascade&) = delete;
    CWndCascade& operator=(const CWndCascade&) = delete;

    // The size of the window being carried, read at every call.
    void SetWindowSize(int width, int height);
    void SetWorkArea(const skin::Rect& workArea) { m_workArea = workArea; }

    // The next top-left: kMoving, kLeftWorkArea (everything reset for a new crossing) or
    // kReachedMiddle (once per crossing: the call whose step reached or passed the middle).
    int NextPosition(skin::Point* point);

    void SetPosition(int x, int y) { m_position = skin::Point{x, y}; }
    // kChoose: a new crossing at the next call; kChooseHere: a new direction from where it is.
    void SetDirection(int direction) { m_direction = direction; }
    void SetStepX(int pixels) { m_stepX = pixels; }
    void SetStepY(int pixels) { m_stepY = pixels; }
    // Whether the middle was reached in this crossing.
    void SetWrapped(bool wrapped) { m_pastMiddle = wrapped; }
    void Reset();

    int GetDirection() const { return m_direction; }
    int GetStepX() const { return m_stepX; }
    int GetStepY() const { return m_stepY; }
    skin::Point GetPosition() const { return m_position; }
    bool IsWrapped() const { return m_pastMiddle; }

private:
    void ChooseDirection();
    void ChooseSteps();
    void MoveToStart();

    skin::Rect m_workArea;
    ICascadeRandom* m_random;
    CTimeSeededRandom m_ownRandom;
    int m_width = 0;
    int m_height = 0;
    int m_direction = kChoose;
    int m_stepX = 20;
    int m_stepY = 20;
    skin::Point m_position;
    bool m_pastMiddle = false;
};

