// nv_chat_driver: runs one CChatEngine under a test's control, as the chat window would.
// Commands on standard input, one a line:
//   connect HOST PORT ROOM NICK [PROXYHOST PROXYPORT [USER PASSWORD]]
//   say HEX          (Shift_JIS text, hex-encoded)      part      quit      state
// Output on standard output, one a line:
//   TEMP <folder>    EVENT <wParam> <type> <command> <hex sender> <hex text>    RESULT <name> <code>
//   STATE <state>    BYE
// Give "-c" among the arguments to switch the traffic logs on.
#include "chat_web/engine/ChatEngine.h"

#include <winsock2.h>

#include <cstdio>
#include <cstdlib>
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

std::string Field(const std::string& s) { return s.empty() ? "-" : s; }

void Say(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

class CDriverWnd : public CWnd {
public:
    CChatEngine* engine = nullptr;
    CString room;
    bool done = false;

    BOOL Create() { return CreateEx(0, RegisterWindowClass("NvChatDriver"), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr); }

    LRESULT OnChatEvent(WPARAM wParam, LPARAM lParam)
    {
        auto* event = reinterpret_cast<ChatEvent*>(lParam);
        int code = static_cast<int>(wParam);
        if (event) {
            Say("EVENT " + std::to_string(code) + " " + std::to_string(event->type) + " " + Field(event->command) + " " +
                Hex(event->sender) + " " + Hex(event->text));
            delete event;
        } else {
            Say("EVENT " + std::to_string(code) + " - - - -");
        }
        return 0;
    }

    LRESULT OnDriverCommand(WPARAM, LPARAM lParam)
    {
        std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
        std::istringstream in(*line);
        std::string verb;
        in >> verb;
        if (verb == "connect") {
            ChatConnectSettings s;
            std::string port, r, proxyPort;
            in >> s.serverHost >> port >> r >> s.nickname >> s.proxyHost >> proxyPort >> s.proxyUser >> s.proxyPassword;
            s.serverPort = static_cast<std::uint16_t>(std::atoi(port.c_str()));
            s.proxyPort = static_cast<std::uint16_t>(std::atoi(proxyPort.c_str()));
            s.userName = "QeloUser";
            s.fullName = "0A1B2C";
            room = r.c_str();
            Say("RESULT connect " + std::to_string(engine->Connect(s, room, "")));
        } else if (verb == "say") {
            std::string hex;
            in >> hex;
            Say("RESULT say " + std::to_string(engine->SendPrivmsg(Unhex(hex).c_str(), room)));
        } else if (verb == "part") {
            Say("RESULT part " + std::to_string(engine->Part(room)));
        } else if (verb == "state") {
            Say("STATE " + std::to_string(engine->GetState()));
        } else if (verb == "quit") {
            done = true;
        }
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDriverWnd, CWnd)
    ON_MESSAGE(WM_CHAT_EVENT, OnChatEvent)
    ON_MESSAGE(WM_DRIVER_COMMAND, OnDriverCommand)
END_MESSAGE_MAP()

} // namespace

int main()
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(1, 1), &wsa);
    CDriverWnd driver;
    if (!driver.Create())
        return 2;
    driver.engine = new CChatEngine(driver.m_hWnd);
    char temp[MAX_PATH + 1] = "";
    GetTempPathA(sizeof temp, temp);
    Say(std::string("TEMP ") + temp);
    Say(std::string("LOGGING ") + (driver.engine->IsLogging() ? "1" : "0"));

    HWND target = driver.m_hWnd;
    std::thread reader([target] {
        char buffer[4096];
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
    driver.engine->Shutdown();
    driver.engine->DestroyWindow();
    delete driver.engine;
    Say("BYE");
    std::fflush(stdout);
    // The stdin reader may still be blocked in a read: end the process without waiting for it.
    ExitProcess(0);
}
