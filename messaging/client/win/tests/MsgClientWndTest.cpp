// The client's hidden window under Wine: its name and class, what its clean-up removes from the
// thread's queue, the request queue's entry kinds, and its timers.
#include <winsock2.h>

#include "messaging/client/MsgClientHost.h"
#include "messaging/client/win/MsgClientFactory.h"
#include "framework/win/WinApp.h"
#include "messaging/client/win/MsgClientWnd.h"
#include "messaging/wire/PmResultCodes.h"
#include "net/socket/SocketTypes.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

SessionLoginRecord Login()
{
    SessionLoginRecord r;
    r.version = 0x0301;
    std::memcpy(r.loginId, "0123456789ABCDEF", 16);
    r.session = 0x1234;
    r.udpPort = 0; // refused by Open: these tests never reach a server
    return r;
}

SessionAddressRecord Address()
{
    SessionAddressRecord r;
    r.version = 0x0301;
    std::memcpy(r.loginId, "0123456789ABCDEF", 16);
    r.session = 0x1234;
    return r;
}

// A queued socket message with its heap record, as a receive thread would post it.
void PostSocketData(HWND target, std::uint32_t port)
{
    auto* record = static_cast<SocketDataRecord*>(std::malloc(sizeof(SocketDataRecord)));
    record->kind = SOCKET_RECORD_TCP;
    record->localPort = port;
    record->data = static_cast<std::uint8_t*>(std::malloc(5));
    std::memcpy(record->data, "data", 5);
    ASSERT_TRUE(::PostMessageA(target, WM_SOCKET_RECEIVE, 4, reinterpret_cast<LPARAM>(record)));
}

int CountQueued(HWND window)
{
    int n = 0;
    MSG msg;
    while (::PeekMessageA(&msg, window, WM_SOCKET_RECEIVE, WM_SOCKET_RECEIVE, PM_REMOVE)) {
        FreeSocketBuffer(static_cast<int>(msg.wParam), reinterpret_cast<SocketDataRecord*>(msg.lParam));
        ++n;
    }
    return n;
}

class CRecordingHost : public IMsgClientHost {
public:
    void SetModalState(bool modal) override { modal ? ++enters : ++leaves; }
    int& SequenceCounter() override { return counter; }
    int enters = 0, leaves = 0, counter = 0;
};

} // namespace

TEST(MsgClientWnd, IsAHiddenWindowNamedQeloulist)
{
    CMsgClientWnd client(Login(), Address(), nullptr);
    ASSERT_TRUE(client.IsWindow());
    EXPECT_EQ(client.GetWindowText(), CString("QELOULIST"));
    EXPECT_FALSE(client.IsWindowVisible());
    EXPECT_NE(::GetClassLongA(client.m_hWnd, GCL_STYLE) & CS_DBLCLKS, 0u);
    EXPECT_EQ(client.RequestPeriod(), 5000u);
    client.Shutdown();
}

TEST(MsgClientWnd, CleanUpRemovesOnlyItsOwnSocketMessages)
{
    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, CWnd::RegisterWindowClass("NvOtherSocketOwner"), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr));
    auto* client = new CMsgClientWnd(Login(), Address(), nullptr);
    PostSocketData(client->m_hWnd, 1111);
    PostSocketData(other.m_hWnd, 2222);
    PostSocketData(client->m_hWnd, 1112);
    client->Shutdown();
    EXPECT_EQ(CountQueued(client->m_hWnd), 0) << "the client's own are gone (and freed)";
    PostSocketData(client->m_hWnd, 1113);
    client->DestroyWindow();
    delete client;
    EXPECT_EQ(CountQueued(other.m_hWnd), 1) << "the chat engine's data stay queued";
    other.DestroyWindow();
}

TEST(MsgClientWnd, RequestQueueKindsReachTheirRequests)
{
    CRecordingHost host;
    msgclient::SetHost(&host);
    CMsgClientWnd client(Login(), Address(), nullptr);
    // No transport is open: each request fails to go out with its own code, and the queue's
    // counter is stepped for the kinds that step it.
    struct Case {
        std::uint16_t kind;
        int result;
    };
    const Case cases[] = {
        {kRequestUrlList, PM_ERR_RECEIVE_REQUEST_FAILED},
        {kRequestFriendList, PM_ERR_RECEIVE_REQUEST_FAILED},
        {kRequestMessageList, PM_ERR_LIST_REQUEST_NOT_SENT},
        {kRequestPresence, 0},
        {kRequestDone, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(client.StartRequest(RequestEntry{c.kind, 7}), c.result) << c.kind;
    EXPECT_EQ(client.GetLastResult(), PM_ERR_PRESENCE_SEND);
    EXPECT_EQ(host.counter, 4);
    EXPECT_EQ(client.Open(0, "", 0, "", "", 0), PM_ERR_UDP_SOCKET) << "local UDP port 0 is refused";
    client.Shutdown();
    msgclient::SetHost(nullptr);
}

TEST(MsgClientWnd, AWaitForTheServerIsModalAndEnds)
{
    WSADATA wsa;
    ASSERT_EQ(::WSAStartup(MAKEWORD(1, 1), &wsa), 0); // the program's start-up does this
    CRecordingHost host;
    msgclient::SetHost(&host);
    // A UDP server that never answers: the session start is resent and the wait ends by its limit.
    SOCKET silent = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(0x7F000001);
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    int size = sizeof address;
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &size);
    SessionLoginRecord login = Login();
    SessionAddressRecord server = Address();
    server.serverAddress = 0x7F000001;
    server.serverPort = ntohs(address.sin_port);
    SOCKET probe = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(0x7F000001);
    ::bind(probe, reinterpret_cast<sockaddr*>(&local), sizeof local);
    size = sizeof local;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&local), &size);
    ::closesocket(probe);
    login.udpPort = ntohs(local.sin_port);
    {
        CMsgClientWnd client(login, server, nullptr);
        client.SetPeriods(100, 1000, 500);
        ASSERT_EQ(client.Open(0, "", 0, "", "", 0), 0);
        const DWORD start = ::GetTickCount();
        EXPECT_EQ(client.ConnectChannel(), PM_ERR_SESSION_START_NO_REPLY);
        const DWORD spent = ::GetTickCount() - start;
        EXPECT_GE(spent, 300u) << "three resends 100 ms apart came first";
        EXPECT_LT(spent, 5000u);
        EXPECT_EQ(host.enters, 1);
        EXPECT_EQ(host.leaves, 1);
        int datagrams = 0;
        char buffer[256];
        u_long pending = 0;
        while (::ioctlsocket(silent, FIONREAD, &pending) == 0 && pending > 0 &&
               ::recv(silent, buffer, sizeof buffer, 0) > 0)
            ++datagrams;
        EXPECT_EQ(datagrams, 4) << "the first send and three resends";
        client.Shutdown();
    }
    ::closesocket(silent);
    msgclient::SetHost(nullptr);
    ::WSACleanup();
}

TEST(MsgClientWnd, TheSessionMakesItThroughTheRegisteredFactory)
{
    SessionLoginRecord login = Login();
    EXPECT_EQ(netsession::MsgClientFactory().Create(login, Address(), nullptr), nullptr) << "none registered";
    netsession::SetMsgClientFactory(&MsgClientFactory());
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, CWnd::RegisterWindowClass("NvFactoryOwner"), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr));
    IMsgClientLink* link = netsession::MsgClientFactory().Create(login, Address(), owner.m_hWnd);
    ASSERT_NE(link, nullptr);
    CMsgClientWnd* client = CMsgClientFactory::ClientOf(link);
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->GetOwnerWindow(), owner.m_hWnd);
    EXPECT_EQ(link->GetRequestClient(), static_cast<IRequestClient*>(client));
    EXPECT_EQ(link->Open(0, "", 0, "", "", 0), PM_ERR_UDP_SOCKET);
    const HWND window = client->m_hWnd;
    link->Destroy();
    EXPECT_FALSE(::IsWindow(window));
    netsession::SetMsgClientFactory(nullptr);
    owner.DestroyWindow();
}

TEST(MsgClientWnd, ProfileValuesAreReadAtConstructionAndTheNumberWrittenBack)
{
    CWinApp app{"NvMsgClientTest"};
    char name[64];
    wsprintfA(name, "MsgClient%lu", ::GetCurrentProcessId());
    app.SetProfileName(name);
    app.SetRegistryKey("NvMessagingTests");
    struct Case {
        int noEncrypt;
        int number;
        bool scramble;
    };
    const Case cases[] = {{0, 41, true}, {1, 7, false}, {-1, 0, true}};
    for (const Case& c : cases) {
        app.WriteProfileInt("", "NoEncryptMode", c.noEncrypt);
        app.WriteProfileInt("", "SendMsgNumber", c.number);
        {
            CMsgClientWnd client(Login(), Address(), nullptr);
            EXPECT_EQ(client.Scramble(), c.scramble) << c.noEncrypt;
            EXPECT_EQ(client.GetSendMsgNumber(), static_cast<std::uint32_t>(c.number));
            client.SetSendMsgNumber(c.number + 100);
            client.Shutdown();
        }
        EXPECT_EQ(static_cast<int>(app.GetProfileInt("", "SendMsgNumber", -1)), c.number + 100);
    }
    ::RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\NvMessagingTests\\") + name).c_str());
}
