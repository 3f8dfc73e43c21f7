// The signalling channel's portable half: the directory-server dialogues (sign-in, first-time
// registration, keep-alive, sign-out, call request), the one message that awaits an answer with
// its resends and time-out, and the choice among three directory servers.
//
// It owns no socket, thread or clock: the platform seam sends datagrams, tells the time and
// resolves names, so the whole timing can be driven by tests. Reports meant for the host
// (statuses, states) are queued and handed out by TakeReports(), so that the caller delivers
// them after it has released its lock.
#pragma once

#include "voip/core/SignalMessages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qelo {

struct Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    bool operator==(const Endpoint& other) const { return address == other.address && port == other.port; }
};

enum StatusKind { kNotify = 0, kOk = 1, kWait = 2, kInfo = 3, kError = -1 };

// One report for the host, or one thing the sound side is asked to do. A status without text
// uses the resource text of its code. They are queued under the call lock and carried out in
// order once it is released: callbacks, tones and the voice path never run under the lock.
struct Report {
    enum What {
        Status,         // kind, code, text
        State,          // code, text when hasText
        LocalError,     // report_state(kind): -1 time-out, -2 voice failed, -4 network lost, -6 no voice
        Offhook,        // QL_offhook(code)
        Credit,         // QL_credit(kind = credit, code = time limit)
        StoreRemaining, // registry "yam" = code
        ErrorText,      // QL_error(text)
        PlayTone,       // text = tone file, looped
        StopTone,
        DialTones,      // text = the dialled digits, each played in turn
        DtmfTone,       // code = the digit
        StartVoice,     // address:port, kind = call kind, hasText = outcall, code = the start's token
        StopVoice,
    };
    What what = Status;
    int kind = 0;  // status kind; for LocalError the reason (-1 time-out, ...)
    int code = 0;  // status code or state code
    bool hasText = false;
    std::string text;
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    // Sounds only: the call machine's sound epoch when it was asked for. A tone whose epoch has
    // passed by the time it would start (a later tone or a stop was asked for) is not played.
    unsigned epoch = 0;
};

class ISignalPlatform {
public:
    virtual ~ISignalPlatform() = default;
    virtual std::uint32_t NowMs() = 0;
    // Sends one datagram; on failure the platform reports the socket error for place and
    // returns -1.
    virtual int Send(const Endpoint& to, const Datagram& bytes, int place) = 0;
    // A host name (not a dotted address) to an address; 0 when it does not resolve.
    virtual std::uint32_t ResolveHost(const std::string& name) = 0;
    virtual int LogLevel() = 0;
    virtual void Log(int level, const std::string& text) = 0;
    virtual void StoreUnitId(const std::string& unitId) = 0;
};

// Where the call state machine joins in: datagrams of call types and the directory server's
// answer to a call request. Without one, call datagrams are dropped.
class ICallSeam {
public:
    virtual ~ICallSeam() = default;
    virtual void OnCallDatagram(const Header& header, const std::uint8_t* data, std::size_t length,
                                const Endpoint& source) = 0;
    virtual void OnCallRequestAnswered(std::int32_t kind, const Endpoint& target, const Endpoint& media) = 0;
};

// What the library knows about itself (a part of its context record).
struct Identity {
    std::string unitId; // at most 20 bytes
    std::string country, area, nickname;
    std::string accountUser, accountPassword;
    std::uint32_t localAddress = 0;
    std::uint16_t signalPort = kSignalPort;
    std::uint32_t processId = 0;
    std::uint32_t callCounter = 0;
};

class SignalClient {
public:
    static constexpr std::uint32_t kFirstResendMs = 3000;
    static constexpr std::uint32_t kLastResendMs = 10000;
    static constexpr std::uint32_t kKeepAliveMs = 540000;
    static constexpr int kServerCount = 3;

    explicit SignalClient(ISignalPlatform& platform) : m_platform(platform) {}

    Identity& Self() { return m_identity; }
    const Identity& Self() const { return m_identity; }
    void SetCallSeam(ICallSeam* seam) { m_calls = seam; }

    // Directory servers: "host" or "host:port" (the port is for test set-ups; 10101 otherwise).
    void SetServerName(int index, const std::string& name);
    const std::string& ServerName(int index) const { return m_serverNames[index]; }
    void ResetRoundRobin() { m_roundRobin = 0; }
    // Reports status (Notify, 40) and takes the first of the three names that resolves.
    void SelectDirectoryServer();
    Endpoint DirectoryServer() const { return m_directory; }

    // The call thread started: the keep-alive period starts now.
    void ThreadStarted();
    // sign_in's choice of message: TLOGOFF, TREGISTRATION or TFIRST_TIMEREG, awaiting an answer.
    int SignIn(bool on, bool webFlag);
    int SignOut();
    int SendCallRequest(std::int32_t kind, const std::string& digits);
    // Sends a message that awaits an answer (it replaces any other) and starts its resend timing.
    int SendAwaiting(const Endpoint& to, const Datagram& message);
    // A message that expects no answer.
    int SendOneOff(const Endpoint& to, const Datagram& message);

    // One received datagram (without the magic it is dropped).
    void OnDatagram(const std::uint8_t* data, std::size_t length, const Endpoint& source);
    // One pass of the call thread: directory keep-alive, resends and time-outs.
    void Tick();

    bool Registered() const { return m_registered; }
    void SetRegistered(bool registered) { m_registered = registered; }
    int AwaitedType() const { return m_awaitInterval ? m_awaitType : 0; }
    // The type of the last message sent awaiting an answer, also once its resends have stopped
    // (an INVITE answered by a 1XX still awaits its 2XX).
    int SlotType() const { return m_awaitType; }
    void StopResending() { m_awaitInterval = 0; }
    std::vector<Report> TakeReports();
    // Queues a report after those the client made so far (the call machine's own).
    void Push(const Report& report) { m_reports.push_back(report); }
    MessageId FreshId() const;
    // The call thread passes: whether a call request that no server answered made it sign in
    // again (the registration then awaits its answer).
    bool WebFlag() const { return m_webFlag; }

private:
    void Status(int kind, int code);
    void Status(int kind, int code, const std::string& text);
    void State(int code);
    void State(int code, const std::string& text);
    void Logf(int level, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
    void LogSend(const char* verb, const Endpoint& to, const Datagram& message);
    void ReportSignedOut();
    void OnRegistrationAck(const std::uint8_t* data, std::size_t length);
    void OnFirstTimeRegistrationAck(const std::uint8_t* data, std::size_t length);
    void OnCallRequestAck(const std::uint8_t* data, std::size_t length);
    void OnLogoffAck();
    void Retransmit();

    ISignalPlatform& m_platform;
    ICallSeam* m_calls = nullptr;
    Identity m_identity;
    std::string m_serverNames[kServerCount];
    int m_roundRobin = 0;
    Endpoint m_directory;
    bool m_registered = false;
    bool m_webFlag = false;
    std::string m_dialled;

    // The one message that awaits an answer.
    Datagram m_awaitMessage;
    int m_awaitType = 0;
    Endpoint m_awaitDestination;
    std::uint32_t m_awaitInterval = 0;
    std::uint32_t m_lastSend = 0;
    int m_switchCount = 0;

    std::uint32_t m_lastKeepAlive = 0;
    std::vector<Report> m_reports;
};

} // namespace qelo
