// The three ways to the message server: UDP datagrams, a TCP connection, and a TCP connection
// tunnelled through an HTTP proxy with CONNECT. Each opens the main connection, runs the session
// start that switches extended data on (record types 259/260), opens the data connection, sends,
// and filters what the socket library delivers before the client matches it to its request.
// TCP is a byte stream: frames are cut out of whatever chunks arrive. The sockets belong to the
// client; a transport reaches them through it. Portable over the socket library.
#pragma once

#include "messaging/client/PmStream.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CMsgClientCore;
class CTcpClient;

class CCommPM {
public:
    explicit CCommPM(CMsgClientCore& client);
    virtual ~CCommPM();
    CCommPM(const CCommPM&) = delete;
    CCommPM& operator=(const CCommPM&) = delete;

    virtual int Open() = 0;
    virtual int ConnectChannel() = 0;
    virtual int OpenDataChannel() = 0;
    // Writes on the stream socket, reopening it (with its session start) first when it is missing.
    virtual int Send(const std::uint8_t* bytes, std::size_t length);
    virtual int SendKeep(const std::uint8_t* bytes, std::size_t length);
    // 0, or -1 when there is no client, no data socket, or the write failed. Any thread.
    virtual int SendOnDataSocket(const std::uint8_t* bytes, std::size_t length);
    virtual int ReservedHook3(int, int, int) { return 0; }
    virtual int ReservedHook2(int, int) { return 1; }
    virtual int ConnectProxy(CTcpClient&) { return 0; }
    virtual int SendConnectRequest(CTcpClient&, const std::string&, std::uint16_t) { return 0; }
    virtual std::uint32_t BuildPacketWithSeed(const std::uint8_t* payload, std::size_t length,
                                              std::vector<std::uint8_t>& out, std::uint32_t seed);
    virtual std::uint32_t BuildPacket(const std::uint8_t* payload, std::size_t length, std::vector<std::uint8_t>& out);
    virtual long ParsePacket(std::size_t total, std::uint8_t* buffer, std::uint32_t* seed);
    virtual void CloseSocket();
    // 1 not for this connection, 0 taken (each whole record went to the client), -1 rejected.
    virtual int OnReceive(const std::uint8_t* data, std::size_t count, std::uint32_t localPort, std::uint32_t kind);

    // After the client's Shutdown: later calls do nothing.
    void Detach() { m_client = nullptr; }
    bool Attached() const { return m_client != nullptr; }
    // Forgets what was gathered of the main stream (a new connection starts afresh).
    void ResetStream() { m_stream.Clear(); }

protected:
    // What transports (and their test doubles) may set on the client.
    void SetMainPort(int port);
    void SetDataPort(int port);
    CTcpClient* StreamSocket() const;
    CTcpClient* DataSocket() const;
    // Hands one received record of the main connection to the client.
    void DeliverRecord(const std::uint8_t* record, std::size_t length);

    // One record (a frame's payload, or a bare record) of the main connection.
    int TakeUnit(std::vector<std::uint8_t>& unit);
    // The session start on the main connection; closeOnFailure: close the socket on every failure.
    int RunSessionStart(bool closeOnFailure);
    // The session start on the data connection.
    int RunDataSessionStart();
    // CONNECT through the proxy on socket for host:port; waits for the answer (proxy kind 30/31/32).
    int RunTunnel(CTcpClient& socket, std::uint32_t address, std::uint16_t port, int proxyKind);
    int StreamWrite(const std::uint8_t* bytes, std::size_t length, bool closeOnFailure);
    int ReopenStream();

    CMsgClientCore* m_client;
    CPmStreamAssembler m_stream;
};

class CCommPMUdp : public CCommPM {
public:
    using CCommPM::CCommPM;
    int Open() override;
    int ConnectChannel() override;
    int OpenDataChannel() override;
    int Send(const std::uint8_t* bytes, std::size_t length) override;
    int SendKeep(const std::uint8_t* bytes, std::size_t length) override;
    void CloseSocket() override;
    int OnReceive(const std::uint8_t* data, std::size_t count, std::uint32_t localPort, std::uint32_t kind) override;
};

class CCommPMTcp : public CCommPM {
public:
    using CCommPM::CCommPM;
    int Open() override;
    int ConnectChannel() override;
    int OpenDataChannel() override;
};

class CCommPMProxy : public CCommPMTcp {
public:
    using CCommPMTcp::CCommPMTcp;
    int Open() override;
    int ConnectChannel() override;
    int OpenDataChannel() override;
    int ConnectProxy(CTcpClient& socket) override;
    int SendConnectRequest(CTcpClient& socket, const std::string& host, std::uint16_t port) override;
    int OnReceive(const std::uint8_t* data, std::size_t count, std::uint32_t localPort, std::uint32_t kind) override;
};
