// A socket shim that gives out handle values as Windows may: a closed value goes at once to
// another socket of the process (one the library did not open), the worst case of reuse. It
// records every call that reaches a value the library no longer owns (a "stray": a read, write or
// close of somebody else's socket), so a test can prove that a closed handle is never used again.
//
// The library's sockets connect and bind at once; a receive, a select and (when asked) a send
// block until their socket is closed and then fail with WSAEINTR, as a blocking Winsock call does
// when another thread closes its socket. Installed for the lifetime of the object.
#pragma once

#include "net/socket/SocketApi.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class HandleRecordingApi : public nvnet::ISocketApi {
public:
    HandleRecordingApi();
    ~HandleRecordingApi() override;

    void BlockSends(bool on);
    // Receives and selects stay blocked after their socket is closed, until ReleaseStuckCalls.
    void IgnoreCloses(bool on);
    void ReleaseStuckCalls();
    // Waits (bounded) until count calls are blocked at once.
    bool WaitForBlockedCalls(int count, int timeoutMs = 10000);

    std::vector<std::string> Strays();
    // Closes of sockets the library opened.
    int OwnCloses();
    // Sends that reached one of the library's open sockets.
    int DeliveredSends();

    nvnet::SocketHandle Open(nvnet::SocketKind kind) override;
    bool Close(nvnet::SocketHandle s) override;
    bool Bind(nvnet::SocketHandle s, std::uint16_t) override { return Touch(s, "bind"); }
    bool Connect(nvnet::SocketHandle s, const nvnet::InetAddress&) override { return Touch(s, "connect"); }
    bool SetNonBlocking(nvnet::SocketHandle s, bool) override { return Touch(s, "ioctl"); }
    int WaitWritable(nvnet::SocketHandle s, std::uint32_t, int* soError) override;
    int WaitReadable(nvnet::SocketHandle s) override { return Block(s, "select"); }
    int Receive(nvnet::SocketHandle s, void*, int) override { return Block(s, "recv"); }
    int ReceiveFrom(nvnet::SocketHandle s, void*, int, nvnet::InetAddress*) override { return Block(s, "recvfrom"); }
    int Send(nvnet::SocketHandle s, const void*, int len) override { return Transmit(s, "send", len); }
    int SendTo(nvnet::SocketHandle s, const void*, int len, const nvnet::InetAddress&) override
    {
        return Transmit(s, "sendto", len);
    }
    bool Shutdown(nvnet::SocketHandle s, int) override { return Touch(s, "shutdown"); }
    bool LocalName(nvnet::SocketHandle s, nvnet::InetAddress* name) override;
    bool Resolve(const char*, std::uint32_t* address) override
    {
        *address = 0x7F000001;
        return true;
    }
    int LastError() override;

private:
    struct Socket {
        bool ours;      // opened by the library (not the stand-in for somebody else)
        bool closed = false;
    };
    using SocketRef = std::shared_ptr<Socket>;

    // The socket a value names now, or null (no socket); records a stray when it is not ours.
    SocketRef Check(nvnet::SocketHandle s, const char* call);
    bool Touch(nvnet::SocketHandle s, const char* call);
    int Block(nvnet::SocketHandle s, const char* call);
    int Transmit(nvnet::SocketHandle s, const char* call, int len);

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<nvnet::SocketHandle, SocketRef> m_values;
    std::vector<std::string> m_strays;
    bool m_blockSends = false;
    bool m_ignoreCloses = false;
    bool m_released = false;
    int m_blocked = 0;
    int m_ownCloses = 0;
    int m_delivered = 0;
};
