// A stand-in for the system's MCI, installed through SetMciSystem: a "cdaudio" device over a
// scripted disc (cdtest::FakeDisc: tracks, lengths, media, door, mode) and a "waveaudio" device
// whose recording is a WAV file the test supplies and whose plays are recorded (the file's bytes
// kept, since the player deletes its temporary files). Play and record ends are notified only
// when the test says so (MM_MCINOTIFY posted to the command's callback window); any command can
// fail with a code. Also a recording double of the auxiliary audio devices.
#pragma once

#include "phone_media/cdplayer/doubles/FakeDisc.h"
#include "phone_media/mci/MciSeam.h"

#include <map>
#include <string>
#include <vector>

namespace mcitest {

class CMciDouble : public IMciSystem {
public:
    struct Command {
        MCIDEVICEID device;
        UINT message;
        DWORD_PTR flags;
    };
    struct WavePlay {
        std::string file;
        std::vector<std::uint8_t> bytes;
        DWORD from;
    };

    CMciDouble();
    ~CMciDouble() override;

    // Installs itself for its lifetime.
    void Install();
    void Uninstall();

    cdtest::FakeDisc& Disc() { return m_disc; }
    // No CD drive at all: opening "cdaudio" fails as on a machine without one.
    void SetNoCdDrive(bool none) { m_noCdDrive = none; }
    // The WAV file (Windows path) that a recording saves.
    void SetRecording(const std::string& wavPath) { m_recording = wavPath; }
    // message fails with code from now on (0: succeeds again); device type "cdaudio",
    // "waveaudio" or "" for both.
    void FailOn(UINT message, MCIERROR code, const std::string& deviceType = "");

    // The ends the real devices would notify.
    bool EndCdPlay();   // the disc reached the end of the play command
    bool EndWavePlay(); // the wave finished playing
    bool EndRecording(); // the recording reached its limit

    const std::vector<Command>& Commands() const { return m_commands; }
    int Count(UINT message, const std::string& deviceType = "") const;
    const std::vector<WavePlay>& WavePlays() const { return m_wavePlays; }
    const std::vector<std::string>& Saves() const { return m_saves; }
    DWORD LastRecordLimit() const { return m_recordLimit; }
    const MCI_WAVE_SET_PARMS& LastWaveFormat() const { return m_waveFormat; }
    int OpenDevices() const { return static_cast<int>(m_devices.size()); }
    bool IsRecording() const { return m_recordCallback != nullptr; }

    MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters) override;
    BOOL GetErrorText(MCIERROR error, char* text, UINT size) override;

private:
    struct Device {
        std::string type;
        std::string element;
    };
    MCIERROR CdCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters);
    MCIERROR WaveCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters);
    void Notify(HWND* callback, MCIDEVICEID device, WPARAM code);

    cdtest::FakeDisc m_disc;
    bool m_noCdDrive = false;
    std::string m_recording;
    std::map<MCIDEVICEID, Device> m_devices;
    MCIDEVICEID m_nextId = 1;
    std::map<std::pair<UINT, std::string>, MCIERROR> m_failures;
    std::vector<Command> m_commands;
    std::vector<WavePlay> m_wavePlays;
    std::vector<std::string> m_saves;
    HWND m_cdCallback = nullptr;
    MCIDEVICEID m_cdDevice = 0;
    HWND m_playCallback = nullptr;
    MCIDEVICEID m_playDevice = 0;
    HWND m_recordCallback = nullptr;
    MCIDEVICEID m_recordDevice = 0;
    bool m_recorded = false;
    DWORD m_recordLimit = 0;
    MCI_WAVE_SET_PARMS m_waveFormat{};
    bool m_installed = false;
    IMciSystem* m_previous = nullptr;
};

class CAuxDouble : public cd::IAuxDevices {
public:
    std::vector<bool> volumeCaps;
    std::map<int, std::uint32_t> volumes;
    int setCalls = 0;
    int Count() override { return static_cast<int>(volumeCaps.size()); }
    bool SupportsVolume(int d) override { return d >= 0 && d < Count() && volumeCaps[static_cast<std::size_t>(d)]; }
    bool GetVolume(int d, std::uint32_t* v) override
    {
        auto it = volumes.find(d);
        if (it == volumes.end())
            return false;
        *v = it->second;
        return true;
    }
    bool SetVolume(int d, std::uint32_t v) override
    {
        ++setCalls;
        volumes[d] = v;
        return true;
    }
};

} // namespace mcitest
