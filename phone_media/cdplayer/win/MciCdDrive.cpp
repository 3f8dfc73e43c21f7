#include "phone_media/cdplayer/win/MciCdDrive.h"

#include "phone_media/mci/MciSeam.h"

std::uint32_t CMciCdDrive::Open()
{
    MCI_OPEN_PARMSA open{};
    open.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<DWORD_PTR>(MCI_DEVTYPE_CD_AUDIO));
    MCIERROR result = Mci().SendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_SHAREABLE | MCI_WAIT,
                                        reinterpret_cast<DWORD_PTR>(&open));
    if (result == 0)
        m_device = open.wDeviceID;
    return result;
}

std::uint32_t CMciCdDrive::Close()
{
    MCI_GENERIC_PARMS close{};
    MCIERROR result = Mci().SendCommand(m_device, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
    if (result == 0)
        m_device = 0;
    return result;
}

std::uint32_t CMciCdDrive::SetTimeFormat(int format)
{
    MCI_SET_PARMS set{};
    set.dwTimeFormat = static_cast<DWORD>(format);
    MCIERROR result = Mci().SendCommand(m_device, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&set));
    if (result == 0)
        m_format = format;
    return result;
}

std::uint32_t CMciCdDrive::Status(DWORD item, DWORD_PTR* value, DWORD track)
{
    MCI_STATUS_PARMS status{};
    status.dwItem = item;
    status.dwTrack = track;
    DWORD flags = MCI_STATUS_ITEM | MCI_WAIT | (track ? MCI_TRACK : 0);
    MCIERROR result = Mci().SendCommand(m_device, MCI_STATUS, flags, reinterpret_cast<DWORD_PTR>(&status));
    *value = result == 0 ? status.dwReturn : 0;
    return result;
}

std::uint32_t CMciCdDrive::GetTrackCount(int* count)
{
    DWORD_PTR value = 0;
    MCIERROR result = Status(MCI_STATUS_NUMBER_OF_TRACKS, &value);
    *count = static_cast<int>(value);
    return result;
}

std::uint32_t CMciCdDrive::GetMode(cd::DriveMode* mode)
{
    DWORD_PTR value = 0;
    MCIERROR result = Status(MCI_STATUS_MODE, &value);
    switch (value) {
    case MCI_MODE_NOT_READY: *mode = cd::DriveMode::NotReady; break;
    case MCI_MODE_STOP: *mode = cd::DriveMode::Stopped; break;
    case MCI_MODE_PLAY: *mode = cd::DriveMode::Playing; break;
    case MCI_MODE_PAUSE: *mode = cd::DriveMode::Paused; break;
    case MCI_MODE_SEEK: *mode = cd::DriveMode::Seeking; break;
    case MCI_MODE_OPEN: *mode = cd::DriveMode::Open; break;
    default: *mode = cd::DriveMode::Other; break;
    }
    return result;
}

std::uint32_t CMciCdDrive::GetMediaPresent(bool* present)
{
    DWORD_PTR value = 0;
    MCIERROR result = Status(MCI_STATUS_MEDIA_PRESENT, &value);
    *present = value != 0;
    return result;
}

std::uint32_t CMciCdDrive::GetPosition(cd::Tmsf* position)
{
    DWORD_PTR value = 0;
    MCIERROR result = Status(MCI_STATUS_POSITION, &value);
    DWORD v = static_cast<DWORD>(value);
    if (m_format == cd::kFormatTmsf)
        *position = cd::Tmsf{MCI_TMSF_TRACK(v), MCI_TMSF_MINUTE(v), MCI_TMSF_SECOND(v), MCI_TMSF_FRAME(v)};
    else
        *position = cd::Tmsf{0, MCI_MSF_MINUTE(v), MCI_MSF_SECOND(v), MCI_MSF_FRAME(v)};
    return result;
}

std::uint32_t CMciCdDrive::GetTrackLength(int track, cd::Tmsf* length)
{
    DWORD_PTR value = 0;
    MCIERROR result = Status(MCI_STATUS_LENGTH, &value, static_cast<DWORD>(track));
    DWORD v = static_cast<DWORD>(value);
    *length = cd::Tmsf{0, MCI_MSF_MINUTE(v), MCI_MSF_SECOND(v), MCI_MSF_FRAME(v)};
    return result;
}

std::uint32_t CMciCdDrive::Play(const cd::Tmsf& from, const cd::Tmsf& to)
{
    auto byte = [](int v) { return static_cast<BYTE>(v < 0 ? 0 : v > 255 ? 255 : v); };
    MCI_PLAY_PARMS play{};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(m_notify);
    play.dwFrom = MCI_MAKE_TMSF(byte(from.track), byte(from.minute), byte(from.second), byte(from.frame));
    play.dwTo = MCI_MAKE_TMSF(byte(to.track), byte(to.minute), byte(to.second), byte(to.frame));
    return Mci().SendCommand(m_device, MCI_PLAY, MCI_FROM | MCI_TO | MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play));
}

std::uint32_t CMciCdDrive::Stop()
{
    MCI_GENERIC_PARMS stop{};
    return Mci().SendCommand(m_device, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&stop));
}

std::uint32_t CMciCdDrive::Pause()
{
    MCI_GENERIC_PARMS pause{};
    return Mci().SendCommand(m_device, MCI_PAUSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&pause));
}

std::uint32_t CMciCdDrive::OpenDoor()
{
    MCI_SET_PARMS set{};
    return Mci().SendCommand(m_device, MCI_SET, MCI_SET_DOOR_OPEN, reinterpret_cast<DWORD_PTR>(&set));
}
