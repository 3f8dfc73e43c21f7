#include "voip/win/NetWatch.h"

#include "voip/core/LogFormat.h"
#include "voip/core/SettingsRules.h"
#include "voip/core/SignalMessages.h"
#include "voip/win/LibraryContext.h"
#include "voip/win/LibraryLog.h"
#include "voip/win/Notifier.h"
#include "voip/win/ResourceText.h"
#include "voip/win/Settings.h"
#include "voip/win/UiPolicy.h"

#include <ws2tcpip.h>
#include <ws2ipdef.h>
#include <ras.h>

#include <atomic>
#include <mutex>

namespace qelo {

namespace {

// The real dial-up service, loaded by name on first use and kept loaded.
class SystemRas : public IRasApi {
public:
    bool Available() override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_tried) {
            m_tried = true;
            m_module = LoadLibraryA("rasapi32.dll");
            if (!m_module) {
                LibLog(kLogErrors, "Failed to load rasapi32.dll!");
            } else {
                m_enum = Bind<Enum>("RasEnumConnectionsA");
                m_status = Bind<Status>("RasGetConnectStatusA");
                m_projection = Bind<Projection>("RasGetProjectionInfoA");
                m_errorString = Bind<ErrorString>("RasGetErrorStringA");
                m_hangUp = Bind<HangUpFn>("RasHangUpA");
            }
            m_ready = m_module && m_enum && m_status && m_projection && m_errorString && m_hangUp;
        }
        return m_ready;
    }
    DWORD Enumerate(std::vector<RasConnection>& connections) override
    {
        connections.clear();
        RASCONNA table[4] = {};
        for (RASCONNA& entry : table)
            entry.dwSize = sizeof entry;
        DWORD bytes = sizeof table, count = 0;
        DWORD result = m_enum(table, &bytes, &count);
        if (result != 0)
            return result;
        for (DWORD i = 0; i < count && i < 4; ++i)
            connections.push_back({table[i].hrasconn, table[i].szEntryName});
        return 0;
    }
    DWORD GetState(HANDLE connection, DWORD& state, DWORD& error) override
    {
        RASCONNSTATUSA status = {};
        status.dwSize = sizeof status;
        DWORD result = m_status(static_cast<HRASCONN>(connection), &status);
        state = status.rasconnstate;
        error = status.dwError;
        return result;
    }
    DWORD GetAddress(HANDLE connection, std::string& dotted) override
    {
        RASPPPIPA ip = {};
        ip.dwSize = sizeof ip;
        DWORD size = sizeof ip;
        DWORD result = m_projection(static_cast<HRASCONN>(connection), RASP_PppIp, &ip, &size);
        dotted = ip.szIpAddress;
        return result;
    }
    std::string ErrorText(DWORD code) override
    {
        char text[256] = "";
        m_errorString(static_cast<UINT>(code), text, sizeof text);
        return text;
    }
    DWORD HangUp(HANDLE connection) override { return m_hangUp(static_cast<HRASCONN>(connection)); }

private:
    using Enum = DWORD(WINAPI*)(RASCONNA*, DWORD*, DWORD*);
    using Status = DWORD(WINAPI*)(HRASCONN, RASCONNSTATUSA*);
    using Projection = DWORD(WINAPI*)(HRASCONN, RASPROJECTION, void*, DWORD*);
    using ErrorString = DWORD(WINAPI*)(UINT, char*, DWORD);
    using HangUpFn = DWORD(WINAPI*)(HRASCONN);

    template <typename F>
    F Bind(const char* name)
    {
        F function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_module, name)));
        if (!function)
            LibLog(kLogErrors, "Failed to get %s() address in rasapi32.dll!", name);
        return function;
    }

    std::mutex m_lock;
    bool m_tried = false, m_ready = false;
    HMODULE m_module = nullptr;
    Enum m_enum = nullptr;
    Status m_status = nullptr;
    Projection m_projection = nullptr;
    ErrorString m_errorString = nullptr;
    HangUpFn m_hangUp = nullptr;
};

struct NetWatchState {
    std::vector<RasConnection> connections;
    HANDLE inUse = nullptr;
    DWORD lastState = 0;
    bool overrideActive = false;
};

NetWatchState& Watch()
{
    static NetWatchState state;
    return state;
}

IRasApi* g_rasOverride = nullptr;

IRasApi& Ras()
{
    static SystemRas system;
    return g_rasOverride ? *g_rasOverride : system;
}

constexpr DWORD kNoNetwork = 668;

int RasError(const char* where, DWORD code)
{
    std::string text = Ras().Available() ? Ras().ErrorText(code) : std::string("dial-up service unavailable");
    LibLog(kLogErrors, "%s(RASBASE+%d):%s", where, static_cast<int>(code) - 600, text.c_str());
    std::string message = BoundedFormat(1024, "%s():%s", where, text.c_str());
    if (AdaptersInstalled())
        ReportStatusText(-1, 0, message);
    else
        StopBox(message);
    return -1;
}

// ras_find_connection: the number of connections, or -1.
int RasFindConnection()
{
    NetWatchState& watch = Watch();
    if (!Ras().Available())
        return RasError("RasEnumConnections", kNoNetwork);
    DWORD result = Ras().Enumerate(watch.connections);
    if (result != 0)
        return RasError("RasEnumConnections", result);
    for (std::size_t i = 0; i < watch.connections.size(); ++i)
        LibLog(kLogProtocol, "cnets[%d]=%s", static_cast<int>(i), watch.connections[i].name.c_str());
    if (watch.connections.empty()) {
        watch.inUse = nullptr;
        return 0;
    }
    watch.inUse = watch.connections[0].handle;
    DWORD deadline = GetTickCount() + 30000;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        DWORD state = 0, error = 0;
        if (Ras().GetState(watch.inUse, state, error) == 0 &&
            (state == kRasConnected || state == kRasDisconnected || state == kRasProjected)) {
            watch.lastState = state;
            break;
        }
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
            break;
        Sleep(10);
    }
    std::string dotted;
    DWORD result2 = Ras().GetAddress(watch.inUse, dotted);
    if (result2 != 0)
        return RasError("RasGetProjectionInfo", result2);
    Context().localAddress = ParseDottedAddress(dotted);
    LibLog(kLogAlways, "%s=%s", watch.connections[0].name.c_str(), dotted.c_str());
    return static_cast<int>(watch.connections.size());
}

// The system's interface list (SIO_GET_INTERFACE_LIST, at most 20 entries).
bool SystemInterfaces(std::vector<NetInterface>& interfaces)
{
    SOCKET probe = WSASocketA(AF_INET, SOCK_DGRAM, 0, nullptr, 0, 0);
    if (probe == INVALID_SOCKET)
        return false;
    INTERFACE_INFO list[20];
    DWORD bytes = 0;
    bool ok = WSAIoctl(probe, SIO_GET_INTERFACE_LIST, nullptr, 0, list, sizeof list, &bytes, nullptr, nullptr) == 0;
    closesocket(probe);
    if (!ok)
        return false;
    int count = static_cast<int>(bytes / sizeof(INTERFACE_INFO));
    LibLog(kLogProtocol, "ip sizes=%d/%d=%lf", static_cast<int>(bytes), static_cast<int>(sizeof(INTERFACE_INFO)),
           static_cast<double>(bytes) / sizeof(INTERFACE_INFO));
    for (int i = 0; i < count; ++i) {
        NetInterface entry;
        entry.address = ntohl(list[i].iiAddress.AddressIn.sin_addr.s_addr);
        entry.loopback = (list[i].iiFlags & IFF_LOOPBACK) != 0;
        entry.pointToPoint = (list[i].iiFlags & IFF_POINTTOPOINT) != 0;
        interfaces.push_back(entry);
    }
    return true;
}

std::atomic<InterfaceSource> g_interfaces{SystemInterfaces};

// scan_interfaces: the address found, or 0.
std::uint32_t ScanInterfaces()
{
    std::uint32_t found = 0;
    std::vector<NetInterface> interfaces;
    if (g_interfaces.load()(interfaces)) {
        for (std::size_t i = 0; i < interfaces.size(); ++i)
            LibLog(kLogProtocol, "interface[%d]=%s ip=%s", static_cast<int>(i), interfaces[i].pointToPoint ? "PPP" : "LAN",
                   DottedAddress(interfaces[i].address).c_str());
        InterfaceChoice choice = ChooseLocalInterface(interfaces.data(), static_cast<int>(interfaces.size()));
        if (choice.address) {
            if (choice.pointToPoint)
                RasFindConnection();
            std::int32_t lan = Watch().inUse ? 0 : 1;
            RegistryWrite("lan", &lan, sizeof lan);
            found = choice.address;
        }
    }
    Context().localAddress = found;
    LibLog(kLogAlways, "my %s ip=%s", RegistryFlag("lan") ? "LAN" : "Dialup",
           found ? DottedAddress(found).c_str() : "unknown!");
    return found;
}

} // namespace

void SetInterfaceSource(InterfaceSource source)
{
    g_interfaces = source ? source : SystemInterfaces;
}

void SetRasApi(IRasApi* api)
{
    g_rasOverride = api;
    NetWatchState& watch = Watch();
    watch.connections.clear();
    watch.inUse = nullptr;
    watch.lastState = 0;
}

int WsockStart()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 0), &data) == 0 || WSAStartup(MAKEWORD(1, 1), &data) == 0)
        return 0;
    // The host keeps running: the start fails with its own code instead.
    NotifyError(ResourceText(kTextSocketError).c_str(), 0, WSAGetLastError());
    return -1;
}

int WsockErrorCode(int place, int error)
{
    LibLog(kLogErrors, "wsock_error(%d)=%d", place, error);
    if (error == 0)
        return 0;
    NotifyError(ResourceText(kTextSocketError).c_str(), place, error);
    if (error == WSAEADDRNOTAVAIL)
        NotifyDisconnect();
    return -1;
}

int WsockError(int place)
{
    return WsockErrorCode(place, WSAGetLastError());
}

bool LocalAddressOverride(std::uint32_t& address, std::uint16_t& port)
{
    std::string text = IniString("localip", "");
    if (text.empty())
        return false;
    std::string host;
    SplitHostPort(text, host, port, kSignalPort);
    address = ParseDottedAddress(host);
    return address != 0;
}

int NetStart()
{
    NetWatchState& watch = Watch();
    std::uint32_t address = 0;
    std::uint16_t port = kSignalPort;
    watch.overrideActive = LocalAddressOverride(address, port);
    if (watch.overrideActive) {
        Context().localAddress = address;
        LibLog(kLogAlways, "my LAN ip=%s (localip)", DottedAddress(address).c_str());
        return 0;
    }
    if (RegistryFlag("lan") && ScanInterfaces())
        return 0;
    if (RasFindConnection() > 0)
        return 0;
    if (ScanInterfaces())
        return 0;
    if (RasFindConnection() > 0)
        return 0;
    RasError("net_start", kNoNetwork);
    return -1;
}

bool DialupConnected()
{
    NetWatchState& watch = Watch();
    if (watch.overrideActive || RegistryFlag("lan"))
        return true;
    if (!watch.inUse || !Ras().Available())
        return false;
    DWORD state = 0, error = 0;
    if (Ras().GetState(watch.inUse, state, error) != 0)
        return false;
    watch.lastState = state;
    return state == kRasConnected;
}

void DialupHangup()
{
    NetWatchState& watch = Watch();
    if (RegistryFlag("lan") || !RegistryFlag("ncut") || !watch.inUse || !Ras().Available())
        return;
    if (!ConfirmBox(ResourceText(kTextHangUpDialup)))
        return;
    Ras().HangUp(watch.inUse);
    for (int i = 0; i < 300; ++i) {
        DWORD state = 0, error = 0;
        if (Ras().GetState(watch.inUse, state, error) == ERROR_INVALID_HANDLE)
            break;
        Sleep(10);
    }
    watch.connections.clear();
    watch.inUse = nullptr;
    watch.lastState = kRasDisconnected;
    Context().localAddress = 0;
}

SOCKET UdpOpen(std::uint32_t address, std::uint16_t port)
{
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        WsockError(1);
        return INVALID_SOCKET;
    }
    BOOL reuse = TRUE;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        int error = WSAGetLastError();
        closesocket(s);
        WsockErrorCode(1, error);
        return INVALID_SOCKET;
    }
    LibLog(kLogSetup, "bind ip=%s port=%d", DottedAddress(address).c_str(), port);
    return s;
}

} // namespace qelo
