#include "saver/SpriteField.h"

#include <algorithm>

namespace saver {

int ClampCount(int count) { return std::clamp(count, 0, kMaxCount); }
int ClampSpeed(int speed) { return std::clamp(speed, 0, kMaxSpeed); }
int FramePeriodMs(int speed) { return 2000 / std::max(speed, 1); }

bool Intersects(const Rect& a, const Rect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom &&
           a.left < a.right && a.top < a.bottom && b.left < b.right && b.top < b.bottom;
}

void SpriteField::Start(int count, int imageCount, int screenWidth, int screenHeight, const Rect& client)
{
    m_sprites.assign(static_cast<std::size_t>(ClampCount(count)), SpriteRecord());
    m_imageCount = std::max(imageCount, 1);
    m_screenWidth = std::max(screenWidth, 1);
    m_screenHeight = std::max(screenHeight, 1);
    m_client = client;
    m_placed = 0;
    for (int i = 0; i < Count(); ++i) {
        PlaceSprite(i);
        m_placed = i + 1;
    }
}

Rect SpriteField::SpriteRect(int i) const
{
    const SpriteRecord& s = Sprite(i);
    return Rect{s.x, s.y, s.x + kSpriteWidth, s.y + kSpriteHeight};
}

void SpriteField::NewDirection(SpriteRecord& s)
{
    do {
        s.dx = m_random->Next() % 5 - 2;
        s.dy = m_random->Next() % 5 - 2;
    } while (s.dx == 0 && s.dy == 0);
}

void SpriteField::PlaceSprite(int i)
{
    SpriteRecord& s = m_sprites[static_cast<std::size_t>(i)];
    for (int attempt = 0; attempt < kMaxPlacementAttempts; ++attempt) {
        s.image = m_random->Next() % m_imageCount;
        s.x = m_random->Next() % m_screenWidth;
        s.y = m_random->Next() % m_screenHeight;
        NewDirection(s);
        s.blocked = 0;
        if (!OverlapsOther(i, s.x, s.y))
            return;
    }
}

bool SpriteField::OverlapsOther(int i, int x, int y) const
{
    Rect candidate{x, y, x + kSpriteWidth, y + kSpriteHeight};
    int limit = std::max(m_placed, i + 1);
    for (int j = 0; j < limit && j < Count(); ++j) {
        if (j != i && Intersects(candidate, SpriteRect(j)))
            return true;
    }
    return false;
}

bool SpriteField::IsOutside(int i) const { return !Intersects(SpriteRect(i), m_client); }

void SpriteField::MoveSprite(int i)
{
    SpriteRecord& s = m_sprites[static_cast<std::size_t>(i)];
    int x = s.x + s.dx, y = s.y + s.dy;
    if (OverlapsOther(i, x, y)) {
        ++s.blocked;
        NewDirection(s);
        if (s.blocked > kMaxBlockedFrames)
            PlaceSprite(i);
        return;
    }
    s.blocked = 0;
    s.x = x;
    s.y = y;
}

void SpriteField::Step(int i)
{
    MoveSprite(i);
    if (IsOutside(i))
        PlaceSprite(i);
}

bool ArrivalWatch::OnFrame(int frameMs, const std::function<unsigned()>& readMessageArrive)
{
    if (m_switched)
        return false;
    m_elapsed += frameMs;
    if (m_elapsed <= m_periodMs)
        return false;
    m_elapsed = 0;
    if (readMessageArrive() > 0) {
        m_switched = true;
        return true;
    }
    return false;
}

} // namespace saver
