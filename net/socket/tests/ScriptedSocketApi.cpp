#include "net/socket/tests/ScriptedSocketApi.h"

#include <cstring>
#include <stdexcept>

namespace {
thread_local int t_error = 0;
}

ScriptedSocketApi::ScriptedSocketApi()
{
    nvnet::SetSocketApi(this);
}

ScriptedSocketApi::~ScriptedSocketApi()
{
    nvnet::SetSocketApi(nullptr);
}

bool ScriptedSocketApi::Close(nvnet::SocketHandle)
{
    std::lock_guard<std::mutex> h(m_lock);
    ++closes;
    m_isClosed = true;
    m_closed.notify_all();
    return true;
}

bool ScriptedSocketApi::Connect(nvnet::SocketHandle, const nvnet::InetAddress&)
{
    if (connectError) {
        t_error = connectError;
        return false;
    }
    return true;
}

int ScriptedSocketApi::WaitWritable(nvnet::SocketHandle, std::uint32_t, int* soError)
{
    *soError = waitWritableSoError;
    return waitWritableResult;
}

int ScriptedSocketApi::LastError()
{
    return t_error;
}

int ScriptedSocketApi::Next(std::deque<ScriptStep>& script, int whenEmpty)
{
    std::unique_lock<std::mutex> h(m_lock);
    if (script.empty()) {
        // Past the script the call blocks until the handle is closed, as a real one would.
        if (whenEmpty == -2) {
            m_closed.wait(h, [this] { return m_isClosed; });
            t_error = nvnet::kWsaEnotsock;
            return -1;
        }
        return whenEmpty;
    }
    ScriptStep step = script.front();
    script.pop_front();
    if (step.throws)
        throw std::runtime_error("scripted failure");
    t_error = step.error;
    return step.result;
}

int ScriptedSocketApi::Fill(void* buf, int len, int n)
{
    if (n > 0)
        std::memset(buf, 'x', static_cast<std::size_t>(n < len ? n : len));
    return n;
}
