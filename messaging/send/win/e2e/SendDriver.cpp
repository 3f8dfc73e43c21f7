// nv_send_driver: the message send window with the real message client, the real message
// database (in a folder the test gives) and the base layout, under a test's control. A hidden
// owner window stands in for the main window: it prints every result the client posts and passes
// the send path's results on to the send window as the main window does (0x40A, while the request
// lock is held under a kind of 33 or more). Commands on standard input, one a line (texts
// hex-encoded CP932):
//   login ... / period ... / open ... / connect     as nv_msg_driver
//   store FOLDERHEX      the message database in that install folder
//   window               the send window (visible)
//   partner IDHEX NAMEHEX   0x40A 100 for the partner
//   text HEX  attach PATHHEX  send  cancel  receipt IDHEX  tick   (tick: timer 4 now)
//   state   quit
// Output: RESULT <command> <code>, POST <message hex> <wParam> <record hex>, NOTICE <n>,
//   ERROR <code>, BALLOON <n>, STATE <send state> <visible> <lock held> <status hex> <text hex>
//   <package path hex>, BYE
#include "messaging/client/MsgClientHost.h"
#include "messaging/client/PostedRecord.h"
#include "messaging/client/win/MsgClientWnd.h"
#include "messaging/send/SendStore.h"
#include "messaging/send/win/MsgSendDlg.h"
#include "messaging/client/win/MsgWindowClientLink.h"
#include "messaging/send/win/SendPlatform.h"
#include "messaging/store/tests/StoreTestSupport.h"
#include "resources/StringIds.h"
#include "shell/common/services/PartnerRef.h"
#include "toolkit/win/tests/FakeSkin.h"

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

std::string Hex(const std::string& data)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : data) {
        out += digits[c >> 4];
        out += digits[c & 15];
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

RECT At(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

// The base skin's layout of the window.
void AddLayout(CFakeSkin& skins)
{
    skins.AddBitmap("vyrntalk_snd.bmp", CFakeSkin::MakeDib(400, 300, [](int, int) { return 0x506070u; }));
    const UINT buttons[] = {IDC_SEND_SEND, IDC_SEND_RECORD, IDC_SEND_LOG, IDC_SEND_INDICATOR,
                            IDC_SEND_RESET, IDC_SEND_CANCEL, IDC_SEND_RECEIPT, IDC_SEND_ATTACH};
    const char* strips[] = {"vyrntalk_snd_snd.bmp", "vyrntalk_snd_rec.bmp", "vyrntalk_snd_log.bmp",
                            "vyrntalk_snd_indicate.bmp", "vyrntalk_snd_reset.bmp", "vyrntalk_snd_cancel.bmp",
                            "vyrntalk_snd_check.bmp", "vyrntalk_snd_attach.bmp"};
    for (int i = 0; i < 8; ++i) {
        skins.AddBitmap(strips[i], CFakeSkin::MakeDib(160, 20, [](int, int) { return 0x3060C0u; }));
        skins.controls[buttons[i]] = {At(8 + i * 48, 272, 40, 20), -1};
    }
    skins.AddBitmap("vyrntalk_snd_cls.bmp", CFakeSkin::MakeDib(64, 16, [](int, int) { return 0xC03030u; }));
    skins.controls[IDC_SEND_CLOSE] = {At(378, 3, 16, 16), -1};
    skins.controls[IDC_SEND_ID] = {At(8, 26, 180, 20), -1};
    skins.controls[IDC_SEND_NAME] = {At(196, 26, 196, 20), -1};
    skins.controls[IDC_SEND_TEXT] = {At(8, 52, 384, 160), -1};
    skins.controls[IDC_SEND_CAPTION] = {At(8, 218, 384, 20), -1};
    skins.controls[IDC_SEND_STATUS] = {At(8, 244, 384, 18), -1};
}

class CDriverClientHost : public IMsgClientHost {
public:
    void SetModalState(bool) override {}
    int& SequenceCounter() override { return counter; }
    int counter = 0;
};

class CDriverChooser : public ISendFileChooser {
public:
    bool ChooseFile(HWND, const CString&, CString* path) override
    {
        *path = answer.c_str();
        return !answer.empty();
    }
    std::string answer;
};

class CDriverSendHost : public CWinSendHostBase {
public:
    CMsgClientWnd* client = nullptr;
    std::unique_ptr<CMsgWindowClientLink> adapter;
    CDriverClientHost* clientHost = nullptr;
    HANDLE lock = ::CreateSemaphoreA(nullptr, 1, 1, nullptr);
    std::uint16_t holder = 0;
    bool database = false;

    bool IsLoggedIn() const override { return client != nullptr; }
    IMsgWindowClient* GetMsgClient() override { return adapter.get(); }
    int& SequenceCounter() override { return clientHost->counter; }
    bool LockPm(std::uint16_t kind, unsigned waitMs) override
    {
        if (::WaitForSingleObject(lock, waitMs) != WAIT_OBJECT_0)
            return false;
        holder = kind;
        return true;
    }
    void UnlockPm() override
    {
        ::ReleaseSemaphore(lock, 1, nullptr);
        holder = 0;
    }
    std::uint16_t GetHolderKind() const override { return holder; }
    void SetHolderKind(std::uint16_t kind) override
    {
        if (holder != 0)
            holder = kind;
    }
    int TextLimit() const override { return 900; }
    bool SlashMark() const override { return false; }
    bool ReceiptOffByDefault() const override { return false; }
    CString ReplyMessage() const override { return "\x83\x81\x83\x62\x83\x5a\x81\x5b\x83\x57\x82\xf0\x8a\x4a\x95\x95\x82\xb5\x82\xdc\x82\xb5\x82\xbd."; }
    bool DatabaseAvailable() const override { return database; }
    SendFont MessageFont() const override { return SendFont{"MS UI Gothic", 10, 0}; }
    void ReportError(int code) override { Say("ERROR " + std::to_string(code)); }
    void ShowNotice(SendNotice notice, int, const CString&) override { Say("NOTICE " + std::to_string(static_cast<int>(notice))); }
    void ShowBalloonEvent(int event) override { Say("BALLOON " + std::to_string(event)); }
    void RemoveTrayWindow(std::uintptr_t) override {}
    IVoiceClipPanel* VoicePanel() override { return nullptr; }
};

class CDriverWnd : public CWnd {
public:
    CMsgClientWnd* client = nullptr;
    CDriverClientHost clientHost;
    CDriverSendHost sendHost;
    CMsgStoreSendStore store;
    std::unique_ptr<storetest::TestPlatform> platform;
    CDriverChooser chooser;
    CMsgSendDlg* send = nullptr;
    bool done = false;

    BOOL Create() { return CreateEx(0, RegisterWindowClass("NvSendDriver"), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr); }

    HWND SendWindow() const { return send ? send->m_hWnd : nullptr; }

    LRESULT OnResult(UINT message, WPARAM wParam, LPARAM lParam)
    {
        PmPostedRecord* record = PmRecordFromParam(static_cast<std::intptr_t>(lParam));
        const int form = static_cast<int>(static_cast<INT_PTR>(wParam));
        char head[32];
        std::snprintf(head, sizeof head, "POST %x %d ", message, form);
        Say(std::string(head) + (record ? Hex(std::string(reinterpret_cast<const char*>(record->Bytes()), record->size)) : "-"));
        // The main window's routing of the send path's results.
        if (message == WM_PM_MESSAGE_RESULT && sendHost.holder >= kHoldSendText && ::IsWindow(SendWindow())) {
            if (form == PM_POST_MESSAGE_LIST)
                ::PostMessageA(SendWindow(), kMsgSendEvent, 10, 0);
            else if (form == PM_POST_SENT || form == PM_POST_BODY_SENT)
                ::PostMessageA(SendWindow(), kMsgSendEvent, static_cast<WPARAM>(form),
                               static_cast<LPARAM>(record ? static_cast<std::int32_t>(record->Sequence()) : 0));
            else if (form == PM_POST_FAILED) {
                const int code = client ? client->GetLastResult() : -1;
                Say("ROUTE -1 " + std::to_string(code));
                ::PostMessageA(SendWindow(), kMsgSendEvent, static_cast<WPARAM>(-1), code);
            }
        }
        PmFreePostedRecord(record);
        return 0;
    }
    LRESULT OnMessageResult(WPARAM wParam, LPARAM lParam) { return OnResult(WM_PM_MESSAGE_RESULT, wParam, lParam); }
    LRESULT OnListResult(WPARAM wParam, LPARAM lParam) { return OnResult(WM_PM_LIST_RESULT, wParam, lParam); }

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
        login.version = address.version = version;
        login.type = 0x101;
        address.type = 0x102;
        login.sequence = address.sequence = 1;
        std::memcpy(login.loginId, id.data(), std::min<std::size_t>(16, id.size()));
        std::memcpy(address.loginId, id.data(), std::min<std::size_t>(16, id.size()));
        login.session = address.session = 0x1234;
        login.udpPort = static_cast<std::uint16_t>(std::atoi(v["udp_local"].c_str()));
        const std::uint32_t loopback = 0x7F000001;
        address.serverAddress = loopback;
        address.serverPort = static_cast<std::uint16_t>(std::atoi(v["udp_port"].c_str()));
        address.tcpAddress = loopback;
        address.tcpPort = static_cast<std::uint16_t>(std::atoi(v["tcp_port"].c_str()));
        address.dataAddress = loopback;
        address.dataPort = static_cast<std::uint16_t>(std::atoi(v["data_port"].c_str()));
        client = new CMsgClientWnd(login, address, m_hWnd);
        sendHost.client = client;
        sendHost.adapter = std::make_unique<CMsgWindowClientLink>(*client);
        Say(std::string("RESULT login ") + (client->m_hWnd ? "0" : "-1"));
    }

    void Click(UINT id)
    {
        ::SendMessageA(SendWindow(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(SendWindow(), static_cast<int>(id))));
    }

    LRESULT OnDriverCommand(WPARAM, LPARAM lParam)
    {
        std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
        std::istringstream in(*line);
        std::string verb, a, b;
        in >> verb;
        if (verb == "login") {
            Login(in);
        } else if (verb == "quit") {
            done = true;
        } else if (verb == "store") {
            in >> a;
            platform = std::make_unique<storetest::TestPlatform>(Unhex(a));
            msgstore::SetStorePlatform(platform.get());
            CMsgStore opened;
            const int rc = opened.Open();
            sendHost.database = platform->available;
            Say("RESULT store " + std::to_string(rc));
        } else if (verb == "window") {
            send = new CMsgSendDlg(nullptr, true, sendHost, store);
            Say(std::string("RESULT window ") + (send->Create() ? "0" : "-1"));
        } else if (!client || !send) {
            if (verb == "period" || verb == "open" || verb == "connect")
                Forward(verb, in);
            else
                Say("RESULT " + verb + " -2");
        } else if (verb == "period" || verb == "open" || verb == "connect") {
            Forward(verb, in);
        } else if (verb == "partner") {
            in >> a >> b;
            PartnerRef partner;
            partner.commId = Unhex(a).c_str();
            partner.commName = Unhex(b).c_str();
            ::SendMessageA(SendWindow(), kMsgSendEvent, kSendEventOpen, reinterpret_cast<LPARAM>(&partner));
            Say("RESULT partner 0");
        } else if (verb == "text") {
            in >> a;
            ::SetWindowTextA(send->GetTextControl().m_hWnd, Unhex(a).c_str());
            Say("RESULT text 0");
        } else if (verb == "attach") {
            in >> a;
            chooser.answer = Unhex(a);
            Click(IDC_SEND_ATTACH);
            Say(std::string("RESULT attach ") + (send->GetFlow().GetAttachmentPath().IsEmpty() ? "-1" : "0"));
        } else if (verb == "send") {
            Click(IDC_SEND_SEND);
            Say("RESULT send " + std::to_string(send->GetFlow().GetState()));
        } else if (verb == "cancel") {
            Click(IDC_SEND_CANCEL);
            Say("RESULT cancel 0");
        } else if (verb == "receipt") {
            in >> a;
            ::PostMessageA(SendWindow(), kMsgSendEvent, kSendEventReceipt, reinterpret_cast<LPARAM>(new CString(Unhex(a).c_str())));
            Say("RESULT receipt 0");
        } else if (verb == "tick") {
            ::SendMessageA(SendWindow(), WM_TIMER, kSendReceiptTimer, 0);
            Say("RESULT tick 0");
        } else if (verb == "state") {
            Say("STATE " + std::to_string(send->GetFlow().GetState()) + " " + (::IsWindowVisible(SendWindow()) ? "1" : "0") +
                " " + (send->GetFlow().HoldsLock() ? "1" : "0") + " " + Hex(send->GetStatusText().str()) + " " +
                Hex(send->GetText().str()) + " " + Hex(send->GetFlow().GetPackagePath().str()));
        } else {
            Say("RESULT " + verb + " -3");
        }
        return 0;
    }

    void Forward(const std::string& verb, std::istringstream& in)
    {
        if (!client) {
            Say("RESULT " + verb + " -2");
            return;
        }
        if (verb == "period") {
            unsigned period = 5000, wait = 20000, proxy = 15000;
            in >> period >> wait >> proxy;
            client->SetPeriods(period, wait, proxy);
            Say("RESULT period 0");
        } else if (verb == "open") {
            unsigned long flags = 0;
            int count = 0;
            in >> flags >> count;
            Say("RESULT open " + std::to_string(client->Open(static_cast<std::uint32_t>(flags), "", 0, "", "", count)));
        } else {
            Say("RESULT connect " + std::to_string(client->ConnectChannel()));
        }
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDriverWnd, CWnd)
    ON_MESSAGE(WM_PM_MESSAGE_RESULT, OnMessageResult)
    ON_MESSAGE(WM_PM_LIST_RESULT, OnListResult)
    ON_MESSAGE(WM_DRIVER_COMMAND, OnDriverCommand)
END_MESSAGE_MAP()

} // namespace

int main()
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(1, 1), &wsa);
    CFakeSkin skins;
    AddLayout(skins);
    CDriverWnd driver;
    if (!driver.Create())
        return 2;
    driver.sendHost.clientHost = &driver.clientHost;
    msgclient::SetHost(&driver.clientHost);
    SetSendFileChooser(&driver.chooser);
    Say("READY");

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
    if (driver.send && ::IsWindow(driver.send->m_hWnd))
        driver.send->DestroyWindow();
    if (driver.client) {
        driver.client->Shutdown();
        driver.client->DestroyWindow();
        delete driver.client;
    }
    msgclient::SetHost(nullptr);
    msgstore::SetStorePlatform(nullptr);
    Say("BYE");
    std::fflush(stdout);
    ExitProcess(0);
}
