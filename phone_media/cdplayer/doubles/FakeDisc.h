// A scripted CD drive for tests: a disc of tracks with lengths, media present or not, the door,
// the mode and the position, play commands recorded, and any command made to fail with a code.
// Time moves only when the test says so (Advance, EndPlay).
#pragma once

#include "phone_media/cdplayer/CdEngine.h"

#include <map>
#include <string>
#include <vector>

namespace cdtest {

class FakeDisc : public cd::ICdDrive {
public:
    struct PlayCommand {
        cd::Tmsf from;
        cd::Tmsf to;
    };

    // Track lengths in seconds; an empty list is a drive without a disc.
    explicit FakeDisc(std::vector<int> trackSeconds = {}) : m_tracks(std::move(trackSeconds)) {}

    void InsertDisc(std::vector<int> trackSeconds)
    {
        m_tracks = std::move(trackSeconds);
        m_doorOpen = false;
        m_mode = cd::DriveMode::Stopped;
    }
    // The named command ("open", "close", "format", "tracks", "mode", "media", "position",
    // "length", "play", "stop", "pause", "door") fails with code from now on (0: succeeds again).
    void FailOn(const std::string& command, std::uint32_t code) { m_fail[command] = code; }
    // Playing: the position moves on by seconds, not past the end of the play command.
    void Advance(int seconds)
    {
        if (m_mode != cd::DriveMode::Playing)
            return;
        int at = m_position.minute * 60 + m_position.second + seconds;
        int end = m_playTo.minute * 60 + m_playTo.second;
        if (at > end)
            at = end;
        m_position.minute = at / 60;
        m_position.second = at % 60;
    }
    // The play command reached its end: the drive stops there.
    void EndPlay()
    {
        m_position = m_playTo;
        m_mode = cd::DriveMode::Stopped;
    }
    void SetMode(cd::DriveMode mode) { m_mode = mode; }

    const std::vector<PlayCommand>& Plays() const { return m_plays; }
    const std::vector<std::string>& Calls() const { return m_calls; }
    cd::DriveMode Mode() const { return m_mode; }
    bool DoorOpen() const { return m_doorOpen; }
    bool IsOpen() const { return m_open; }
    int TimeFormat() const { return m_format; }
    cd::Tmsf Position() const { return m_position; }
    bool HasDisc() const { return !m_tracks.empty() && !m_doorOpen; }
    int TrackCount() const { return static_cast<int>(m_tracks.size()); }

    std::uint32_t Open() override
    {
        if (std::uint32_t code = Check("open"))
            return code;
        m_open = true;
        return 0;
    }
    std::uint32_t Close() override
    {
        if (std::uint32_t code = Check("close"))
            return code;
        m_open = false;
        return 0;
    }
    std::uint32_t SetTimeFormat(int format) override
    {
        if (std::uint32_t code = Check("format"))
            return code;
        m_format = format;
        return 0;
    }
    std::uint32_t GetTrackCount(int* count) override
    {
        if (std::uint32_t code = Check("tracks"))
            return code;
        if (!HasDisc())
            return kNoMedia;
        *count = TrackCount();
        return 0;
    }
    std::uint32_t GetMode(cd::DriveMode* mode) override
    {
        if (std::uint32_t code = Check("mode"))
            return code;
        *mode = m_doorOpen ? cd::DriveMode::Open : m_mode;
        return 0;
    }
    std::uint32_t GetMediaPresent(bool* present) override
    {
        if (std::uint32_t code = Check("media"))
            return code;
        *present = HasDisc();
        return 0;
    }
    std::uint32_t GetPosition(cd::Tmsf* position) override
    {
        if (std::uint32_t code = Check("position"))
            return code;
        *position = m_position;
        if (m_format != cd::kFormatTmsf)
            position->track = 0;
        return 0;
    }
    std::uint32_t GetTrackLength(int track, cd::Tmsf* length) override
    {
        if (std::uint32_t code = Check("length"))
            return code;
        if (!HasDisc() || track < 1 || track > TrackCount())
            return kBadTrack;
        int seconds = m_tracks[static_cast<std::size_t>(track - 1)];
        *length = cd::Tmsf{0, seconds / 60, seconds % 60, 0};
        return 0;
    }
    std::uint32_t Play(const cd::Tmsf& from, const cd::Tmsf& to) override
    {
        if (std::uint32_t code = Check("play"))
            return code;
        if (!HasDisc())
            return kNoMedia;
        m_plays.push_back({from, to});
        m_playTo = to;
        m_position = from;
        m_mode = cd::DriveMode::Playing;
        return 0;
    }
    std::uint32_t Stop() override
    {
        if (std::uint32_t code = Check("stop"))
            return code;
        m_mode = cd::DriveMode::Stopped;
        return 0;
    }
    std::uint32_t Pause() override
    {
        if (std::uint32_t code = Check("pause"))
            return code;
        m_mode = cd::DriveMode::Paused;
        return 0;
    }
    std::uint32_t OpenDoor() override
    {
        if (std::uint32_t code = Check("door"))
            return code;
        m_doorOpen = true;
        m_mode = cd::DriveMode::Open;
        return 0;
    }

    static constexpr std::uint32_t kNoMedia = 0x0102;
    static constexpr std::uint32_t kBadTrack = 0x0103;

private:
    std::uint32_t Check(const char* command)
    {
        m_calls.push_back(command);
        auto it = m_fail.find(command);
        return it == m_fail.end() ? 0 : it->second;
    }

    std::vector<int> m_tracks;
    std::map<std::string, std::uint32_t> m_fail;
    std::vector<PlayCommand> m_plays;
    std::vector<std::string> m_calls;
    cd::DriveMode m_mode = cd::DriveMode::Stopped;
    cd::Tmsf m_position;
    cd::Tmsf m_playTo;
    bool m_doorOpen = false;
    bool m_open = false;
    int m_format = 0;
};

// Records what the engine reports.
class RecordingOwner : public cd::ICdEngineOwner {
public:
    struct Event {
        int event;
        long value;
        bool operator==(const Event& o) const { return event == o.event && value == o.value; }
    };
    void OnEngineEvent(int event, long value) override { events.push_back({event, value}); }
    void StartSecondTimer() override { timerRunning = true; }
    void StopSecondTimer() override { timerRunning = false; }
    std::vector<Event> events;
    bool timerRunning = false;
};

} // namespace cdtest
