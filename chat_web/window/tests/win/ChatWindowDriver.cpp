// nv_chat_window_driver: hosts the real CChatDlg (with its real engine and login dialog) beside
// recording doubles of the application, the main window and the message box, driven by a test.
// Usage: nv_chat_window_driver SKINFOLDER   (the base skin's drawn files and NVPCINFO.TXT)
// Commands on standard input, one a line (texts hex-encoded code page 932):
//   room HOST PORT ROOMID [KEY]   what the service's room reply writes on the next entry
//   refuse CODE                   the service refuses the next entries with that result
//   nick NAME | proxy HOST PORT USER PASSWORD | stamps 0|1
//   enter | leave | close          the window's buttons 1310, 1311, 1217
//   url HEX                        a page's room parameter (WM_CHAT_EVENT, wParam 1)
//   login HEX | cancel             types the nickname into the login dialog and clicks 1261, or 1264
//   say HEX                        types a line and presses Enter
//   members | log | state | history
//   click HEX                      clicks the middle of that text in the log
//   color ID                       clicks a colour button
//   shot NAME [login]              a screenshot of the window (or of the login dialog)
//   movelogin                      moves the login dialog clear of the window
//   destroy                        destroys the window (the program's end)
//   quit
// Output lines: HOST <what> [args], BOX <hex>, MEMBERS <name>..., LOG <hex>, STATE <n>,
// HISTORY <hex>..., SHOT <path>, OK <command>, BYE.
#include "chat_web/engine/ChatEngine.h"
#include "chat_web/window/win/ChatDlg.h"
#include "resources/ids/chat_web.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/skin/SkinInfo.h"
#include "tests/support/WinTestSupport.h"

#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

namespace {

const UINT WM_DRIVER_COMMAND = WM_APP + 1;

std::string Hex(const std::string& s)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out.empty() ? "-" : out;
}

std::string Unhex(const std::string& s)
{
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

// The profile in the program's registry key, so that reg.exe reads back what the window wrote.
class CRegistryProfile : public IProfileStore {
public:
    CString GetString(const char* section, const char* key, const char* defaultValue) override
    {
        HKEY k = Open(section, false);
        char buffer[4096];
        DWORD size = sizeof buffer - 1, type = 0;
        CString value = defaultValue ? defaultValue : "";
        if (k && ::RegQueryValueExA(k, key, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            buffer[size] = '\0';
            value = buffer;
        }
        if (k)
            ::RegCloseKey(k);
        return value;
    }
    unsigned GetInt(const char* section, const char* key, int defaultValue) override
    {
        HKEY k = Open(section, false);
        DWORD value = static_cast<DWORD>(defaultValue), size = sizeof value, type = 0;
        DWORD got = 0;
        if (k && ::RegQueryValueExA(k, key, nullptr, &type, reinterpret_cast<BYTE*>(&got), &size) == ERROR_SUCCESS &&
            type == REG_DWORD)
            value = got;
        if (k)
            ::RegCloseKey(k);
        return value;
    }
    void WriteString(const char* section, const char* key, const char* value) override
    {
        if (HKEY k = Open(section, true)) {
            ::RegSetValueExA(k, key, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(std::strlen(value) + 1));
            ::RegCloseKey(k);
        }
    }
    void WriteInt(const char* section, const char* key, int value) override
    {
        if (HKEY k = Open(section, true)) {
            DWORD v = static_cast<DWORD>(value);
            ::RegSetValueExA(k, key, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
            ::RegCloseKey(k);
        }
    }

private:
    static HKEY Open(const char* section, bool create)
    {
        std::string path = std::string("Software\\Qelo\\NimboVandrell\\") + section;
        HKEY k = nullptr;
        LONG rc = create ? ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr)
                         : ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &k);
        return rc == ERROR_SUCCESS ? k : nullptr;
    }
};

// The base skin from its drawn files.
class CFolderSkin : public ISkinSource, public IToolkitHost {
public:
    explicit CFolderSkin(std::string folder) : m_folder(std::move(folder))
    {
        std::ifstream in(m_folder + "\\NVPCINFO.TXT", std::ios::binary);
        m_info.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        m_lines.SetLoader([this](bool, std::string& content) {
            content = m_info;
            return true;
        });
        m_lines.SetCurrentName(kBaseSkinName);
    }
    bool Loaded() const { return !m_info.empty(); }
    HBITMAP LoadSkinBitmap(const char* fileName) override
    {
        return static_cast<HBITMAP>(::LoadImageA(nullptr, (m_folder + "\\" + fileName).c_str(), IMAGE_BITMAP, 0, 0,
                                                 LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    }
    CString GetKeyColorText() override
    {
        CString v;
        m_lines.GetSkinValue("KEY_COLOR", v);
        return v;
    }
    bool GetRegionInfo(const char* bitmapName, CString* value, bool fallBack) override
    {
        return m_lines.GetRegionInfo(bitmapName, *value, fallBack);
    }
    CString GetRegionCacheKey(const char*) override { return CString(); }
    void SetInfoValue(const char*) override {}
    bool GetResizeInfo(const char* bitmapName, CString* value) override { return m_lines.GetResizeInfo(bitmapName, *value); }
    bool GetTitleInfo(UINT dialogId, CString* value) override { return m_lines.GetTitleInfo(dialogId, *value); }
    int GetControlRect(UINT controlId, RECT* rect) override
    {
        SkinRect r;
        int anchor = m_lines.GetControlRect(controlId, r);
        ::SetRect(rect, static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
                  static_cast<int>(r.bottom));
        return anchor;
    }
    bool GetDockInfo(UINT dialogId, CString* value) override { return m_lines.GetDockInfo(dialogId, *value); }
    void GetControlFields(UINT controlId, CString* first, CString* second) override
    {
        m_lines.GetControlFields(controlId, *first, *second);
    }
    bool IsBaseSkin() override { return true; }

    HWND GetMainWindow() override { return nullptr; }
    HCURSOR GetHoverCursor() override { return ::LoadCursor(nullptr, IDC_HAND); }
    void SetModalState(bool modal) override { Say(std::string("HOST ModalState ") + (modal ? "1" : "0")); }
    void AddTrayWindow(HWND) override { Say("HOST AddTray"); }
    void RemoveTrayWindow(HWND) override { Say("HOST RemoveTray"); }

private:
    std::string m_folder;
    std::string m_info;
    CSkinLines m_lines;
};

class CRecordingBoxes : public IMessageBoxPresenter {
public:
    int Show(HWND, const char* text, UINT, bool) override
    {
        Say("BOX " + Hex(text ? text : ""));
        return IDOK;
    }
};

class CRecordingBanner : public IChatBanner {
public:
    void Navigate(const char* url) override { Say(std::string("HOST BannerNavigate ") + Hex(url)); }
    IDispatch* GetApplication() override { return nullptr; }
};

class CDriverHost : public IChatWindowHost {
public:
    CProgramSettings settings;
    CRegistryProfile profile;
    ChatRoomRecord room;
    ChatRoomRecord next;
    int refuseCode = 0;
    std::string proxyHost, proxyUser, proxyPassword;
    std::uint16_t proxyPort = 0;
    COLORREF colour = 0xFF0000;
    CDialog* modal = nullptr;
    CChatEngine* engine = nullptr;

    bool IsLoggedIn() override { return true; }
    int EnterRoom(const std::string& url) override
    {
        Say("HOST EnterRoom " + Hex(url));
        if (refuseCode)
            return 0;
        room = next;
        return 1;
    }
    void LeaveRoom() override { Say("HOST LeaveRoom"); }
    int LastResult() override { return refuseCode; }
    ChatRoomRecord& Room() override { return room; }
    std::string Nickname() override { return settings.m_ircNick.str(); }
    void SetNickname(const std::string& n) override { settings.m_ircNick = n.c_str(); }
    std::string RoomName() override { return settings.m_chatRoomId.str(); }
    void SetRoomName(const std::string& r) override { settings.m_chatRoomId = r.c_str(); }
    std::string ScrambledAccountName() override { return "0A1B2C3D"; }
    void ProxySettings(std::string* host, std::uint16_t* port, std::string* user, std::string* password) override
    {
        *host = proxyHost;
        *port = proxyPort;
        *user = proxyUser;
        *password = proxyPassword;
    }
    void ShowChatBalloon(int event) override { Say("HOST Balloon " + std::to_string(event)); }
    CProgramSettings& Settings() override { return settings; }
    IProfileStore& Profile() override { return profile; }
    COLORREF GetChatColor() override { return colour; }
    void SetChatColor(COLORREF c) override { colour = c; }
    void SetChatEngine(CChatEngine* e) override
    {
        engine = e;
        Say(std::string("HOST Engine ") + (e ? "1" : "0"));
    }
    CDialog* GetCurrentModalDialog() override { return modal; }
    void SetCurrentModalDialog(CDialog* d) override
    {
        modal = d;
        Say(std::string("HOST ModalDialog ") + (d ? "1" : "0"));
    }
    bool HasMainWindow() override { return true; }
    void OpenUrl(const char* url) override { Say(std::string("HOST OpenUrl ") + Hex(url)); }
    void SwitchToBaseSkin() override { Say("HOST SwitchToBaseSkin"); }
    void EndProgram(int code) override { Say("HOST EndProgram " + std::to_string(code)); }
    IDispatch* OpenBannerTarget() override { return nullptr; }
    bool GetBrowserRect(RECT*) override { return false; }
    IChatBanner* CreateBanner(CWnd*, UINT) override { return new CRecordingBanner; }
    CString BannerUrl() override { return CString("http://127.0.0.1/banner/banner2.html"); }
};

class CDriverWnd : public CWnd {
public:
    CDriverHost* host = nullptr;
    CChatDlg* chat = nullptr;
    bool done = false;

    BOOL Create() { return CreateEx(0, RegisterWindowClass("NvChatWindowDriver"), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr); }

    void Click(HWND window, UINT id)
    {
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(window, static_cast<int>(id))));
    }

    LRESULT OnDriverCommand(WPARAM, LPARAM lParam)
    {
        std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
        std::istringstream in(*line);
        std::string verb;
        in >> verb;
        HWND dialog = host->modal ? host->modal->m_hWnd : nullptr;
        if (verb == "room") {
            std::string h, p, id, key;
            in >> h >> p >> id >> key;
            host->next.chatServer = h;
            host->next.chatPort = static_cast<std::uint16_t>(std::atoi(p.c_str()));
            host->next.roomId = id;
            host->next.roomKey = key;
            host->refuseCode = 0;
        } else if (verb == "refuse") {
            in >> host->refuseCode;
        } else if (verb == "nick") {
            std::string n;
            in >> n;
            host->settings.m_ircNick = n.c_str();
        } else if (verb == "proxy") {
            std::string port;
            in >> host->proxyHost >> port >> host->proxyUser >> host->proxyPassword;
            host->proxyPort = static_cast<std::uint16_t>(std::atoi(port.c_str()));
        } else if (verb == "stamps") {
            int on = 0;
            in >> on;
            host->settings.m_flags = on ? (host->settings.m_flags | kFlagChatTimeStamps) : (host->settings.m_flags & ~kFlagChatTimeStamps);
        } else if (verb == "enter") {
            Click(chat->m_hWnd, IDC_CHAT_ROOMIN);
        } else if (verb == "leave") {
            Click(chat->m_hWnd, IDC_CHAT_ROOMOUT);
        } else if (verb == "close") {
            Click(chat->m_hWnd, IDC_CHAT_CLS);
        } else if (verb == "color") {
            UINT id = 0;
            in >> id;
            Click(chat->m_hWnd, id);
        } else if (verb == "url") {
            std::string hex;
            in >> hex;
            std::string text = Unhex(hex);
            char* copy = new char[text.size() + 1];
            std::memcpy(copy, text.c_str(), text.size() + 1);
            ::PostMessageA(chat->m_hWnd, WM_CHAT_EVENT, 1, reinterpret_cast<LPARAM>(copy));
        } else if (verb == "login") {
            std::string hex;
            in >> hex;
            if (!dialog) {
                Say("ERROR no login dialog");
            } else {
                ::SetDlgItemTextA(dialog, IDC_CHAT_LOGIN_NICKNAME, Unhex(hex).c_str());
                Click(dialog, IDC_CHAT_LOGIN_OK);
            }
        } else if (verb == "cancel") {
            if (dialog)
                Click(dialog, IDC_CHAT_LOGIN_CANCEL);
        } else if (verb == "say") {
            std::string hex;
            in >> hex;
            ::SetDlgItemTextA(chat->m_hWnd, IDC_CHAT_INPUT, Unhex(hex).c_str());
            ::PostMessageA(chat->m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        } else if (verb == "members") {
            HWND list = chat->GetDlgItem(IDC_CHAT_USERLIST);
            std::string out = "MEMBERS";
            int count = ListView_GetItemCount(list);
            for (int i = 0; i < count; ++i) {
                char buffer[256] = "";
                ListView_GetItemText(list, i, 0, buffer, sizeof buffer);
                out += " ";
                out += buffer;
            }
            Say(out);
        } else if (verb == "log") {
            CRichEditCtrl& log = chat->LogView();
            Say("LOG " + Hex(log.GetTextRange(0, log.GetTextLength()).str()));
        } else if (verb == "state") {
            Say("STATE " + std::to_string(chat->GetState()));
        } else if (verb == "history") {
            std::string out = "HISTORY";
            for (const std::string& h : chat->Room().History())
                out += " " + Hex(h);
            Say(out);
        } else if (verb == "click") {
            std::string hex;
            in >> hex;
            ClickText(Unhex(hex));
        } else if (verb == "shot") {
            std::string name, which;
            in >> name >> which;
            HWND target = which == "login" ? dialog : chat->m_hWnd;
            ::RedrawWindow(target, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
            Say("SHOT " + nvtest::SaveWindowScreenshot(target, name));
        } else if (verb == "movelogin") {
            // Shaped windows that overlap draw black under Xvfb: the dialog goes beside the window.
            if (dialog)
                ::SetWindowPos(dialog, HWND_TOP, 540, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        } else if (verb == "destroy") {
            chat->DestroyWindow();
            Say("HOST Destroyed");
        } else if (verb == "quit") {
            done = true;
            if (dialog)
                Click(dialog, IDC_CHAT_LOGIN_CANCEL);
        }
        Say("OK " + verb);
        return 0;
    }

    // A click at the middle of the first place the text shows in the log.
    void ClickText(const std::string& text)
    {
        CRichEditCtrl& log = chat->LogView();
        long length = log.GetTextLength();
        std::string all = log.GetTextRange(0, length).str();
        std::size_t at = all.find(text);
        if (at == std::string::npos) {
            Say("ERROR text not in the log");
            return;
        }
        // Positions count characters: find the position whose text ends where the link starts.
        long pos = 0;
        while (pos < length && log.GetTextRange(0, pos).str().size() < at + text.size() / 2)
            ++pos;
        POINTL point = {0, 0};
        log.SendMessage(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&point), pos);
        LPARAM where = MAKELPARAM(point.x + 1, point.y + 4);
        ::PostMessageA(log.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, where);
        ::PostMessageA(log.m_hWnd, WM_LBUTTONUP, 0, where);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDriverWnd, CWnd)
    ON_MESSAGE(WM_DRIVER_COMMAND, OnDriverCommand)
END_MESSAGE_MAP()

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    WSADATA wsa;
    WSAStartup(MAKEWORD(1, 1), &wsa);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CFolderSkin skin(argv[1]);
    if (!skin.Loaded()) {
        Say("ERROR no skin at " + std::string(argv[1]));
        return 3;
    }
    toolkit::SetSkinSource(&skin);
    toolkit::SetHost(&skin);
    CRecordingBoxes boxes;
    SetMessageBoxPresenter(&boxes);
    CDriverHost host;
    host.settings.m_ircNick = "taro";
    chat::SetWindowHost(&host);

    CDriverWnd driver;
    driver.host = &host;
    if (!driver.Create())
        return 4;
    auto* chat = new CChatDlg(nullptr);
    driver.chat = chat;
    if (!chat->Create()) {
        Say("ERROR the chat window was not created");
        return 5;
    }
    chat->SetWindowPos(nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    chat->ShowWindow(SW_SHOW);
    // As the main window shows it.
    chat->LoadBanner(TRUE);
    chat->SetControlState(2);
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
        if (CWnd::WalkPreTranslateTree(&msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (chat->m_hWnd)
        chat->DestroyWindow();
    delete chat;
    Say("BYE");
    std::fflush(stdout);
    ExitProcess(0);
}
