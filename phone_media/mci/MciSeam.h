// Every MCI command of the program goes through one replaceable pair: the command and the
// error text (the system's mciSendCommandA and mciGetErrorStringA unless a test installs its
// own), and the auxiliary volume through a small interface. Windows only.
#pragma once

#include <windows.h>

#include <mmsystem.h>

#include "phone_media/cdplayer/CdEngine.h"

class IMciSystem {
public:
    virtual ~IMciSystem() = default;
    virtual MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters) = 0;
    virtual BOOL GetErrorText(MCIERROR error, char* text, UINT size) = 0;
};

// The system's MCI, or the one installed; SetMciSystem(null) goes back to the system's. Returns
// the previous one (null for the system's).
IMciSystem* SetMciSystem(IMciSystem* system);
IMciSystem& Mci();

// The auxiliary audio devices: the system's (auxGetNumDevs and friends) or the installed ones.
cd::IAuxDevices* SetAuxDevices(cd::IAuxDevices* devices);
cd::IAuxDevices& AuxDevices();
