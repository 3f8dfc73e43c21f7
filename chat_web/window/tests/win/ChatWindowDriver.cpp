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
#include "chat_web/window/tests/win/ChatWindowDoubles.h"
#include "chat_web/window/win/ChatDlg.h"
#include "resources/ids/chat_web.h"
#include "tests/support/WinTestSupport.h"

#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>

namespace {

using namespace chatdoubles;

const UINT WM_DRIVER_COMMAND = WM_APP + 1;

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
