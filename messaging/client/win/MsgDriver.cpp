// nv_msg_driver: runs one CMsgClientWnd under a test's control, with a hidden owner window that
// stands in for the main window. Commands on standard input, one a line (texts hex-encoded CP932):
//   login version=V udp_local=P udp_port=P tcp_port=P data_port=P [id=HEX] [session=N] [scramble=0]
//   period MS [WAIT_MS [PROXY_MS]]
//   open FLAGS [COUNT [PROXYHOST PROXYPORT [USERHEX PASSHEX]]]     connect
//   list   send IDHEX NAMEHEX TEXTHEX KIND   sendfile IDHEX NAMEHEX TEXTHEX KIND PATHHEX FLAG
//   body IDHEX NAMEHEX TEXTHEX KIND PATHHEX   recvbody NUMBER PATHHEX [LENGTH]
//   fetch N   delete N   friends   urls   presence S   url TEXTHEX   cancel [WPARAM]
//   state   shutdown   bench N IDHEX   echo N PORT   echothread N PORT   quit
// Output, one a line:
//   RESULT <command> <code>    POST <message hex> <wParam> <record hex>    PROGRESS <wParam> <bytes>
//   STATE <pending> <last result> <session state>    BENCH <count> <microseconds>    ECHO <count> <microseconds>
//   ECHOTHREAD <count> <microseconds>  (the echo through the socket library's receive thread and its
//   posted WM_SOCKET_RECEIVE, as the client receives)
//   BYE
#include "messaging/client/MsgClientHost.h"
#include "messaging/client/win/MsgClientWnd.h"
#include "net/socket/SocketTypes.h"
#include "net/socket/UdpEndpoint.h"

#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

namespace {

const UINT WM_DRIVER_COMMAND = WM_APP + 1;

std::string Hex(const std::uint8_t* data, std::size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out.empty() ? "-" : out;
}

std::string Unhex(const std::string& s)
{
    if (s == "-")
        return std::string();
    std::string out;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2)
        out += static_cast<char>(std::strtol(s.substr(i, 2).c_str(), nullptr, 16));
    return out;
}

void Say(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::int64_t Micros()
{
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<std::int64_t>(c.QuadPart * 1000000 / f.QuadPart);
}

class CDriverHost : public IMsgClientHost {
public:
    void SetModalState(bool modal) override { Say(std::string("MODAL ") + (modal ? "1" : "0")); }
    int& SequenceCounter() override { return counter; }
    int counter = 0;
};

class CDriverWnd : public CWnd {
public:
    CMsgClientWnd* client = nullptr;
    CDriverHost host;
    bool done = false;
    int counter = 0;
    // Benchmark: messages still to send, and when it started.
    int benchLeft = 0;
    int benchCount = 0;
    std::int64_t benchStart = 0;
    std::string benchId;

    // Echo through the socket library: datagrams left and when it started.
    CUdpEndpoint* echoEndpoint = nullptr;
    int echoLeft = 0;
    int echoCount = 0;
    std::int64_t echoStart = 0;

    BOOL Create() { return CreateEx(0, RegisterWindowClass("NvMsgDriver"), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr); }

    LRESULT OnResult(UINT message, WPARAM wParam, LPARAM lParam)
    {
        PmPostedRecord* record = PmRecordFromParam(static_cast<std::intptr_t>(lParam));
        const int form = static_cast<int>(static_cast<INT_PTR>(wParam));
        if (benchLeft > 0 && message == WM_PM_MESSAGE_RESULT) {
            PmFreePostedRecord(record);
            if (form != PM_POST_SENT) {
                Say("RESULT bench " + std::to_string(form));
                benchLeft = 0;
                return 0;
            }
            if (--benchLeft == 0) {
                Say("BENCH " + std::to_string(benchCount) + " " + std::to_string(Micros() - benchStart));
                return 0;
            }
            BenchSend();
            return 0;
        }
        char head[32];
        std::snprintf(head, sizeof head, "POST %x %d ", message, form);
        Say(std::string(head) + (record ? Hex(record->Bytes(), record->size) : "-"));
        PmFreePostedRecord(record);
        return 0;
    }
    LRESULT OnMessageResult(WPARAM wParam, LPARAM lParam) { return OnResult(WM_PM_MESSAGE_RESULT, wParam, lParam); }
    LRESULT OnListResult(WPARAM wParam, LPARAM lParam) { return OnResult(WM_PM_LIST_RESULT, wParam, lParam); }
    LRESULT OnProgress(WPARAM wParam, LPARAM lParam)
    {
        Say("PROGRESS " + std::to_string(wParam) + " " + std::to_string(lParam));
        return 0;
    }

    void BenchSend()
    {
        const int rc = client->SendText(counter, benchId, "bench", "benchmark text", 0);
        if (rc != 0) {
            Say("RESULT bench " + std::to_string(rc));
            benchLeft = 0;
        }
    }

    void Login(std::istringstream& in)
    {
        SessionLoginRecord login;
        SessionAddressRecord address;
        std::map<std::string, std::string> v;
        std::string item;
        while (in >> item) {
            const auto eq = item.find('=');
            if (eq != std::string::npos)
                v[item.substr(0, eq)] = item.substr(eq + 1);
        }
        const std::uint16_t version = static_cast<std::uint16_t>(std::strtoul(v["version"].c_str(), nullptr, 0));
        const std::string id = v.count("id") ? Unhex(v["id"]) : "0123456789ABCDEF";
        const std::uint32_t session = v.count("session") ? std::strtoul(v["session"].c_str(), nullptr, 0) : 0x1234;
        login.version = address.version = version;
        login.type = 0x101;
        address.type = 0x102;
        login.sequence = address.sequence = 1;
        std::memcpy(login.loginId, id.data(), std::min<std::size_t>(16, id.size()));
        std::memcpy(address.loginId, id.data(), std::min<std::size_t>(16, id.size()));
        login.session = address.session = session;
        login.udpPort = static_cast<std::uint16_t>(std::atoi(v["udp_local"].c_str()));
        const std::uint32_t loopback = 0x7F000001;
        address.serverAddress = loopback;
        address.serverPort = static_cast<std::uint16_t>(std::atoi(v["udp_port"].c_str()));
        address.tcpAddress = loopback;
        address.tcpPort = static_cast<std::uint16_t>(std::atoi(v["tcp_port"].c_str()));
        address.dataAddress = loopback;
        address.dataPort = static_cast<std::uint16_t>(std::atoi(v["data_port"].c_str()));
        delete client;
        client = new CMsgClientWnd(login, address, m_hWnd);
        if (v.count("scramble") && v["scramble"] == "0")
            client->SetScramble(false);
        client->SetProgressWindow(m_hWnd);
        Say(std::string("RESULT login ") + (client->m_hWnd ? "0" : "-1"));
    }

    LRESULT OnDriverCommand(WPARAM, LPARAM lParam)
    {
        std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
        std::istringstream in(*line);
        std::string verb;
        in >> verb;
        if (verb == "login") {
            Login(in);
            return 0;
        }
        if (verb == "quit") {
            done = true;
            return 0;
        }
        if (!client) {
            Say("RESULT " + verb + " -2");
            return 0;
        }
        std::string a, b, c, d, e, f;
        if (verb == "period") {
            unsigned period = 5000, wait = 20000, proxy = 15000;
            in >> period >> wait >> proxy;
            client->SetPeriods(period, wait, proxy);
            Say("RESULT period 0");
        } else if (verb == "open") {
            unsigned long flags = 0;
            int count = 0;
            std::string host, port, user, password;
            in >> flags >> count >> host >> port >> user >> password;
            const int rc = client->Open(static_cast<std::uint32_t>(flags), host, static_cast<std::uint16_t>(std::atoi(port.c_str())),
                                        Unhex(user), Unhex(password), count);
            Say("RESULT open " + std::to_string(rc));
        } else if (verb == "connect") {
            Say("RESULT connect " + std::to_string(client->ConnectChannel()));
        } else if (verb == "list") {
            Say("RESULT list " + std::to_string(client->RequestList(counter)));
        } else if (verb == "send") {
            int kind = 0;
            in >> a >> b >> c >> kind;
            Say("RESULT send " + std::to_string(client->SendText(counter, Unhex(a), Unhex(b), Unhex(c), kind)));
        } else if (verb == "sendfile") {
            int kind = 0;
            unsigned long flag = 0;
            in >> a >> b >> c >> kind >> d >> flag;
            Say("RESULT sendfile " + std::to_string(client->SendFile(counter, Unhex(a), Unhex(b), Unhex(c), kind, Unhex(d),
                                                                     static_cast<std::uint32_t>(flag))));
        } else if (verb == "body") {
            int kind = 0;
            in >> a >> b >> c >> kind >> d;
            Say("RESULT body " + std::to_string(client->SendWithBody(counter, Unhex(a), Unhex(b), Unhex(c), kind, Unhex(d))));
        } else if (verb == "recvbody") {
            unsigned long number = 0, length = 0;
            in >> number >> a >> length;
            Say("RESULT recvbody " + std::to_string(client->RequestBody(counter, static_cast<std::uint32_t>(number), Unhex(a),
                                                                        static_cast<std::uint32_t>(length))));
        } else if (verb == "fetch" || verb == "delete") {
            unsigned long number = 0;
            in >> number;
            const int rc = verb == "fetch" ? client->RequestFetch(counter, static_cast<std::uint32_t>(number))
                                           : client->RequestDelete(counter, static_cast<std::uint32_t>(number));
            Say("RESULT " + verb + " " + std::to_string(rc));
        } else if (verb == "friends" || verb == "urls") {
            RequestEntry entry{static_cast<std::uint16_t>(verb == "friends" ? kRequestFriendList : kRequestUrlList), 0};
            Say("RESULT " + verb + " " + std::to_string(client->StartRequest(entry)));
        } else if (verb == "presence") {
            unsigned long status = 0;
            in >> status;
            client->SendPresence(counter, static_cast<std::uint32_t>(status));
            // The call answers 0 whatever happened; the request went out when it is pending.
            Say("RESULT presence " + std::to_string(client->Pending() == PM_KIND_PRESENCE ? 0 : client->GetLastResult()));
        } else if (verb == "url") {
            in >> a;
            Say("RESULT url " + std::to_string(client->SendUrl(counter, Unhex(a))));
        } else if (verb == "cancel") {
            unsigned long w = PM_CANCEL_RUNNING;
            in >> w;
            client->PostMessage(WM_PM_CANCEL, static_cast<WPARAM>(w), 0);
            Say("RESULT cancel 0");
        } else if (verb == "state") {
            Say("STATE " + std::to_string(client->Pending()) + " " + std::to_string(client->GetLastResult()) + " " +
                std::to_string(client->SessionState()));
        } else if (verb == "shutdown") {
            client->Shutdown();
            client->DestroyWindow();
            delete client;
            client = nullptr;
            Say("RESULT shutdown 0");
        } else if (verb == "bench") {
            in >> benchCount >> a;
            benchId = Unhex(a);
            benchLeft = benchCount;
            benchStart = Micros();
            BenchSend();
        } else if (verb == "echothread") {
            int port = 0;
            in >> echoCount >> port;
            delete echoEndpoint;
            echoEndpoint = new CUdpEndpoint(m_hWnd, 0);
            if (echoEndpoint->Open("127.0.0.1", static_cast<std::uint16_t>(port), 0) != SOCKET_OK) {
                Say("RESULT echothread -1");
                return 0;
            }
            echoLeft = echoCount;
            echoStart = Micros();
            static const char datagram[36] = "echo";
            echoEndpoint->Send(datagram, sizeof datagram);
        } else if (verb == "echo") {
            int count = 0, port = 0;
            in >> count >> port;
            Echo(count, port);
        } else {
            Say("RESULT " + verb + " -3");
        }
        return 0;
    }

    // Bare UDP round trips with the peer's echo port: the floor of the request/reply latency.
    void Echo(int count, int port)
    {
        SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<u_short>(port));
        to.sin_addr.s_addr = htonl(0x7F000001);
        DWORD timeout = 2000;
        ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        char buffer[64] = "echo";
        const std::int64_t start = Micros();
        int good = 0;
        for (int i = 0; i < count; ++i) {
            if (::sendto(s, buffer, 36, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) != 36)
                break;
            char in[64];
            if (::recv(s, in, sizeof in, 0) <= 0)
                break;
            ++good;
        }
        const std::int64_t spent = Micros() - start;
        ::closesocket(s);
        Say("ECHO " + std::to_string(good) + " " + std::to_string(spent));
    }

    LRESULT OnSocket(WPARAM wParam, LPARAM lParam)
    {
        const int count = static_cast<int>(static_cast<INT_PTR>(wParam));
        FreeSocketBuffer(count, reinterpret_cast<SocketDataRecord*>(lParam));
        if (count < 1 || !echoEndpoint || echoLeft <= 0)
            return 0;
        if (--echoLeft == 0) {
            Say("ECHOTHREAD " + std::to_string(echoCount) + " " + std::to_string(Micros() - echoStart));
            return 0;
        }
        static const char datagram[36] = "echo";
        echoEndpoint->Send(datagram, sizeof datagram);
        return 0;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDriverWnd, CWnd)
    ON_MESSAGE(WM_SOCKET_RECEIVE, OnSocket)
    ON_MESSAGE(WM_PM_MESSAGE_RESULT, OnMessageResult)
    ON_MESSAGE(WM_PM_LIST_RESULT, OnListResult)
    ON_MESSAGE(WM_PM_PROGRESS, OnProgress)
    ON_MESSAGE(WM_DRIVER_COMMAND, OnDriverCommand)
END_MESSAGE_MAP()

} // namespace

int main()
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(1, 1), &wsa);
    CDriverWnd driver;
    if (!driver.Create())
        return 2;
    msgclient::SetHost(&driver.host);
    char temp[MAX_PATH + 1] = "";
    GetTempPathA(sizeof temp, temp);
    Say(std::string("TEMP ") + temp);

    HWND target = driver.m_hWnd;
    std::thread reader([target] {
        char buffer[8192];
        while (std::fgets(buffer, sizeof buffer, stdin)) {
            std::string line(buffer);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            PostMessageA(target, WM_DRIVER_COMMAND, 0, reinterpret_cast<LPARAM>(new std::string(line)));
        }
        PostMessageA(target, WM_DRIVER_COMMAND, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
    });
    reader.detach();

    MSG msg;
    while (!driver.done && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (driver.echoEndpoint) {
        driver.echoEndpoint->Close();
        delete driver.echoEndpoint;
    }
    if (driver.client) {
        driver.client->Shutdown();
        driver.client->DestroyWindow();
        delete driver.client;
    }
    msgclient::SetHost(nullptr);
    Say("BYE");
    std::fflush(stdout);
    ExitProcess(0);
}
