// A test-only MCI driver that simulates an audio CD (three tracks of 65, 120 and 30 seconds) for
// Wine's MCI, named for "cdaudio" in a test's registry. Each play ends 300 ms after it starts
// (notified to its callback window as the real driver would at the end of the track).
#include "phone_media/cdplayer/doubles/FakeDisc.h"

#include <windows.h>

#include <mmddk.h>
#include <mmsystem.h>

extern "C" BOOL WINAPI mciDriverNotify(HANDLE callback, MCIDEVICEID device, UINT status);

namespace {

cdtest::FakeDisc g_disc({65, 120, 30});
HWND g_callback = nullptr;
MCIDEVICEID g_device = 0;
UINT_PTR g_timer = 0;

void CALLBACK PlayEnded(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    if (id != g_timer)
        return;
    g_timer = 0;
    if (g_disc.Mode() != cd::DriveMode::Playing)
        return;
    g_disc.EndPlay();
    HWND callback = g_callback;
    g_callback = nullptr;
    if (callback)
        mciDriverNotify(callback, g_device, MCI_NOTIFY_SUCCESSFUL);
}

void Supersede(UINT status)
{
    if (g_timer) {
        ::KillTimer(nullptr, g_timer);
        g_timer = 0;
    }
    HWND callback = g_callback;
    g_callback = nullptr;
    if (callback)
        mciDriverNotify(callback, g_device, status);
}

LRESULT Status(DWORD_PTR flags, MCI_STATUS_PARMS* status)
{
    switch (status->dwItem) {
    case MCI_STATUS_NUMBER_OF_TRACKS: {
        int n = 0;
        std::uint32_t code = g_disc.GetTrackCount(&n);
        status->dwReturn = static_cast<DWORD_PTR>(n);
        return code ? MCIERR_HARDWARE : 0;
    }
    case MCI_STATUS_MODE:
        status->dwReturn = g_disc.Mode() == cd::DriveMode::Playing  ? MCI_MODE_PLAY
                           : g_disc.Mode() == cd::DriveMode::Paused ? MCI_MODE_PAUSE
                           : g_disc.DoorOpen()                      ? MCI_MODE_OPEN
                                                                    : MCI_MODE_STOP;
        return 0;
    case MCI_STATUS_MEDIA_PRESENT:
        status->dwReturn = g_disc.HasDisc() ? TRUE : FALSE;
        return 0;
    case MCI_STATUS_POSITION: {
        cd::Tmsf p = g_disc.Position();
        status->dwReturn = MCI_MAKE_TMSF(p.track, p.minute, p.second, p.frame);
        return 0;
    }
    case MCI_STATUS_LENGTH: {
        cd::Tmsf length;
        if (!(flags & MCI_TRACK) || g_disc.GetTrackLength(static_cast<int>(status->dwTrack), &length))
            return MCIERR_OUTOFRANGE;
        status->dwReturn = MCI_MAKE_MSF(length.minute, length.second, length.frame);
        return 0;
    }
    default:
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM p1,
                                                            LPARAM p2)
{
    switch (message) {
    case DRV_LOAD:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_FREE:
    case DRV_CLOSE:
        return 1;
    case DRV_OPEN: {
        auto* open = reinterpret_cast<MCI_OPEN_DRIVER_PARMS*>(p2);
        if (!open)
            return 1; // opened as a plain driver (configuration)
        open->wCustomCommandTable = MCI_NO_COMMAND_TABLE;
        open->wType = MCI_DEVTYPE_CD_AUDIO;
        g_device = open->wDeviceID;
        return open->wDeviceID;
    }
    case DRV_QUERYCONFIGURE:
        return 0;
    default:
        break;
    }
    if (message < DRV_MCI_FIRST || message > DRV_MCI_FIRST + 0xFFF)
        return ::DefDriverProc(id, driver, message, p1, p2);
    DWORD_PTR flags = static_cast<DWORD_PTR>(p1);
    switch (message) {
    case MCI_OPEN_DRIVER:
        g_disc.Open();
        return 0;
    case MCI_CLOSE_DRIVER:
        Supersede(MCI_NOTIFY_ABORTED);
        g_disc.Close();
        return 0;
    case MCI_SET: {
        auto* set = reinterpret_cast<MCI_SET_PARMS*>(p2);
        if (flags & MCI_SET_DOOR_OPEN) {
            Supersede(MCI_NOTIFY_ABORTED);
            g_disc.OpenDoor();
            return 0;
        }
        if (flags & MCI_SET_TIME_FORMAT)
            return g_disc.SetTimeFormat(static_cast<int>(set->dwTimeFormat)) ? MCIERR_BAD_TIME_FORMAT : 0;
        return 0;
    }
    case MCI_STATUS:
        return Status(flags, reinterpret_cast<MCI_STATUS_PARMS*>(p2));
    case MCI_PLAY: {
        auto* play = reinterpret_cast<MCI_PLAY_PARMS*>(p2);
        DWORD from = static_cast<DWORD>(play->dwFrom), to = static_cast<DWORD>(play->dwTo);
        if (g_disc.Play(cd::Tmsf{MCI_TMSF_TRACK(from), MCI_TMSF_MINUTE(from), MCI_TMSF_SECOND(from), 0},
                        cd::Tmsf{MCI_TMSF_TRACK(to), MCI_TMSF_MINUTE(to), MCI_TMSF_SECOND(to), MCI_TMSF_FRAME(to)}))
            return MCIERR_HARDWARE;
        Supersede(MCI_NOTIFY_SUPERSEDED);
        if (flags & MCI_NOTIFY)
            g_callback = reinterpret_cast<HWND>(play->dwCallback);
        g_timer = ::SetTimer(nullptr, 0, 300, PlayEnded);
        return 0;
    }
    case MCI_STOP:
    case MCI_PAUSE:
        Supersede(MCI_NOTIFY_ABORTED);
        if (message == MCI_STOP)
            g_disc.Stop();
        else
            g_disc.Pause();
        return 0;
    case MCI_GETDEVCAPS:
    case MCI_INFO:
        return MCIERR_UNSUPPORTED_FUNCTION;
    default:
        return MCIERR_UNRECOGNIZED_COMMAND;
    }
}
