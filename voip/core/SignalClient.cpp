#include "voip/core/SignalClient.h"

#include "voip/core/LogFormat.h"
#include "voip/core/LogLevels.h"
#include "voip/core/SettingsRules.h"
#include "voip/core/TextNumbers.h"

#include <cstdarg>

namespace qelo {

namespace {

bool IsDirectoryType(int type) { return type >= TREGISTRATION; }

int TypeOf(const Datagram& message)
{
    return message.size() >= 14 ? (message[12] << 8 | message[13]) : 0;
}

// The dump of a datagram for the log. An INVITE's second field holds the gateway password of a
// telephone call: it is starred out, so the password reaches no log in clear.
std::string SafeDump(const std::uint8_t* data, std::size_t length)
{
    constexpr std::size_t kSecondField = 90, kSecondWidth = 48;
    if (length < 14 || (data[12] << 8 | data[13]) != QLIP_INVITE || length <= kSecondField)
        return HexDump(data, length);
    std::vector<std::uint8_t> copy(data, data + length);
    for (std::size_t i = kSecondField; i < kSecondField + kSecondWidth && i < length; ++i)
        if (copy[i])
            copy[i] = '*';
    return HexDump(copy.data(), copy.size());
}

} // namespace

void SignalClient::Status(int kind, int code)
{
    Report report;
    report.what = Report::Status;
    report.kind = kind;
    report.code = code;
    m_reports.push_back(report);
}

void SignalClient::Status(int kind, int code, const std::string& text)
{
    Status(kind, code);
    m_reports.back().hasText = true;
    m_reports.back().text = text;
}

void SignalClient::State(int code)
{
    Report report;
    report.what = Report::State;
    report.code = code;
    m_reports.push_back(report);
}

void SignalClient::State(int code, const std::string& text)
{
    State(code);
    m_reports.back().hasText = true;
    m_reports.back().text = text;
}

void SignalClient::Logf(int level, const char* format, ...)
{
    if (m_platform.LogLevel() < level)
        return;
    va_list args;
    va_start(args, format);
    std::string text = BoundedFormatV(kLogLineLimit, format, args);
    va_end(args);
    m_platform.Log(level, text);
}

std::vector<Report> SignalClient::TakeReports()
{
    std::vector<Report> reports;
    reports.swap(m_reports);
    return reports;
}

MessageId SignalClient::FreshId() const
{
    return MakeMessageId(m_identity.localAddress, m_identity.callCounter, m_identity.processId);
}

void SignalClient::SetServerName(int index, const std::string& name)
{
    if (index >= 0 && index < kServerCount)
        m_serverNames[index] = name.substr(0, 63);
}

void SignalClient::SelectDirectoryServer()
{
    Status(kNotify, kTextSearchingServer);
    for (int attempt = 0; attempt < kServerCount; ++attempt) {
        const std::string& name = m_serverNames[m_roundRobin % kServerCount];
        m_roundRobin = (m_roundRobin + 1) % kServerCount;
        std::string host;
        std::uint16_t port = kDirectoryPort;
        SplitHostPort(name, host, port, kDirectoryPort);
        if (host.empty())
            continue;
        std::uint32_t address = IsDigitsAndDots(host) ? ParseDottedAddress(host) : m_platform.ResolveHost(host);
        if (address != 0) {
            m_directory.address = address;
            m_directory.port = port;
            Logf(kLogAlways, "directory server=%s=%s", name.c_str(), DottedAddress(address).c_str());
            return;
        }
    }
}

void SignalClient::ThreadStarted()
{
    m_lastKeepAlive = m_platform.NowMs();
}

void SignalClient::LogSend(const char* verb, const Endpoint& to, const Datagram& message)
{
    Logf(kLogProtocol, "%s(%s,%d,%s)=%d bytes", verb, DottedAddress(to.address).c_str(), to.port,
         MessageTypeName(TypeOf(message)), static_cast<int>(message.size()));
    if (m_platform.LogLevel() >= kLogDumps)
        m_platform.Log(kLogDumps, SafeDump(message.data(), message.size()));
}

int SignalClient::SendAwaiting(const Endpoint& to, const Datagram& message)
{
    if (TypeOf(message) == TCALLREQUEST)
        Logf(kLogAlways, "%sversion=%s", std::string(69, '-').c_str(), kVersionText);
    m_awaitMessage = message;
    m_awaitType = TypeOf(message);
    m_awaitDestination = to;
    m_awaitInterval = kFirstResendMs;
    m_lastSend = m_platform.NowMs();
    LogSend("send", to, message);
    return m_platform.Send(to, message, 14);
}

int SignalClient::SendOneOff(const Endpoint& to, const Datagram& message)
{
    Logf(kLogProtocol, "tx %s", MessageTypeName(TypeOf(message)));
    if (m_platform.LogLevel() >= kLogDumps)
        m_platform.Log(kLogDumps, SafeDump(message.data(), message.size()));
    return m_platform.Send(to, message, 13);
}

int SignalClient::SignIn(bool on, bool webFlag)
{
    m_webFlag = webFlag;
    if (!on || LoginMeansSignOut(m_identity.nickname.c_str(), webFlag))
        return SignOut();
    const Identity& self = m_identity;
    if (!self.unitId.empty()) {
        int result = SendAwaiting(m_directory, BuildRegistration(TREGISTRATION, FreshId(), self.unitId.c_str(),
                                                                 self.localAddress, self.signalPort));
        Status(kNotify, kTextSigningIn);
        Logf(kLogAlways, " unitID=%s", self.unitId.c_str());
        State(-10011, self.unitId);
        return result;
    }
    int result = SendAwaiting(m_directory,
                              BuildFirstTimeRegistration(FreshId(), self.country.c_str(), self.area.c_str(),
                                                         self.nickname.c_str(), self.localAddress, self.signalPort));
    Status(kNotify, kTextFirstRegistrationSent);
    State(-10012);
    return result;
}

int SignalClient::SignOut()
{
    int result = SendAwaiting(m_directory, BuildLogoff(FreshId(), m_identity.unitId.c_str()));
    if (!m_identity.unitId.empty()) {
        Status(kNotify, kTextSigningOut);
        Logf(kLogAlways, " unitID=%s", m_identity.unitId.c_str());
        State(-10013, m_identity.unitId);
    }
    return result;
}

int SignalClient::SendCallRequest(std::int32_t kind, const std::string& digits)
{
    m_dialled = digits;
    int result = SendAwaiting(m_directory, BuildCallRequest(FreshId(), kind, digits.c_str()));
    Status(kNotify, kTextCallRequestSent);
    Logf(kLogAlways, " dial=%s", digits.c_str());
    State(-10010, digits);
    return result;
}

void SignalClient::OnDatagram(const std::uint8_t* data, std::size_t length, const Endpoint& source)
{
    Header header;
    bool valid = DecodeHeader(data, length, header);
    Logf(kLogProtocol, "recv(%s,%d,%s)=%d bytes", DottedAddress(source.address).c_str(), source.port,
         MessageTypeName(valid ? header.type : -1), static_cast<int>(length));
    if (!valid)
        return;
    if (m_platform.LogLevel() >= kLogDumps)
        m_platform.Log(kLogDumps, SafeDump(data, length));
    switch (header.type) {
    case TREGISTRATION_ACK:
        if (AwaitedType() == TREGISTRATION)
            OnRegistrationAck(data, length);
        return;
    case TFIRST_TIMEREG_ACK:
        if (AwaitedType() == TFIRST_TIMEREG)
            OnFirstTimeRegistrationAck(data, length);
        return;
    case TCALLREQUEST_ACK:
        if (AwaitedType() == TCALLREQUEST)
            OnCallRequestAck(data, length);
        return;
    case TLOGOFF_ACK:
        if (AwaitedType() == TLOGOFF)
            OnLogoffAck();
        return;
    default:
        if (header.type < TREGISTRATION && m_calls)
            m_calls->OnCallDatagram(header, data, length, source);
        return;
    }
}

void SignalClient::OnRegistrationAck(const std::uint8_t* data, std::size_t length)
{
    StopResending();
    RegistrationAck ack = DecodeRegistrationAck(data, length);
    m_registered = ack.result == 0;
    if (m_registered)
        Status(kOk, kTextSignedIn);
    else
        Status(kError, kTextSignInRefused);
    Logf(kLogAlways, " signin=%d (error=%X)", m_registered ? 1 : 0, ack.result);
    State(m_registered ? -10005 : -10006, m_identity.unitId);
}

void SignalClient::OnFirstTimeRegistrationAck(const std::uint8_t* data, std::size_t length)
{
    StopResending();
    FirstTimeRegistrationAck ack = DecodeFirstTimeRegistrationAck(data, length);
    Status(kOk, kTextFirstRegistrationAnswered);
    m_identity.unitId = ack.unitId;
    bool accepted = ack.result == 0 || ack.result == kResultWithAccount;
    if (accepted) {
        m_platform.StoreUnitId(ack.unitId);
        m_registered = true;
        Logf(kLogAlways, "assigned unitid=%s", ack.unitId.c_str());
        if (ack.result == kResultWithAccount) {
            m_identity.accountUser = ack.accountUser;
            m_identity.accountPassword = ack.accountPassword;
        }
    } else {
        Status(kError, kTextFirstRegistrationRefused);
    }
    State(m_registered ? -10007 : -10008, m_identity.unitId);
}

void SignalClient::OnCallRequestAck(const std::uint8_t* data, std::size_t length)
{
    StopResending();
    CallRequestAck ack = DecodeCallRequestAck(data, length);
    if (ack.kind == kCallKindRefused) {
        Status(kError, kTextCallRequestRefused);
        State(-10004, m_dialled);
        return;
    }
    // The port is the call machine's choice (the peer's signalling port or the proxy's).
    std::uint16_t port = ack.kind == kCallKindTargetIsPc ? kSignalPort : kProxyPort;
    Endpoint target{ack.inviteAddress, port};
    Endpoint media{ack.mediaAddress, port};
    Logf(kLogAlways, " proxy=%s ia=%s", DottedAddress(target.address).c_str(), DottedAddress(media.address).c_str());
    if (m_calls)
        m_calls->OnCallRequestAnswered(ack.kind, target, media);
}

void SignalClient::OnLogoffAck()
{
    StopResending();
    m_registered = false;
    Status(kOk, kTextSignedOut);
    State(-10014, m_identity.unitId);
}

void SignalClient::ReportSignedOut()
{
    m_registered = false;
    Status(kOk, kTextSignedOut);
    State(-10014, m_identity.unitId);
}

void SignalClient::Tick()
{
    std::uint32_t now = m_platform.NowMs();
    if (m_registered && now - m_lastKeepAlive >= kKeepAliveMs) {
        m_lastKeepAlive = now;
        const Identity& self = m_identity;
        SendOneOff(m_directory, BuildRegistration(TALIVE, FreshId(), self.unitId.c_str(), self.localAddress,
                                                  self.signalPort));
    }
    Retransmit();
    if (m_awaitInterval == 0)
        m_switchCount = 0;
}

void SignalClient::Retransmit()
{
    if (m_awaitInterval == 0)
        return;
    std::uint32_t now = m_platform.NowMs();
    std::uint32_t elapsed = now - m_lastSend;
    if (elapsed < m_awaitInterval)
        return;
    if (m_awaitInterval <= kLastResendMs) {
        if (m_awaitInterval != kFirstResendMs && m_awaitType != QLIP_BYE) {
            Status(kNotify, kTextResending);
            State(-10001);
        }
        // A resend goes where the message first went; a directory message follows a switch.
        m_platform.Send(m_awaitDestination, m_awaitMessage, 16);
        Logf(kLogCalls, "resend(%s,%d,%s) after another %d ms", DottedAddress(m_awaitDestination.address).c_str(),
             m_awaitDestination.port, MessageTypeName(m_awaitType), static_cast<int>(elapsed));
        m_lastSend = now;
        m_awaitInterval += kFirstResendMs;
        return;
    }
    bool wasRegistered = m_registered;
    bool directoryDialogue = m_awaitType == TREGISTRATION || m_awaitType == TCALLREQUEST ||
                             m_awaitType == TFIRST_TIMEREG || m_awaitType == TLOGOFF;
    if (directoryDialogue) {
        ReportSignedOut();
        SelectDirectoryServer();
        if (IsDirectoryType(m_awaitType))
            m_awaitDestination = m_directory;
        if (m_awaitType == TREGISTRATION || m_awaitType == TFIRST_TIMEREG) {
            ++m_switchCount;
            if (m_switchCount % kServerCount != 0) {
                Logf(kLogCalls, "auto-switch DS to %s", DottedAddress(m_directory.address).c_str());
                m_awaitInterval = kFirstResendMs;
                return;
            }
        }
    }
    m_awaitInterval = 0;
    bool signInAgain = m_awaitType == TCALLREQUEST && wasRegistered && !m_identity.unitId.empty();
    if (m_awaitType != QLIP_BYE) {
        Logf(kLogProtocol, "Timeout! (T1=%d, T2=%d, twait=%d)", static_cast<int>(kFirstResendMs),
             static_cast<int>(kLastResendMs), 0);
        Report localError;
        localError.what = Report::LocalError;
        localError.kind = -1;
        m_reports.push_back(localError);
        State(-10002);
    }
    // No server answered the call request: the user was signed in a moment ago, so the library
    // signs in again at the server just chosen instead of leaving the user silently signed out.
    if (signInAgain) {
        Logf(kLogCalls, "call request unanswered: signing in again at %s", DottedAddress(m_directory.address).c_str());
        SignIn(true, m_webFlag);
    }
}

} // namespace qelo
