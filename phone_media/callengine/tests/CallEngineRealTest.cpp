// CCallEngine on the real qelo.dll against the directory-server peer: the status word through a
// session (1 started, 0x10 signed in, 0x100 and 0x1000 in an incoming call, 0x10 again) and
// Logout's sign-out in the directory server's log. The peer side of the call is this test.
#include <winsock2.h>

#include "phone_media/callengine/CallEngine.h"

#include "phone_media/callengine/CallEngineServices.h"
#include "tests/support/LoopbackSocket.h"
#include "tests/support/WinTestSupport.h"
#include "voip/core/SignalMessages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class FolderServices : public ICallEngineServices {
public:
    CString folder;
    CString ProgramFolder() override { return folder; }
};

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

using nvtest::BoundSocket;
using nvtest::FreePort;

struct Seen {
    std::vector<std::pair<int, unsigned>> states; // code, status word when the handler ran
};

void __cdecl OnState(void* context, int code, const char*)
{
    auto* seen = static_cast<Seen*>(context);
    seen->states.push_back({code, CCallEngine::GetInstance()->GetStatus()});
}

} // namespace

TEST(CallEngineReal, StatusWordFollowsASessionAndLogoutSignsOut)
{
    WSADATA wsa;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &wsa));
    const char* peers = std::getenv("NV_PEER_DIR");
    ASSERT_NE(nullptr, peers);
    std::string ports = ReadAll(std::string(peers) + "/voip_directory.ports");
    std::istringstream list(ports);
    int silent = 0, answering = 0;
    list >> silent >> answering;
    ASSERT_GT(answering, 0) << ports;

    // The library's working folder, with its ini, is the program's folder here.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "callengine-real";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::uint16_t signalPort = FreePort(), voicePort = FreePort();
    {
        std::ofstream ini(folder + "\\nimbocall.ini", std::ios::binary | std::ios::trunc);
        ini << "[nimbocall]\r\nlocalip=127.0.0.1:" << signalPort << "\r\nvoiceport=" << voicePort
            << "\r\nvoicemic=" << folder << "\\mic.wav\r\nvoicespk=" << folder << "\\spk.wav\r\n";
    }
    FolderServices services;
    services.folder = folder.c_str();
    SetCallEngineServices(&services);
    SetCurrentDirectoryA(folder.c_str());
    ASSERT_TRUE(WriteUnitId("5010"));

    Seen seen;
    {
        CCallEngine engine;
        engine.SetStateHandler(OnState, &seen);
        std::string server = "127.0.0.1:" + std::to_string(answering);
        ASSERT_TRUE(engine.Start(nullptr, "81", "3", "Taro", server.c_str(), 1));
        ASSERT_TRUE(nvtest::PumpUntil([&] { return engine.GetStatus() == 0x10; }, 15000)) << engine.GetStatus();
        bool signedInFromStarted = false;
        for (auto& s : seen.states)
            signedInFromStarted = signedInFromStarted || (s.first == -10005 && s.second == 1);
        EXPECT_TRUE(signedInFromStarted) << "the word was 1 until the sign-in was reported";

        // An incoming call from this test: INVITE, the library's 1XX and 2XX, then our ACK.
        std::uint16_t peerPort = 0, peerVoice = 0;
        SOCKET peer = BoundSocket(peerPort);
        SOCKET peerRtp = BoundSocket(peerVoice);
        qelo::MessageId id = qelo::MakeMessageId(0x7F000001, 77, 4242);
        qelo::InviteFields fields;
        fields.voiceAddress = 0x7F000001;
        fields.voicePort = peerVoice;
        fields.caller = "5020";
        sockaddr_in library = {};
        library.sin_family = AF_INET;
        library.sin_addr.s_addr = htonl(0x7F000001);
        library.sin_port = htons(signalPort);
        auto send = [&](const qelo::Datagram& d) {
            sendto(peer, reinterpret_cast<const char*>(d.data()), static_cast<int>(d.size()), 0,
                   reinterpret_cast<sockaddr*>(&library), sizeof library);
        };
        auto receiveType = [&](int type) {
            u_long nonBlocking = 1;
            ioctlsocket(peer, FIONBIO, &nonBlocking);
            return nvtest::PumpUntil([&] {
                std::uint8_t buffer[2048];
                int got = recv(peer, reinterpret_cast<char*>(buffer), sizeof buffer, 0);
                return got >= 14 && (buffer[12] << 8 | buffer[13]) == type;
            }, 10000);
        };
        send(qelo::BuildInvite(id, fields));
        ASSERT_TRUE(receiveType(qelo::QLIP_INVITE_RSP_2XX));
        send(qelo::BuildHeaderOnly(qelo::QLIP_ACK, id));
        ASSERT_TRUE(nvtest::PumpUntil([&] { return engine.GetStatus() == 0x110; }, 10000)) << engine.GetStatus();

        EXPECT_TRUE(engine.OffHook());
        ASSERT_TRUE(nvtest::PumpUntil([&] { return engine.GetStatus() == 0x1110; }, 10000)) << engine.GetStatus();
        EXPECT_TRUE(receiveType(qelo::QLIP_INFO_OFFHOOK));

        send(qelo::BuildBye(qelo::QLIP_BYE, id));
        ASSERT_TRUE(nvtest::PumpUntil([&] { return engine.GetStatus() == 0x10; }, 10000)) << engine.GetStatus();
        closesocket(peer);
        closesocket(peerRtp);

        EXPECT_TRUE(engine.Logout());
        EXPECT_FALSE(engine.Started());
    }
    // The directory server saw the sign-out of this unit.
    std::string log = std::string(peers) + "/voip_directory.log";
    EXPECT_TRUE(nvtest::PumpUntil([&] {
        std::string text = ReadAll(log);
        return text.find("\"type\": \"TLOGOFF\"") != std::string::npos && text.find("\"unit\": \"5010\"") != std::string::npos;
    }, 10000));
    SetCallEngineServices(nullptr);
    WSACleanup();
}
