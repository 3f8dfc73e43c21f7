// A whole telephone session of the phone window on the real qelo.dll, signed in with the
// directory-server peer; the other end of each call is this test (datagrams as the library's
// signalling expects them).
#include <winsock2.h>

#include "phone_media/phone/tests/win/PhoneDoubles.h"

#include "framework/win/Wnd.h"
#include "phone_media/callengine/CallEngine.h"
#include "phone_media/callengine/CallEngineRules.h"
#include "phone_media/callengine/CallEngineServices.h"
#include "phone_media/phone/win/PhoneDlg.h"
#include "resources/ids/phone_media.h"
#include "tests/support/CallbackProc.h"
#include "tests/support/LoopbackSocket.h"
#include "tests/support/WinTestSupport.h"
#include "voip/core/SignalMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace phonetest;

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

using nvtest::BoundSocket;
using nvtest::FreePort;

class FolderServices : public ICallEngineServices {
public:
    CString folder;
    std::vector<std::string> writes;
    CString ProgramFolder() override { return folder; }
    bool WriteProfileString(const char* section, const char* key, const char* value) override
    {
        writes.push_back(std::string(section) + "/" + key + "=" + value);
        return true;
    }
};

// The far end of the calls: a socket that sends the library signalling datagrams and waits for
// the library's answers by type.
struct FarEnd {
    std::uint16_t port = 0, voicePort = 0;
    SOCKET signal = BoundSocket(port);
    SOCKET voice = BoundSocket(voicePort);
    sockaddr_in library = {};
    explicit FarEnd(std::uint16_t libraryPort)
    {
        library.sin_family = AF_INET;
        library.sin_addr.s_addr = htonl(0x7F000001);
        library.sin_port = htons(libraryPort);
        u_long nonBlocking = 1;
        ioctlsocket(signal, FIONBIO, &nonBlocking);
    }
    ~FarEnd()
    {
        closesocket(signal);
        closesocket(voice);
    }
    void Send(const qelo::Datagram& d)
    {
        sendto(signal, reinterpret_cast<const char*>(d.data()), static_cast<int>(d.size()), 0,
               reinterpret_cast<sockaddr*>(&library), sizeof library);
    }
    bool Receive(int type, DWORD timeoutMs = 10000)
    {
        return nvtest::PumpUntil([&] {
            std::uint8_t buffer[2048];
            int got = recv(signal, reinterpret_cast<char*>(buffer), sizeof buffer, 0);
            if (got >= 32)
                std::memcpy(lastId.bytes, buffer + 16, sizeof lastId.bytes);
            return got >= 14 && (buffer[12] << 8 | buffer[13]) == type;
        }, timeoutMs);
    }
    // The message id of the last datagram received.
    qelo::MessageId lastId{};
    // An INVITE from a caller with this call ID, answered by the library's 2XX, then our ACK.
    bool Ring(const qelo::MessageId& id, const char* caller)
    {
        qelo::InviteFields fields;
        fields.voiceAddress = 0x7F000001;
        fields.voicePort = voicePort;
        fields.caller = caller;
        Send(qelo::BuildInvite(id, fields));
        if (!Receive(qelo::QLIP_INVITE_RSP_2XX))
            return false;
        Send(qelo::BuildHeaderOnly(qelo::QLIP_ACK, id));
        return true;
    }
};

HWND FindPrepaid()
{
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), nvtest::AsEnumProc([&found](HWND window, LPARAM) {
        if (::GetDlgItem(window, IDC_PREPAID_ID) && ::IsWindowVisible(window))
            found = window;
        return TRUE;
    }), 0);
    return found;
}

} // namespace

TEST(PhoneSession, SignInCallsAndSignOutOnTheRealLibrary)
{
    WSADATA wsa;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &wsa));
    std::string peers = nvtest::Env("NV_PEER_DIR");
    ASSERT_FALSE(peers.empty());
    std::istringstream ports(ReadAll(peers + "/voip_directory.ports"));
    int silent = 0, answering = 0;
    ports >> silent >> answering;
    ASSERT_GT(answering, 0);

    CRecord record;
    CFolderSkin skins(nvtest::UnixToWindowsPath(nvtest::Env("NV_PHONE_SKIN")), record);
    ASSERT_TRUE(skins.Loaded());
    toolkit::SetSkinSource(&skins);
    toolkit::SetHost(&skins);
    CScriptedBoxes boxes(record);
    SetMessageBoxPresenter(&boxes);
    CRecordingHost host(record);
    host.callIds["0300111122220001"] = "5010"; // our own
    host.callIds["0300111122223333"] = "5020"; // a known caller
    phone::SetHost(&host);

    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "phone-session";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    host.installFolder = folder;
    std::uint16_t signalPort = FreePort(), voicePort = FreePort();
    // PC calls go to the far end's port (where a callee would listen).
    FarEnd remote(signalPort);
    {
        std::ofstream ini(folder + "\\nimbocall.ini", std::ios::binary | std::ios::trunc);
        ini << "[nimbocall]\r\nlocalip=127.0.0.1:" << signalPort << "\r\nvoiceport=" << voicePort
            << "\r\nvoicemic=" << folder << "\\mic.wav\r\nvoicespk=" << folder << "\\spk.wav\r\ndserver=127.0.0.1:"
            << answering << "\r\npport=" << answering << "\r\npeerport=" << remote.port << "\r\n";
    }
    FolderServices services;
    services.folder = folder.c_str();
    SetCallEngineServices(&services);
    ::SetCurrentDirectoryA(folder.c_str());

    auto* phoneWindow = new CPhoneDlg(nullptr);
    ASSERT_TRUE(phoneWindow->Create());
    HWND window = phoneWindow->GetSafeHwnd();
    auto status = [&] { return std::string(phoneWindow->GetDlgItemText(IDC_PHONE_STATUS).GetString()); };
    auto display = [&] { return std::string(phoneWindow->GetDlgItemText(IDC_PHONE_NO).GetString()); };
    auto command = [&](UINT id) { ::SendMessageA(window, WM_COMMAND, id, 0); };

    // Sign-in: our call ID becomes the library's unit id.
    ASSERT_TRUE(phoneWindow->StartSession());
    char unit[64] = {};
    DWORD size = sizeof unit;
    EXPECT_EQ(ERROR_SUCCESS, ::RegGetValueA(HKEY_CURRENT_USER, "SoftWare\\Pelorwave\\NimboCall", "unitid",
                                            RRF_RT_REG_BINARY, nullptr, unit, &size));
    EXPECT_STREQ("5010", unit);
    ASSERT_TRUE(nvtest::PumpUntil([&] { return phoneWindow->IsSessionActive(); }, 15000));
    EXPECT_EQ(0x10u, phoneWindow->Engine()->GetStatus());
    phoneWindow->ShowWindow(SW_SHOW);

    // Keypad buttons and key-ups reach the display.
    command(IDC_PHONE_1);
    HWND number = phoneWindow->GetDlgItem(IDC_PHONE_NO);
    struct Key {
        WPARAM key;
        const char* after;
    } keys[] = {{'2', "12"}, {VK_NUMPAD3, "123"}, {VK_MULTIPLY, "123*"}, {VK_BACK, "123"}, {VK_UP, "123"},
                {VK_DELETE, ""}};
    for (const Key& key : keys) {
        ::PostMessageA(number, WM_KEYUP, key.key, 1);
        EXPECT_TRUE(PumpWithPreTranslate([&] { return display() == key.after; }, 2000)) << "key " << key.key;
    }

    // Dial rules: three digits refused; a number without a gateway account offers the page.
    phoneWindow->DialNumber("1:1-7");
    EXPECT_EQ("117", display());
    command(IDC_PHONE_START);
    EXPECT_EQ(1, record.Count("BOX 0 " + Text(IDS_PHONE_THREE_DIGITS)));
    EXPECT_EQ("117", display());
    boxes.answers = {IDYES};
    phoneWindow->DialNumber("03-1234-5678");
    command(IDC_PHONE_START);
    EXPECT_EQ(1, record.Count("BOX 4 " + Text(IDS_PHONE_NO_CARD)));
    EXPECT_EQ(1, record.Count("HOST CreditPage"));
    EXPECT_EQ(0, record.Count("LOCK acquire")) << "no call, no sound device";

    // The prepaid dialog: a 5-character password is refused, then a good pair is kept.
    int prepaidStep = 0;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 50, nvtest::AsTimerProc([&](HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = FindPrepaid();
        if (!dialog || prepaidStep > 2)
            return;
        if (prepaidStep == 0)
            nvtest::SaveWindowScreenshot(dialog, "phone_prepaid");
        ::SetDlgItemTextA(dialog, IDC_PREPAID_ID, "1234567890");
        ::SetDlgItemTextA(dialog, IDC_PREPAID_PASSWD, prepaidStep == 0 ? "12345" : "1234");
        ++prepaidStep;
        ::PostMessageA(dialog, WM_COMMAND, IDC_PREPAID_OK, 0);
    }));
    command(IDC_PHONE_PREPAID);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(1, record.Count("BOX 0 " + Text(IDS_PREPAID_RETRY)));
    EXPECT_EQ("1234567890", std::string(phoneWindow->TemporaryUserId().GetString()));
    EXPECT_EQ(1, record.Count("HOST ModalState 1"));
    EXPECT_EQ(1, record.Count("HOST ModalState 0"));

    // A telephone number with the temporary account: the country code replaces the leading 0
    // in the call request, the gateway takes the call, the end button hangs up.
    phoneWindow->DialNumber("03-1234-5678");
    command(IDC_PHONE_START);
    EXPECT_TRUE(phoneWindow->HoldsSoundDevice());
    ASSERT_TRUE(nvtest::PumpUntil([&] { return phoneWindow->InCall(); }, 10000)) << phoneWindow->Engine()->GetStatus();
    EXPECT_NE(std::string::npos, ReadAll(peers + "/voip_directory.log").find("\"81312345678\""));
    command(IDC_PHONE_END);
    EXPECT_EQ("", status()) << "the end button empties the status line";
    ASSERT_TRUE(nvtest::PumpUntil([&] { return !phoneWindow->InCall() && !phoneWindow->HoldsSoundDevice(); }, 10000));

    // A communication ID: looked up to its call ID; nobody has it online, so the call request
    // is refused and the status line keeps its text; the ID joins the redial list.
    host.callIds["0300111122224444"] = "5099";
    phoneWindow->DialCommId("0300111122224444");
    EXPECT_EQ("0300111122224444", display());
    phoneWindow->SetDlgItemText(IDC_PHONE_STATUS, "before");
    command(IDC_PHONE_START);
    EXPECT_EQ(1, record.Count("SEARCH 1 0300111122224444"));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !phoneWindow->HoldsSoundDevice(); }, 10000));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return phoneWindow->Engine()->GetStatus() == 0x10; }, 10000))
        << std::hex << phoneWindow->Engine()->GetStatus() << " " << status();
    EXPECT_EQ(2u, phoneWindow->Redial().Entries().size());
    // An ID the service does not know is refused with the ID in the box.
    phoneWindow->DialCommId("0300999999999999");
    command(IDC_PHONE_START);
    CString notCallable;
    notCallable.Format(Text(IDS_PHONE_NOT_CALLABLE).c_str(), "0300999999999999");
    EXPECT_EQ(1, record.Count(std::string("BOX 0 ") + notCallable.GetString()));
    phoneWindow->ClearDialText();

    // A callee who is busy: its 4XX reason reaches the error balloon translated.
    sockaddr_in directory = {};
    directory.sin_family = AF_INET;
    directory.sin_addr.s_addr = htonl(0x7F000001);
    directory.sin_port = htons(static_cast<std::uint16_t>(answering));
    qelo::Datagram registration =
        qelo::BuildRegistration(40, qelo::MakeMessageId(0x7F000001, 78, 1), "5077", 0x7F000001, remote.port);
    sendto(remote.signal, reinterpret_cast<const char*>(registration.data()), static_cast<int>(registration.size()), 0,
           reinterpret_cast<sockaddr*>(&directory), sizeof directory);
    EXPECT_TRUE(remote.Receive(qelo::TREGISTRATION_ACK));
    host.callIds["0300111122225555"] = "5077";
    phoneWindow->DialCommId("0300111122225555");
    command(IDC_PHONE_START);
    ASSERT_TRUE(remote.Receive(qelo::QLIP_INVITE));
    remote.Send(qelo::BuildInvite4xx(remote.lastId, "Called Number Busy"));
    std::string busy = "BALLOON 48 " + callengine::TranslateLibraryMessage("Called Number Busy");
    EXPECT_TRUE(nvtest::PumpUntil([&] { return record.Count(busy) == 1; }, 10000));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !phoneWindow->HoldsSoundDevice(); }, 10000));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return phoneWindow->Engine()->GetStatus() == 0x10; }, 10000));
    // The busy tone plays until the user puts the phone down.
    command(IDC_PHONE_END);
    phoneWindow->ClearDialText();

    // An unknown caller is hung up without a word.
    const int balloonsBefore = record.Count("BALLOON");
    phoneWindow->SetDlgItemText(IDC_PHONE_STATUS, "quiet");
    ASSERT_TRUE(remote.Ring(qelo::MakeMessageId(0x7F000001, 77, 4001), "5098"));
    EXPECT_TRUE(remote.Receive(qelo::QLIP_BYE));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return phoneWindow->Engine()->GetStatus() == 0x10; }, 10000));
    EXPECT_EQ(0, record.Count("HOST Blink"));
    EXPECT_EQ(balloonsBefore, record.Count("BALLOON"));
    EXPECT_EQ(1, record.Count("SEARCH 0 5098"));
    EXPECT_FALSE(phoneWindow->HoldsSoundDevice());

    // A known caller rings, is answered with the start button, hears a touch tone, hangs up.
    qelo::MessageId call = qelo::MakeMessageId(0x7F000001, 77, 4002);
    ASSERT_TRUE(remote.Ring(call, "5020"));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return phoneWindow->IsRinging(); }, 10000));
    EXPECT_EQ(1, record.Count("HOST Blink"));
    EXPECT_EQ(1, record.Count("SEARCH 0 5020")) << "the caller is looked up once";
    ASSERT_TRUE(nvtest::PumpUntil([&] { return status() == Text(IDS_PHONE_INCOMING) + "0300111122223333"; }, 5000))
        << status();
    nvtest::SaveWindowScreenshot(window, "phone_ringing");
    command(IDC_PHONE_START);
    EXPECT_TRUE(remote.Receive(qelo::QLIP_INFO_OFFHOOK));
    remote.Send(qelo::BuildHeaderOnly(qelo::QLIP_INFO_RSP_OFFHOOK, call));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return phoneWindow->InCall(); }, 10000)) << phoneWindow->Engine()->GetStatus();
    EXPECT_FALSE(phoneWindow->IsRinging());
    EXPECT_EQ(1, record.Count("HOST StopBlink"));
    EXPECT_TRUE(phoneWindow->HoldsSoundDevice());
    phoneWindow->ClearDialText();
    command(IDC_PHONE_5);
    EXPECT_EQ("5", display());
    EXPECT_TRUE(remote.Receive(qelo::QLIP_INFO_DTMF)) << "the touch tone went to the far end";
    nvtest::SaveWindowScreenshot(window, "phone_in_call");
    command(IDC_PHONE_END);
    EXPECT_TRUE(remote.Receive(qelo::QLIP_BYE));
    ASSERT_TRUE(nvtest::PumpUntil([&] { return phoneWindow->Engine()->GetStatus() == 0x10; }, 10000));
    EXPECT_TRUE(nvtest::PumpUntil([&] { return !phoneWindow->HoldsSoundDevice(); }, 5000));
    // The number, the two communication IDs dialled and the caller.
    EXPECT_EQ(4u, phoneWindow->Redial().Entries().size()) << "the caller joined the redial list";

    // Hang-ups from the window while the library's threads report voice levels never wait on
    // each other.
    std::atomic<bool> done{false};
    std::thread levels([&] {
        for (int i = 0; i < 3000; ++i) {
            CPhoneDlg::OnVoiceStatEvent(phoneWindow, i % 101, 100 - i % 101);
            if (i % 100 == 0)
                CPhoneDlg::OnStateEvent(phoneWindow, 0, "idle");
        }
        done = true;
    });
    for (int i = 0; i < 100; ++i) {
        command(IDC_PHONE_END);
        MSG msg;
        for (int handled = 0; handled < 50 && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++handled)
            ::DispatchMessageA(&msg);
    }
    EXPECT_TRUE(nvtest::PumpUntil([&] { return done.load(); }, 20000)) << "the library side finished";
    levels.join();
    nvtest::PumpPending();

    // Sign-out: the directory server sees this unit leave; the engine is gone.
    phoneWindow->EndSession();
    EXPECT_EQ(nullptr, phoneWindow->Engine());
    EXPECT_FALSE(phoneWindow->IsSessionActive());
    EXPECT_EQ(Text(IDS_PHONE_LAN_NAT_ONLY), status());
    EXPECT_TRUE(nvtest::PumpUntil([&] {
        std::string text = ReadAll(peers + "/voip_directory.log");
        return text.find("\"type\": \"TLOGOFF\"") != std::string::npos &&
               text.find("\"unit\": \"5010\"") != std::string::npos;
    }, 10000));

    // The number on the display is kept for the next start.
    phoneWindow->SetDlgItemText(IDC_PHONE_NO, "0312345678");
    phoneWindow->DestroyWindow();
    ASSERT_FALSE(services.writes.empty());
    EXPECT_EQ("NimboCall/PhoneNo=0312345678", services.writes.back());
    phone::SetHost(nullptr);
    SetMessageBoxPresenter(nullptr);
    SetCallEngineServices(nullptr);
    nvtest::RemoveTree(folder);
    WSACleanup();
}
