// The CD audio engine's decisions, portable: the play order (plain or a random permutation),
// play, pause and resume, next and back, repeat one and repeat all, stop and eject, over a
// small drive interface that the program fills with the MCI CD audio device and tests with a
// scripted disc. It reports to its owner through an event interface (the program turns the
// events into the message 0x446 and a one-second timer).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace cd {

// Time formats of the drive (the MCI values).
constexpr int kFormatMsf = 2;
constexpr int kFormatTmsf = 10;

enum class DriveMode { NotReady, Stopped, Playing, Paused, Seeking, Open, Other };

// A position or a length: track (0 in MSF), minutes, seconds, frames.
struct Tmsf {
    int track = 0;
    int minute = 0;
    int second = 0;
    int frame = 0;
};

// The CD drive. Every call answers 0 on success, else the device's error code.
class ICdDrive {
public:
    virtual ~ICdDrive() = default;
    virtual std::uint32_t Open() = 0; // shareable
    virtual std::uint32_t Close() = 0;
    virtual std::uint32_t SetTimeFormat(int format) = 0;
    virtual std::uint32_t GetTrackCount(int* count) = 0;
    virtual std::uint32_t GetMode(DriveMode* mode) = 0;
    virtual std::uint32_t GetMediaPresent(bool* present) = 0;
    // The current position in the current time format.
    virtual std::uint32_t GetPosition(Tmsf* position) = 0;
    // A track's length as minutes, seconds and frames.
    virtual std::uint32_t GetTrackLength(int track, Tmsf* length) = 0;
    // Plays from..to (TMSF) and notifies the engine's window when the play ends.
    virtual std::uint32_t Play(const Tmsf& from, const Tmsf& to) = 0;
    virtual std::uint32_t Stop() = 0;
    virtual std::uint32_t Pause() = 0;
    // Opens the door without waiting for it.
    virtual std::uint32_t OpenDoor() = 0;
};

// What the engine reports: the events of 0x446 and its one-second timer.
enum EngineEvent { kEventStopped = 0, kEventTrackStarted = 1, kEventEjected = 2, kEventSecond = 3 };

class ICdEngineOwner {
public:
    virtual ~ICdEngineOwner() = default;
    virtual void OnEngineEvent(int event, long value) = 0;
    virtual void StartSecondTimer() = 0;
    virtual void StopSecondTimer() = 0;
};

// The play order of n tracks: 1..n, or with random a permutation drawn with a generator seeded
// by seed (each place takes next() mod n + 1, drawn again while already taken). Empty for n <= 0.
std::vector<std::uint8_t> BuildPlayOrder(int trackCount, bool random, std::uint32_t seed);

class CCdEngine {
public:
    CCdEngine(ICdDrive& drive, ICdEngineOwner& owner);

    // 0 on success, -1 when the device does not open, -2 when it takes no TMSF time format.
    int Open();
    void Close();

    bool Play();
    bool Stop();
    bool Pause();
    bool Next();
    bool Prev();
    bool Eject();
    bool ToggleRepeatOne();
    bool ToggleRepeatAll();
    bool ToggleRandom();

    // The drive's play notification; only a successful end counts.
    void OnPlayEnded(bool successful);
    // The one-second timer.
    void OnSecond();

    int GetTrackCount();
    bool IsPlaying(bool pauseCounts);
    // True when a disc is there; also true (the device's answer unknown) when the status fails.
    bool IsMediaPresent();
    bool GetPosition(Tmsf* position, bool withTrack);

    bool IsOpen() const { return m_open; }
    std::uint32_t LastError() const { return m_lastError; }
    bool RepeatOne() const { return m_repeatOne; }
    bool RepeatAll() const { return m_repeatAll; }
    bool Random() const { return m_random; }
    bool Paused() const { return m_paused; }
    void SetRepeatOne(bool on) { m_repeatOne = on; }
    void SetRepeatAll(bool on) { m_repeatAll = on; }
    void SetRandom(bool on) { m_random = on; }
    int OrderPosition() const { return m_position; }
    const std::vector<std::uint8_t>& Order() const { return m_order; }
    int ElapsedSeconds() const { return m_elapsed; }
    // The seed of the next random order (tests); by default the current time in seconds.
    void SetSeedSource(std::function<std::uint32_t()> source) { m_seed = std::move(source); }

private:
    bool Failed(std::uint32_t code);
    bool SetTimeFormat(int format);
    bool PlayTrackFrom(int track, int minute, int second);
    void BuildOrder();
    void FreeOrder();

    ICdDrive& m_drive;
    ICdEngineOwner& m_owner;
    int m_format = 0;
    bool m_open = false;
    std::uint32_t m_lastError = 0;
    bool m_repeatOne = false;
    bool m_repeatAll = false;
    bool m_paused = false;
    int m_position = 1;
    Tmsf m_saved;
    std::vector<std::uint8_t> m_order;
    bool m_random = false;
    int m_previous = 0;
    int m_elapsed = 0;
    std::function<std::uint32_t()> m_seed;
};

// The player's buttons that latch, and what each UI state does to them.
struct Latches {
    bool play = false;
    bool pause = false;
    bool repeatOne = false;
    bool repeatAll = false;
    bool random = false;
    bool operator==(const Latches& o) const
    {
        return play == o.play && pause == o.pause && repeatOne == o.repeatOne && repeatAll == o.repeatAll &&
               random == o.random;
    }
};
Latches ApplyPlayState(int state, const Latches& current);

// The player's UI states.
enum PlayState {
    kStateOff = 0, kStatePlaying = 1, kStatePaused = 2, kStateRandomOn = 3, kStateRepeatOneOn = 4,
    kStateEjected = 5, kStateBack = 6, kStateNext = 7, kStateStopped = 8, kStateRepeatOneOff = 9,
    kStateRandomOff = 10, kStateRepeatAllOn = 11, kStateRepeatAllOff = 12
};

// The auxiliary audio devices (the volume of the CD drive's output).
class IAuxDevices {
public:
    virtual ~IAuxDevices() = default;
    virtual int Count() = 0;
    virtual bool SupportsVolume(int device) = 0;
    virtual bool GetVolume(int device, std::uint32_t* volume) = 0;
    virtual bool SetVolume(int device, std::uint32_t volume) = 0;
};
// percent clamped to 0..100 and scaled to 0..65535, on both channels of every device with volume.
void SetAuxVolume(IAuxDevices& devices, int percent);
// -1 without devices; the low word of the last device with volume as percent; 0 when none has
// volume control.
int GetAuxVolume(IAuxDevices& devices);
std::uint32_t AuxVolumeWord(int percent);

} // namespace cd
