// CSession over recording doubles of the application, the network, the dial-up object and the
// message-client factory: log-in and log-out, the connection graph, the client's lock, slot and
// state rules, rooms, and the end of a session.
#include "net/session/Session.h"

#include "resources/ids/net.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace netsession;

namespace {

using Journal = std::vector<std::string>;

class NetInfoDouble : public CNetInfo {
public:
    bool registered = false;
    bool HasServiceSession() const override { return registered; }
};

class HostDouble : public ISessionHost {
public:
    explicit HostDouble(Journal& journal) : m_journal(journal) {}
    CNetInfo& NetInfo() override { return info; }
    std::string LoginPage() override { return loginPage; }
    std::string ChatLoginUrl() override { return chatLogin; }
    ChatRoomRecord& Room() override { return room; }
    IMsgClientLink*& ClientSlot() override { return slot; }
    bool CreateLock() override { m_journal.push_back("lock:create"); return true; }
    void CloseLock() override { m_journal.push_back("lock:close"); }
    bool Lock(std::uint16_t holder, unsigned timeoutMs) override
    {
        m_journal.push_back("lock:" + std::to_string(holder) + ":" + std::to_string(timeoutMs));
        if (lockBusy)
            return false;
        held = true;
        return true;
    }
    void Unlock() override
    {
        m_journal.push_back("unlock");
        held = false;
    }
    nvnet::SocketOwner MainWindow() override { return this; }
    void PostLogoutRequest() override { m_journal.push_back("post:0x40C:1"); }
    CString Text(unsigned id) override { return id == IDS_DIAL_SWITCH_CONNECTION ? "switch %s to %s" : CString() + std::to_string(id).c_str(); }
    int ShowMessage(const CString& text, unsigned flags, bool logged) override
    {
        m_journal.push_back("box:" + text.str() + ":" + std::to_string(flags) + (logged ? ":logged" : ""));
        return answer;
    }

    NetInfoDouble info;
    std::string loginPage = "http://login.test:8080/";
    std::string chatLogin = "http://room.test/";
    ChatRoomRecord room;
    IMsgClientLink* slot = nullptr;
    bool lockBusy = false;
    bool held = false;
    int answer = 7; // No

private:
    Journal& m_journal;
};

class DialupDouble : public IDialupLink {
public:
    explicit DialupDouble(Journal& journal) : m_journal(journal) {}
    int BuildEntry(CString* entryName) override
    {
        m_journal.push_back("dial:build");
        int result = builds.empty() ? 0 : builds.front();
        if (!builds.empty())
            builds.erase(builds.begin());
        if (result == 0)
            *entryName = "built";
        return result;
    }
    bool RunDetails() override
    {
        m_journal.push_back("dial:details");
        return detailsOk;
    }
    bool ConfirmLogin(CString* entryName) override
    {
        m_journal.push_back("dial:login-dialog:" + entryName->str());
        if (loginOk)
            *entryName = chosen;
        return loginOk;
    }
    bool IsConnected(const CString& entryName) override { return connected.count(entryName.str()) != 0; }
    bool AnyActive() override { return !activeName.empty() || activeUnreadable; }
    bool GetActiveEntryNames(CString* names) override
    {
        *names = activeName.c_str();
        return !activeUnreadable;
    }
    void HangUpAllAndWait() override
    {
        m_journal.push_back("dial:hang-up-all");
        connected.clear();
        activeName.clear();
    }
    bool Dial(const CString& entryName) override
    {
        m_journal.push_back("dial:dial:" + entryName.str());
        if (dialOk)
            connected[entryName.str()] = true;
        return dialOk;
    }
    void HangUpOwn(const CString& entryName) override
    {
        m_journal.push_back("dial:hang-up:" + entryName.str());
        connected.erase(entryName.str());
    }
    bool GetLocalAddress(CString* address) override
    {
        *address = rasAddress.c_str();
        return !rasAddress.empty();
    }

    std::vector<int> builds;
    bool detailsOk = true;
    bool loginOk = true;
    CString chosen = "chosen";
    std::map<std::string, bool> connected;
    std::string activeName;
    bool activeUnreadable = false;
    bool dialOk = true;
    std::string rasAddress = "10.1.2.3";

private:
    Journal& m_journal;
};

class PortsDouble : public IPortProbe {
public:
    bool HasService(std::uint16_t, const char*) override { return false; }
    bool CanBind(std::uint16_t, bool) override { return true; }
};

class NetworkDouble : public ISessionNetwork {
public:
    struct Request {
        std::string url, path, body, user, password;
    };
    explicit NetworkDouble(Journal& journal) : dialup(journal), m_journal(journal) {}
    bool Post(const std::string& url, const char* path, const std::string& body, const std::string& user,
              const std::string& password, std::string* reply, std::uint32_t* lastError) override
    {
        requests.push_back({url, path, body, user, password});
        m_journal.push_back(std::string("post:") + path);
        if (postError) {
            *lastError = postError;
            return false;
        }
        *reply = replies.empty() ? std::string("ok") : replies.front();
        if (!replies.empty())
            replies.erase(replies.begin());
        return true;
    }
    std::string HostAddress() override { return hostAddress; }
    IPortProbe& Ports() override { return ports; }
    IDialupLink* CreateDialup(std::uint16_t mode) override
    {
        m_journal.push_back("dial:create:" + std::to_string(mode));
        return createDialup ? &dialup : nullptr;
    }
    void DeleteDialup(IDialupLink*) override { m_journal.push_back("dial:delete"); }
    bool IsWindowsMe() override { return windowsMe; }

    std::vector<Request> requests;
    std::vector<std::string> replies;
    std::uint32_t postError = 0;
    std::string hostAddress = "192.168.0.9";
    PortsDouble ports;
    DialupDouble dialup;
    bool createDialup = true;
    bool windowsMe = false;

private:
    Journal& m_journal;
};

class ClientDouble : public IMsgClientLink {
public:
    ClientDouble(Journal& journal, int openResult, int channelResult)
        : m_journal(journal), m_open(openResult), m_channel(channelResult)
    {
    }
    int Open(std::uint32_t flags, const std::string& proxyHost, std::uint16_t proxyPort, const std::string& user,
             const std::string&, int resendCount) override
    {
        m_journal.push_back("client:open:" + std::to_string(flags) + ":" + proxyHost + ":" + std::to_string(proxyPort) +
                            ":" + user + ":" + std::to_string(resendCount));
        return m_open;
    }
    int ConnectChannel() override
    {
        m_journal.push_back("client:channel");
        return m_channel;
    }
    void Shutdown() override { m_journal.push_back("client:shutdown"); }
    IRequestClient* GetRequestClient() override { return nullptr; }
    void Destroy() override
    {
        m_journal.push_back("client:destroy");
        delete this;
    }

private:
    Journal& m_journal;
    int m_open, m_channel;
};

class FactoryDouble : public IMsgClientFactory {
public:
    explicit FactoryDouble(Journal& journal) : m_journal(journal) {}
    IMsgClientLink* Create(const SessionLoginRecord& l, const SessionAddressRecord& a, nvnet::SocketOwner owner) override
    {
        m_journal.push_back("client:create");
        login = l;
        address = a;
        this->owner = owner;
        return fail ? nullptr : new ClientDouble(m_journal, openResult, channelResult);
    }
    bool fail = false;
    int openResult = 0, channelResult = 0;
    SessionLoginRecord login;
    SessionAddressRecord address;
    nvnet::SocketOwner owner = nullptr;

private:
    Journal& m_journal;
};

const std::string kGoodReply = "version:0x0301<br>type:0x0102<br>seq:0x00000001<br>id:User01<br>session:0x1A2B3C4D<br>"
                               "errno:0<br>iuser:0x42<br>ufaddr:127.0.0.1<br>ufport:33333<br>tfaddr:127.0.0.1<br>"
                               "tfport:33334<br>exaddr:127.0.0.2<br>export:44444<br>";

class SessionTest : public ::testing::Test {
protected:
    SessionTest() : host(journal), network(journal), factory(journal)
    {
        host.info.m_LoginID = "user01";
        host.info.m_LoginPasswd = "p&w";
        host.info.SetConnectionSettings(true, 0, false, "", "", "", "");
        SetMsgClientFactory(&factory);
    }
    ~SessionTest() override { SetMsgClientFactory(nullptr); }

    void UseDialup() { host.info.SetConnectionSettings(false, 0, false, "", "", "", ""); }
    bool Has(const std::string& entry) const
    {
        for (const std::string& e : journal)
            if (e == entry)
                return true;
        return false;
    }

    Journal journal;
    HostDouble host;
    NetworkDouble network;
    FactoryDouble factory;
};

} // namespace

TEST_F(SessionTest, LanLoginAndLogoutPostTheFormsAndKeepTheState)
{
    network.replies = {kGoodReply};
    {
        CSession session(host, network);
        ASSERT_EQ(session.Login(true), 1);
        EXPECT_TRUE(session.IsLoggedIn());
        EXPECT_EQ(host.info.m_state, CSession::kStateLan | CSession::kStateLoggedIn);
        ASSERT_EQ(network.requests.size(), 1u);
        EXPECT_EQ(network.requests[0].url, host.loginPage);
        EXPECT_EQ(network.requests[0].path, "/menu/LNLogin.cgi");
        EXPECT_EQ(network.requests[0].user, "user01");
        EXPECT_EQ(network.requests[0].password, "p&w");
        EXPECT_EQ(network.requests[0].body,
                  "version=0x0301&type=0x0101&seq=0x00000001&id=user01&session=0x00000000&password=p%26w"
                  "&game_id=VERK_01234&game_vr=V1.000&addr=192.168.0.9&udp_port=33500&tcp_port=40000");
        EXPECT_FALSE(Has("dial:create:1")); // a LAN makes no dial-up object

        host.info.m_state |= CSession::kStateKept;
        session.Logout();
        ASSERT_EQ(network.requests.size(), 2u);
        EXPECT_EQ(network.requests[1].body, "version=0x0301&type=0x0003&seq=0x00000002&id=user01&session=0x1A2B3C4D"
                                            "&password=p%26w&game_id=VERK_01234&game_vr=V1.000");
        EXPECT_FALSE(session.IsLoggedIn());
        EXPECT_EQ(host.info.m_state, CSession::kStateKept);
    }
    EXPECT_EQ(journal.front(), "lock:create");
    EXPECT_EQ(journal.back(), "lock:close");
}

TEST_F(SessionTest, FailedLoginsReportThroughTheLastError)
{
    struct Case {
        const char* what;
        std::string reply;
        std::uint32_t postError;
        std::string hostAddress;
        int result;
        std::uint32_t lastError;
    } cases[] = {
        {"refused", "version:1<br>type:2<br>seq:1<br>id:user01<br>session:0<br>errno:0x2712<br>", 0, "1.2.3.4", 1, 0x2712},
        {"no version", "<html>busy</html>", 0, "1.2.3.4", 1, kLoginReplyNoInfo},
        {"status 500", "", 500, "1.2.3.4", 1, 500},
        {"cannot connect", "", 12029, "1.2.3.4", 1, 12029},
        {"no local address", kGoodReply, 0, "", 0, 0},
    };
    for (const Case& c : cases) {
        network.replies = {c.reply};
        network.postError = c.postError;
        network.hostAddress = c.hostAddress;
        host.info.m_state = 0x8000;
        CSession session(host, network);
        EXPECT_EQ(session.Login(false), c.result) << c.what;
        EXPECT_FALSE(session.IsLoggedIn()) << c.what;
        EXPECT_EQ(session.GetLastError(), c.lastError) << c.what;
        EXPECT_EQ(host.info.m_state & 0x00FF, 0) << c.what;
        if (c.result == 0)
            EXPECT_EQ(host.info.m_state, 0x8000) << c.what;
    }
}

TEST_F(SessionTest, TcpAndProtocolVersionChooseTheVersionWordAndTheFields)
{
    host.info.SetConnectionSettings(true, 1, false, "", "", "", "");
    host.info.GetActiveSettings(true).protocolVersion = 47;
    network.replies = {kGoodReply};
    CSession session(host, network);
    ASSERT_EQ(session.Login(false), 1);
    EXPECT_TRUE(session.IsLoggedIn());
    EXPECT_EQ(session.GetVersionWord(), 0x230);
    EXPECT_EQ(network.requests[0].body.rfind("version=0x0230&type=0x0101&", 0), 0u);
}

TEST_F(SessionTest, ConnectionGraph)
{
    struct Case {
        const char* what;
        std::function<void(NetworkDouble&, HostDouble&)> setUp;
        bool confirm;
        bool result;
        std::uint16_t state;
        std::vector<std::string> expect;   // in the journal
        std::vector<std::string> absent;   // not in the journal
        const char* entryAfter;
    };
    const std::string boxFailed = "box:" + std::to_string(IDS_DIAL_ENTRY_FAILED) + ":16:logged";
    const std::string boxInfo = "box:" + std::to_string(IDS_DIAL_INFO_FAILED) + ":16:logged";
    const Case cases[] = {
        {"lan", [](NetworkDouble&, HostDouble& h) { h.info.SetConnectionSettings(true, 0, false, "", "", "", ""); },
         true, true, CSession::kStateLan, {}, {"dial:create:1"}, "entry"},
        {"no dial-up object", [](NetworkDouble& n, HostDouble&) { n.createDialup = false; }, false, false, 0,
         {"dial:create:1"}, {"dial:build"}, "entry"},
        {"windows me dials stored entries", [](NetworkDouble& n, HostDouble&) { n.windowsMe = true; }, false, true,
         CSession::kStateDialled, {"dial:create:2", "dial:dial:entry"}, {}, "entry"},
        {"details asked twice, then built", [](NetworkDouble& n, HostDouble&) { n.dialup.builds = {-1, -1, 0}; },
         false, true, CSession::kStateDialled, {"dial:details", "dial:dial:entry"}, {boxFailed}, "entry"},
        {"details cancelled", [](NetworkDouble& n, HostDouble&) { n.dialup.builds = {-1}; n.dialup.detailsOk = false; },
         false, false, 0, {"dial:details"}, {"dial:dial:entry", boxFailed}, "entry"},
        {"entry not built", [](NetworkDouble& n, HostDouble&) { n.dialup.builds = {5}; }, false, false, 0,
         {boxFailed}, {"dial:dial:entry"}, "entry"},
        {"login dialog cancelled", [](NetworkDouble& n, HostDouble&) { n.dialup.loginOk = false; }, true, false, 0,
         {"dial:login-dialog:entry"}, {"dial:dial:entry"}, "entry"},
        {"login dialog chooses", [](NetworkDouble&, HostDouble&) {}, true, true, CSession::kStateDialled,
         {"dial:login-dialog:entry", "dial:dial:chosen"}, {}, "chosen"},
        {"entry already connected", [](NetworkDouble& n, HostDouble&) { n.dialup.connected["entry"] = true; }, false,
         true, CSession::kStateAdopted, {}, {"dial:dial:entry"}, "entry"},
        {"active names unreadable", [](NetworkDouble& n, HostDouble&) { n.dialup.activeUnreadable = true; }, false,
         false, 0, {boxInfo}, {"dial:dial:entry"}, "entry"},
        {"other connection kept (No)", [](NetworkDouble& n, HostDouble& h) { n.dialup.activeName = "other"; h.answer = 7; },
         false, true, CSession::kStateAdopted, {"box:switch other to entry:36"}, {"dial:hang-up-all", "dial:dial:entry"},
         "other"},
        {"other connection replaced (Yes)",
         [](NetworkDouble& n, HostDouble& h) { n.dialup.activeName = "other"; h.answer = 6; }, false, true,
         CSession::kStateDialled, {"box:switch other to entry:36", "dial:hang-up-all", "dial:dial:entry"}, {}, "entry"},
        {"dial fails", [](NetworkDouble& n, HostDouble&) { n.dialup.dialOk = false; }, false, false, 0,
         {"dial:dial:entry"}, {}, "entry"},
        {"no entry chosen: the built one", [](NetworkDouble&, HostDouble& h) { h.info.m_RasEntryName.Empty(); }, false,
         true, CSession::kStateDialled, {"dial:dial:built"}, {}, "built"},
    };
    for (const Case& c : cases) {
        Journal j;
        HostDouble h(j);
        NetworkDouble n(j);
        h.info.SetConnectionSettings(false, 0, false, "", "", "", "");
        h.info.m_RasEntryName = "entry";
        c.setUp(n, h);
        CSession session(h, n);
        EXPECT_EQ(session.EnsureConnected(c.confirm), c.result) << c.what;
        EXPECT_EQ(h.info.m_state, c.state) << c.what;
        EXPECT_EQ(h.info.m_RasEntryName.str(), c.entryAfter) << c.what;
        for (const std::string& e : c.expect)
            EXPECT_NE(std::find(j.begin(), j.end(), e), j.end()) << c.what << ": " << e;
        for (const std::string& e : c.absent)
            EXPECT_EQ(std::find(j.begin(), j.end(), e), j.end()) << c.what << ": " << e;
        if (std::find(j.begin(), j.end(), boxFailed) != j.end())
            EXPECT_TRUE(h.info.m_spareEntryName.IsEmpty()) << c.what;
    }
}

TEST_F(SessionTest, EndHangsUpOnlyTheConnectionThisProgramDialled)
{
    struct Case {
        const char* what;
        std::string active; // another connection at log-in (answer No: adopted)
        bool keep;
        bool hungUp;
    } cases[] = {
        {"dialled", "", false, true},
        {"adopted", "other", false, false},
        {"kept for a fresh log-in", "", true, false},
    };
    for (const Case& c : cases) {
        Journal j;
        HostDouble h(j);
        NetworkDouble n(j);
        h.info.SetConnectionSettings(false, 0, false, "", "", "", "");
        h.info.m_RasEntryName = "entry";
        n.dialup.activeName = c.active;
        if (!c.active.empty())
            n.dialup.connected[c.active] = true;
        n.replies = {kGoodReply};
        CSession session(h, n);
        ASSERT_EQ(session.Login(false), 1) << c.what;
        EXPECT_EQ(session.LocalAddress(), "10.1.2.3") << c.what; // the dial-up connection's address
        if (c.keep)
            session.KeepConnectionAtEnd();
        session.Logout();
        EXPECT_EQ(std::count(j.begin(), j.end(), "dial:hang-up:entry"), c.hungUp ? 1 : 0) << c.what;
        EXPECT_EQ(std::count(j.begin(), j.end(), "dial:hang-up-all"), 0) << c.what;
        EXPECT_NE(std::find(j.begin(), j.end(), "dial:delete"), j.end()) << c.what;
        EXPECT_EQ(session.Dialup(), nullptr);
        if (!c.active.empty())
            EXPECT_TRUE(n.dialup.connected.count("other")) << c.what;
    }
}

TEST_F(SessionTest, SettingsChangedWhileLoggedInAreLiveAfterLogout)
{
    network.replies = {kGoodReply};
    CSession session(host, network);
    ASSERT_EQ(session.Login(false), 1);
    host.info.registered = true; // the main window registers the session
    host.info.SetConnectionSettings(true, 1, false, "", "", "", ""); // TCP chosen while logged in
    EXPECT_FALSE(host.info.LiveConnectSettings().flags & kProtocolTcp);
    // Log-out clears the registration first, then logs out.
    host.info.registered = false;
    session.Logout();
    EXPECT_FALSE(host.info.IsFrozen());
    EXPECT_TRUE(host.info.LiveConnectSettings().flags & kProtocolTcp);
}

TEST_F(SessionTest, ClientLockSlotAndStateRules)
{
    host.info.SetConnectionSettings(true, 1, true, "proxy.test", "8080", "pu", "pp"); // a proxy is used over TCP
    network.replies = {kGoodReply};
    CSession session(host, network);
    ASSERT_EQ(session.Login(false), 1);

    // The lock stays taken: no client, a client error of its own, nothing held.
    host.lockBusy = true;
    EXPECT_EQ(session.GetMsgClient(), nullptr);
    EXPECT_EQ(session.GetClientError(), CSession::kClientLockTimeout);
    EXPECT_FALSE(Has("client:create"));
    EXPECT_TRUE(Has("lock:32768:10000"));
    host.lockBusy = false;

    struct Case {
        const char* what;
        bool fail;
        int open, channel, error;
    } failures[] = {
        {"no client", true, 0, 0, -1}, {"open fails", false, 10002, 0, 10002}, {"channel fails", false, 0, 12252, 12252}};
    for (const Case& c : failures) {
        factory.fail = c.fail;
        factory.openResult = c.open;
        factory.channelResult = c.channel;
        journal.clear();
        EXPECT_EQ(session.GetMsgClient(), nullptr) << c.what;
        EXPECT_EQ(session.GetClientError(), c.error) << c.what;
        EXPECT_EQ(host.slot, nullptr) << c.what;
        EXPECT_FALSE(host.held) << c.what;
        EXPECT_EQ(Has("client:destroy"), !c.fail) << c.what;
        EXPECT_FALSE(host.info.m_state & CSession::kStateClient) << c.what;
    }
    factory.fail = false;
    factory.openResult = factory.channelResult = 0;
    journal.clear();
    IMsgClientLink* client = session.GetMsgClient(nullptr, 3);
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(host.slot, client);
    EXPECT_EQ(session.GetClientError(), 0);
    EXPECT_TRUE(host.info.m_state & CSession::kStateClient);
    EXPECT_FALSE(host.held);
    EXPECT_TRUE(Has("client:open:" + std::to_string(host.info.GetActiveSettings().flags) + ":proxy.test:8080:pu:3"));
    EXPECT_EQ(factory.owner, static_cast<nvnet::SocketOwner>(&host));
    EXPECT_EQ(factory.login.session, 0x1A2B3C4Du);
    EXPECT_EQ(factory.address.tcpPort, 33334);
    EXPECT_EQ(std::string(factory.login.loginId), "user01");

    // The application's client is made once.
    journal.clear();
    EXPECT_EQ(session.GetMsgClient(), client);
    EXPECT_FALSE(Has("client:create"));
    EXPECT_FALSE(Has("lock:32768:10000"));

    // A private slot always gets a new client and leaves the application's state alone.
    IMsgClientLink* mine = nullptr;
    IMsgClientLink* privateClient = session.GetMsgClient(&mine, 2);
    ASSERT_NE(privateClient, nullptr);
    EXPECT_NE(privateClient, client);
    EXPECT_EQ(mine, privateClient);
    session.ReleaseMsgClient(&mine);
    EXPECT_EQ(mine, nullptr);
    EXPECT_TRUE(host.info.m_state & CSession::kStateClient);
    EXPECT_EQ(host.slot, client);

    session.ReleaseMsgClient();
    EXPECT_EQ(host.slot, nullptr);
    EXPECT_FALSE(host.info.m_state & CSession::kStateClient);
}

TEST_F(SessionTest, RoomsEnterAndLeaveWithTheLoginSession)
{
    const std::string roomReply = "version:1<br>type:0x14<br>seq:2<br>id:user01<br>session:0x1a2b3c4d<br>errno:0<br>"
                                  "room_id:R7<br>caddr:127.0.0.1<br>cport:6667<br>iuser:0x9<br>room_key:k<br>";
    network.replies = {kGoodReply, roomReply, "bye"};
    CSession session(host, network);
    ASSERT_EQ(session.Login(false), 1);
    host.room.roomUrl = "http://app/room";
    ASSERT_EQ(session.EnterRoom(""), 1);
    EXPECT_TRUE(session.IsInRoom());
    EXPECT_EQ(network.requests[1].url, host.chatLogin);
    EXPECT_EQ(network.requests[1].path, "/menu/CTLogin.cgi");
    EXPECT_EQ(network.requests[1].body, "version=0x0301&type=0x0013&seq=0x00000002&id=user01&session=0x1A2B3C4D"
                                        "&password=p%26w&url=http%3A%2F%2Fapp%2Froom");
    EXPECT_EQ(host.room.roomId, "R7");
    EXPECT_EQ(host.room.chatPort, 6667);
    EXPECT_EQ(host.room.roomUrl, "http://app/room");
    EXPECT_EQ(session.LeaveRoom(), 1);
    EXPECT_EQ(network.requests[2].body, "version=0x0301&type=0x0015&seq=0x00000003&id=user01&session=0x1A2B3C4D"
                                        "&password=p%26w&RoomID=R7");
    EXPECT_FALSE(session.IsInRoom());
    EXPECT_EQ(session.LeaveRoom(), 0); // not in a room: nothing is posted
    EXPECT_EQ(network.requests.size(), 3u);

    network.replies = {"version:1<br>type:1<br>seq:1<br>id:user01<br>session:0xBAD<br>errno:0<br>room_id:X<br>"
                       "caddr:h<br>cport:1<br>iuser:1<br>"};
    EXPECT_EQ(session.EnterRoom("http://other"), 0);
    EXPECT_EQ(session.LastResult(), static_cast<int>(kRoomReplyBad));
    EXPECT_EQ(host.room.roomId, "R7");
    EXPECT_FALSE(session.IsInRoom());
}

TEST_F(SessionTest, DroppedLineEndsInARequestToLogOut)
{
    UseDialup();
    host.info.m_RasEntryName = "entry";
    network.replies = {kGoodReply};
    CSession session(host, network);
    ASSERT_EQ(session.Login(false), 1);
    ASSERT_TRUE(session.CheckDialup());
    network.dialup.connected.clear(); // the line drops
    EXPECT_FALSE(session.IsOnline());
    EXPECT_EQ(session.EnterRoom("http://r"), 0);
    EXPECT_TRUE(Has("box:" + std::to_string(IDS_DIAL_LINE_DROPPED) + ":16"));
    EXPECT_TRUE(Has("post:0x40C:1"));
    EXPECT_EQ(session.Dialup(), nullptr);
    EXPECT_EQ(network.requests.size(), 1u); // no room form
}
