// The sprite animation of the screen saver, free of windows: placement, movement, blocking and
// the watch for waiting messages. Random numbers, screen size, frame time and the registry read
// come from the caller, so that all of it runs the same in tests.
#pragma once

#include <functional>
#include <vector>

namespace saver {

// Every sprite occupies a cell of this size; the pictures are drawn at exactly this size.
const int kSpriteWidth = 208;
const int kSpriteHeight = 169;

const int kDefaultSetting = 8; // Count and Speed when the settings file has none
const int kMaxCount = 5;
const int kMaxSpeed = 50;
const int kCheckPeriodMs = 30000;
// A sprite that finds no free place within this many tries takes the last place it tried: a
// screen too small for all sprites must not hang the saver.
const int kMaxPlacementAttempts = 500;
// A sprite blocked by others for more frames than this jumps to a new place.
const int kMaxBlockedFrames = 5;

// Settings as stored may be anything; the saver works with 0..5 sprites and a speed of 0..50
// (a speed below 1 is raised to 1 when the animation starts).
int ClampCount(int count);
int ClampSpeed(int speed);
// Milliseconds between frames: 2000 / speed, with speed raised to at least 1.
int FramePeriodMs(int speed);

struct SpriteRecord {
    int image = 0;
    int x = 0;
    int y = 0;
    int dx = 0;
    int dy = 0;
    int blocked = 0;
};

struct Rect {
    int left, top, right, bottom;
};

bool Intersects(const Rect& a, const Rect& b);

// rand()-like source of non-negative numbers.
class IRandom {
public:
    virtual ~IRandom() = default;
    virtual int Next() = 0;
};

class SpriteField {
public:
    explicit SpriteField(IRandom& random) : m_random(&random) {}
    void SetRandom(IRandom& random) { m_random = &random; }

    // Places count sprites on a screen of the given size, each showing one of imageCount pictures;
    // client is the window's client area (the full screen, or the preview window).
    void Start(int count, int imageCount, int screenWidth, int screenHeight, const Rect& client);
    void Clear() { m_sprites.clear(); m_placed = 0; }

    void PlaceSprite(int i);
    bool OverlapsOther(int i, int x, int y) const;
    bool IsOutside(int i) const;
    void MoveSprite(int i);
    // One frame's step of sprite i: move, and place anew when it left the client area.
    void Step(int i);

    int Count() const { return static_cast<int>(m_sprites.size()); }
    const SpriteRecord& Sprite(int i) const { return m_sprites[static_cast<std::size_t>(i)]; }
    Rect SpriteRect(int i) const;

private:
    void NewDirection(SpriteRecord& s);

    IRandom* m_random;
    std::vector<SpriteRecord> m_sprites;
    // Sprites before this index have a place; those after it are not yet on the screen and
    // must not block anything.
    int m_placed = 0;
    int m_imageCount = 1;
    int m_screenWidth = 1;
    int m_screenHeight = 1;
    Rect m_client{0, 0, 0, 0};
};

// The check for waiting messages: every periodMs of frame time, until the pictures switched.
class ArrivalWatch {
public:
    explicit ArrivalWatch(int periodMs = kCheckPeriodMs) : m_periodMs(periodMs) {}

    // Accounts one frame; returns true exactly once, on the frame at which the pictures switch.
    bool OnFrame(int frameMs, const std::function<unsigned()>& readMessageArrive);
    bool Switched() const { return m_switched; }
    int Elapsed() const { return m_elapsed; }
    int Period() const { return m_periodMs; }

private:
    int m_periodMs;
    int m_elapsed = 0;
    bool m_switched = false;
};

} // namespace saver
