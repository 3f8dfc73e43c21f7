#include "phone_media/mci/MciSeam.h"

namespace {

class CSystemMci : public IMciSystem {
public:
    MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters) override
    {
        return ::mciSendCommandA(device, message, flags, parameters);
    }
    BOOL GetErrorText(MCIERROR error, char* text, UINT size) override { return ::mciGetErrorStringA(error, text, size); }
};

class CSystemAux : public cd::IAuxDevices {
public:
    int Count() override { return static_cast<int>(::auxGetNumDevs()); }
    bool SupportsVolume(int device) override
    {
        AUXCAPSA caps{};
        if (::auxGetDevCapsA(static_cast<UINT_PTR>(device), &caps, sizeof caps) != MMSYSERR_NOERROR)
            return false;
        return (caps.dwSupport & AUXCAPS_VOLUME) != 0;
    }
    bool GetVolume(int device, std::uint32_t* volume) override
    {
        DWORD value = 0;
        if (::auxGetVolume(static_cast<UINT>(device), &value) != MMSYSERR_NOERROR)
            return false;
        *volume = value;
        return true;
    }
    bool SetVolume(int device, std::uint32_t volume) override
    {
        return ::auxSetVolume(static_cast<UINT>(device), volume) == MMSYSERR_NOERROR;
    }
};

CSystemMci g_systemMci;
IMciSystem* g_mci = nullptr;
CSystemAux g_systemAux;
cd::IAuxDevices* g_aux = nullptr;

} // namespace

IMciSystem* SetMciSystem(IMciSystem* system)
{
    IMciSystem* previous = g_mci;
    g_mci = system;
    return previous;
}

IMciSystem& Mci() { return g_mci ? *g_mci : g_systemMci; }

cd::IAuxDevices* SetAuxDevices(cd::IAuxDevices* devices)
{
    cd::IAuxDevices* previous = g_aux;
    g_aux = devices;
    return previous;
}

cd::IAuxDevices& AuxDevices() { return g_aux ? *g_aux : g_systemAux; }
