// Benchmark (run by hand under Wine, not a test): TCP loopback throughput and 1-byte round trip
// of CTcpClient with a real owner window, against a bare Winsock loop measured in the same run.
//   net_socket_bench [megabytes=64] [round-trips=2000] [runs=5]
#include <winsock2.h>
#include <windows.h>

#include "net/socket/TcpClient.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

LONGLONG Now()
{
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double Seconds(LONGLONG from, LONGLONG to)
{
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(to - from) / static_cast<double>(f.QuadPart);
}

SOCKET Listen(std::uint16_t* port)
{
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(s, 1);
    int n = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    *port = ntohs(a.sin_port);
    return s;
}

SOCKET ConnectBare(std::uint16_t port)
{
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    return s;
}

// Peer thread: accepts one connection and sends total bytes, then closes.
std::thread Sender(SOCKET listener, std::size_t total)
{
    return std::thread([listener, total] {
        SOCKET c = ::accept(listener, nullptr, nullptr);
        std::vector<char> block(64 * 1024, 'x');
        std::size_t sent = 0;
        while (sent < total) {
            int n = ::send(c, block.data(), static_cast<int>(std::min(block.size(), total - sent)), 0);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        ::closesocket(c);
    });
}

// Peer thread: accepts one connection and echoes until it closes.
std::thread Echoer(SOCKET listener)
{
    return std::thread([listener] {
        SOCKET c = ::accept(listener, nullptr, nullptr);
        char b[1460];
        for (;;) {
            int n = ::recv(c, b, sizeof b, 0);
            if (n <= 0 || ::send(c, b, n, 0) != n)
                break;
        }
        ::closesocket(c);
    });
}

struct Owner {
    std::size_t bytes = 0;
    bool ended = false;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<Owner*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self && message == WM_SOCKET_RECEIVE) {
            int count = static_cast<int>(wParam);
            if (count > 0) {
                self->bytes += static_cast<std::size_t>(count);
                FreeSocketBuffer(count, reinterpret_cast<SocketDataRecord*>(lParam));
            } else {
                self->ended = true;
            }
            return 0;
        }
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
};

HWND MakeOwner(Owner* owner)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &Owner::Proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "NvSocketBenchOwner";
    ::RegisterClassA(&wc);
    HWND hwnd = ::CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return hwnd;
}

void PumpOne()
{
    MSG msg;
    if (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageA(&msg);
}

double BareThroughput(std::size_t total, int bufferSize)
{
    std::uint16_t port;
    SOCKET listener = Listen(&port);
    std::thread peer = Sender(listener, total);
    SOCKET s = ConnectBare(port);
    std::vector<char> buf(static_cast<std::size_t>(bufferSize));
    std::size_t got = 0;
    LONGLONG start = Now();
    for (;;) {
        int n = ::recv(s, buf.data(), bufferSize, 0);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    LONGLONG end = Now();
    peer.join();
    ::closesocket(s);
    ::closesocket(listener);
    return static_cast<double>(got) / Seconds(start, end) / 1e6;
}

double ClientThroughput(std::size_t total)
{
    std::uint16_t port;
    SOCKET listener = Listen(&port);
    std::thread peer = Sender(listener, total);
    Owner owner;
    HWND hwnd = MakeOwner(&owner);
    CTcpClient client(hwnd, 0, 0);
    LONGLONG start = Now();
    if (client.Connect("127.0.0.1", port) != SOCKET_OK)
        std::fprintf(stderr, "connect failed\n");
    while (!owner.ended)
        PumpOne();
    LONGLONG end = Now();
    client.ReleaseReceiver();
    client.Close();
    peer.join();
    ::closesocket(listener);
    ::DestroyWindow(hwnd);
    if (owner.bytes != total)
        std::fprintf(stderr, "lost bytes: %zu of %zu\n", owner.bytes, total);
    return static_cast<double>(owner.bytes) / Seconds(start, end) / 1e6;
}

double BareRoundTripUs(int rounds)
{
    std::uint16_t port;
    SOCKET listener = Listen(&port);
    std::thread peer = Echoer(listener);
    SOCKET s = ConnectBare(port);
    char b = 'x';
    LONGLONG start = Now();
    for (int i = 0; i < rounds; ++i) {
        ::send(s, &b, 1, 0);
        ::recv(s, &b, 1, 0);
    }
    LONGLONG end = Now();
    ::closesocket(s);
    peer.join();
    ::closesocket(listener);
    return Seconds(start, end) * 1e6 / rounds;
}

double ClientRoundTripUs(int rounds)
{
    std::uint16_t port;
    SOCKET listener = Listen(&port);
    std::thread peer = Echoer(listener);
    Owner owner;
    HWND hwnd = MakeOwner(&owner);
    CTcpClient client(hwnd, 0, 0);
    client.Connect("127.0.0.1", port);
    LONGLONG start = Now();
    for (int i = 0; i < rounds; ++i) {
        std::size_t before = owner.bytes;
        client.Send("x", 1);
        while (owner.bytes == before)
            PumpOne();
    }
    LONGLONG end = Now();
    client.Close();
    peer.join();
    ::closesocket(listener);
    ::DestroyWindow(hwnd);
    return Seconds(start, end) * 1e6 / rounds;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    std::size_t megabytes = argc > 1 ? static_cast<std::size_t>(std::atoi(argv[1])) : 64;
    int rounds = argc > 2 ? std::atoi(argv[2]) : 2000;
    int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    std::size_t total = megabytes << 20;
    std::vector<double> bare1460, bare64k, client, bareRtt, clientRtt;
    for (int run = 0; run < runs; ++run) {
        bare1460.push_back(BareThroughput(total, 1460));
        bare64k.push_back(BareThroughput(total, 65536));
        client.push_back(ClientThroughput(total));
        bareRtt.push_back(BareRoundTripUs(rounds));
        clientRtt.push_back(ClientRoundTripUs(rounds));
    }
    double b1 = Median(bare1460), b64 = Median(bare64k), c = Median(client);
    double br = Median(bareRtt), cr = Median(clientRtt);
    std::printf("throughput MB/s (median of %d, %zu MiB each): bare recv 1460 B %.1f, bare recv 64 KiB %.1f, "
                "CTcpClient to window %.1f\n", runs, megabytes, b1, b64, c);
    std::printf("throughput ratio client/bare: %.2f (1460-byte reads), %.2f (64 KiB reads)\n", c / b1, c / b64);
    std::printf("1-byte round trip us (median of %d, %d each): bare %.1f, CTcpClient %.1f, ratio %.2f\n", runs,
                rounds, br, cr, cr / br);
    return 0;
}
