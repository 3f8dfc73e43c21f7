#include "voip/win/Signalling.h"

#include "voip/core/CallMachine.h"
#include "voip/core/LogFormat.h"
#include "voip/core/SettingsRules.h"
#include "voip/win/CallMachine.h"
#include "voip/win/LibraryContext.h"
#include "voip/win/LibraryLog.h"
#include "voip/win/NetWatch.h"
#include "voip/win/Notifier.h"
#include "voip/win/ResourceText.h"
#include "voip/win/Settings.h"
#include "voip/win/VoicePath.h"

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace qelo {

namespace {

struct SocketFailure {
    int place;
    int error;
};

std::atomic<TickSource> g_ticks{nullptr};

class WinSignalPlatform : public ISignalPlatform {
public:
    SOCKET socket = INVALID_SOCKET;
    std::vector<SocketFailure> failures;

    std::uint32_t NowMs() override
    {
        TickSource source = g_ticks;
        return source ? source() : GetTickCount();
    }
    int Send(const Endpoint& to, const Datagram& bytes, int place) override
    {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(to.port);
        address.sin_addr.s_addr = htonl(to.address);
        int sent = sendto(socket, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0,
                          reinterpret_cast<sockaddr*>(&address), sizeof address);
        if (sent == SOCKET_ERROR) {
            // Reported once the lock is released: the error callback is the host's code.
            failures.push_back({place, socket == INVALID_SOCKET ? WSAENOTSOCK : WSAGetLastError()});
            return -1;
        }
        return 0;
    }
    std::uint32_t ResolveHost(const std::string& name) override
    {
        hostent* host = gethostbyname(name.c_str());
        if (!host || host->h_addrtype != AF_INET || !host->h_addr_list[0]) {
            failures.push_back({11, WSAGetLastError()});
            return 0;
        }
        std::uint32_t address = 0;
        std::memcpy(&address, host->h_addr_list[0], 4);
        return ntohl(address);
    }
    int LogLevel() override { return qelo::LogLevel(); }
    void Log(int level, const std::string& text) override { LogText(level, text.c_str()); }
    void StoreUnitId(const std::string& unitId) override
    {
        RegistryWrite("unitid", unitId.c_str(), unitId.size() + 1);
    }
};

class LibraryTexts : public ICallTexts {
public:
    std::string Text(int number) override { return ResourceText(number); }
};

struct Channel {
    std::mutex lock;
    WinSignalPlatform platform;
    SignalClient client{platform};
    LibraryTexts texts;
    CallMachine machine{client, platform, texts};
    // The machine's sound epoch as of the last release of the lock (see Report::epoch).
    std::atomic<unsigned> soundEpoch{0};
    std::string proxyHost = kProxyHost;
    std::uint16_t proxyPort = kProxyPort;
    std::atomic<bool> running{false};
    // Each start of the call thread has its own number, so that a thread that ended itself
    // and is still finishing never acts on a newer thread's behalf.
    std::atomic<int> generation{0};
    // The call thread's handle: the host's thread (PW_stop) and the call thread itself (a lost
    // network) may both stop it at once, so it is only ever taken out under its own lock.
    std::mutex threadLock;
    std::thread thread;
};

std::thread TakeCallThread(Channel& channel)
{
    std::lock_guard<std::mutex> guard(channel.threadLock);
    return std::move(channel.thread);
}

Channel& TheChannel()
{
    // Never destroyed: a host that ends without PW_stop must not meet a joinable thread in a
    // destructor at process exit.
    static Channel* channel = [] {
        Channel* created = new Channel;
        created->client.SetServerName(0, kDirectoryHost1);
        created->client.SetServerName(1, kDirectoryHost2);
        created->client.SetServerName(2, kDirectoryHost3);
        created->client.SetCallSeam(&created->machine);
        return created;
    }();
    return *channel;
}

// Sounds run in the order the call machine asked for them, whichever thread carries them out:
// each one under this lock, which guards nothing else (never the call lock, never a callback of
// the host's but the voice path's own error report).
std::recursive_mutex g_soundOrder;

// The dialled digits' tones of an INVITE, played one after another on a thread of their own so
// that neither the host's thread nor the call thread waits for them; a later tone or a stop
// ends them.
std::mutex g_dialLock;
std::thread g_dialThread;

void StopDialTones()
{
    std::thread finished;
    {
        std::lock_guard<std::mutex> guard(g_dialLock);
        finished = std::move(g_dialThread);
    }
    if (finished.joinable()) {
        if (finished.get_id() == std::this_thread::get_id())
            finished.detach();
        else
            finished.join();
    }
}

void Deliver(std::vector<Report>& reports, std::vector<SocketFailure>& failures);

void PlayDialTones(const std::string& digits, unsigned epoch)
{
    StopDialTones();
    std::lock_guard<std::mutex> guard(g_dialLock);
    try {
        g_dialThread = std::thread([digits, epoch] {
            for (char digit : digits) {
                std::lock_guard<std::recursive_mutex> order(g_soundOrder);
                if (TheChannel().soundEpoch != epoch)
                    return;
                CallAudio().PlayDtmf(digit);
            }
        });
    } catch (...) {
        LibLog(kLogErrors, "dial tones not played: no thread");
    }
}

void CarryOut(const Report& report)
{
    Channel& channel = TheChannel();
    switch (report.what) {
    case Report::Status:
        ReportStatusText(report.kind, report.code, report.hasText ? report.text : ResourceText(report.code));
        break;
    case Report::State:
        ReportState(report.code, report.hasText ? report.text.c_str() : nullptr);
        break;
    case Report::LocalError:
        ReportLocalError(report.kind);
        break;
    case Report::Offhook:
        NotifyOffhook(report.code);
        break;
    case Report::Credit:
        NotifyCredit(report.kind, report.code);
        break;
    case Report::StoreRemaining: {
        std::int32_t remaining = report.code;
        RegistryWrite("yam", &remaining, sizeof remaining);
        break;
    }
    case Report::ErrorText:
        NotifyError("%s", report.text.c_str());
        break;
    case Report::PlayTone: {
        std::lock_guard<std::recursive_mutex> order(g_soundOrder);
        if (channel.soundEpoch == report.epoch)
            CallAudio().PlayTone(report.text.c_str());
        break;
    }
    case Report::StopTone: {
        std::lock_guard<std::recursive_mutex> order(g_soundOrder);
        CallAudio().PlayTone(nullptr);
        break;
    }
    case Report::DialTones:
        PlayDialTones(report.text, report.epoch);
        break;
    case Report::DtmfTone: {
        std::lock_guard<std::recursive_mutex> order(g_soundOrder);
        CallAudio().PlayDtmf(static_cast<char>(report.code));
        break;
    }
    case Report::StartVoice: {
        bool ok;
        {
            std::lock_guard<std::recursive_mutex> order(g_soundOrder);
            ok = CallAudio().StartVoice(report.address, report.port, report.hasText, report.kind) == 0;
        }
        unsigned token = static_cast<unsigned>(report.code);
        WithCall([&](CallMachine& machine) { machine.VoiceStarted(token, ok); });
        break;
    }
    case Report::StopVoice: {
        std::lock_guard<std::recursive_mutex> order(g_soundOrder);
        CallAudio().StopVoice();
        break;
    }
    }
}

void Deliver(std::vector<Report>& reports, std::vector<SocketFailure>& failures)
{
    for (const Report& report : reports)
        CarryOut(report);
    for (const SocketFailure& failure : failures)
        WsockErrorCode(failure.place, failure.error);
}

void CloseSocket(Channel& channel)
{
    std::lock_guard<std::mutex> guard(channel.lock);
    if (channel.platform.socket != INVALID_SOCKET)
        closesocket(channel.platform.socket);
    channel.platform.socket = INVALID_SOCKET;
}

// read_call_settings: the ini keys, the address records and a new signalling socket.
int ReadCallSettings(std::uint32_t localAddress)
{
    Channel& channel = TheChannel();
    SignallingSetsLogLevel();
    bool scrambled = false;
    std::string proxy = UnscrambleProxy(IniString("pserver", ""), &scrambled);
    if (scrambled)
        LibLog(kLogProtocol, "scramble proxy=%s", proxy.c_str());
    std::string port = IniString("pport", "");
    std::string directory = IniString("dserver", "");
    // Only test set-ups name the second and third servers; the service's own names stand otherwise.
    std::string directory2 = IniString("dserver2", "");
    std::string directory3 = IniString("dserver3", "");
    std::string answer = IniString("tanswer", "");
    // Test set-ups only: where PC targets listen when two instances share one address.
    int peerPort = std::atoi(IniString("peerport", "").c_str());
    std::uint16_t voicePort = VoicePort();
    bool silence = RegistryFlag("silence") != 0;

    std::uint32_t overrideAddress = 0;
    std::uint16_t signalPort = kSignalPort;
    LocalAddressOverride(overrideAddress, signalPort);

    std::vector<Report> reports;
    std::vector<SocketFailure> failures;
    int result = 0;
    {
        std::lock_guard<std::mutex> guard(channel.lock);
        if (!proxy.empty())
            channel.proxyHost = proxy.substr(0, 63);
        if (!port.empty() && std::atoi(port.c_str()) > 0 && std::atoi(port.c_str()) < 65536)
            channel.proxyPort = static_cast<std::uint16_t>(std::atoi(port.c_str()));
        CallSettings& call = channel.machine.Settings();
        if (!answer.empty())
            call.autoAnswerSeconds = std::atoi(answer.c_str()) > 0 ? std::atoi(answer.c_str()) : 0;
        call.proxyHost = channel.proxyHost;
        call.proxyPort = channel.proxyPort;
        call.peerPort = peerPort > 0 && peerPort < 65536 ? static_cast<std::uint16_t>(peerPort) : kSignalPort;
        call.voicePort = voicePort;
        call.silence = silence;
        if (!directory.empty())
            channel.client.SetServerName(0, directory);
        if (!directory2.empty())
            channel.client.SetServerName(1, directory2);
        if (!directory3.empty())
            channel.client.SetServerName(2, directory3);
        Identity& self = channel.client.Self();
        self.localAddress = localAddress;
        self.signalPort = signalPort;
        self.processId = GetCurrentProcessId();
        channel.client.SelectDirectoryServer();
        LibLog(kLogAlways, "static proxy ip =%s", channel.proxyHost.c_str());
        if (channel.platform.socket != INVALID_SOCKET)
            closesocket(channel.platform.socket);
        channel.platform.socket = INVALID_SOCKET;
        reports = channel.machine.TakeReports();
        channel.soundEpoch = channel.machine.SoundEpoch();
        failures.swap(channel.platform.failures);
    }
    Deliver(reports, failures);

    SOCKET s = UdpOpen(localAddress, signalPort);
    if (s == INVALID_SOCKET)
        result = -1;
    else {
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        int size = 32768;
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
        std::lock_guard<std::mutex> guard(channel.lock);
        channel.platform.socket = s;
    }
    return result;
}

void CallProc(int generation)
{
    Channel& channel = TheChannel();
    auto mine = [&] { return channel.running && channel.generation == generation; };
    WithClient([](SignalClient& client) { client.ThreadStarted(); });
    Sleep(200);
    std::uint32_t seenAddress = Context().localAddress;
    std::vector<std::uint8_t> buffer(kDatagramCapacity);
    // The pass waits on an event the socket sets when a datagram comes: Wine's select() often
    // sleeps out its whole time-out with a datagram already there, which made every step of a
    // call wait up to 50 ms at each end.
    WSAEVENT arrival = WSACreateEvent();
    while (mine()) {
        if (!DialupConnected()) {
            LibLog(kLogErrors, "dialup network is disconnected!");
            break;
        }
        std::uint32_t address = Context().localAddress;
        if (address == 0) {
            LibLog(kLogErrors, "local IP is no more available!");
            break;
        }
        if (address != seenAddress) {
            seenAddress = address;
            ReadCallSettings(address);
        }
        SOCKET s;
        {
            std::lock_guard<std::mutex> guard(channel.lock);
            s = channel.platform.socket;
        }
        if (s != INVALID_SOCKET) {
            // Waiting on the socket instead of sleeping keeps the 50 ms pace of an idle pass
            // and answers at once when a datagram comes. The socket is tied to the event on
            // every pass: another thread may have replaced it since the last one.
            if (arrival != WSA_INVALID_EVENT && WSAEventSelect(s, arrival, FD_READ) == 0) {
                if (WSAWaitForMultipleEvents(1, &arrival, FALSE, 50, FALSE) == WSA_WAIT_EVENT_0)
                    WSAResetEvent(arrival);
            } else {
                fd_set readable;
                FD_ZERO(&readable);
                FD_SET(s, &readable);
                timeval wait = {0, 50000};
                select(0, &readable, nullptr, nullptr, &wait);
            }
            // Read even after a time-out: a datagram that came between two waits is taken now,
            // and each read that leaves another one queued sets the event again.
            {
                std::fill(buffer.begin(), buffer.end(), 0);
                sockaddr_in from = {};
                int fromLength = sizeof from;
                int length = recvfrom(s, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0,
                                      reinterpret_cast<sockaddr*>(&from), &fromLength);
                if (length > 0) {
                    Endpoint source{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
                    WithClient([&](SignalClient& client) {
                        client.OnDatagram(buffer.data(), static_cast<std::size_t>(length), source);
                    });
                    if (HWND host = Context().hostWindow)
                        PostMessageA(host, WM_USER, 0, 0);
                }
            }
        } else {
            Sleep(50);
        }
        CallTick();
    }
    if (arrival != WSA_INVALID_EVENT)
        WSACloseEvent(arrival);
    LibLog(kLogCalls, "call_proc() stopped...");
    if (mine())
        NetworkLost();
}

} // namespace

void SetTickSource(TickSource source) { g_ticks = source; }

void WithClient(const std::function<void(SignalClient&)>& fn)
{
    WithCall([&](CallMachine&) { fn(TheChannel().client); });
}

void WithCall(const std::function<void(CallMachine&)>& fn)
{
    Channel& channel = TheChannel();
    std::vector<Report> reports;
    std::vector<SocketFailure> failures;
    {
        std::lock_guard<std::mutex> guard(channel.lock);
        fn(channel.machine);
        reports = channel.machine.TakeReports();
        channel.soundEpoch = channel.machine.SoundEpoch();
        failures.swap(channel.platform.failures);
    }
    Deliver(reports, failures);
}

void EndDialTones()
{
    StopDialTones();
}

bool CallThreadRunning()
{
    return TheChannel().running;
}

void StopCallThread()
{
    Channel& channel = TheChannel();
    channel.running = false;
    std::thread thread = TakeCallThread(channel);
    if (thread.joinable()) {
        if (std::this_thread::get_id() == thread.get_id())
            thread.detach(); // the call thread itself: it ends after this pass
        else
            thread.join();
    }
    CloseSocket(channel);
}

void NetworkLost()
{
    ReportLocalError(-4);
    StopCallThread();
}

int CallStart()
{
    if (!CallIdle())
        return -1;
    if (NetStart() != 0)
        return -1;
    Channel& channel = TheChannel();
    if (channel.running)
        return 0;
    std::thread finished = TakeCallThread(channel);
    if (finished.joinable())
        finished.join();
    WithClient([](SignalClient& client) { client.ResetRoundRobin(); });
    if (ReadCallSettings(Context().localAddress) != 0)
        return -1;
    int generation = ++channel.generation;
    channel.running = true;
    try {
        std::thread started(CallProc, generation);
        std::lock_guard<std::mutex> guard(channel.threadLock);
        channel.thread = std::move(started);
    } catch (...) {
        channel.running = false;
        return -1;
    }
    CallReset(0, kTextReady, ResourceText(kTextReady));
    LibLog(kLogProtocol, "call_proc() started...");
    return 0;
}

int SignIn(int on)
{
    if (CallStart() != 0)
        return -1;
    bool web = RegistryFlag("web") != 0;
    int result = 0;
    WithClient([&](SignalClient& client) { result = client.SignIn(on != 0, web); });
    return result;
}

int MakeCall(const char* number, int kind, const char* extra)
{
    if (!number || !*number)
        return -1;
    if (CallStart() != 0)
        return -1;
    std::string text = number;
    std::string more = extra ? extra : "";
    int result = -1;
    WithCall([&](CallMachine& machine) { result = machine.PlaceCall(text, kind, more); });
    return result;
}

} // namespace qelo
