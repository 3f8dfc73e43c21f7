// CMciDevice: a thin wrapper around the MCI "waveaudio" device (through the program's MCI seam)
// that keeps the last error code and its text. Close answers 0 on success; every other command
// 1 on success and 0 on failure.
#pragma once

#include <windows.h>

#include <mmsystem.h>

class CMciDevice {
public:
    explicit CMciDevice(HWND owner) : m_owner(owner) {}
    virtual ~CMciDevice() = default;

    // kind 1: "waveaudio" with file as its element (null or empty: a new recording).
    int Open(int kind, HWND owner, MCIDEVICEID* device, const char* file);
    int Close(HWND owner, MCIDEVICEID device);
    int SetTimeFormat(HWND owner, MCIDEVICEID device, DWORD format);
    int Play(HWND owner, MCIDEVICEID device, DWORD from);
    int Stop(HWND owner, MCIDEVICEID device);
    int Record(HWND owner, MCIDEVICEID device, DWORD limitMs);
    int Save(HWND owner, MCIDEVICEID device, const char* file);
    int SetWaveFormat(HWND owner, MCIDEVICEID device, BOOL sixteenBits, DWORD rate);

    MCIDEVICEID GetDeviceId() const { return m_device; }
    MCIERROR GetLastError() const { return m_lastError; }
    const char* GetLastErrorText() const { return m_errorText; }

private:
    bool Check(MCIERROR result);

    MCIDEVICEID m_device = 0;
    HWND m_owner;
    MCIERROR m_lastError = 0;
    char m_errorText[129] = {};
};
