// The watch over the network connection: Windows Sockets start, the local address (interface
// scan or dial-up), the dial-up state through a small RAS interface, and socket error reports.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "voip/core/SettingsRules.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qelo {

// What the library needs of the dial-up service. The real one binds rasapi32.dll by name on
// first use; tests put a double in its place.
struct RasConnection {
    HANDLE handle = nullptr;
    std::string name;
};
class IRasApi {
public:
    virtual ~IRasApi() = default;
    // false when the service (library or one of its functions) is missing.
    virtual bool Available() = 0;
    virtual DWORD Enumerate(std::vector<RasConnection>& connections) = 0;
    virtual DWORD GetState(HANDLE connection, DWORD& state, DWORD& error) = 0;
    virtual DWORD GetAddress(HANDLE connection, std::string& dotted) = 0;
    virtual std::string ErrorText(DWORD code) = 0;
    virtual DWORD HangUp(HANDLE connection) = 0;
};
// Replaces the RAS binding (nullptr: the real one again).
void SetRasApi(IRasApi* api);
constexpr DWORD kRasConnected = 0x2000;
constexpr DWORD kRasDisconnected = 0x2001;
constexpr DWORD kRasProjected = 18;

// The interface list of the scan. The real one asks Windows Sockets; tests give their own.

using InterfaceSource = bool (*)(std::vector<NetInterface>& interfaces);
void SetInterfaceSource(InterfaceSource source);

int WsockStart();
// wsock_error(place): -1 when the last socket error is non-zero (reported), else 0.
int WsockError(int place);
int WsockErrorCode(int place, int error);
int NetStart();
bool DialupConnected();
void DialupHangup();
// udp_open: a bound UDP socket with address reuse, or INVALID_SOCKET.
SOCKET UdpOpen(std::uint32_t address, std::uint16_t port);

// The ini key "localip" ("a.b.c.d" or "a.b.c.d:port") binds the library to a chosen address
// instead of the interface scan. Only test set-ups write it: the scan never offers loopback.
bool LocalAddressOverride(std::uint32_t& address, std::uint16_t& port);

} // namespace qelo
