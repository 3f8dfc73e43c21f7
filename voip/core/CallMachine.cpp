#include "voip/core/CallMachine.h"

#include "voip/core/LogFormat.h"
#include "voip/core/LogLevels.h"
#include "voip/core/SettingsRules.h"
#include "voip/core/TextNumbers.h"

#include <cstdarg>
#include <cstdio>

namespace qelo {

namespace {

std::string Bounded(const std::string& text)
{
    return text.size() > kReasonLimit ? text.substr(0, kReasonLimit) : text;
}

// The incoming-call text has one "%s" for the caller id; any other '%' stays as it is.
std::string WithCaller(const std::string& format, const std::string& caller)
{
    std::string::size_type at = format.find("%s");
    if (at == std::string::npos)
        return format;
    return format.substr(0, at) + caller + format.substr(at + 2);
}

} // namespace

std::string FormatHms(int seconds)
{
    if (seconds < 0)
        seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

CallMachine::CallMachine(SignalClient& client, ISignalPlatform& platform, ICallTexts& texts)
    : m_client(client), m_platform(platform), m_texts(texts)
{
}

// -- reports -------------------------------------------------------------------------------------

void CallMachine::Absorb()
{
    std::vector<Report> fresh = m_client.TakeReports();
    for (const Report& report : fresh) {
        if (report.what == Report::LocalError)
            LocalError(report.kind);
        else
            m_out.push_back(report);
    }
}

void CallMachine::Emit(const Report& report)
{
    Absorb();
    m_out.push_back(report);
}

std::vector<Report> CallMachine::TakeReports()
{
    Absorb();
    std::vector<Report> out;
    out.swap(m_out);
    return out;
}

void CallMachine::Status(int kind, int code)
{
    Report report;
    report.what = Report::Status;
    report.kind = kind;
    report.code = code;
    Emit(report);
}

void CallMachine::Status(int kind, int code, const std::string& text)
{
    Report report;
    report.what = Report::Status;
    report.kind = kind;
    report.code = code;
    report.hasText = true;
    report.text = text;
    Emit(report);
}

void CallMachine::State(int code)
{
    Report report;
    report.what = Report::State;
    report.code = code;
    Emit(report);
}

void CallMachine::State(int code, const std::string& text)
{
    Report report;
    report.what = Report::State;
    report.code = code;
    report.hasText = true;
    report.text = text;
    Emit(report);
}

void CallMachine::Sound(Report::What what, const std::string& text, int code)
{
    Report report;
    report.what = what;
    report.text = text;
    report.code = code;
    if (what == Report::PlayTone || what == Report::StopTone)
        ++m_soundEpoch;
    report.epoch = m_soundEpoch;
    Emit(report);
}

void CallMachine::Logf(int level, const char* format, ...)
{
    if (m_platform.LogLevel() < level)
        return;
    va_list args;
    va_start(args, format);
    std::string text = BoundedFormatV(kLogLineLimit, format, args);
    va_end(args);
    m_platform.Log(level, text);
}

std::string CallMachine::IncomingText() const
{
    return WithCaller(m_texts.Text(kTextIncomingCall), m_callerId);
}

// -- sending -------------------------------------------------------------------------------------

int CallMachine::SendOneOff(const Endpoint& to, const Datagram& bytes)
{
    int result = m_client.SendOneOff(to, bytes);
    Absorb();
    return result;
}

int CallMachine::SendInvite(const Endpoint& to)
{
    if (m_state != kCallIdle)
        return -1;
    Identity& self = m_client.Self();
    ++self.callCounter;
    m_state = kCallInviteSent;
    m_callId = m_client.FreshId();
    m_callIdHeld = false;
    if (!m_digits.empty())
        Sound(Report::DialTones, m_digits);
    bool account = m_kind == kCallKindTelephone || m_kind == kCallKindOldPeer;
    InviteFields fields;
    fields.voiceAddress = self.localAddress;
    fields.voicePort = m_settings.voicePort;
    fields.caller = account ? self.accountUser.substr(0, 30) : self.unitId;
    fields.second = account ? self.accountPassword.substr(0, 31) : m_extra;
    fields.destination = m_kind != kCallKindTelephone && m_client.Registered() && m_media != 0
                             ? MediaAddressDigits(m_media)
                             : m_digits;
    fields.silence = m_settings.silence;
    Status(kNotify, kTextCalling);
    // The gateway password never reaches the log in clear.
    Logf(kLogAlways, "%s", AccountLogText(self.accountUser, self.accountPassword).c_str());
    m_outgoing = true;
    m_peer = to;
    int result = m_client.SendAwaiting(to, BuildInvite(m_callId, fields));
    Absorb();
    return result;
}

// -- host operations -----------------------------------------------------------------------------

int CallMachine::PlaceCall(const std::string& number, int kind, const std::string& extra)
{
    if (number.empty())
        return -1;
    m_extra = extra;
    m_digits = DialledDigits(number.c_str());
    if (number.find('.') != std::string::npos) {
        if (std::uint32_t address = ParseDottedAddress(number))
            return CallDirect(address);
    }
    std::string host;
    std::uint16_t port = m_settings.proxyPort;
    SplitHostPort(m_settings.proxyHost, host, port, m_settings.proxyPort);
    std::uint32_t proxy = 0;
    if (!host.empty())
        proxy = IsDigitsAndDots(host) ? ParseDottedAddress(host) : m_platform.ResolveHost(host);
    m_target = Endpoint{proxy, port};
    m_media = 0;
    m_kind = kind == kCallKindTelephone ? kCallKindTelephone : kCallKindPc;
    int result;
    if (m_kind == kCallKindTelephone && !m_client.Registered())
        result = proxy ? SendInvite(m_target) : -1;
    else
        result = m_client.SendCallRequest(m_kind, m_digits);
    Absorb();
    return result;
}

int CallMachine::CallDirect(std::uint32_t address)
{
    if (m_state != kCallIdle)
        return -1;
    m_kind = kCallKindPc;
    m_media = 0;
    m_target = Endpoint{address, m_settings.peerPort};
    Logf(kLogProtocol, " pc-2-pc=%s", DottedAddress(address).c_str());
    return SendInvite(m_target);
}

void CallMachine::OnCallRequestAnswered(std::int32_t kind, const Endpoint& target, const Endpoint& media)
{
    if (m_state != kCallIdle) {
        Logf(kLogCalls, "call request answered during a call: dropped");
        return;
    }
    m_kind = kind;
    m_media = media.address;
    std::uint16_t port = kind == kCallKindTargetIsPc ? m_settings.peerPort : m_settings.proxyPort;
    m_target = Endpoint{target.address, port};
    SendInvite(m_target);
}

int CallMachine::GoOffHook(unsigned* voiceToken)
{
    m_answerSet = false;
    if (m_state != kCallRinging)
        return -1;
    if (m_client.SendAwaiting(m_peer, BuildHeaderOnly(QLIP_INFO_OFFHOOK, m_callId)) != 0) {
        Absorb();
        return -1;
    }
    Absorb();
    EnterConnected(-2, FormatHms(0), true);
    if (voiceToken)
        *voiceToken = m_voiceToken;
    return 0;
}

void CallMachine::HangUp()
{
    if (m_state == kCallIdle)
        return;
    Logf(kLogCalls, "call is cut by user!!");
    m_client.SendAwaiting(m_peer, BuildBye(QLIP_BYE, m_callId));
    Absorb();
    Reset(kNotify, kTextCallCut, m_texts.Text(kTextCallCut));
    m_readyPending = true;
}

void CallMachine::SendDtmf(char digit)
{
    if (m_state != kCallConnected)
        return;
    Sound(Report::DtmfTone, std::string(), static_cast<unsigned char>(digit));
    SendOneOff(m_peer, BuildDtmf(m_callId, ++m_dtmfSent, digit));
}

void CallMachine::Reset(int kind, int code, const std::string& text)
{
    m_duration = 0;
    m_state = kCallIdle;
    m_callStartSet = false;
    m_callStart = 0;
    m_peerAliveSeconds = 0;
    m_peerAliveHeard = 0;
    m_dtmfReceived = 0;
    m_dtmfSent = 0;
    m_callIdHeld = false;
    // A busy tone or an answer deadline of this call never acts on the next one, and a voice
    // start still in flight finds its call gone.
    m_busySet = false;
    m_answerSet = false;
    m_voicePending = false;
    Report offhook;
    offhook.what = Report::Offhook;
    offhook.code = 0;
    Emit(offhook);
    Status(kind, code, text);
    Sound(Report::StopTone);
    Sound(Report::StopVoice);
    Logf(kLogProtocol, "call_reset(%d,%s)", kind, text.c_str());
    State(0);
}

void CallMachine::LocalError(int reason)
{
    int number = kTextOtherError;
    switch (reason) {
    case -1: number = kTextTimeOut; break;
    case -2: number = kTextVoiceFailed; break;
    case -4: number = kTextNetworkLost; break;
    case -6: number = kTextNoVoice; break;
    default: break;
    }
    std::string text = m_texts.Text(number);
    State(-10015, text);
    Reset(kError, number, text);
}

// -- the call thread's pass ----------------------------------------------------------------------

void CallMachine::Tick()
{
    m_client.Tick();
    Absorb();
    std::uint32_t now = Now();
    if (m_state > 0 && m_peerAliveSeconds > 0 &&
        now - m_peerAliveSent >= static_cast<std::uint32_t>(m_peerAliveSeconds) * 1000u) {
        m_peerAliveSent = now;
        SendOneOff(m_peer, BuildHeaderOnly(QLIP_INFO_ALIVE, m_callId));
    }
    if (m_callStartSet && m_state == kCallConnected) {
        int duration = static_cast<int>((now - m_callStart) / 1000u);
        if (duration != m_duration) {
            m_duration = duration;
            std::string hms = FormatHms(duration);
            Status(kNotify, -2, hms);
            State(-10003, hms);
        }
    }
    if (m_state == kCallIdle && m_readyPending && (now / 1000u) % 2u == 0) {
        m_readyPending = false;
        Status(kNotify, kTextReady);
    }
    if (m_busySet && now - m_busyStart > kBusyToneMs) {
        m_busySet = false;
        Sound(Report::StopTone);
        Reset(kNotify, kTextReady, m_texts.Text(kTextReady));
    }
    if (m_settings.autoAnswerSeconds > 0 && m_answerSet && static_cast<std::int32_t>(now - m_answerAt) >= 0)
        GoOffHook();
}

// -- connection and the voice path ---------------------------------------------------------------

void CallMachine::EnterConnected(int code, const std::string& text, bool startsTimer)
{
    if (m_state == kCallConnected)
        return;
    m_state = kCallConnected;
    Status(kNotify, code, text);
    Sound(Report::StopTone);
    ++m_voiceToken;
    if (m_voiceToken == 0)
        ++m_voiceToken;
    m_voicePending = true;
    m_voiceFromAnswer = startsTimer;
    Report start;
    start.what = Report::StartVoice;
    start.address = m_voice.address;
    start.port = m_voice.port;
    start.kind = m_kind;
    start.hasText = m_outgoing;
    start.code = static_cast<int>(m_voiceToken);
    Emit(start);
}

void CallMachine::VoiceStarted(unsigned token, bool ok)
{
    bool current = m_voicePending && token == m_voiceToken && m_state == kCallConnected;
    m_lastOutcomeToken = token;
    m_lastOutcome = ok && current ? 1 : -1;
    if (!current) {
        // The call ended (or another start followed) while the voice path was starting.
        if (ok)
            Sound(Report::StopVoice);
        return;
    }
    m_voicePending = false;
    if (ok) {
        if (m_voiceFromAnswer && !m_callStartSet) {
            m_callStartSet = true;
            m_callStart = Now();
        }
        Report offhook;
        offhook.what = Report::Offhook;
        offhook.code = 1;
        Emit(offhook);
        State(kCallConnected);
        return;
    }
    if (m_settings.autoAnswerSeconds > 0) {
        // Auto-answer keeps the call, but the failure is told and nothing half-started stays open.
        Report error;
        error.what = Report::ErrorText;
        error.text = m_texts.Text(kTextVoiceFailed);
        Emit(error);
        Sound(Report::StopVoice);
        if (m_voiceFromAnswer && !m_callStartSet) {
            m_callStartSet = true;
            m_callStart = Now();
        }
        return;
    }
    // The far side is told the call is over; the answer (if any) is not waited for.
    SendOneOff(m_peer, BuildBye(QLIP_BYE, m_callId));
    LocalError(-2);
}

int CallMachine::VoiceOutcome(unsigned token) const
{
    return token == m_lastOutcomeToken ? m_lastOutcome : 0;
}

void CallMachine::OnAccepted()
{
    if (m_kind == kCallKindTelephone || m_kind == kCallKindOldPeer) {
        EnterConnected(kTextCallAccepted, m_texts.Text(kTextCallAccepted), false);
    } else {
        m_state = kCallFarRings;
        Sound(Report::PlayTone, "ringo.wav");
        Status(kNotify, kTextCallAccepted);
    }
    State(kCallFarRings);
}

void CallMachine::UpdateCredit(std::int32_t timeLimit, std::int32_t credit)
{
    std::int32_t remaining = timeLimit;
    if (timeLimit > 0) {
        remaining = timeLimit - m_duration;
        if (remaining < 0)
            remaining = 0;
    }
    if (m_kind != kCallKindTelephone)
        return;
    Report report;
    report.what = Report::Credit;
    report.kind = credit;
    report.code = timeLimit;
    Emit(report);
    Report store;
    store.what = Report::StoreRemaining;
    store.code = remaining;
    Emit(store);
}

// -- received call datagrams ---------------------------------------------------------------------

void CallMachine::OnCallDatagram(const Header& header, const std::uint8_t* data, std::size_t length,
                                 const Endpoint& source)
{
    Absorb();
    int awaited = m_client.SlotType();
    bool settingUp = m_state == kCallInviteSent;
    switch (header.type) {
    case QLIP_INVITE:
        OnInvite(header, data, length, source);
        break;
    case QLIP_INVITE_RSP_1XX:
        if (settingUp && FromPeer(source) && awaited == QLIP_INVITE) {
            m_callId = header.id;
            m_peer = source;
            m_client.StopResending();
        }
        break;
    case QLIP_INVITE_RSP_2XX:
        On2xx(header, data, length, source);
        break;
    case QLIP_INVITE_RSP_4XX:
        if (settingUp && FromPeer(source) && awaited == QLIP_INVITE && Matching(header))
            On4xx(header, data, length, source);
        break;
    case QLIP_ACK:
        // Only the caller of the call being set up, with its id, rings this phone.
        if (m_state == kCallInviteAccepted && FromPeer(source) && Matching(header))
            OnAck(source);
        break;
    case QLIP_ACK_FAIL:
        // Ends only the resends of a refusal it answers.
        if (m_client.AwaitedType() == QLIP_INVITE_RSP_4XX && FromPeer(source) && Matching(header))
            m_client.StopResending();
        break;
    case QLIP_INFO_ALIVE:
        if (FromPeer(source) && m_state != kCallIdle)
            m_peerAliveHeard = Now();
        break;
    case QLIP_INFO_OFFHOOK:
        if (Matching(header) && FromPeer(source) && m_outgoing &&
            (m_state == kCallFarRings || m_state == kCallConnected))
            OnOffhook(header);
        break;
    case QLIP_INFO_RSP_OFFHOOK:
        if (FromPeer(source) && Matching(header) && m_client.AwaitedType() == QLIP_INFO_OFFHOOK)
            m_client.StopResending();
        break;
    case QLIP_INFO_DTMF: {
        Dtmf dtmf = DecodeDtmf(data, length);
        if (dtmf.flag == 1 && m_state == kCallConnected && FromPeer(source)) {
            m_dtmfReceived = dtmf.sequence;
            Logf(kLogCalls, "dtmf received seq=%d code=%d", dtmf.sequence, static_cast<int>(dtmf.digit));
        }
        break;
    }
    case QLIP_BYE:
        if (FromPeer(source) && Matching(header) && m_state != kCallIdle)
            OnBye(header, data, length, source);
        break;
    case QLIP_BYE_RSP:
        if (FromPeer(source) && Matching(header)) {
            if (m_client.AwaitedType() == QLIP_BYE)
                m_client.StopResending();
            Bye bye = DecodeBye(data, length);
            if (bye.hasCredit) {
                m_credit = bye.credit;
                m_timeLimit = bye.timeLimit;
            }
            Logf(kLogProtocol, " time=%d credit=%d", static_cast<int>(m_timeLimit), static_cast<int>(m_credit));
        }
        break;
    default:
        break;
    }
    Absorb();
}

void CallMachine::OnInvite(const Header& header, const std::uint8_t* data, std::size_t length,
                           const Endpoint& source)
{
    // The 1XX and a refusal go to the INVITE's source and take nothing of the current call: its
    // own message keeps its resends.
    SendOneOff(source, BuildHeaderOnly(QLIP_INVITE_RSP_1XX, header.id));
    if (m_state != kCallIdle) {
        if (!m_outgoing && header.id == m_callId && FromPeer(source) && m_state == kCallInviteAccepted) {
            // The caller resent its INVITE (our acceptance was lost): accept again.
            SendOneOff(m_peer, BuildInvite2xx(m_callId, m_client.Self().localAddress, m_settings.silence,
                                              m_settings.voicePort));
            return;
        }
        SendOneOff(source, BuildInvite4xx(header.id, m_texts.Text(kTextBusyRejection).c_str()));
        return;
    }
    Invite invite = DecodeInvite(data, length);
    m_peer = source;
    m_state = kCallInviteAccepted;
    m_outgoing = false;
    m_callId = header.id;
    m_callIdHeld = true;
    if ((header.version & 0xFF) > 111) {
        m_kind = kCallKindPc;
        m_voice = Endpoint{source.address, invite.voicePort};
    } else {
        m_kind = kCallKindOldPeer;
        m_voice = Endpoint{invite.voiceAddress, invite.voicePort};
    }
    Logf(kLogCalls, "IP:port in QLIP=%s:%d", DottedAddress(m_voice.address).c_str(), m_voice.port);
    m_callerId = invite.callerId;
    Status(kNotify, kTextIncomingCall, IncomingText());
    m_client.SendAwaiting(m_peer, BuildInvite2xx(m_callId, m_client.Self().localAddress, m_settings.silence,
                                                 m_settings.voicePort));
}

void CallMachine::On2xx(const Header& header, const std::uint8_t* data, std::size_t length, const Endpoint& source)
{
    if (!FromPeer(source))
        return;
    if (m_state != kCallInviteSent || m_client.SlotType() != QLIP_INVITE) {
        // A repeated acceptance of this call: our ACK was lost, so it is sent again.
        if (m_outgoing && Matching(header) && (m_state == kCallFarRings || m_state == kCallConnected))
            SendOneOff(source, BuildHeaderOnly(QLIP_ACK, header.id));
        return;
    }
    m_peer = source;
    SendOneOff(m_peer, BuildHeaderOnly(QLIP_ACK, header.id));
    m_callId = header.id;
    m_client.StopResending();
    Invite2xx answer = DecodeInvite2xx(data, length);
    if (m_kind == kCallKindTelephone || m_kind == kCallKindOldPeer)
        m_voice = Endpoint{answer.voiceAddress, answer.voicePort};
    else
        m_voice = Endpoint{source.address, answer.voicePort};
    if (answer.hasCredit) {
        m_timeLimit = answer.timeLimit;
        m_credit = answer.credit;
    }
    OnAccepted();
    if (answer.hasCredit)
        UpdateCredit(m_timeLimit, m_credit);
    m_peerAliveSeconds = PeerKeepAlivePeriod(answer.keepAliveBase);
    m_peerAliveSent = Now();
    Logf(kLogProtocol, " peer=%s/%d time=%d credit=%d galive=%d", DottedAddress(m_peer.address).c_str(), m_peer.port,
         static_cast<int>(m_timeLimit), static_cast<int>(m_credit), m_peerAliveSeconds);
}

void CallMachine::On4xx(const Header& header, const std::uint8_t* data, std::size_t length, const Endpoint& source)
{
    m_peer = source;
    m_client.StopResending();
    SendOneOff(m_peer, BuildHeaderOnly(QLIP_ACK_FAIL, header.id));
    std::string reason = Bounded(FormatRefusal(DecodeInvite4xx(data, length)));
    Status(kError, -1, reason);
    m_state = kCallRefused;
    m_busySet = true;
    m_busyStart = Now();
    Sound(Report::PlayTone, "busy.wav");
    Logf(kLogErrors, " fail=%s", reason.c_str());
    State(kCallRefused, reason);
}

void CallMachine::OnAck(const Endpoint&)
{
    m_client.StopResending();
    m_state = kCallRinging;
    Sound(Report::PlayTone, "ringi.wav");
    Status(kNotify, kTextIncomingCall, IncomingText());
    State(kCallRinging, m_callerId);
    if (m_settings.autoAnswerSeconds > 0) {
        m_answerSet = true;
        m_answerAt = Now() + static_cast<std::uint32_t>(m_settings.autoAnswerSeconds) * 1000u;
    }
}

void CallMachine::OnOffhook(const Header& header)
{
    if (!m_callStartSet) {
        m_callStartSet = true;
        m_callStart = Now();
    }
    if (m_kind == kCallKindTelephone)
        Status(kNotify, 0, FormatHms(0));
    else if (m_state == kCallFarRings)
        EnterConnected(-2, FormatHms(0), false);
    SendOneOff(m_peer, BuildHeaderOnly(QLIP_INFO_RSP_OFFHOOK, header.id));
    State(4);
}

void CallMachine::OnBye(const Header& header, const std::uint8_t* data, std::size_t length, const Endpoint& source)
{
    Bye bye = DecodeBye(data, length);
    if (bye.hasCredit) {
        m_timeLimit = bye.timeLimit;
        m_credit = bye.credit;
        // The balance after a telephone call reaches the host and the registry too.
        UpdateCredit(m_timeLimit, m_credit);
    }
    SendOneOff(source, BuildBye(QLIP_BYE_RSP, header.id));
    Reset(kNotify, kTextReady, m_texts.Text(kTextReady));
    State(-10016, Bounded(bye.reason));
    Logf(kLogProtocol, " time=%d credit=%d", static_cast<int>(m_timeLimit), static_cast<int>(m_credit));
}

} // namespace qelo
