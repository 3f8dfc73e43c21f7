#include "net/socket/tests/OwnerRecorder.h"

namespace {
OwnerRecorder* g_current = nullptr;
}

OwnerRecorder::OwnerRecorder()
{
    g_current = this;
    nvnet::OwnerChannel channel;
    channel.post = &OwnerRecorder::Post;
    channel.isAlive = &OwnerRecorder::Alive;
    nvnet::SetOwnerChannel(channel);
}

OwnerRecorder::~OwnerRecorder()
{
    nvnet::ResetOwnerChannel();
    g_current = nullptr;
}

bool OwnerRecorder::Post(void* owner, unsigned message, std::uintptr_t w, std::intptr_t l)
{
    OwnerRecorder* self = g_current;
    if (!self)
        return false;
    std::lock_guard<std::mutex> hold(self->m_lock);
    if (self->m_refuse) {
        ++self->m_refused;
        self->m_changed.notify_all();
        return false;
    }
    OwnerMessage m{owner, message, static_cast<std::intptr_t>(w), l, {}, 0, 0, false};
    if (m.wParam > 0) {
        // Handle it as an owner window does: read, then free the record and its block.
        auto* record = reinterpret_cast<SocketDataRecord*>(l);
        m.data.assign(reinterpret_cast<const char*>(record->data), static_cast<std::size_t>(m.wParam));
        m.kind = record->kind;
        m.port = record->localPort;
        m.terminated = record->data[m.wParam] == 0;
        FreeSocketBuffer(static_cast<int>(m.wParam), record);
    }
    self->m_messages.push_back(m);
    self->m_changed.notify_all();
    return true;
}

bool OwnerRecorder::Alive(void* owner)
{
    return owner != nullptr;
}

bool OwnerRecorder::WaitFor(const std::function<bool(const std::vector<OwnerMessage>&)>& pred, int timeoutMs)
{
    std::unique_lock<std::mutex> hold(m_lock);
    return m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return pred(m_messages); });
}

bool OwnerRecorder::WaitForEnd(int timeoutMs)
{
    return WaitFor([](const std::vector<OwnerMessage>& all) {
        for (const auto& m : all)
            if (m.wParam <= 0)
                return true;
        return false;
    }, timeoutMs);
}

std::vector<OwnerMessage> OwnerRecorder::Messages()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_messages;
}

std::vector<OwnerMessage> OwnerRecorder::EndForms()
{
    std::vector<OwnerMessage> ends;
    for (const auto& m : Messages())
        if (m.wParam <= 0)
            ends.push_back(m);
    return ends;
}

std::string DataOf(const std::vector<OwnerMessage>& messages)
{
    std::string all;
    for (const auto& m : messages)
        if (m.wParam > 0)
            all += m.data;
    return all;
}

std::string OwnerRecorder::Data()
{
    return DataOf(Messages());
}

void OwnerRecorder::RefusePosts(bool refuse)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_refuse = refuse;
}

int OwnerRecorder::Refused()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_refused;
}

bool OwnerRecorder::WaitForRefused(int count, int timeoutMs)
{
    std::unique_lock<std::mutex> hold(m_lock);
    return m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return m_refused >= count; });
}
