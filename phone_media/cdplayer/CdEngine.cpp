#include "phone_media/cdplayer/CdEngine.h"

#include <algorithm>
#include <ctime>

namespace cd {

namespace {
// A small linear congruential generator (the C library's classic constants), so that an order
// depends only on its seed, whichever runtime built the program.
class OrderRandom {
public:
    explicit OrderRandom(std::uint32_t seed) : m_state(seed) {}
    unsigned Next()
    {
        m_state = m_state * 1103515245u + 12345u;
        return (m_state >> 16) & 0x7FFF;
    }

private:
    std::uint32_t m_state;
};
} // namespace

std::vector<std::uint8_t> BuildPlayOrder(int trackCount, bool random, std::uint32_t seed)
{
    std::vector<std::uint8_t> order;
    if (trackCount <= 0)
        return order;
    trackCount = std::min(trackCount, 255);
    order.reserve(static_cast<std::size_t>(trackCount));
    if (!random) {
        for (int t = 1; t <= trackCount; ++t)
            order.push_back(static_cast<std::uint8_t>(t));
        return order;
    }
    OrderRandom generator(seed);
    std::vector<bool> taken(static_cast<std::size_t>(trackCount) + 1, false);
    while (static_cast<int>(order.size()) < trackCount) {
        int track = static_cast<int>(generator.Next() % static_cast<unsigned>(trackCount)) + 1;
        if (taken[static_cast<std::size_t>(track)])
            continue;
        taken[static_cast<std::size_t>(track)] = true;
        order.push_back(static_cast<std::uint8_t>(track));
    }
    return order;
}

CCdEngine::CCdEngine(ICdDrive& drive, ICdEngineOwner& owner)
    : m_drive(drive), m_owner(owner), m_seed([] { return static_cast<std::uint32_t>(std::time(nullptr)); })
{
}

bool CCdEngine::Failed(std::uint32_t code)
{
    if (code == 0)
        return false;
    m_lastError = code;
    return true;
}

bool CCdEngine::SetTimeFormat(int format)
{
    if (m_format == format)
        return true;
    if (Failed(m_drive.SetTimeFormat(format)))
        return false;
    m_format = format;
    return true;
}

int CCdEngine::Open()
{
    m_lastError = 0;
    if (m_open)
        Close();
    if (Failed(m_drive.Open()))
        return -1;
    m_open = true;
    m_format = 0;
    if (!SetTimeFormat(kFormatTmsf)) {
        m_drive.Close();
        m_open = false;
        return -2;
    }
    DriveMode mode = DriveMode::Other;
    if (m_drive.GetMode(&mode) == 0 && mode == DriveMode::Playing)
        Stop();
    return 0;
}

void CCdEngine::Close()
{
    if (!m_open)
        return;
    Failed(m_drive.Close());
    m_open = false;
    m_format = 0;
}

int CCdEngine::GetTrackCount()
{
    if (!m_open)
        return 255;
    int count = 0;
    if (Failed(m_drive.GetTrackCount(&count)))
        return 0;
    return std::clamp(count, 0, 255);
}

bool CCdEngine::IsPlaying(bool pauseCounts)
{
    if (!m_open)
        return true;
    DriveMode mode = DriveMode::Other;
    if (Failed(m_drive.GetMode(&mode)))
        return false;
    return mode == DriveMode::Playing || (pauseCounts && mode == DriveMode::Paused);
}

bool CCdEngine::IsMediaPresent()
{
    if (!m_open)
        return false;
    bool present = false;
    if (Failed(m_drive.GetMediaPresent(&present)))
        return true;
    return present;
}

bool CCdEngine::GetPosition(Tmsf* position, bool withTrack)
{
    *position = Tmsf{};
    if (!SetTimeFormat(withTrack ? kFormatTmsf : kFormatMsf))
        return false;
    Tmsf got;
    if (Failed(m_drive.GetPosition(&got)))
        return false;
    *position = got;
    if (!withTrack)
        position->track = 0;
    return true;
}

void CCdEngine::BuildOrder()
{
    m_order = BuildPlayOrder(GetTrackCount(), m_random, m_seed ? m_seed() : 0);
}

void CCdEngine::FreeOrder()
{
    m_order.clear();
    m_position = 1;
    m_previous = 0;
}

bool CCdEngine::PlayTrackFrom(int track, int minute, int second)
{
    if (!SetTimeFormat(kFormatTmsf))
        return false;
    Tmsf length;
    if (Failed(m_drive.GetTrackLength(track, &length)))
        return false;
    Tmsf from{track, minute, second, 0};
    Tmsf to{track, length.minute, length.second, length.frame};
    return !Failed(m_drive.Play(from, to));
}

bool CCdEngine::Play()
{
    m_lastError = 0;
    if (m_order.empty())
        BuildOrder();
    if (!IsMediaPresent())
        return false;
    if (m_paused) {
        Tmsf at = m_saved;
        m_paused = false;
        m_saved = Tmsf{};
        if (!PlayTrackFrom(at.track, at.minute, at.second))
            return false;
    } else {
        m_owner.StopSecondTimer();
        m_elapsed = 0;
        if (m_order.empty())
            return false;
        // A disc changed under the order: start again from its first place.
        if (m_position < 1 || m_position > static_cast<int>(m_order.size())) {
            m_position = 1;
            m_previous = 0;
        }
        int distance = m_position - m_previous;
        if (distance >= -1 && distance <= 1) {
            int track = m_order[static_cast<std::size_t>(m_position - 1)];
            if (!PlayTrackFrom(track, 0, 0))
                return false;
            m_previous = m_position;
            m_owner.OnEngineEvent(kEventTrackStarted, track);
        }
    }
    m_owner.StartSecondTimer();
    return true;
}

bool CCdEngine::Next()
{
    m_lastError = 0;
    m_paused = false;
    if (m_order.empty())
        BuildOrder();
    int last = static_cast<int>(m_order.size());
    if (m_position < last) {
        m_previous = m_position;
        ++m_position;
        return Play();
    }
    if (m_repeatAll) {
        m_previous = 0;
        m_position = 1;
        return Play();
    }
    if (IsPlaying(false))
        return false;
    m_previous = 0;
    m_position = 1;
    m_owner.OnEngineEvent(kEventStopped, GetTrackCount());
    return false;
}

bool CCdEngine::Prev()
{
    m_lastError = 0;
    m_paused = false;
    Tmsf at;
    bool known = GetPosition(&at, true);
    if (m_position > 1 && known && at.minute == 0 && at.second == 0) {
        m_previous = m_position;
        --m_position;
    } else if (m_position == 1) {
        m_previous = 2;
    } else {
        m_previous = m_position;
    }
    return Play();
}

bool CCdEngine::Stop()
{
    m_lastError = 0;
    m_paused = false;
    if (Failed(m_drive.Stop()))
        return false;
    m_owner.OnEngineEvent(kEventStopped, GetTrackCount());
    m_owner.StopSecondTimer();
    m_elapsed = 0;
    FreeOrder();
    return true;
}

bool CCdEngine::Pause()
{
    m_lastError = 0;
    DriveMode mode = DriveMode::Other;
    if (Failed(m_drive.GetMode(&mode)) || mode != DriveMode::Playing)
        return false;
    Tmsf at;
    if (!GetPosition(&at, true))
        return false;
    m_paused = true;
    m_saved = Tmsf{at.track, at.minute, at.second, 0};
    if (Failed(m_drive.Pause())) {
        m_paused = false;
        m_saved = Tmsf{};
        return false;
    }
    m_owner.StopSecondTimer();
    return true;
}

bool CCdEngine::Eject()
{
    m_lastError = 0;
    m_repeatOne = m_repeatAll = m_random = false;
    bool ok = !Failed(m_drive.OpenDoor());
    if (ok) {
        m_owner.OnEngineEvent(kEventEjected, 0);
        m_owner.StopSecondTimer();
        m_elapsed = 0;
        FreeOrder();
    }
    m_paused = false;
    return ok;
}

bool CCdEngine::ToggleRepeatOne()
{
    m_repeatAll = false;
    m_repeatOne = !m_repeatOne;
    return m_repeatOne;
}

bool CCdEngine::ToggleRepeatAll()
{
    m_repeatOne = false;
    m_repeatAll = !m_repeatAll;
    return m_repeatAll;
}

bool CCdEngine::ToggleRandom()
{
    m_lastError = 0;
    m_paused = false;
    m_random = !m_random;
    if (m_open && IsPlaying(false))
        Stop();
    BuildOrder();
    m_position = 1;
    m_previous = 0;
    return m_random;
}

void CCdEngine::OnPlayEnded(bool successful)
{
    if (!successful)
        return;
    if (m_repeatOne && !m_repeatAll) {
        m_previous = m_position - 1;
        Play();
        return;
    }
    Next();
}

void CCdEngine::OnSecond()
{
    DriveMode mode = DriveMode::Other;
    if (!m_open || m_drive.GetMode(&mode) != 0 || mode != DriveMode::Playing)
        return;
    ++m_elapsed;
    m_owner.OnEngineEvent(kEventSecond, m_elapsed);
}

Latches ApplyPlayState(int state, const Latches& current)
{
    Latches l = current;
    switch (state) {
    case kStatePlaying: l.play = true; l.pause = false; break;
    case kStatePaused: l.play = false; l.pause = true; break;
    case kStateRandomOn: l.play = l.pause = false; l.random = true; break;
    case kStateRepeatOneOn: l.repeatOne = true; l.repeatAll = false; break;
    case kStateBack:
    case kStateNext:
    case kStateStopped: l.play = l.pause = false; break;
    case kStateRepeatOneOff: l.repeatOne = false; break;
    case kStateRandomOff: l.play = l.pause = false; l.random = false; break;
    case kStateRepeatAllOn: l.repeatOne = false; l.repeatAll = true; break;
    case kStateRepeatAllOff: l.repeatAll = false; break;
    default: l = Latches{}; break;
    }
    return l;
}

std::uint32_t AuxVolumeWord(int percent)
{
    percent = std::clamp(percent, 0, 100);
    return static_cast<std::uint32_t>(percent) * 65535u / 100u;
}

void SetAuxVolume(IAuxDevices& devices, int percent)
{
    std::uint32_t word = AuxVolumeWord(percent);
    std::uint32_t both = word | (word << 16);
    int count = devices.Count();
    for (int d = 0; d < count; ++d)
        if (devices.SupportsVolume(d))
            devices.SetVolume(d, both);
}

int GetAuxVolume(IAuxDevices& devices)
{
    int count = devices.Count();
    if (count <= 0)
        return -1;
    int percent = 0;
    for (int d = 0; d < count; ++d) {
        std::uint32_t volume = 0;
        if (devices.SupportsVolume(d) && devices.GetVolume(d, &volume))
            percent = static_cast<int>((volume & 0xFFFF) * 100u / 65535u);
    }
    return percent;
}

} // namespace cd
