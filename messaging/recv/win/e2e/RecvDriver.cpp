// nv_recv_driver: the received-message window with the real message client, the real message
// database and a host that routes the client's results as the main window does (0x403 posted on
// to the window as 0x40A, the record then the window's), under a test's control. The skin is an
// in-memory one with the base skin's layout. Usage: nv_recv_driver.exe INSTALL_FOLDER
// Commands on standard input, one a line (texts hex-encoded CP932):
//   login version=V udp_local=P udp_port=P tcp_port=P data_port=P [id=HEX] [scramble=0]
//   period MS [WAIT_MS [PROXY_MS]]   open FLAGS   connect
//   window          the window is made and shown (it asks for the message list)
//   click N         row N selected as a click selects it
//   rows            ROW <i> <sender hex> <icon> <attachment icon> per row, then ROWS <count>
//   recvbody NUMBER PATHHEX LENGTH   the bare client's download of a body (no window involved)
//   state           STATE <client's pending kind> <its last result> <lock holder kind>
//   button ID       a click on the window's button ID;  enabled ID  ENABLED <ID> <0 or 1>
//   kill            ends the process at once (exit code 3), as a crash would
//   quit
// Output, one a line: RESULT <command> <code>, DB <database path>, EVENT <wParam> <micros since the
// last click> (each result the window is handed), BODY <code> <micros> (the bare download's end),
// NOTICE <what> (message boxes and notices), STORED <kind> <attachment copy hex>, READNOTICE <sender
// hex> (the send window asked to send a read notice), BALLOON <event>, BYE.
#include "framework/win/WinApp.h"
#include "messaging/client/MsgClientHost.h"
#include "messaging/client/PostedRecord.h"
#include "messaging/client/win/MsgWindowClientLink.h"
#include "messaging/recv/MessageWindowHost.h"
#include "messaging/recv/RecvStore.h"
#include "messaging/recv/win/MsgRecvDlg.h"
#include "messaging/store/MsgStore.h"
#include "messaging/store/StorePlatform.h"
#include "resources/StringIds.h"
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

CWinApp g_app("NimboVandrellRecvDriver");

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

std::int64_t Micros()
{
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<std::int64_t>(c.QuadPart * 1000000 / f.QuadPart);
}

// The system's store platform with the install folder given on the command line.
class CDriverStorePlatform : public msgstore::IStorePlatform {
public:
    explicit CDriverStorePlatform(const CString& install) : m_install(install) {}
    CString GetInstallFolder() override { return m_install; }
    CString GetWindowsUserName() override { return Base().GetWindowsUserName(); }
    char PathSeparator() const override { return '\\'; }
    bool PathExists(const CString& path) override { return Base().PathExists(path); }
    bool MakeDirectory(const CString& path) override { return Base().MakeDirectory(path); }
    bool RemoveFile(const CString& path) override { return Base().RemoveFile(path); }
    bool CreateEmptyFile(const CString& path) override { return Base().CreateEmptyFile(path); }
    bool CopyFileBytes(const CString& destination, const CString& source, bool exclusive) override
    {
        return Base().CopyFileBytes(destination, source, exclusive);
    }
    CString MakeUniqueFile(const CString& folder, const char* prefix) override
    {
        return Base().MakeUniqueFile(folder, prefix);
    }
    std::string ToSqlitePath(const CString& path) override { return Base().ToSqlitePath(path); }
    bool Cp932ToUtf8(const std::string& text, std::string& utf8) override { return Base().Cp932ToUtf8(text, utf8); }
    bool Utf8ToCp932(const std::string& utf8, std::string& text) override { return Base().Utf8ToCp932(utf8, text); }
    msgstore::CStoreTime Now() override { return Base().Now(); }
    bool IsDatabaseAvailable() override { return m_available; }
    void SetDatabaseAvailable(bool available) override { m_available = available; }
    CString ReadProfileString(const char* section, const char* entry, const char* defaultValue) override
    {
        return Base().ReadProfileString(section, entry, defaultValue);
    }
    int MessageBoxId(unsigned id, unsigned) override
    {
        Say("NOTICE store " + std::to_string(id));
        return msgstore::box::kAnswerOk;
    }
    int ShowMessageBox(const char* text, unsigned) override
    {
        Say("NOTICE store " + Hex(text));
        return msgstore::box::kAnswerOk;
    }

private:
    static msgstore::IStorePlatform& Base() { return msgstore::DefaultStorePlatform(); }
    CString m_install;
    bool m_available = false;
};

class CDriverClientHost : public IMsgClientHost {
public:
    void SetModalState(bool) override {}
    int& SequenceCounter() override { return counter; }
    int counter = 0;
};

// The program's share as the window sees it, over the driver's client, lock and files.
class CDriverRecvHost : public IRecvHost {
public:
    CMsgClientWnd* client = nullptr;
    std::unique_ptr<CMsgWindowClientLink> link;
    CDriverClientHost clientHost;
    HANDLE lock = ::CreateSemaphoreA(nullptr, 1, 1, nullptr);
    std::uint16_t holder = 0;
    std::vector<MessageEntry> arrivals, saved;
    CString pendingTemp, pendingTarget;

    bool IsLoggedIn() const override { return client != nullptr; }
    IMsgWindowClient* GetMsgClient() override { return link.get(); }
    int& SequenceCounter() override { return clientHost.counter; }
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
        if (holder)
            holder = kind;
    }
    std::vector<MessageEntry>& Arrivals() override { return arrivals; }
    std::vector<MessageEntry>& SavedArrivals() override { return saved; }
    void MergeMessageLists() override
    {
        for (const MessageEntry& fresh : saved)
            for (MessageEntry& entry : arrivals)
                if (entry.senderId.Compare(fresh.senderId) == 0 && entry.number == fresh.number && entry.time == fresh.time)
                    entry = fresh;
        saved.clear();
    }
    void SetMessageArrive(bool flag) override
    {
        if (!flag)
            arrivals.clear();
    }
    void PlayArrivalSound() override {}
    CString& PendingTempFile() override { return pendingTemp; }
    CString& PendingTargetFile() override { return pendingTarget; }
    bool CommitReceivedFile(bool keep) override
    {
        bool ok = true;
        if (keep && !pendingTemp.IsEmpty() && !pendingTarget.IsEmpty())
            ok = ::CopyFileA(pendingTemp, pendingTarget, FALSE) != FALSE;
        if (ok) {
            if (!pendingTemp.IsEmpty())
                ::DeleteFileA(pendingTemp);
            pendingTemp.Empty();
            pendingTarget.Empty();
        }
        return ok;
    }
    CString MakeTempFile(const char* prefix) override
    {
        char folder[MAX_PATH] = {}, name[MAX_PATH] = {};
        ::GetTempPathA(sizeof folder, folder);
        return ::GetTempFileNameA(folder, prefix, 0, name) ? CString(name) : CString();
    }
    bool FileExists(const CString& path) override { return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }
    void RemoveFile(const CString& path) override { ::DeleteFileA(path); }
    void ReportError(int code) override { Say("NOTICE error " + std::to_string(code)); }
    void ShowNotice(RecvNotice notice) override { Say("NOTICE notice " + std::to_string(static_cast<int>(notice))); }
    int ShowMessage(const CString& text, unsigned, bool) override
    {
        Say("NOTICE message " + Hex(text.str()));
        return IDOK;
    }
    bool HistoryAvailable() const override { return msgstore::StorePlatform().IsDatabaseAvailable(); }
    unsigned ProtocolVersionLowByte() const override { return 1; }
    bool VoiceMessageOption() const override { return false; }
    void BlinkReceiveButton() override {}
    void UpdateReceiveButton() override {}
};

// The store, telling the test what it wrote.
class CDriverStore : public CMsgStoreRecvStore {
public:
    long AddMessage(const CString& commId, const CString& text, long kind) override
    {
        const long record = CMsgStoreRecvStore::AddMessage(commId, text, kind);
        Say("STORED message " + std::to_string(record));
        return record;
    }
    CString StoreAttachmentFile(long kind, const CString& source) override
    {
        const CString copy = CMsgStoreRecvStore::StoreAttachmentFile(kind, source);
        Say("STORED attachment " + Hex(copy.str()));
        return copy;
    }
};

// The other windows: the send window's read notice is told to the test; nothing else opens.
class CDriverOpener : public IMessageWindowOpener {
public:
    void OpenSendWindow(const PartnerRef&, bool) override {}
    void RequestReadNotice(const CString& senderId) override { Say("READNOTICE " + Hex(senderId.str())); }
    void OpenMessageLog(const PartnerRef&) override {}
    void OpenMemo(const PartnerRef&) override {}
    bool PhoneExists() const override { return false; }
    bool PhoneSessionActive() const override { return false; }
    void DialCommId(const CString&) override {}
    bool PlayVoiceClip(std::uintptr_t, const CString&) override { return false; }
    void OpenUrl(const CString&) override {}
    void RunMailCommand() override {}
    void OpenUserRoom(const CString&) override {}
    bool BrowserExists() const override { return false; }
    void OpenProfilePage(const CString&) override {}
    void OpenProfileSearch() override {}
    void OpenFileInBrowser(const CString&) override {}
    void ShowBalloonEvent(int event) override { Say("BALLOON " + std::to_string(event)); }
    void AddTrayWindow(std::uintptr_t) override {}
    void RemoveTrayWindow(std::uintptr_t) override {}
};

RECT At(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

// The base skin's layout of the window (banner clear of every control), in memory.
void AddLayout(CFakeSkin& skins)
{
    skins.AddBitmap("vyrntalk_rcv.bmp", CFakeSkin::MakeDib(484, 382, [](int, int) { return 0x506070u; }));
    const UINT buttons[] = {IDC_RECV_PLAY, IDC_RECV_NEW, IDC_RECV_REPLY, IDC_RECV_REFRESH,
                            IDC_RECV_HISTORY, IDC_RECV_CANCEL, IDC_RECV_ATTACH};
    const char* strips[] = {"vyrntalk_rcv_play.bmp", "vyrntalk_rcv_new.bmp", "vyrntalk_rcv_reply.bmp",
                            "vyrntalk_rcv_reload.bmp", "vyrntalk_rcv_log.bmp", "vyrntalk_rcv_cancel.bmp",
                            "vyrntalk_rcv_save.bmp"};
    for (int i = 0; i < 7; ++i) {
        skins.AddBitmap(strips[i], CFakeSkin::MakeDib(160, 20, [](int, int) { return 0x3060C0u; }));
        skins.controls[buttons[i]] = {At(8 + i * 44, 354, 40, 20), -1};
    }
    skins.AddBitmap("vyrntalk_rcv_cls.bmp", CFakeSkin::MakeDib(64, 16, [](int, int) { return 0xC03030u; }));
    skins.controls[IDC_RECV_CLOSE] = {At(462, 3, 16, 16), -1};
    skins.controls[IDC_RECV_BANNER] = {At(8, 24, 468, 60), -1};
    skins.controls[IDC_RECV_LIST] = {At(8, 90, 468, 110), -1};
    skins.controls[IDC_RECV_BODY] = {At(8, 206, 468, 118), -1};
    skins.controls[IDC_RECV_STATUS] = {At(8, 330, 468, 16), -1};
}

class CDriverWnd : public CWnd {
public:
    CDriverRecvHost host;
    CDriverStore store;
    CFakeSkin skins;
    CMsgRecvDlg* window = nullptr;
    bool done = false;
    std::int64_t clickAt = 0;
    std::int64_t bodyAt = 0;

    BOOL Create() { return CreateEx(0, RegisterWindowClass("NvRecvDriver"), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr); }

    // As the main window routes them: every message result goes on to the window when it
    // exists; otherwise (and list results always) the record is freed here.
    LRESULT OnMessageResult(WPARAM wParam, LPARAM lParam)
    {
        if (bodyAt) {
            Say("BODY " + std::to_string(static_cast<int>(static_cast<INT_PTR>(wParam))) + " " +
                std::to_string(Micros() - bodyAt));
            bodyAt = 0;
            host.UnlockPm();
            PmFreePostedRecord(PmRecordFromParam(static_cast<std::intptr_t>(lParam)));
            return 0;
        }
        if (window && window->m_hWnd) {
            Say("EVENT " + std::to_string(static_cast<int>(static_cast<INT_PTR>(wParam))) + " " +
                std::to_string(clickAt ? Micros() - clickAt : 0));
            if (window->PostMessage(kMsgRecvResult, wParam, lParam))
                return 0;
        }
        PmFreePostedRecord(PmRecordFromParam(static_cast<std::intptr_t>(lParam)));
        return 0;
    }
    LRESULT OnListResult(WPARAM, LPARAM lParam)
    {
        PmFreePostedRecord(PmRecordFromParam(static_cast<std::intptr_t>(lParam)));
        return 0;
    }
    LRESULT OnProgress(WPARAM, LPARAM) { return 0; }

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
        host.client = new CMsgClientWnd(login, address, m_hWnd);
        if (v.count("scramble") && v["scramble"] == "0")
            host.client->SetScramble(false);
        host.link.reset(new CMsgWindowClientLink(*host.client));
        Say(std::string("RESULT login ") + (host.client->m_hWnd ? "0" : "-1"));
    }

    void Click(int row)
    {
        CListCtrl& list = window->GetList();
        list.SetItemState(-1, 0, LVIS_SELECTED);
        list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        NMITEMACTIVATE click = {};
        click.hdr = {list.m_hWnd, IDC_RECV_LIST, static_cast<UINT>(NM_CLICK)};
        click.iItem = row;
        clickAt = Micros();
        window->SendMessage(WM_NOTIFY, IDC_RECV_LIST, reinterpret_cast<LPARAM>(&click));
    }

    LRESULT OnDriverCommand(WPARAM, LPARAM lParam)
    {
        std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
        std::istringstream in(*line);
        std::string verb;
        in >> verb;
        if (verb == "login") {
            Login(in);
        } else if (verb == "quit") {
            done = true;
        } else if (verb == "kill") {
            ::ExitProcess(3);
        } else if (!host.client) {
            Say("RESULT " + verb + " -2");
        } else if (verb == "period") {
            unsigned period = 5000, wait = 20000, proxy = 15000;
            in >> period >> wait >> proxy;
            host.client->SetPeriods(period, wait, proxy);
            Say("RESULT period 0");
        } else if (verb == "open") {
            unsigned long flags = 0;
            in >> flags;
            Say("RESULT open " + std::to_string(host.client->Open(static_cast<std::uint32_t>(flags), "", 0, "", "", 0)));
        } else if (verb == "connect") {
            Say("RESULT connect " + std::to_string(host.client->ConnectChannel()));
        } else if (verb == "window") {
            AddLayout(skins);
            window = new CMsgRecvDlg(nullptr, host, store);
            const bool made = window->LoadSkin("vyrntalk_rcv.bmp", FALSE) && window->Create(IDD_MSG_RECV);
            if (made)
                window->SetShown(true);
            Say(std::string("RESULT window ") + (made ? "0" : "-1"));
        } else if (verb == "click") {
            int row = 0;
            in >> row;
            if (!window || row < 0 || row >= window->GetList().GetItemCount()) {
                Say("RESULT click -1");
                return 0;
            }
            Click(row);
            Say("RESULT click 0");
        } else if (verb == "rows") {
            const int count = window ? window->GetList().GetItemCount() : 0;
            for (int i = 0; i < count; ++i) {
                char text[256] = {};
                LVITEMA item = {};
                item.mask = LVIF_TEXT | LVIF_IMAGE;
                item.iItem = i;
                item.pszText = text;
                item.cchTextMax = sizeof text;
                window->GetList().GetItem(&item);
                LVITEMA attach = {};
                attach.mask = LVIF_IMAGE;
                attach.iItem = i;
                attach.iSubItem = 2;
                window->GetList().GetItem(&attach);
                Say("ROW " + std::to_string(i) + " " + Hex(text) + " " + std::to_string(item.iImage) + " " +
                    std::to_string(attach.iImage));
            }
            Say("ROWS " + std::to_string(count));
        } else if (verb == "state") {
            Say("STATE " + std::to_string(host.client->Pending()) + " " + std::to_string(host.client->GetLastResult()) +
                " " + std::to_string(host.GetHolderKind()));
        } else if (verb == "button" || verb == "enabled") {
            unsigned id = 0;
            in >> id;
            if (!window || !::GetDlgItem(window->m_hWnd, static_cast<int>(id))) {
                Say("RESULT " + verb + " -1");
                return 0;
            }
            if (verb == "enabled") {
                Say("ENABLED " + std::to_string(id) + " " + (window->IsButtonEnabled(id) ? "1" : "0"));
                return 0;
            }
            window->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                reinterpret_cast<LPARAM>(::GetDlgItem(window->m_hWnd, static_cast<int>(id))));
            Say("RESULT button 0");
        } else if (verb == "recvbody") {
            unsigned long number = 0, length = 0;
            std::string path;
            in >> number >> path >> length;
            host.LockPm(kHoldBody, 0);
            bodyAt = Micros();
            const int rc = host.client->RequestBody(host.clientHost.counter, static_cast<std::uint32_t>(number), Unhex(path),
                                                    static_cast<std::uint32_t>(length));
            if (rc != 0) {
                bodyAt = 0;
                host.UnlockPm();
            }
            Say("RESULT recvbody " + std::to_string(rc));
        } else {
            Say("RESULT " + verb + " -3");
        }
        return 0;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDriverWnd, CWnd)
    ON_MESSAGE(WM_PM_MESSAGE_RESULT, OnMessageResult)
    ON_MESSAGE(WM_PM_LIST_RESULT, OnListResult)
    ON_MESSAGE(WM_PM_PROGRESS, OnProgress)
    ON_MESSAGE(WM_DRIVER_COMMAND, OnDriverCommand)
END_MESSAGE_MAP()

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    WSADATA wsa;
    WSAStartup(MAKEWORD(1, 1), &wsa);
    CDriverStorePlatform platform{CString(argv[1])};
    msgstore::SetStorePlatform(&platform);
    {
        CMsgStore store;
        store.Open();
        Say("DB " + std::string(store.GetDbPath().str()) + " " + (platform.IsDatabaseAvailable() ? "1" : "0"));
    }
    auto* driver = new CDriverWnd;
    if (!driver->Create())
        return 2;
    msgclient::SetHost(&driver->host.clientHost);
    static CDriverOpener opener;
    messaging::SetWindowOpener(&opener);

    HWND target = driver->m_hWnd;
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
    while (!driver->done && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (driver->window && driver->window->m_hWnd)
        driver->window->DestroyWindow();
    if (driver->host.client) {
        driver->host.client->Shutdown();
        driver->host.client->DestroyWindow();
    }
    Say("BYE");
    std::fflush(stdout);
    ExitProcess(0);
}
