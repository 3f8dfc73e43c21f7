#include "phone_media/mci/doubles/MciDouble.h"

#include <cstdio>
#include <cstring>
#include <fstream>

namespace mcitest {

namespace {
// Error codes in the MCI range that the double answers with.
constexpr MCIERROR kNoDevice = MCIERR_BASE + 7;     // like MCIERR_INVALID_DEVICE_NAME
constexpr MCIERROR kBadDevice = MCIERR_BASE + 1;    // like MCIERR_INVALID_DEVICE_ID
constexpr MCIERROR kNotSupported = MCIERR_BASE + 18; // like MCIERR_UNSUPPORTED_FUNCTION
constexpr MCIERROR kFileError = MCIERR_BASE + 75;

std::vector<std::uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

DWORD ModeValue(cd::DriveMode mode)
{
    switch (mode) {
    case cd::DriveMode::NotReady: return MCI_MODE_NOT_READY;
    case cd::DriveMode::Stopped: return MCI_MODE_STOP;
    case cd::DriveMode::Playing: return MCI_MODE_PLAY;
    case cd::DriveMode::Paused: return MCI_MODE_PAUSE;
    case cd::DriveMode::Seeking: return MCI_MODE_SEEK;
    case cd::DriveMode::Open: return MCI_MODE_OPEN;
    default: return MCI_MODE_NOT_READY;
    }
}
} // namespace

CMciDouble::CMciDouble() = default;

CMciDouble::~CMciDouble() { Uninstall(); }

void CMciDouble::Install()
{
    if (m_installed)
        return;
    m_previous = SetMciSystem(this);
    m_installed = true;
}

void CMciDouble::Uninstall()
{
    if (!m_installed)
        return;
    SetMciSystem(m_previous);
    m_installed = false;
}

void CMciDouble::FailOn(UINT message, MCIERROR code, const std::string& deviceType)
{
    m_failures[{message, deviceType}] = code;
}

int CMciDouble::Count(UINT message, const std::string& deviceType) const
{
    int n = 0;
    for (const Command& c : m_commands) {
        if (c.message != message)
            continue;
        if (!deviceType.empty()) {
            // Device types are remembered only while open; opens carry no id yet.
            auto it = m_devices.find(c.device);
            if (it == m_devices.end() || it->second.type != deviceType)
                continue;
        }
        ++n;
    }
    return n;
}

void CMciDouble::Notify(HWND* callback, MCIDEVICEID device, WPARAM code)
{
    if (*callback)
        ::PostMessageA(*callback, MM_MCINOTIFY, code, static_cast<LPARAM>(device));
    *callback = nullptr;
}

BOOL CMciDouble::GetErrorText(MCIERROR error, char* text, UINT size)
{
    if (!text || size == 0)
        return FALSE;
    std::snprintf(text, size, "MCI double error %lu", static_cast<unsigned long>(error));
    return TRUE;
}

MCIERROR CMciDouble::SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters)
{
    m_commands.push_back({device, message, flags});
    std::string type;
    if (message == MCI_OPEN) {
        auto* open = reinterpret_cast<MCI_OPEN_PARMSA*>(parameters);
        if ((flags & MCI_OPEN_TYPE_ID) &&
            LOWORD(reinterpret_cast<DWORD_PTR>(open->lpstrDeviceType)) == MCI_DEVTYPE_CD_AUDIO)
            type = "cdaudio";
        else if ((flags & MCI_OPEN_TYPE) && !(flags & MCI_OPEN_TYPE_ID) && open->lpstrDeviceType)
            type = open->lpstrDeviceType;
    } else {
        auto it = m_devices.find(device);
        if (it == m_devices.end())
            return kBadDevice;
        type = it->second.type;
    }
    for (const std::string& key : {type, std::string()}) {
        auto failure = m_failures.find({message, key});
        if (failure != m_failures.end() && failure->second != 0)
            return failure->second;
    }
    if (type == "cdaudio")
        return CdCommand(device, message, flags, parameters);
    if (type == "waveaudio")
        return WaveCommand(device, message, flags, parameters);
    return kNoDevice;
}

MCIERROR CMciDouble::CdCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters)
{
    switch (message) {
    case MCI_OPEN: {
        if (m_noCdDrive)
            return kNoDevice;
        if (std::uint32_t code = m_disc.Open())
            return code;
        auto* open = reinterpret_cast<MCI_OPEN_PARMSA*>(parameters);
        open->wDeviceID = m_nextId++;
        m_devices[open->wDeviceID] = Device{"cdaudio", ""};
        m_cdDevice = open->wDeviceID;
        return 0;
    }
    case MCI_CLOSE: {
        std::uint32_t code = m_disc.Close();
        if (code)
            return code;
        if (m_cdCallback)
            Notify(&m_cdCallback, device, MCI_NOTIFY_ABORTED);
        m_devices.erase(device);
        return 0;
    }
    case MCI_SET: {
        auto* set = reinterpret_cast<MCI_SET_PARMS*>(parameters);
        if (flags & MCI_SET_DOOR_OPEN) {
            if (m_cdCallback)
                Notify(&m_cdCallback, device, MCI_NOTIFY_ABORTED);
            return m_disc.OpenDoor();
        }
        if (flags & MCI_SET_TIME_FORMAT)
            return m_disc.SetTimeFormat(static_cast<int>(set->dwTimeFormat));
        return kNotSupported;
    }
    case MCI_STATUS: {
        auto* status = reinterpret_cast<MCI_STATUS_PARMS*>(parameters);
        switch (status->dwItem) {
        case MCI_STATUS_NUMBER_OF_TRACKS: {
            int n = 0;
            std::uint32_t code = m_disc.GetTrackCount(&n);
            status->dwReturn = static_cast<DWORD_PTR>(n);
            return code;
        }
        case MCI_STATUS_MODE: {
            cd::DriveMode mode;
            std::uint32_t code = m_disc.GetMode(&mode);
            status->dwReturn = ModeValue(mode);
            return code;
        }
        case MCI_STATUS_MEDIA_PRESENT: {
            bool present = false;
            std::uint32_t code = m_disc.GetMediaPresent(&present);
            status->dwReturn = present ? TRUE : FALSE;
            return code;
        }
        case MCI_STATUS_POSITION: {
            cd::Tmsf p;
            std::uint32_t code = m_disc.GetPosition(&p);
            status->dwReturn = m_disc.TimeFormat() == cd::kFormatTmsf
                                   ? MCI_MAKE_TMSF(p.track, p.minute, p.second, p.frame)
                                   : MCI_MAKE_MSF(p.minute, p.second, p.frame);
            return code;
        }
        case MCI_STATUS_LENGTH: {
            if (!(flags & MCI_TRACK))
                return kNotSupported;
            cd::Tmsf length;
            std::uint32_t code = m_disc.GetTrackLength(static_cast<int>(status->dwTrack), &length);
            status->dwReturn = MCI_MAKE_MSF(length.minute, length.second, length.frame);
            return code;
        }
        default:
            return kNotSupported;
        }
    }
    case MCI_PLAY: {
        auto* play = reinterpret_cast<MCI_PLAY_PARMS*>(parameters);
        DWORD from = static_cast<DWORD>(play->dwFrom);
        DWORD to = static_cast<DWORD>(play->dwTo);
        cd::Tmsf f{MCI_TMSF_TRACK(from), MCI_TMSF_MINUTE(from), MCI_TMSF_SECOND(from), MCI_TMSF_FRAME(from)};
        cd::Tmsf t{MCI_TMSF_TRACK(to), MCI_TMSF_MINUTE(to), MCI_TMSF_SECOND(to), MCI_TMSF_FRAME(to)};
        std::uint32_t code = m_disc.Play(f, t);
        if (code)
            return code;
        if (m_cdCallback)
            Notify(&m_cdCallback, device, MCI_NOTIFY_SUPERSEDED);
        if (flags & MCI_NOTIFY)
            m_cdCallback = reinterpret_cast<HWND>(play->dwCallback);
        return 0;
    }
    case MCI_STOP:
    case MCI_PAUSE: {
        std::uint32_t code = message == MCI_STOP ? m_disc.Stop() : m_disc.Pause();
        if (code == 0 && m_cdCallback)
            Notify(&m_cdCallback, device, MCI_NOTIFY_ABORTED);
        return code;
    }
    default:
        return kNotSupported;
    }
}

bool CMciDouble::EndCdPlay()
{
    if (!m_cdCallback || m_disc.Mode() != cd::DriveMode::Playing)
        return false;
    m_disc.EndPlay();
    Notify(&m_cdCallback, m_cdDevice, MCI_NOTIFY_SUCCESSFUL);
    return true;
}

MCIERROR CMciDouble::WaveCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters)
{
    switch (message) {
    case MCI_OPEN: {
        auto* open = reinterpret_cast<MCI_OPEN_PARMSA*>(parameters);
        std::string element = (flags & MCI_OPEN_ELEMENT) && open->lpstrElementName ? open->lpstrElementName : "";
        if (!element.empty() && ReadAll(element).empty())
            return kFileError;
        open->wDeviceID = m_nextId++;
        m_devices[open->wDeviceID] = Device{"waveaudio", element};
        return 0;
    }
    case MCI_CLOSE:
        if (m_playDevice == device && m_playCallback)
            Notify(&m_playCallback, device, MCI_NOTIFY_ABORTED);
        if (m_recordDevice == device && m_recordCallback)
            Notify(&m_recordCallback, device, MCI_NOTIFY_ABORTED);
        m_devices.erase(device);
        return 0;
    case MCI_SET:
        if (flags & (MCI_WAVE_SET_SAMPLESPERSEC | MCI_WAVE_SET_BITSPERSAMPLE))
            m_waveFormat = *reinterpret_cast<MCI_WAVE_SET_PARMS*>(parameters);
        return 0;
    case MCI_PLAY: {
        auto* play = reinterpret_cast<MCI_PLAY_PARMS*>(parameters);
        const std::string& element = m_devices[device].element;
        m_wavePlays.push_back({element, ReadAll(element), static_cast<DWORD>(play->dwFrom)});
        if (flags & MCI_NOTIFY) {
            m_playCallback = reinterpret_cast<HWND>(play->dwCallback);
            m_playDevice = device;
        }
        return 0;
    }
    case MCI_RECORD: {
        auto* record = reinterpret_cast<MCI_RECORD_PARMS*>(parameters);
        m_recordLimit = static_cast<DWORD>(record->dwTo);
        m_recorded = true;
        if (flags & MCI_NOTIFY) {
            m_recordCallback = reinterpret_cast<HWND>(record->dwCallback);
            m_recordDevice = device;
        }
        return 0;
    }
    case MCI_STOP:
        if (m_playDevice == device && m_playCallback)
            Notify(&m_playCallback, device, MCI_NOTIFY_ABORTED);
        if (m_recordDevice == device && m_recordCallback)
            Notify(&m_recordCallback, device, MCI_NOTIFY_ABORTED);
        return 0;
    case MCI_SAVE: {
        auto* save = reinterpret_cast<MCI_SAVE_PARMSA*>(parameters);
        if (!m_recorded || !save->lpfilename)
            return kFileError;
        std::vector<std::uint8_t> bytes = ReadAll(m_recording);
        std::ofstream out(save->lpfilename, std::ios::binary | std::ios::trunc);
        if (!out)
            return kFileError;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        m_saves.push_back(save->lpfilename);
        return out ? 0 : kFileError;
    }
    default:
        return kNotSupported;
    }
}

bool CMciDouble::EndWavePlay()
{
    if (!m_playCallback)
        return false;
    Notify(&m_playCallback, m_playDevice, MCI_NOTIFY_SUCCESSFUL);
    return true;
}

bool CMciDouble::EndRecording()
{
    if (!m_recordCallback)
        return false;
    Notify(&m_recordCallback, m_recordDevice, MCI_NOTIFY_SUCCESSFUL);
    return true;
}

} // namespace mcitest
