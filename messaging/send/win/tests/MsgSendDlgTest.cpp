// The send window under Wine with the recording doubles: 0x40A comes in as the client's results
// do, the client's requests, the lock and the store are read from the shared event log, the
// controls' states from the window, and drops arrive as posted HDROPs.
#include "messaging/send/win/MsgSendDlg.h"
#include "messaging/send/win/SendPlatform.h"
#include "messaging/wire/AttachPack.h"

#include "framework/win/WinApp.h"
#include "messaging/send/doubles/SendDoubles.h"
#include "resources/StringIds.h"
#include "shell/common/services/PartnerRef.h"
#include "tests/support/WinTestSupport.h"
#include "toolkit/win/tests/FakeSkin.h"

#include <gtest/gtest.h>

#include <richedit.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <cstring>
#include <string>
#include <vector>

namespace {

CWinApp g_app("NimboVandrellSendTest");

const char kTanaka[] = "\x93\x63\x92\x86";                                 // 田中
const char kHello[] = "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x81\x42 ok"; // こんにちは。 ok
const char kDataFile[] = "C:\\data\\\x8e\x91\x97\xbf.txt";                  // 資料.txt

RECT At(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

void AddLayout(CFakeSkin& skins)
{
    skins.AddBitmap("vyrntalk_snd.bmp", CFakeSkin::MakeDib(400, 300, [](int, int) { return 0x506070u; }));
    const UINT buttons[] = {IDC_SEND_SEND, IDC_SEND_RECORD, IDC_SEND_LOG, IDC_SEND_INDICATOR,
                            IDC_SEND_RESET, IDC_SEND_CANCEL, IDC_SEND_RECEIPT, IDC_SEND_ATTACH};
    const char* strips[] = {"vyrntalk_snd_snd.bmp", "vyrntalk_snd_rec.bmp", "vyrntalk_snd_log.bmp",
                            "vyrntalk_snd_indicate.bmp", "vyrntalk_snd_reset.bmp", "vyrntalk_snd_cancel.bmp",
                            "vyrntalk_snd_check.bmp", "vyrntalk_snd_attach.bmp"};
    for (int i = 0; i < 8; ++i) {
        skins.AddBitmap(strips[i], CFakeSkin::MakeDib(160, 20, [](int x, int) { return x < 40 ? 0x3060C0u : 0x808080u; }));
        skins.controls[buttons[i]] = {At(8 + i * 44, 272, 40, 20), -1};
    }
    skins.AddBitmap("vyrntalk_snd_cls.bmp", CFakeSkin::MakeDib(64, 16, [](int, int) { return 0xC03030u; }));
    skins.controls[IDC_SEND_CLOSE] = {At(378, 3, 16, 16), -1};
    skins.controls[IDC_SEND_ID] = {At(8, 26, 180, 20), -1};
    skins.controls[IDC_SEND_NAME] = {At(200, 26, 190, 20), -1};
    skins.controls[IDC_SEND_TEXT] = {At(8, 52, 384, 160), -1};
    skins.controls[IDC_SEND_CAPTION] = {At(8, 218, 384, 20), -1};
    skins.controls[IDC_SEND_STATUS] = {At(8, 244, 384, 18), -1};
}

class CScriptedChooser : public ISendFileChooser {
public:
    bool ChooseFile(HWND, const CString& initial, CString* path) override
    {
        initials.push_back(initial.str());
        if (answer.empty())
            return false;
        *path = answer.c_str();
        return true;
    }
    std::string answer;
    std::vector<std::string> initials;
};

struct SendWindow {
    CFakeSkin skins;
    CRecvEventLog log;
    CFakeRecvHost recvHost{log};
    CRecordingMsgClient client{log};
    CFakeRecvStore store{log, recvHost};
    CFakeSendHost host{log, recvHost.files};
    CFakeVoicePanel panel{log};
    CScriptedChooser chooser;
    CMsgSendDlg* dialog = nullptr;
    HWND hwnd = nullptr;

    SendWindow()
    {
        AddLayout(skins);
        host.client = &client;
        host.panel = &panel;
        SetSendFileChooser(&chooser);
        dialog = new CMsgSendDlg(nullptr, true, host, store);
        EXPECT_TRUE(dialog->Create());
        hwnd = dialog->m_hWnd;
        nvtest::PumpPending();
    }
    ~SendWindow()
    {
        if (::IsWindow(hwnd))
            dialog->DestroyWindow(); // deletes itself
        SetSendFileChooser(nullptr);
    }
    void Open(const char* id, const char* name)
    {
        PartnerRef partner;
        partner.commId = id;
        partner.commName = name;
        ::SendMessageA(hwnd, kMsgSendEvent, kSendEventOpen, reinterpret_cast<LPARAM>(&partner));
    }
    void Type(const char* text) { ::SetWindowTextA(dialog->GetTextControl().m_hWnd, text); }
    std::string Text() { return dialog->GetText().str(); }
    void Click(UINT id) { ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, static_cast<int>(id)))); }
    void Post(int event, LPARAM lParam)
    {
        ::PostMessageA(hwnd, kMsgSendEvent, static_cast<WPARAM>(event), lParam);
        nvtest::PumpPending();
    }
    std::string Status()
    {
        char text[300] = {};
        ::GetDlgItemTextA(hwnd, IDC_SEND_STATUS, text, sizeof text);
        return text;
    }
    std::string Caption()
    {
        char text[1200] = {};
        ::GetDlgItemTextA(hwnd, IDC_SEND_CAPTION, text, sizeof text);
        return text;
    }
    long Position(const std::string& event) const
    {
        const auto& events = log.Events();
        auto it = std::find(events.begin(), events.end(), event);
        return it == events.end() ? -1 : static_cast<long>(it - events.begin());
    }
};

std::string LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.str();
}

std::string Formatted(UINT id, int number)
{
    CString text;
    text.Format(LoadText(id).c_str(), number);
    return text.str();
}

// An HDROP as the shell makes it: DROPFILES followed by the names, each ended by 0, then 0.
HGLOBAL MakeDrop(const std::vector<std::string>& files)
{
    std::size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& file : files)
        size += file.size() + 1;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    char* names = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
    for (const std::string& file : files) {
        std::memcpy(names, file.c_str(), file.size() + 1);
        names += file.size() + 1;
    }
    ::GlobalUnlock(memory);
    return memory;
}

TEST(MsgSendDlg, TextGoesOutUnderTheLockAndIsStoredAsSentWhenAccepted)
{
    SendWindow w;
    w.Open("vy0000000000001A", kTanaka);
    ASSERT_TRUE(::IsWindowVisible(w.hwnd));
    EXPECT_TRUE(w.dialog->IsButtonEnabled(IDC_SEND_SEND));
    EXPECT_FALSE(w.dialog->IsButtonEnabled(IDC_SEND_CANCEL));
    w.Type(kHello);
    w.Click(IDC_SEND_SEND);
    ASSERT_GE(w.Position("lock 33"), 0);
    ASSERT_GE(w.Position("client.text vy0000000000001A 1"), 0);
    EXPECT_LT(w.Position("lock 33"), w.Position("client.text vy0000000000001A 1"));
    ASSERT_EQ(1u, w.client.pending.size());
    EXPECT_EQ(kHello, w.client.pending[0].text.str());
    EXPECT_EQ(kTanaka, w.client.pending[0].recipientName.str());
    EXPECT_EQ(LoadText(IDS_SEND_SENDING), w.Status());
    EXPECT_TRUE(w.dialog->IsTextReadOnly());
    EXPECT_TRUE(w.dialog->IsRecipientReadOnly());
    EXPECT_FALSE(w.dialog->IsButtonEnabled(IDC_SEND_SEND));
    nvtest::SaveWindowScreenshot(w.hwnd, "send_window_sending");

    // The window is closed while the message travels: the stored text is still the one sent.
    w.Click(IDC_SEND_CLOSE);
    EXPECT_EQ("", w.Text());
    w.Post(kSendEventAccepted, 1);
    ASSERT_EQ(1u, w.store.rows.size());
    EXPECT_EQ(kHello, w.store.rows[0].text.str());
    EXPECT_EQ(0, w.store.rows[0].kind);
    EXPECT_EQ(kTanaka, w.store.users["vy0000000000001A"]);
    EXPECT_FALSE(::IsWindowVisible(w.hwnd));
    EXPECT_EQ(0, w.host.lockDepth);
    EXPECT_GE(w.Position("balloon 30"), 0);
    EXPECT_TRUE(w.dialog->IsButtonEnabled(IDC_SEND_SEND));
    EXPECT_FALSE(w.dialog->IsTextReadOnly());
}

TEST(MsgSendDlg, BusyClientKeepsTheTextAndSendsNothing)
{
    SendWindow w;
    w.Open("vy0000000000001A", kTanaka);
    w.host.lockTimesOut = true;
    w.Type(kHello);
    w.Click(IDC_SEND_SEND);
    EXPECT_TRUE(w.client.pending.empty());
    EXPECT_EQ(kHello, w.Text());
    EXPECT_TRUE(w.log.With("unlock").empty());
    EXPECT_GE(w.Position("error 12106"), 0);
    EXPECT_TRUE(w.dialog->IsButtonEnabled(IDC_SEND_SEND));
    EXPECT_FALSE(w.dialog->IsTextReadOnly());
}

TEST(MsgSendDlg, PackageWithProgressCancelAndFailure)
{
    SendWindow w;
    w.Open("vy0000000000001A", kTanaka);
    w.recvHost.files[kDataFile] = std::string(2000, 'd');
    w.chooser.answer = kDataFile;
    w.Click(IDC_SEND_ATTACH);
    EXPECT_EQ(kDataFile, w.Caption());
    EXPECT_TRUE(w.dialog->IsButtonEnabled(IDC_SEND_INDICATOR));
    const std::string package = w.dialog->GetFlow().GetPackagePath().str();
    ASSERT_NE(std::string::npos, package.find("VYS"));
    const std::size_t size = w.recvHost.files[package].size();

    w.Type(kHello);
    w.Click(IDC_SEND_SEND);
    ASSERT_GE(w.Position("lock 35"), 0);
    ASSERT_GE(w.Position("client.file vy0000000000001A 1 0x8000000"), 0);
    w.Post(kSendEventAccepted, 1);
    ASSERT_GE(w.Position("holder 36"), 0);
    ASSERT_GE(w.Position("client.with-body vy0000000000001A"), 0);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(w.hwnd), w.client.progressWindow);
    EXPECT_TRUE(w.dialog->IsButtonEnabled(IDC_SEND_CANCEL));

    // Progress notices as the client posts them: the line follows the bytes.
    ::PostMessageA(w.hwnd, kMsgSendProgress, 2, static_cast<LPARAM>(size / 2));
    nvtest::PumpPending();
    EXPECT_EQ(Formatted(IDS_SEND_PROGRESS, 50), w.Status());
    // A drop while the body travels changes nothing.
    w.recvHost.files["C:\\data\\other.txt"] = "other";
    ::PostMessageA(w.hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"C:\\data\\other.txt"})), 0);
    nvtest::PumpPending();
    EXPECT_TRUE(w.log.With("pack C:\\data\\other.txt").empty());
    nvtest::SaveWindowScreenshot(w.hwnd, "send_window_progress");

    w.Click(IDC_SEND_CANCEL);
    EXPECT_GE(w.Position("client.cancel 1000"), 0);
    w.Post(kSendEventFailed, 12000);
    EXPECT_EQ(LoadText(IDS_SEND_CANCELLED), w.Status());
    EXPECT_EQ(kHello, w.Text());
    EXPECT_TRUE(w.store.rows.empty());
    EXPECT_EQ(0, w.host.lockDepth);
    EXPECT_EQ(0u, w.client.progressWindow);
    EXPECT_TRUE(w.dialog->IsButtonEnabled(IDC_SEND_SEND));
}

TEST(MsgSendDlg, PackageDeliveredIsStoredWithItsAttachment)
{
    SendWindow w;
    w.Open("vy0000000000001A", kTanaka);
    w.recvHost.files[kDataFile] = std::string(300, 'd');
    w.chooser.answer = kDataFile;
    w.Click(IDC_SEND_ATTACH);
    const std::string package = w.dialog->GetFlow().GetPackagePath().str();
    const std::string packageBytes = w.recvHost.files[package];
    w.Click(IDC_SEND_SEND); // no text: an attachment goes alone
    w.Post(kSendEventAccepted, 1);
    ::PostMessageA(w.hwnd, kMsgSendProgress, 2, static_cast<LPARAM>(packageBytes.size()));
    nvtest::PumpPending();
    EXPECT_EQ(Formatted(IDS_SEND_PROGRESS, 100), w.Status());
    EXPECT_FALSE(w.dialog->IsButtonEnabled(IDC_SEND_CANCEL));
    w.Post(kSendEventDelivered, 2);
    ASSERT_EQ(1u, w.store.rows.size());
    EXPECT_EQ(kStoredPackage, w.store.rows[0].kind);
    EXPECT_EQ(packageBytes, w.store.rows[0].attachmentBytes);
    EXPECT_FALSE(::IsWindowVisible(w.hwnd));
    EXPECT_EQ(0, w.host.lockDepth);
    EXPECT_EQ(0, w.host.unbalancedUnlocks);
}

TEST(MsgSendDlg, DropsAreTakenInTheIdleAndReceiptStatesOnly)
{
    struct Case {
        int state;
        bool taken;
    } cases[] = {{kSendIdle, true}, {kSendSending, false}, {kSendBodyTransfer, false}, {kSendReceipt, true},
                 {kSendOffline, false}};
    const std::string longName = "C:\\data\\" + std::string(270, 'n') + ".txt";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        SendWindow w;
        w.Open("vy0000000000001A", kTanaka);
        w.recvHost.files[kDataFile] = "first";
        w.recvHost.files["C:\\data\\second.txt"] = "second";
        w.dialog->GetFlow().SetSendState(c.state);
        ::PostMessageA(w.hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({kDataFile, "C:\\data\\second.txt"})), 0);
        nvtest::PumpPending();
        EXPECT_EQ(c.taken ? 1u : 0u, w.log.With("pack").size());
        EXPECT_TRUE(w.log.With("pack C:\\data\\second.txt").empty()); // only the first file
        if (c.taken) {
            EXPECT_EQ(kDataFile, w.Caption());
            EXPECT_EQ(w.dialog->GetFlow().GetPackagePath(), w.dialog->GetFlow().GetAttachmentPath());
        }
        if (c.state == kSendIdle) {
            // A name longer than 260 bytes arrives whole (it is not cut to a different file).
            w.recvHost.files[longName] = "long";
            ::PostMessageA(w.hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({longName})), 0);
            nvtest::PumpPending();
            EXPECT_EQ(1u, w.log.With("pack " + longName).size());
            EXPECT_EQ(longName, w.Caption());
        }
    }
}

TEST(MsgSendDlg, ReceiptsGoOutOnTheTimerAndTabInsertsATab)
{
    SendWindow w;
    w.Open("vy0000000000001A", kTanaka);
    w.Post(kSendEventReceipt, reinterpret_cast<LPARAM>(new CString("vy00000000000B2")));
    ASSERT_EQ(1u, w.dialog->GetFlow().Receipts().size());
    ::SendMessageA(w.hwnd, WM_TIMER, kSendReceiptTimer, 0);
    ASSERT_EQ(1u, w.client.pending.size());
    EXPECT_EQ(2, w.client.pending[0].option);
    EXPECT_EQ(FormatReceiptTime(w.host.now).str() + "ReplyText", w.client.pending[0].text.str());
    EXPECT_EQ(LoadText(IDS_SEND_RECEIPT_BUSY), w.Status());
    // While the receipt travels the send button takes no click; the text stays editable.
    EXPECT_FALSE(w.dialog->IsButtonEnabled(IDC_SEND_SEND));
    EXPECT_FALSE(w.dialog->IsTextReadOnly());
    w.Type("x");
    w.Click(IDC_SEND_SEND);
    EXPECT_EQ(1u, w.client.pending.size());
    EXPECT_EQ("x", w.Text());
    w.Post(kSendEventAccepted, 1);
    EXPECT_TRUE(w.dialog->GetFlow().Receipts().empty());
    EXPECT_TRUE(w.store.rows.empty());
    EXPECT_EQ(0, w.host.lockDepth);

    // Tab in the text is a tab character.
    w.Type("ab");
    CRichEditCtrl& text = w.dialog->GetTextControl();
    text.SetSel(1, 1);
    ::SetFocus(text.m_hWnd);
    ::SendMessageA(text.m_hWnd, WM_KEYDOWN, VK_TAB, 0x000F0001);
    EXPECT_EQ("a\tb", w.Text());
    EXPECT_EQ(w.hwnd, ::GetParent(::GetFocus()));
}

TEST(MsgSendDlg, OpeningShowsThePartnerAndTheLogButtonFollowsTheDatabase)
{
    struct Case {
        bool database;
        const char* name;
        bool logEnabled;
    } cases[] = {{true, kTanaka, true}, {false, kTanaka, false}, {true, "", false}};
    for (const Case& c : cases) {
        SendWindow w;
        w.host.database = c.database;
        w.Open("vy0000000000001A", c.name);
        char id[64] = {};
        ::GetDlgItemTextA(w.hwnd, IDC_SEND_ID, id, sizeof id);
        EXPECT_STREQ("vy0000000000001A", id);
        EXPECT_EQ(c.logEnabled, w.dialog->IsButtonEnabled(IDC_SEND_LOG));
        if (c.logEnabled) {
            w.Type(kHello);
            w.recvHost.files[kDataFile] = "x";
            w.chooser.answer = kDataFile;
            w.Click(IDC_SEND_ATTACH);
            ::RedrawWindow(w.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            nvtest::SaveWindowScreenshot(w.hwnd, "send_window_idle");
        }
    }
}

// The host's own file work on Windows: the package of one chosen file, by kind of file.
class CPlatformOnly : public CWinSendHostBase {
public:
    bool IsLoggedIn() const override { return false; }
    IMsgWindowClient* GetMsgClient() override { return nullptr; }
    int& SequenceCounter() override { return counter; }
    bool LockPm(std::uint16_t, unsigned) override { return false; }
    void UnlockPm() override {}
    std::uint16_t GetHolderKind() const override { return 0; }
    void SetHolderKind(std::uint16_t) override {}
    int TextLimit() const override { return 900; }
    bool SlashMark() const override { return false; }
    bool ReceiptOffByDefault() const override { return false; }
    CString ReplyMessage() const override { return CString(); }
    bool DatabaseAvailable() const override { return false; }
    SendFont MessageFont() const override { return SendFont(); }
    void ReportError(int) override {}
    void ShowNotice(SendNotice, int, const CString&) override {}
    void ShowBalloonEvent(int) override {}
    void RemoveTrayWindow(std::uintptr_t) override {}
    IVoiceClipPanel* VoicePanel() override { return nullptr; }
    int counter = 0;
};

TEST(SendPlatform, PackagesOfChosenFiles)
{
    CPlatformOnly host;
    const CString package = host.MakeTempFile("VYS");
    ASSERT_FALSE(package.IsEmpty());
    EXPECT_NE(-1, package.Find("VYS"));
    const std::string folder = package.str().substr(0, package.str().rfind('\\') + 1) + "nv_send_platform";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    auto file = [&](const char* name, std::size_t size) {
        const std::string path = folder + "\\" + name;
        nvtest::WriteFileBytes(path, std::vector<std::uint8_t>(size, 0x5A));
        return path;
    };
    const std::string empty = file("empty.txt", 0); // the package code refuses it as a read error (561)
    const std::string big = file("big.bin", 1024001);
    const std::string fits = file("\x8e\x91\x97\xbf.bin", 1000); // 資料.bin
    const std::string locked = file("locked.bin", 10);
    HANDLE held = ::CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    struct Case {
        std::string source;
        int code;
    } cases[] = {
        {empty, ATTACH_SHORT}, {fits, 0}, {big, ATTACH_TOO_LARGE}, {folder, ATTACH_OPEN_FAILED},
        {folder + "\\missing.txt", ATTACH_NO_ENTRY}, {locked, ATTACH_OPEN_FAILED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(c.code, host.BuildPackage(c.source.c_str(), package));
        if (c.code == 0) {
            const std::vector<std::uint8_t> bytes = nvtest::ReadFileBytes(package.str());
            ASSERT_GE(bytes.size(), 16u);
            EXPECT_EQ(0, std::memcmp(bytes.data(), "Vy@n 1.0", 8));
            std::uint64_t size = 0;
            EXPECT_TRUE(host.FileSize(package, &size));
            EXPECT_EQ(bytes.size(), size);
        }
    }
    ::CloseHandle(held);
    std::uint64_t size = 0;
    EXPECT_FALSE(host.FileSize((folder + "\\missing.txt").c_str(), &size));
    host.RemoveFile(package);
    EXPECT_FALSE(host.FileSize(package, &size));
    for (const char* name : {"empty.txt", "big.bin", "\x8e\x91\x97\xbf.bin", "locked.bin"})
        ::DeleteFileA((folder + "\\" + name).c_str());
    ::RemoveDirectoryA(folder.c_str());
}

// The window on the base skin the build draws: every control at its skin place, inside the
// window, none over another.
TEST(MsgSendDlg, LaysOutOnTheBaseSkin)
{
    const std::string folder = nvtest::UnixToWindowsPath(nvtest::Env("NV_BASESKIN_DIR"));
    ASSERT_FALSE(folder.empty());
    const std::vector<std::uint8_t> info = nvtest::ReadFileBytes(folder + "\\NVPCINFO.TXT");
    ASSERT_FALSE(info.empty());
    const std::map<std::string, UINT> keys = {
        {"VYRNTALK_SND_CLS", IDC_SEND_CLOSE}, {"VYRNTALK_SND_SEND", IDC_SEND_SEND},
        {"VYRNTALK_SND_REC", IDC_SEND_RECORD}, {"VYRNTALK_SND_LOG", IDC_SEND_LOG},
        {"VYRNTALK_SND_INDICATE", IDC_SEND_INDICATOR}, {"VYRNTALK_SND_RESET", IDC_SEND_RESET},
        {"VYRNTALK_SND_EXCANCEL", IDC_SEND_CANCEL}, {"VYRNTALK_SND_CHK", IDC_SEND_RECEIPT},
        {"VYRNTALK_SND_FILE", IDC_SEND_ATTACH}, {"VYRNTALK_SND_EDIT", IDC_SEND_TEXT},
        {"VYRNTALK_SND_COMMID", IDC_SEND_ID}, {"VYRNTALK_SND_COMMNAME", IDC_SEND_NAME},
        {"VYRNTALK_SND_STATE", IDC_SEND_STATUS}, {"VYRNTALK_SND_FILENAME", IDC_SEND_CAPTION}};
    std::map<UINT, RECT> places;
    std::string text(info.begin(), info.end());
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos || !keys.count(line.substr(0, eq)))
            continue;
        int x = 0, y = 0, w = 0, h = 0;
        ASSERT_EQ(4, std::sscanf(line.c_str() + eq + 1, "%d,%d,%d,%d", &x, &y, &w, &h)) << line;
        places[keys.at(line.substr(0, eq))] = At(x, y, w, h);
    }
    ASSERT_EQ(keys.size(), places.size());

    CFakeSkin skins;
    for (const char* name : {"vyrntalk_snd.bmp", "vyrntalk_snd_snd.bmp", "vyrntalk_snd_rec.bmp", "vyrntalk_snd_log.bmp",
                             "vyrntalk_snd_indicate.bmp", "vyrntalk_snd_reset.bmp", "vyrntalk_snd_cancel.bmp",
                             "vyrntalk_snd_check.bmp", "vyrntalk_snd_attach.bmp", "vyrntalk_snd_cls.bmp"}) {
        HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageA(nullptr, (folder + "\\" + name).c_str(), IMAGE_BITMAP, 0, 0,
                                                           LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        ASSERT_NE(nullptr, bitmap) << name;
        skins.AddBitmap(name, bitmap);
    }
    for (const auto& place : places)
        skins.controls[place.first] = {place.second, -1};
    CRecvEventLog log;
    CFakeRecvHost recvHost(log);
    CRecordingMsgClient client(log);
    CFakeRecvStore store(log, recvHost);
    CFakeSendHost host(log, recvHost.files);
    host.client = &client;
    auto* dialog = new CMsgSendDlg(nullptr, true, host, store);
    ASSERT_TRUE(dialog->Create());
    const HWND hwnd = dialog->m_hWnd;
    PartnerRef partner;
    partner.commId = "vy0000000000001A";
    partner.commName = kTanaka;
    ::SendMessageA(hwnd, kMsgSendEvent, kSendEventOpen, reinterpret_cast<LPARAM>(&partner));
    ::SetWindowTextA(dialog->GetTextControl().m_hWnd, kHello);
    RECT client_;
    ::GetClientRect(hwnd, &client_);
    std::vector<RECT> placed;
    for (const auto& place : places) {
        RECT r;
        ::GetWindowRect(::GetDlgItem(hwnd, static_cast<int>(place.first)), &r);
        ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(::EqualRect(&r, &place.second)) << place.first;
        RECT inside;
        ::IntersectRect(&inside, &r, &client_);
        EXPECT_TRUE(::EqualRect(&inside, &r)) << place.first;
        for (const RECT& other : placed) {
            RECT overlap;
            EXPECT_FALSE(::IntersectRect(&overlap, &r, &other)) << place.first;
        }
        placed.push_back(r);
    }
    nvtest::PumpPending();
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    nvtest::SaveWindowScreenshot(hwnd, "send_window_base_skin");
    dialog->DestroyWindow();
}

} // namespace
