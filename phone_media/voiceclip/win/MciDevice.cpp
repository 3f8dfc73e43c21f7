#include "phone_media/voiceclip/win/MciDevice.h"

#include "phone_media/mci/MciSeam.h"

#include <cstring>

bool CMciDevice::Check(MCIERROR result)
{
    if (result == 0)
        return true;
    m_lastError = result;
    m_errorText[0] = '\0';
    if (!Mci().GetErrorText(result, m_errorText, sizeof m_errorText))
        m_errorText[0] = '\0';
    m_errorText[sizeof m_errorText - 1] = '\0';
    return false;
}

int CMciDevice::Open(int kind, HWND owner, MCIDEVICEID* device, const char* file)
{
    (void)owner;
    if (kind != 1)
        return 0;
    MCI_OPEN_PARMSA open{};
    open.lpstrDeviceType = "waveaudio";
    open.lpstrElementName = file ? file : "";
    if (!Check(Mci().SendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&open))))
        return 0;
    m_device = open.wDeviceID;
    if (device)
        *device = open.wDeviceID;
    return 1;
}

int CMciDevice::Close(HWND, MCIDEVICEID device)
{
    MCI_GENERIC_PARMS close{};
    return Check(Mci().SendCommand(device, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close))) ? 0 : 1;
}

int CMciDevice::SetTimeFormat(HWND, MCIDEVICEID device, DWORD format)
{
    MCI_SET_PARMS set{};
    set.dwTimeFormat = format;
    return Check(Mci().SendCommand(device, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set))) ? 1 : 0;
}

int CMciDevice::Play(HWND owner, MCIDEVICEID device, DWORD from)
{
    if (!SetTimeFormat(owner, device, MCI_FORMAT_MILLISECONDS))
        return 0;
    MCI_PLAY_PARMS play{};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(m_owner);
    play.dwFrom = from;
    return Check(Mci().SendCommand(device, MCI_PLAY, MCI_NOTIFY | MCI_FROM, reinterpret_cast<DWORD_PTR>(&play))) ? 1 : 0;
}

int CMciDevice::Stop(HWND, MCIDEVICEID device)
{
    MCI_GENERIC_PARMS stop{};
    return Check(Mci().SendCommand(device, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&stop))) ? 1 : 0;
}

int CMciDevice::Record(HWND owner, MCIDEVICEID device, DWORD limitMs)
{
    if (!SetTimeFormat(owner, device, MCI_FORMAT_MILLISECONDS))
        return 0;
    if (!SetWaveFormat(owner, device, FALSE, 8000))
        return 0;
    MCI_RECORD_PARMS record{};
    record.dwCallback = reinterpret_cast<DWORD_PTR>(m_owner);
    record.dwTo = limitMs;
    return Check(Mci().SendCommand(device, MCI_RECORD, MCI_NOTIFY | MCI_TO, reinterpret_cast<DWORD_PTR>(&record))) ? 1 : 0;
}

int CMciDevice::Save(HWND, MCIDEVICEID device, const char* file)
{
    MCI_SAVE_PARMSA save{};
    save.lpfilename = file;
    return Check(Mci().SendCommand(device, MCI_SAVE, MCI_WAIT | MCI_SAVE_FILE, reinterpret_cast<DWORD_PTR>(&save))) ? 1 : 0;
}

int CMciDevice::SetWaveFormat(HWND, MCIDEVICEID device, BOOL sixteenBits, DWORD rate)
{
    MCI_WAVE_SET_PARMS set{};
    set.nChannels = 1;
    set.nSamplesPerSec = rate;
    set.wBitsPerSample = static_cast<WORD>(sixteenBits ? 16 : 8);
    set.nBlockAlign = static_cast<WORD>(set.wBitsPerSample / 8);
    set.nAvgBytesPerSec = set.nBlockAlign * rate;
    DWORD flags = MCI_WAVE_SET_CHANNELS | MCI_WAVE_SET_SAMPLESPERSEC | MCI_WAVE_SET_AVGBYTESPERSEC |
                  MCI_WAVE_SET_BLOCKALIGN | MCI_WAVE_SET_BITSPERSAMPLE;
    return Check(Mci().SendCommand(device, MCI_SET, flags, reinterpret_cast<DWORD_PTR>(&set))) ? 1 : 0;
}
