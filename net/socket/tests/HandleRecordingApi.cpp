#include "net/socket/tests/HandleRecordingApi.h"

#include <chrono>

namespace {
thread_local int t_error = 0;
constexpr nvnet::SocketHandle kFirstValue = 100;
} // namespace

HandleRecordingApi::HandleRecordingApi()
{
    nvnet::SetSocketApi(this);
}

HandleRecordingApi::~HandleRecordingApi()
{
    nvnet::SetSocketApi(nullptr);
}

void HandleRecordingApi::BlockSends(bool on)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_blockSends = on;
}

void HandleRecordingApi::IgnoreCloses(bool on)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_ignoreCloses = on;
}

void HandleRecordingApi::ReleaseStuckCalls()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_released = true;
    m_changed.notify_all();
}

bool HandleRecordingApi::WaitForBlockedCalls(int count, int timeoutMs)
{
    std::unique_lock<std::mutex> hold(m_lock);
    return m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return m_blocked >= count; });
}

std::vector<std::string> HandleRecordingApi::Strays()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_strays;
}

int HandleRecordingApi::OwnCloses()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_ownCloses;
}

int HandleRecordingApi::DeliveredSends()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_delivered;
}

nvnet::SocketHandle HandleRecordingApi::Open(nvnet::SocketKind)
{
    std::lock_guard<std::mutex> hold(m_lock);
    nvnet::SocketHandle value = kFirstValue; // the lowest free value, as a closed one comes back
    while (m_values.count(value))
        ++value;
    m_values[value] = std::make_shared<Socket>(Socket{true});
    return value;
}

bool HandleRecordingApi::Close(nvnet::SocketHandle s)
{
    std::lock_guard<std::mutex> hold(m_lock);
    SocketRef socket = Check(s, "close");
    if (!socket || !socket->ours) {
        t_error = nvnet::kWsaEnotsock;
        return false;
    }
    ++m_ownCloses;
    socket->closed = true;
    // Somebody else opens a socket at this very moment and gets the value.
    m_values[s] = std::make_shared<Socket>(Socket{false});
    m_changed.notify_all();
    return true;
}

HandleRecordingApi::SocketRef HandleRecordingApi::Check(nvnet::SocketHandle s, const char* call)
{
    auto it = m_values.find(s);
    SocketRef socket = it == m_values.end() ? nullptr : it->second;
    if (!socket)
        m_strays.push_back(std::string(call) + " on " + std::to_string(s) + ", which names no socket");
    else if (!socket->ours)
        m_strays.push_back(std::string(call) + " on " + std::to_string(s) + ", which another socket has now");
    return socket;
}

bool HandleRecordingApi::Touch(nvnet::SocketHandle s, const char* call)
{
    std::lock_guard<std::mutex> hold(m_lock);
    SocketRef socket = Check(s, call);
    if (!socket || !socket->ours) {
        t_error = nvnet::kWsaEnotsock;
        return false;
    }
    return true;
}

int HandleRecordingApi::WaitWritable(nvnet::SocketHandle s, std::uint32_t, int* soError)
{
    *soError = 0;
    return Touch(s, "select") ? 1 : nvnet::kSocketError;
}

int HandleRecordingApi::Block(nvnet::SocketHandle s, const char* call)
{
    std::unique_lock<std::mutex> hold(m_lock);
    SocketRef socket = Check(s, call);
    if (!socket || !socket->ours) {
        t_error = nvnet::kWsaEnotsock;
        return nvnet::kSocketError;
    }
    ++m_blocked;
    m_changed.notify_all();
    m_changed.wait(hold, [&] { return socket->closed && (!m_ignoreCloses || m_released); });
    --m_blocked;
    t_error = nvnet::kWsaEintr; // a blocking call whose socket another thread closed
    return nvnet::kSocketError;
}

int HandleRecordingApi::Transmit(nvnet::SocketHandle s, const char* call, int len)
{
    bool block;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        block = m_blockSends;
        if (!block) {
            SocketRef socket = Check(s, call);
            if (!socket || !socket->ours) {
                t_error = nvnet::kWsaEnotsock;
                return nvnet::kSocketError;
            }
            ++m_delivered;
            return len;
        }
    }
    return Block(s, call);
}

bool HandleRecordingApi::LocalName(nvnet::SocketHandle s, nvnet::InetAddress* name)
{
    if (!Touch(s, "getsockname"))
        return false;
    name->address = 0x7F000001;
    name->port = 4321;
    return true;
}

int HandleRecordingApi::LastError()
{
    return t_error;
}
