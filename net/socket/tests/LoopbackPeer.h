// In-process TCP peers on 127.0.0.1 for the native tests (BSD sockets, one connection each).
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdint>
#include <string>
#include <thread>

// Reset waits for the client's first byte, then resets the connection.
enum class PeerBehaviour { Echo, AcceptThenClose, Reset, Silent, Sink };

class LoopbackPeer {
public:
    explicit LoopbackPeer(PeerBehaviour behaviour);
    ~LoopbackPeer();
    std::uint16_t Port() const { return m_port; }
    // Bytes a Sink peer has taken so far.
    std::size_t Received();
    // Waits (bounded) until the peer has taken at least count bytes; returns whether it has.
    bool WaitReceived(std::size_t count, int timeoutMs = 10000);
    // Closes the accepted connection from the peer's side (Silent peers).
    void CloseConnection();

private:
    void Serve();
    PeerBehaviour m_behaviour;
    int m_listener = -1;
    std::atomic<int> m_connection{-1};
    std::uint16_t m_port = 0;
    std::mutex m_receivedLock;
    std::condition_variable m_receivedMore;
    std::size_t m_received = 0;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

// A loopback port on which nothing listens.
std::uint16_t RefusedPort();
