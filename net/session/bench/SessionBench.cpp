// Log-in benchmark (run by hand, never by CTest): CSession::Login on the LAN against the
// login_service peer, beside a bare WinINet POST of the same body to the same server, 20 rounds
// each, medians in milliseconds.
//   sh tools/peer-fixture.sh start login_service /tmp/nvbench
//   NV_PEER_DIR=/tmp/nvbench build/win64/nv-wine build/win64/bin/net_session_bench.exe
//   sh tools/peer-fixture.sh stop login_service /tmp/nvbench
#include "net/session/Session.h"
#include "net/session/win/SessionNetwork.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class BenchHost : public ISessionHost {
public:
    CNetInfo& NetInfo() override { return info; }
    std::string LoginPage() override { return url; }
    std::string ChatLoginUrl() override { return url; }
    ChatRoomRecord& Room() override { return room; }
    IMsgClientLink*& ClientSlot() override { return slot; }
    bool CreateLock() override { return true; }
    void CloseLock() override {}
    bool Lock(std::uint16_t, unsigned) override { return true; }
    void Unlock() override {}
    nvnet::SocketOwner MainWindow() override { return nullptr; }
    void PostLogoutRequest() override {}
    CString Text(unsigned) override { return CString(); }
    int ShowMessage(const CString&, unsigned, bool) override { return IDNO; }

    CNetInfo info;
    std::string url;
    ChatRoomRecord room;
    IMsgClientLink* slot = nullptr;
};

double Now()
{
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// One POST of body with the session's user agent, user and password, reading the whole reply.
bool BarePost(int port, const std::string& body)
{
    HINTERNET internet = ::InternetOpenA(CSessionNetwork::kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection = ::InternetConnectA(internet, "127.0.0.1", static_cast<INTERNET_PORT>(port), "user01", "pw01",
                                              INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = ::HttpOpenRequestA(connection, "POST", "/menu/LNLogin.cgi", nullptr, nullptr, nullptr,
                                           INTERNET_FLAG_RELOAD, 0);
    char headers[160];
    std::snprintf(headers, sizeof headers, "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: %d\r\n",
                  static_cast<int>(body.size()));
    ::HttpAddRequestHeadersA(request, headers, static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
    bool ok = ::HttpSendRequestA(request, nullptr, 0, const_cast<char*>(body.data()), static_cast<DWORD>(body.size()));
    char buffer[2048];
    DWORD got = 0;
    while (ok && ::InternetReadFile(request, buffer, sizeof buffer, &got) && got)
        ;
    for (HINTERNET handle : {request, connection, internet})
        if (handle)
            ::InternetCloseHandle(handle);
    return ok;
}

} // namespace

int main()
{
    const char* dir = std::getenv("NV_PEER_DIR");
    std::ifstream in(std::string(dir ? dir : ".") + "/login_service.port");
    int port = 0;
    in >> port;
    if (!port) {
        std::printf("no login_service peer (NV_PEER_DIR)\n");
        return 1;
    }
    BenchHost host;
    host.url = "http://127.0.0.1:" + std::to_string(port);
    host.info.m_LoginID = "user01";
    host.info.m_LoginPasswd = "pw01";
    host.info.SetConnectionSettings(true, 0, false, "", "", "", "");
    CDirectInternetSettings direct;
    CSessionNetwork network(host.info, direct);
    std::vector<double> login, bare;
    std::string body;
    for (int i = 0; i < 21; ++i) {
        CSession session(host, network);
        const double start = Now();
        const int result = session.Login(false);
        const double took = Now() - start;
        if (result != 1 || !session.IsLoggedIn()) {
            std::printf("log-in failed: %u\n", session.GetLastError());
            return 1;
        }
        body = netsession::LoginBody(session.GetVersionWord(), session.GetLoginType(), 1, "user01", "pw01",
                                     session.LocalAddress(), session.UdpPort(), session.TcpPort());
        if (i > 0) // the first round warms WinINet up
            login.push_back(took);
        host.info.m_state = 0;
        const double bareStart = Now();
        if (!BarePost(port, body)) {
            std::printf("bare post failed: %lu\n", ::GetLastError());
            return 1;
        }
        if (i > 0)
            bare.push_back(Now() - bareStart);
    }
    const double l = Median(login), b = Median(bare);
    std::printf("Login(1) LAN median of %zu: %.2f ms; bare WinINet POST: %.2f ms; ratio %.2f\n", login.size(), l, b, l / b);
    return 0;
}
