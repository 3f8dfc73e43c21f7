// The call state machine: the states of one call, the outgoing telephone and PC-to-PC flows, the
// incoming flow, the timers of the call thread (call timer, ready report, busy tone, auto-answer,
// the peer keep-alive) and every report that reaches the host.
//
// Portable: it works over the signalling client (one message awaiting an answer, its resends),
// the client's platform (clock, datagrams, log) and a source of the library's texts. It plays no
// sound and calls no callback itself: tones, the voice path and the reports are queued as
// Reports, in order, and carried out by the caller after it has released its lock. Starting the
// voice path is a round trip: a StartVoice report carries a token, and the caller hands the
// outcome back with VoiceStarted(token, ok).
#pragma once

#include "voip/core/SignalClient.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qelo {

enum CallState : int {
    kCallIdle = 0,
    kCallInviteSent = -99,
    kCallInviteAccepted = -97,
    kCallFarRings = 3,
    kCallRinging = 9,
    kCallConnected = 5,
    kCallRefused = 16,
};

// The library's numbered texts (the resource library on Windows).
class ICallTexts {
public:
    virtual ~ICallTexts() = default;
    virtual std::string Text(int number) = 0;
};

// Call settings read with the others at each start of the call thread.
struct CallSettings {
    int autoAnswerSeconds = 0;     // ini "tanswer"; 0 = off
    bool silence = false;          // registry "silence": the voice options' silence flag
    std::string proxyHost;         // ini "pserver" (already unscrambled), dotted or a name
    std::uint16_t proxyPort = kProxyPort;  // ini "pport": every telephone INVITE goes there
    std::uint16_t peerPort = kSignalPort;  // where PC targets listen (a test key may move it)
    std::uint16_t voicePort = kVoicePort;  // the local voice port the INVITE and the 2XX announce
};

// Text bounds: refusal and hang-up reasons from the wire reach QL_state at most this long.
constexpr std::size_t kReasonLimit = 255;

// "%02d:%02d:%02d" of a number of seconds (hours not limited).
std::string FormatHms(int seconds);

class CallMachine : public ICallSeam {
public:
    static constexpr std::uint32_t kBusyToneMs = 5000;

    CallMachine(SignalClient& client, ISignalPlatform& platform, ICallTexts& texts);

    CallSettings& Settings() { return m_settings; }

    // -- the host's operations (call_start has run) ---------------------------------------
    // make_call after call_start: a dotted address calls directly; otherwise the call request
    // (or, for a telephone call without sign-in, the INVITE straight to the proxy). 0 or -1.
    int PlaceCall(const std::string& number, int kind, const std::string& extra);
    int CallDirect(std::uint32_t address);
    // go_off_hook: 0 when the answer went out and the voice path is asked for (its token in
    // *voiceToken), -1 when nothing rings.
    int GoOffHook(unsigned* voiceToken = nullptr);
    void HangUp();
    void SendDtmf(char digit);
    // call_reset(kind, code, text).
    void Reset(int kind, int code, const std::string& text);
    // report_state(reason): state -10015 with the reason's text, then the call is reset.
    void LocalError(int reason);
    // One pass of the call thread: the client's keep-alive and resends, the peer keep-alive,
    // the call timer, the ready report, the end of the busy tone and auto-answer.
    void Tick();
    // The outcome of the voice start the StartVoice report with this token asked for.
    void VoiceStarted(unsigned token, bool ok);
    // The token's outcome once known: 1 started, -1 failed (or the call went), 0 not yet.
    int VoiceOutcome(unsigned token) const;

    // Everything to carry out, in order (the client's own reports included).
    std::vector<Report> TakeReports();

    // ICallSeam
    void OnCallDatagram(const Header& header, const std::uint8_t* data, std::size_t length,
                        const Endpoint& source) override;
    void OnCallRequestAnswered(std::int32_t kind, const Endpoint& target, const Endpoint& media) override;

    // -- what tests and the wiring look at -----------------------------------------------
    int State() const { return m_state; }
    int Kind() const { return m_kind; }
    bool Idle() const { return m_state == kCallIdle; }
    bool Outgoing() const { return m_outgoing; }
    Endpoint Peer() const { return m_peer; }
    Endpoint VoiceEndpoint() const { return m_voice; }
    const MessageId& CallId() const { return m_callId; }
    int PeerKeepAliveSeconds() const { return m_peerAliveSeconds; }
    bool TimerRunning() const { return m_callStartSet; }
    int Duration() const { return m_duration; }
    bool ReadyPending() const { return m_readyPending; }
    bool BusyTonePlaying() const { return m_busySet; }
    const std::string& CallerId() const { return m_callerId; }
    std::int32_t Credit() const { return m_credit; }
    std::int32_t TimeLimit() const { return m_timeLimit; }
    int LastDtmfReceived() const { return m_dtmfReceived; }
    // Grows with every tone started or stopped (see Report::epoch).
    unsigned SoundEpoch() const { return m_soundEpoch; }

private:
    void Absorb();
    void Emit(const Report& report);
    void Status(int kind, int code);
    void Status(int kind, int code, const std::string& text);
    void State(int code);
    void State(int code, const std::string& text);
    void Sound(Report::What what, const std::string& text = std::string(), int code = 0);
    void Logf(int level, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
    std::string IncomingText() const;

    int SendInvite(const Endpoint& to);
    int SendOneOff(const Endpoint& to, const Datagram& bytes);
    void OnInvite(const Header& header, const std::uint8_t* data, std::size_t length, const Endpoint& source);
    void On2xx(const Header& header, const std::uint8_t* data, std::size_t length, const Endpoint& source);
    void On4xx(const Header& header, const std::uint8_t* data, std::size_t length, const Endpoint& source);
    void OnAck(const Endpoint& source);
    void OnOffhook(const Header& header);
    void OnBye(const Header& header, const std::uint8_t* data, std::size_t length, const Endpoint& source);
    void OnAccepted();
    void EnterConnected(int code, const std::string& text, bool startsTimer);
    void UpdateCredit(std::int32_t timeLimit, std::int32_t credit);
    bool FromPeer(const Endpoint& source) const { return source.address == m_peer.address; }
    bool Matching(const Header& header) const { return header.id == m_callId; }
    std::uint32_t Now() { return m_platform.NowMs(); }

    SignalClient& m_client;
    ISignalPlatform& m_platform;
    ICallTexts& m_texts;
    CallSettings m_settings;
    std::vector<Report> m_out;

    int m_state = kCallIdle;
    int m_kind = 0;
    bool m_outgoing = false;
    MessageId m_callId;
    bool m_callIdHeld = false;
    Endpoint m_peer;
    Endpoint m_target;
    Endpoint m_voice;
    std::uint32_t m_media = 0;
    std::string m_digits;
    std::string m_extra;
    std::string m_callerId;

    bool m_callStartSet = false;
    std::uint32_t m_callStart = 0;
    int m_duration = 0;
    std::int32_t m_timeLimit = 0;
    std::int32_t m_credit = 0;

    int m_peerAliveSeconds = 0;
    std::uint32_t m_peerAliveSent = 0;
    std::uint32_t m_peerAliveHeard = 0;

    bool m_busySet = false;
    std::uint32_t m_busyStart = 0;
    bool m_answerSet = false;
    std::uint32_t m_answerAt = 0;
    bool m_readyPending = false;

    std::uint16_t m_dtmfSent = 0;
    int m_dtmfReceived = 0;

    // The voice start in flight: its token, and whether it came from answering (the call timer
    // then starts only once the voice runs).
    unsigned m_voiceToken = 0;
    bool m_voicePending = false;
    bool m_voiceFromAnswer = false;
    unsigned m_soundEpoch = 0;
    unsigned m_lastOutcomeToken = 0;
    int m_lastOutcome = 0;
};

} // namespace qelo
