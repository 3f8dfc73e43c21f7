// The CD engine's drive over the MCI "cdaudio" device (through the program's MCI seam): commands
// wait for the device except the door opening and the play command, whose end is notified to
// the notify window (MM_MCINOTIFY).
#pragma once

#include "phone_media/cdplayer/CdEngine.h"

#include <windows.h>

#include <mmsystem.h>

class CMciCdDrive : public cd::ICdDrive {
public:
    explicit CMciCdDrive(HWND notifyWindow = nullptr) : m_notify(notifyWindow) {}
    void SetNotifyWindow(HWND window) { m_notify = window; }
    MCIDEVICEID DeviceId() const { return m_device; }

    std::uint32_t Open() override;
    std::uint32_t Close() override;
    std::uint32_t SetTimeFormat(int format) override;
    std::uint32_t GetTrackCount(int* count) override;
    std::uint32_t GetMode(cd::DriveMode* mode) override;
    std::uint32_t GetMediaPresent(bool* present) override;
    std::uint32_t GetPosition(cd::Tmsf* position) override;
    std::uint32_t GetTrackLength(int track, cd::Tmsf* length) override;
    std::uint32_t Play(const cd::Tmsf& from, const cd::Tmsf& to) override;
    std::uint32_t Stop() override;
    std::uint32_t Pause() override;
    std::uint32_t OpenDoor() override;

private:
    std::uint32_t Status(DWORD item, DWORD_PTR* value, DWORD track = 0);

    HWND m_notify;
    MCIDEVICEID m_device = 0;
    int m_format = 0;
};
