// A recording owner for native tests: takes the place of the owner window's message queue.
#pragma once

#include "net/socket/SocketApi.h"
#include "net/socket/SocketTypes.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct OwnerMessage {
    void* owner;
    unsigned message;
    std::intptr_t wParam; // signed: the end forms are 0, -1, -2
    std::intptr_t lParam;
    std::string data;     // copied out of a data record (which is then freed)
    std::uint32_t kind = 0;
    std::uint32_t port = 0;
    bool terminated = false; // the spare byte after the data was 0
};

// All data bytes of messages in arrival order.
std::string DataOf(const std::vector<OwnerMessage>& messages);

class OwnerRecorder {
public:
    OwnerRecorder();
    ~OwnerRecorder();
    // Waits (bounded) until pred(messages) holds; returns its last answer.
    bool WaitFor(const std::function<bool(const std::vector<OwnerMessage>&)>& pred, int timeoutMs = 10000);
    bool WaitForEnd(int timeoutMs = 10000);
    std::vector<OwnerMessage> Messages();
    std::vector<OwnerMessage> EndForms();
    std::string Data(); // all data bytes in arrival order
    // Refused posts are counted (and their records left to the receive thread to free).
    void RefusePosts(bool refuse);
    int Refused();
    // Waits (bounded) until count posts have been refused.
    bool WaitForRefused(int count, int timeoutMs = 10000);

private:
    static bool Post(void* owner, unsigned message, std::uintptr_t w, std::intptr_t l);
    static bool Alive(void* owner);
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<OwnerMessage> m_messages;
    bool m_refuse = false;
    int m_refused = 0;
};
