// What a test needs to run the real main window in its own process: the base skin that the
// build packs, unpacked by our unlha32.dll into a folder of the test's own, the real skin
// manager serving the toolkit, the program's seams, a tray icon whose shell only records, and
// recording doubles of the main window's neighbours and of the service session.
#pragma once

#include "shell/AppObjects.h"
#include "shell/AppSeams.h"
#include "shell/ClientApp.h"
#include "shell/MainDlg.h"
#include "shell/MainWindowPeers.h"
#include "shell/TrayIcon.h"
#include "shell/common/services/WindowKinds.h"
#include "shell/common/skin/SkinManager.h"
#include "shell/common/skin/UnlhaArchiver.h"
#include "shell/common/skin/tests/RecordingSkinHost.h"
#include "tests/support/WinTestSupport.h"

#include "framework/win/DialogTemplate.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace mwtest {

// One sequence of everything the doubles saw, in order ("session:logout", "destroy:1289", ...).
struct Journal {
    std::vector<std::string> events;
    void Add(const std::string& e) { events.push_back(e); }
    // Index of the first event equal to e, or -1.
    int IndexOf(const std::string& e) const
    {
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i] == e)
                return static_cast<int>(i);
        return -1;
    }
    int FirstWithPrefix(const std::string& prefix) const
    {
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i].compare(0, prefix.size(), prefix) == 0)
                return static_cast<int>(i);
        return -1;
    }
    bool Has(const std::string& e) const { return IndexOf(e) >= 0; }
};

inline std::string KindName(WindowKind kind) { return std::to_string(kind); }

// A neighbour window: a real skinned window on the bitmap and template number the real one
// will use, which records what the main window asks of it.
class CPeerDouble : public CSkinFrameDialog {
public:
    CPeerDouble(WindowKind kind, UINT templateId, const char* bitmap, DWORD mode, CWnd* parent)
        : CSkinFrameDialog(templateId, parent), m_kind(kind), m_bitmap(bitmap),
          m_template(WS_POPUP | DS_SETFONT, WS_EX_TOOLWINDOW, 100, 40, "MS UI Gothic", 9, SHIFTJIS_CHARSET)
    {
        m_style = mode;
        JoinRegistry(kind);
        // The lists' controls, so that the main window's colours reach something.
        if (kind == kWindowUserList || kind == kWindowFriendList)
            m_template.AddItem(WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 4, 4, 90, 30,
                               kind == kWindowUserList ? 1000 : 1001);
    }
    bool Make(CWnd* parent) { return LoadSkin(m_bitmap.c_str(), FALSE) && CreateIndirect(m_template.Data(), parent) && HasSkin(); }
    void PostNcDestroy() override { delete this; }
    const std::string& Bitmap() const { return m_bitmap; }

private:
    WindowKind m_kind;
    std::string m_bitmap;
    CDialogTemplateEx m_template;
};

struct PeerShape {
    UINT templateId;
    const char* bitmap;
    DWORD mode;
};

inline const std::map<WindowKind, PeerShape>& PeerShapes()
{
    static const std::map<WindowKind, PeerShape> shapes = {
        {kWindowErrorLog, {789, "general.bmp", CSkinFrameDialog::kModeFree}},
        {kWindowErrorBalloon, {837, "vyrn_msg_err.bmp", 0}},
        {kWindowNormalBalloon, {837, "vyrn_msg.bmp", 0}},
        {kWindowCdPlayer, {247, "cdplay.bmp", CSkinFrameDialog::kModePanel}},
        {kWindowPhone, {628, "phone.bmp", CSkinFrameDialog::kModePanel}},
        {kWindowVoiceClip, {250, "cast.bmp", CSkinFrameDialog::kModePanel}},
        {kWindowFriendList, {203, "friend.bmp", CSkinFrameDialog::kModeDrawer}},
        {kWindowUserList, {200, "user.bmp", CSkinFrameDialog::kModeDrawer}},
        {kWindowAddressBar, {202, "url.bmp", CSkinFrameDialog::kModeFree}},
        {kWindowBrowser, {201, "browser.bmp", CSkinFrameDialog::kModeFree}},
        {kWindowChat, {204, "chat.bmp", CSkinFrameDialog::kModeFree}},
        {kWindowPartnerList, {780, "general.bmp", CSkinFrameDialog::kModeFree}},
        {kWindowSend, {205, "vyrntalk_snd.bmp", CSkinFrameDialog::kModeFree}},
        {kWindowReceive, {206, "vyrntalk_rcv.bmp", CSkinFrameDialog::kModeFree}},
        {kWindowChatLogin, {207, "chat_login.bmp", CSkinFrameDialog::kModeFree}},
        {kWindowNewBrowser, {201, "browser.bmp", CSkinFrameDialog::kModeFree}},
        {kWindowWebMail, {201, "browser.bmp", CSkinFrameDialog::kModeFree}},
        {kWindowAddressBook, {201, "browser.bmp", CSkinFrameDialog::kModeFree}},
    };
    return shapes;
}

class RecordingPeers : public IMainWindowPeers {
public:
    explicit RecordingPeers(Journal& journal) : m_journal(journal) {}

    CWnd* Create(WindowKind kind, CWnd* parent) override
    {
        m_journal.Add("create:" + KindName(kind));
        if (failCreate.count(kind))
            return nullptr;
        auto it = PeerShapes().find(kind);
        if (it == PeerShapes().end())
            return nullptr;
        auto* window = new CPeerDouble(kind, it->second.templateId, it->second.bitmap, it->second.mode, parent);
        if (!window->Make(parent)) {
            if (window->GetSafeHwnd())
                window->DestroyWindow();
            else
                delete window;
            return nullptr;
        }
        return window;
    }
    bool Relayout(WindowKind kind, CWnd* window) override
    {
        m_journal.Add("relayout:" + KindName(kind));
        if (failRelayout.count(kind))
            return false;
        auto* frame = dynamic_cast<CPeerDouble*>(window);
        return frame && frame->ReloadSkin(frame->Bitmap().c_str());
    }
    void Destroy(WindowKind kind, CWnd* window) override
    {
        m_journal.Add("destroy:" + KindName(kind));
        if (window && window->GetSafeHwnd())
            window->DestroyWindow();
    }
    void Command(WindowKind kind, PeerCommand command) override
    {
        m_journal.Add("command:" + KindName(kind) + ":" + std::to_string(static_cast<int>(command)));
        CWnd* window = CWnd::Registry().Find(kind);
        if (!window || !window->GetSafeHwnd())
            return;
        if (command == PeerCommand::Show || command == PeerCommand::ShowLog)
            window->ShowWindow(SW_SHOWNOACTIVATE);
        else if (command == PeerCommand::Hide || command == PeerCommand::CloseWindow || command == PeerCommand::ClearBar)
            window->ShowWindow(SW_HIDE);
    }
    bool Ask(WindowKind kind, PeerQuestion question) override
    {
        m_journal.Add("ask:" + KindName(kind) + ":" + std::to_string(static_cast<int>(question)));
        return answers.count(question) ? answers[question] : false;
    }
    void BalloonEvent(int event) override { m_journal.Add("balloon:" + std::to_string(event)); }
    bool AddUrl(const CString& address) override
    {
        m_journal.Add("addurl:" + address.str());
        return true;
    }
    void Navigate(const CString& address) override { m_journal.Add("navigate:" + address.str()); }
    CWnd* OpenBrowser(WindowKind kind, const CString& address, IDispatch** application) override
    {
        m_journal.Add("openbrowser:" + KindName(kind) + ":" + address.str());
        if (application)
            *application = browserApplication;
        if (browserApplication && application)
            browserApplication->AddRef();
        CWnd* window = CWnd::Registry().Find(kind);
        return window ? window : Create(kind, nullptr);
    }
    INT_PTR RunModal(WindowKind kind, int page) override
    {
        m_journal.Add("modal:" + KindName(kind) + ":" + std::to_string(page));
        if (onModal)
            onModal(kind);
        return modalAnswer;
    }

    std::set<WindowKind> failCreate;
    std::set<WindowKind> failRelayout;
    std::map<PeerQuestion, bool> answers;
    INT_PTR modalAnswer = IDCANCEL;
    std::function<void(WindowKind)> onModal;
    IDispatch* browserApplication = nullptr;

private:
    Journal& m_journal;
};

// The message client as the request queue starts it.
class RequestClientDouble : public IRequestClient {
public:
    explicit RequestClientDouble(Journal& journal) : m_journal(journal) {}
    int StartRequest(const RequestEntry& entry) override
    {
        m_journal.Add("request:" + std::to_string(entry.kind));
        return 0;
    }

private:
    Journal& m_journal;
};

// The service session: what log-in asks of it, and the connection flags it would set.
class SessionDouble : public IServiceSession {
public:
    explicit SessionDouble(Journal& journal) : client(journal), m_journal(journal) {}
    bool IsLoggedIn() const override { return loggedIn; }
    IRequestClient* GetRequestClient() override
    {
        return loggedIn && (!clientMadeAtStart || clientStarted) ? &client : nullptr;
    }
    int Login(int mode) override
    {
        m_journal.Add("session:login:" + std::to_string(mode));
        if (loginResult == 0) {
            loggedIn = true;
            GetClientApp()->m_sessionFlags = flagsAfterLogin;
        }
        return loginResult;
    }
    void Logout(int mode) override
    {
        m_journal.Add("session:logout:" + std::to_string(mode));
        loggedIn = false;
        GetClientApp()->m_sessionFlags = 0;
        if (onLogout)
            onLogout();
    }
    int GetErrorCode() const override { return errorCode; }
    int GetMessageClientLastResult() override { return clientLastResult; }
    int GetMessageClientStartResult() const override
    {
        clientStarted = true;
        return startResult;
    }
    void KeepConnectionAtEnd() override { m_journal.Add("session:keep"); }
    int SendVisitedUrl(const CString& address) override
    {
        m_journal.Add("session:url:" + address.str());
        return 0;
    }

    bool loggedIn = false;
    int loginResult = 0;
    uint32_t flagsAfterLogin = 0x0103; // online, messaging ready
    int errorCode = 0;
    int startResult = 0;
    int clientLastResult = 0;
    // As the real session: the message client is made when its start result is asked for.
    bool clientMadeAtStart = false;
    mutable bool clientStarted = false;
    std::function<void()> onLogout;
    RequestClientDouble client;

private:
    Journal& m_journal;
};

class SessionFactoryDouble : public IServiceSessionFactory {
public:
    explicit SessionFactoryDouble(Journal& journal) : session(journal), m_journal(journal) {}
    IServiceSession* CreateSession() override
    {
        m_journal.Add("session:create");
        return failCreate ? nullptr : &session;
    }
    void DeleteSession(IServiceSession*) override { m_journal.Add("session:delete"); }
    SessionDouble session;
    bool failCreate = false;

private:
    Journal& m_journal;
};

// The shell's notification area: records every record it is handed, and can refuse.
class RecordingTrayShell : public ITrayShell {
public:
    struct Call {
        DWORD operation;
        NOTIFYICONDATAA data;
    };
    BOOL Notify(DWORD operation, NOTIFYICONDATAA* data) override
    {
        calls.push_back({operation, *data});
        return refuse ? FALSE : TRUE;
    }
    std::vector<Call> calls;
    bool refuse = false;
};

// The skin folder, the skin manager and the program's seams for one test.
class SkinEnvironment {
public:
    bool SetUp()
    {
        CUnlhaArchiver::SetLibraryPath(nvtest::UnixToWindowsPath(nvtest::Env("NV_UNLHA32")).c_str());
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        root.Format("%snv main window %lu", temp, ::GetCurrentProcessId());
        nvtest::RemoveTree(root.GetString());
        ::CreateDirectoryA(root, nullptr);
        ::CreateDirectoryA(root + "\\Skin", nullptr);
        ::CreateDirectoryA(root + "\\tmp", nullptr);
        host.programFolder = root;
        host.tempFolder = root + "\\tmp\\";
        auto archive = nvtest::ReadFileBytes(nvtest::UnixToWindowsPath(nvtest::Env("NV_BASESKIN")).c_str());
        if (archive.empty() || !nvtest::WriteFileBytes(root + "\\Skin\\baseskin.csz", archive))
            return false;
        RenewSkins();
        tray.SetShell(&trayShell);
        return true;
    }
    // A skin manager as the program has one at start: a main window that was destroyed took the
    // unpacked skins away with it.
    void RenewSkins()
    {
        RemoveProgramSeams();
        if (m_skins)
            m_skins->CleanupSkinFolders();
        m_skins = std::make_unique<CSkinManager>();
        SetAppSkinManager(m_skins.get());
        InstallProgramSeams();
        m_skins->SetHost(&host);
    }
    void TearDown()
    {
        RemoveProgramSeams();
        SetAppSkinManager(nullptr);
        if (m_skins)
            m_skins->CleanupSkinFolders();
        m_skins.reset();
        nvtest::RemoveTree(root.GetString());
    }
    CSkinManager& Skins() { return *m_skins; }

    CString root;
    RecordingSkinHost host;
    CTrayIcon tray;
    RecordingTrayShell trayShell;

private:
    std::unique_ptr<CSkinManager> m_skins;
};

} // namespace mwtest
