// A socket shim whose receive calls follow a script, to drive the receive loops through every
// error path; everything else succeeds at once. Installed for the lifetime of the object.
#pragma once

#include "net/socket/SocketApi.h"

#include <condition_variable>
#include <deque>
#include <mutex>

struct ScriptStep {
    int result;         // what recv/recvfrom/select returns (>0 bytes, 0, -1)
    int error = 0;      // LastError() after a -1
    bool throws = false;
};

class ScriptedSocketApi : public nvnet::ISocketApi {
public:
    ScriptedSocketApi();
    ~ScriptedSocketApi() override;
    void ScriptReceive(std::deque<ScriptStep> steps) { std::lock_guard<std::mutex> h(m_lock); m_receive = std::move(steps); }
    void ScriptSelect(std::deque<ScriptStep> steps) { std::lock_guard<std::mutex> h(m_lock); m_select = std::move(steps); }
    int connectError = 0;        // non-zero: Connect fails with it
    int waitWritableResult = 1;  // for a connect that would block
    int waitWritableSoError = 0;
    int closes = 0;

    nvnet::SocketHandle Open(nvnet::SocketKind) override { return 77; }
    bool Close(nvnet::SocketHandle) override;
    bool Bind(nvnet::SocketHandle, std::uint16_t) override { return true; }
    bool Connect(nvnet::SocketHandle, const nvnet::InetAddress&) override;
    bool SetNonBlocking(nvnet::SocketHandle, bool) override { return true; }
    int WaitWritable(nvnet::SocketHandle, std::uint32_t, int* soError) override;
    int WaitReadable(nvnet::SocketHandle) override { return Next(m_select, 1); }
    int Receive(nvnet::SocketHandle, void* buf, int len) override { return Fill(buf, len, Next(m_receive, -2)); }
    int ReceiveFrom(nvnet::SocketHandle, void* buf, int len, nvnet::InetAddress*) override
    {
        return Fill(buf, len, Next(m_receive, -2));
    }
    int Send(nvnet::SocketHandle, const void*, int len) override { return len; }
    int SendTo(nvnet::SocketHandle, const void*, int len, const nvnet::InetAddress&) override { return len; }
    bool Shutdown(nvnet::SocketHandle, int) override { return true; }
    bool LocalName(nvnet::SocketHandle, nvnet::InetAddress* name) override
    {
        name->address = 0x7F000001;
        name->port = 4321;
        return true;
    }
    bool Resolve(const char*, std::uint32_t* a) override { *a = 0x7F000001; return true; }
    int LastError() override;

private:
    int Next(std::deque<ScriptStep>& script, int whenEmpty);
    static int Fill(void* buf, int len, int n);
    std::mutex m_lock;
    std::condition_variable m_closed;
    std::deque<ScriptStep> m_receive, m_select;
    bool m_isClosed = false;
};
