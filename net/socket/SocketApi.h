// The socket library's view of the platform: the few socket calls it makes, the clock, the temporary
// folder and the way received data reaches an owner window. Everything above this header is
// portable; Windows builds plug in Winsock and PostMessage (win/), the native build plugs in BSD
// sockets (posix/) and tests may plug in their own doubles to force errors and races.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace nvnet {

using SocketHandle = std::uintptr_t;
constexpr SocketHandle kInvalidSocket = ~static_cast<SocketHandle>(0);
constexpr int kSocketError = -1;

// Winsock error numbers as the receive loops see them (every shim reports in these terms).
enum WsaError : int {
    kWsaEintr = 10004,
    kWsaEbadf = 10009,
    kWsaEfault = 10014,
    kWsaEinval = 10022,
    kWsaEwouldblock = 10035,
    kWsaEnotsock = 10038,
    kWsaEmsgsize = 10040,
    kWsaEopnotsupp = 10045,
    kWsaEaddrinuse = 10048,
    kWsaEnetdown = 10050,
    kWsaEnetreset = 10052,
    kWsaEconnaborted = 10053,
    kWsaEconnreset = 10054,
    kWsaEnotconn = 10057,
    kWsaEshutdown = 10058,
    kWsaEtimedout = 10060,
    kWsaEconnrefused = 10061,
};

// An IPv4 address and port, both in host order.
struct InetAddress {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

enum class SocketKind { Stream, Datagram };

// The socket calls of the library. Handles are the platform's own; errors are reported through
// LastError() of the calling thread, as Winsock numbers.
class ISocketApi {
public:
    virtual ~ISocketApi() = default;
    virtual SocketHandle Open(SocketKind kind) = 0;
    // Closing must end a call blocked on the handle in another thread (recv, recvfrom, select),
    // as closesocket does.
    virtual bool Close(SocketHandle s) = 0;
    virtual bool Bind(SocketHandle s, std::uint16_t port) = 0;
    virtual bool Connect(SocketHandle s, const InetAddress& to) = 0;
    virtual bool SetNonBlocking(SocketHandle s, bool on) = 0;
    // select on writability and failure of one socket: >0 ready (then *soError holds SO_ERROR,
    // 0 when the connection completed), 0 time-out, kSocketError when select failed.
    virtual int WaitWritable(SocketHandle s, std::uint32_t timeoutMs, int* soError) = 0;
    // select on readability without time-out: >0 readable, kSocketError on failure.
    virtual int WaitReadable(SocketHandle s) = 0;
    virtual int Receive(SocketHandle s, void* buf, int len) = 0;
    virtual int ReceiveFrom(SocketHandle s, void* buf, int len, InetAddress* from) = 0;
    virtual int Send(SocketHandle s, const void* buf, int len) = 0;
    virtual int SendTo(SocketHandle s, const void* buf, int len, const InetAddress& to) = 0;
    virtual bool Shutdown(SocketHandle s, int how) = 0;
    // The local address and port (host order) from getsockname; false when it fails.
    virtual bool LocalName(SocketHandle s, InetAddress* name) = 0;
    // Dotted-quad text or a host name (first address); false when it does not resolve.
    virtual bool Resolve(const char* host, std::uint32_t* address) = 0;
    virtual int LastError() = 0;
};

// The owner of an endpoint: a window handle on Windows, anything a test likes elsewhere.
using SocketOwner = void*;

// How a receive thread reaches its owner. Post returns false when the message was not queued;
// the receive thread then frees what it allocated for it.
struct OwnerChannel {
    bool (*post)(SocketOwner owner, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = nullptr;
    bool (*isAlive)(SocketOwner owner) = nullptr;
};

// The current platform pieces. The defaults come from the platform file linked in (Winsock and
// PostMessage/IsWindow on Windows, BSD sockets and a channel that posts nothing natively).
ISocketApi& SocketApi();
void SetSocketApi(ISocketApi* api); // null restores the default
OwnerChannel Owners();
void SetOwnerChannel(const OwnerChannel& channel);
void ResetOwnerChannel();

// Milliseconds of a free-running 32-bit clock (timeGetTime on Windows); tests may replace it.
std::uint32_t TickMs();
void SetTickSource(std::uint32_t (*source)()); // null restores the default

// The folder for traffic logs, ending with a separator; empty when the platform has none.
std::string TemporaryFolder();

// Defaults supplied by the platform file.
ISocketApi& PlatformSocketApi();
OwnerChannel PlatformOwnerChannel();
std::uint32_t PlatformTickMs();
std::string PlatformTemporaryFolder();

} // namespace nvnet
