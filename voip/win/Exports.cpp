// The exported PW_ functions: each logs its name and arguments, then hands over to the part
// of the library that does the work.
#include "voip/qelo.h"

#include "voip/core/LogFormat.h"
#include "voip/core/SettingsRules.h"
#include "voip/core/SignalMessages.h"
#include "voip/win/CallMachine.h"
#include "voip/win/LibraryContext.h"
#include "voip/win/LibraryLog.h"
#include "voip/win/NetWatch.h"
#include "voip/win/Notifier.h"
#include "voip/win/Settings.h"
#include "voip/win/Signalling.h"
#include "voip/win/VoicePath.h"

#include "voip/voice/win/CodecBinding.h"
#include "voip/voice/win/TonePlayer.h"
#include "voip/voice/win/WaveDevice.h"

#include <cstdarg>
#include <cstring>

extern "C" {
HINSTANCE hDllVoip = nullptr;
}

using namespace qelo;

namespace {

std::string UnitId()
{
    std::string unitId;
    WithClient([&](SignalClient& client) { unitId = client.Self().unitId; });
    return unitId;
}

const char* OrEmpty(const char* text) { return text ? text : ""; }

} // namespace

extern "C" {

int __cdecl PW_call_nimbo(const char* callee)
{
    LibLog(kLogAlways, "PW_call_nimbo(%s)", OrEmpty(callee));
    return MakeCall(callee, kCallKindPc, "");
}

int __cdecl PW_call_phone(const char* number, const char* user_id, const char* password)
{
    LibLog(kLogAlways, "PW_call_phone(%s)", OrEmpty(number));
    std::string user = FitField(user_id, 31);
    std::string secret = FitField(password, 32);
    WithClient([&](SignalClient& client) {
        client.Self().accountUser = user;
        client.Self().accountPassword = secret;
    });
    return MakeCall(number, kCallKindTelephone, "");
}

void __cdecl PW_debug(const char* format, ...)
{
    if (!format || LogLevel() < kLogProtocol)
        return;
    va_list args;
    va_start(args, format);
    std::string text = BoundedFormatV(kLogLineLimit, format, args);
    va_end(args);
    LogText(kLogProtocol, text.c_str());
}

int __cdecl PW_get_nimbocall_id(char* out)
{
    LibLog(kLogSetup, "PW_get_nimbocall_id()");
    std::string unitId = UnitId().substr(0, kIdField);
    if (out)
        std::memcpy(out, unitId.c_str(), unitId.size() + 1);
    return unitId.empty() ? -1 : 0;
}

void __cdecl PW_get_version(char* out)
{
    LibLog(kLogSetup, "PW_get_version()");
    if (out)
        std::memcpy(out, kVersionText, sizeof kVersionText);
}

int __cdecl PW_login(void)
{
    LibLog(kLogAlways, "PW_login()");
    bool ready = false;
    WithClient([&](SignalClient& client) {
        ready = !client.Self().country.empty() && !client.Self().area.empty();
    });
    if (!ready)
        return -2;
    return SignIn(1);
}

int __cdecl PW_logout(void)
{
    LibLog(kLogAlways, "PW_logout()");
    return SignIn(0);
}

void __cdecl PW_mute(int on)
{
    LibLog(kLogProtocol, "PW_mute(%d)", on);
    Codec().SetMute(on != 0);
}

int __cdecl PW_off_hook(void)
{
    LibLog(kLogAlways, "PW_off_hook()");
    return GoOffHook();
}

void __cdecl PW_on_hook(void)
{
    LibLog(kLogAlways, "PW_on_hook()");
    HangUp();
}

int __cdecl PW_register(void)
{
    LibLog(kLogAlways, "PW_register()");
    WithClient([](SignalClient& client) { client.Self().unitId.clear(); });
    return SignIn(1);
}

void __cdecl PW_send_DTMF(char digit)
{
    LibLog(kLogProtocol, "PW_send_DTMF(%c)", digit);
    SendDtmf(digit);
}

void __cdecl PW_set_bitrate(int high)
{
    LibLog(kLogProtocol, "PW_set_bitrate(%d)", high);
    Codec().SetRate(high ? 63 : 53);
}

void __cdecl PW_set_ip(unsigned long address)
{
    std::uint32_t hostOrder = ntohl(static_cast<u_long>(address));
    Context().localAddress = hostOrder;
    LibLog(kLogAlways, "PW_set_ip(%s)", DottedAddress(hostOrder).c_str());
}

void __cdecl PW_set_loglevel(int level)
{
    LibLog(kLogAlways, "PW_set_loglevel(%d)", level);
    HostSetsLogLevel(level);
}

int __cdecl PW_set_option(int option, int value)
{
    LibLog(kLogAlways, "PW_set_option(%d)=%d", option, value);
    UsePerUserRoot();
    static const char* const kNames[] = {nullptr, "silence", "lan", "record", "recask"};
    if (option < 1 || option > 4)
        return 0;
    std::int32_t stored = value;
    return static_cast<int>(RegistryWrite(kNames[option], &stored, sizeof stored));
}

int __cdecl PW_set_volume(int percent)
{
    LibLog(kLogProtocol, "PW_set_volume()");
    return SetVolume(percent);
}

void __cdecl PW_set_wdevice(const char* device)
{
    if (device)
        Wave().SetDeviceName(device);
}

int __cdecl PW_start(HWND window, const char* country, const char* area, const char* nickname, const char* server)
{
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    // The whole folder: a cut path would name another ini file.
    Context().workingFolder = folder;
    // The start's own level; a level the host chose before stays (see LogLevelRule).
    LibLog(kLogAlways, "PW_set_loglevel(%d)", static_cast<int>(kLogProtocol));
    LibrarySetsLogLevel(kLogProtocol);
    LibLog(kLogAlways, "PW_start(): version=%s", kVersionText);
    Context().hostWindow = window;
    UsePerUserRoot();
    Context().protocolVersion = kProtocolVersion;
    InstallAdapters();
    VoiceStartup();
    std::string unitId = RegistryText("unitid", kIdField);
    WithClient([&](SignalClient& client) {
        if (server)
            client.SetServerName(0, FitField(server, 64));
        Identity& self = client.Self();
        self.unitId = unitId;
        self.country = FitField(country, 10);
        self.area = FitField(area, 10);
        self.nickname = FitField(nickname, 30);
    });
    if (WsockStart() != 0) {
        LibLog(kLogAlways, "wsock_start() failed!");
        return -2;
    }
    if (NetStart() != 0) {
        LibLog(kLogAlways, "net_start() failed!");
        return -3;
    }
    if (CallStart() != 0) {
        LibLog(kLogAlways, "call_start() failed!");
        return -4;
    }
    bool empty = !country || !*country || !area || !*area;
    return empty ? -1 : 0;
}

int __cdecl PW_stop(void)
{
    LibLog(kLogAlways, "PW_stop()");
    HangUp();
    StopCallThread();
    EndDialTones();
    VoiceShutdown();
    return WSACleanup();
}

void __cdecl PW_wave_arrival(const char* file)
{
    LibLog(kLogAlways, "PW_wave_arrival(%s)", OrEmpty(file));
    if (file)
        Tones().SetArrivalFile(file);
}

void __cdecl PW_wave_path(const char* folder)
{
    LibLog(kLogAlways, "PW_wave_path(%s)", OrEmpty(folder));
    if (folder)
        Tones().SetFolder(folder);
}

} // extern "C"
