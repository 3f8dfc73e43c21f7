// nv_drive.exe: drives the programs' windows the way a user's input reaches them, for the
// end-to-end day. It runs in the same Wine prefix as the programs and reads one command per line
// on stdin; each command answers one line on stdout. Texts travel as hex of their code page 932
// bytes ("-" for none), window handles as hex numbers.
//
//   find <pid> <class|-> <caption hex|-> [id]  top-level window of the process (0: any) whose
//                                          class is the one given, whose caption contains the
//                                          text and which has a control of that id
//                                          -> WIN <hwnd> | NONE
//   pid <hwnd>                             the window's process -> PID <n>
//   child <hwnd> <id>                      -> WIN <hwnd> | NONE
//   text <hwnd> [id]                       the window's or control's text -> TEXT <hex>
//   items <hwnd> <id>                      a list view's first column, a list box's or combo
//                                          box's items -> ITEMS <hex> <hex> ...
//   settext <hwnd> <id> <hex>              -> OK
//   click <hwnd> <id>                      a button's click as its parent receives it -> OK
//   command <hwnd> <id>                    a menu command -> OK
//   post <hwnd> <message> <wParam> <lParam>  (numbers in C notation) -> OK
//   send <hwnd> <message> <wParam> <lParam>  -> RESULT <n> | TIMEOUT
//   state <hwnd>                           -> STATE <exists 0/1> <visible 0/1> <enabled 0/1>
//   shot <hwnd> <name>                     screenshot into NV_SCREENSHOT_DIR -> SHOT <path hex>
//   windows <pid>                          the process's windows and controls -> WINDOWS <hex>
//   quit                                   -> BYE
// A command it can't carry out answers ERROR <reason>.
#include "WinTestSupport.h"

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr UINT kSendTimeoutMs = 10000;

std::string Hex(const std::string& bytes)
{
    if (bytes.empty())
        return "-";
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

bool Unhex(const std::string& hex, std::string* bytes)
{
    bytes->clear();
    if (hex == "-")
        return true;
    if (hex.size() % 2)
        return false;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        char* end = nullptr;
        long value = std::strtol(pair, &end, 16);
        if (*end)
            return false;
        bytes->push_back(static_cast<char>(value));
    }
    return true;
}

HWND ParseWindow(const std::string& text)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text.c_str(), nullptr, 16)));
}

std::string WindowHex(HWND window)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    return buffer;
}

std::string ClassOf(HWND window)
{
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

DWORD ProcessOf(HWND window)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

// Memory in the window's process, for messages that Wine passes on without copying their data.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, SIZE_T size) : m_size(size)
    {
        m_process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ProcessOf(window));
        if (m_process)
            m_address = ::VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer()
    {
        if (m_address)
            ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        if (m_process)
            ::CloseHandle(m_process);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    bool Ok() const { return m_address != nullptr; }
    char* At(SIZE_T offset) const { return static_cast<char*>(m_address) + offset; }
    bool Write(SIZE_T offset, const void* data, SIZE_T size)
    {
        return offset + size <= m_size && ::WriteProcessMemory(m_process, At(offset), data, size, nullptr);
    }
    bool Read(SIZE_T offset, void* data, SIZE_T size)
    {
        return offset + size <= m_size && ::ReadProcessMemory(m_process, At(offset), data, size, nullptr);
    }

private:
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
    SIZE_T m_size;
};

bool SendTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result)
{
    return ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, result) != 0;
}

// A rich edit answers another process's WM_GETTEXT with nothing under Wine: its text is read
// through a range in the control's own process.
std::string RichEditText(HWND control)
{
    DWORD_PTR length = 0;
    if (!SendTimeout(control, WM_GETTEXTLENGTH, 0, 0, &length) || length == 0)
        return std::string();
    const SIZE_T textOffset = 64;
    RemoteBuffer remote(control, textOffset + length + 1);
    if (!remote.Ok())
        return std::string();
    TEXTRANGEA range = {};
    range.chrg.cpMin = 0;
    range.chrg.cpMax = static_cast<LONG>(length);
    range.lpstrText = remote.At(textOffset);
    DWORD_PTR copied = 0;
    if (!remote.Write(0, &range, sizeof range) ||
        !SendTimeout(control, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(remote.At(0)), &copied))
        return std::string();
    std::string text(static_cast<std::size_t>(copied), '\0');
    if (copied && !remote.Read(textOffset, &text[0], static_cast<SIZE_T>(copied)))
        return std::string();
    return text;
}

std::string TextOf(HWND window)
{
    const std::string cls = ClassOf(window);
    if (_stricmp(cls.c_str(), "RICHEDIT") == 0 || _strnicmp(cls.c_str(), "RichEdit20", 10) == 0) {
        // A rich edit whose text the program set may report no length to another process: its
        // text is then asked for with a buffer as large as any page's text.
        std::string text = RichEditText(window);
        if (!text.empty())
            return text;
    }
    char buffer[8192] = {};
    DWORD_PTR copied = 0;
    if (!SendTimeout(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), &copied))
        return std::string();
    return std::string(buffer, std::strlen(buffer));
}

std::vector<std::string> ListViewItems(HWND list)
{
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (!SendTimeout(list, LVM_GETITEMCOUNT, 0, 0, &count))
        return items;
    const SIZE_T textOffset = 256, textSize = 1024;
    RemoteBuffer remote(list, textOffset + textSize);
    if (!remote.Ok())
        return items;
    for (DWORD_PTR i = 0; i < count; ++i) {
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = remote.At(textOffset);
        item.cchTextMax = static_cast<int>(textSize);
        DWORD_PTR copied = 0;
        char text[1024] = {};
        if (!remote.Write(0, &item, sizeof item) ||
            !SendTimeout(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(remote.At(0)), &copied) ||
            !remote.Read(textOffset, text, sizeof text - 1))
            break;
        items.emplace_back(text, std::strlen(text));
    }
    return items;
}

std::vector<std::string> ListItems(HWND control)
{
    const std::string cls = ClassOf(control);
    if (cls == "SysListView32")
        return ListViewItems(control);
    const bool combo = _stricmp(cls.c_str(), "ComboBox") == 0;
    const UINT countMessage = combo ? CB_GETCOUNT : LB_GETCOUNT;
    const UINT textMessage = combo ? CB_GETLBTEXT : LB_GETTEXT;
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (!SendTimeout(control, countMessage, 0, 0, &count) || static_cast<LONG_PTR>(count) < 0)
        return items;
    for (DWORD_PTR i = 0; i < count; ++i) {
        char text[2048] = {};
        DWORD_PTR copied = 0;
        if (!SendTimeout(control, textMessage, i, reinterpret_cast<LPARAM>(text), &copied))
            break;
        items.emplace_back(text, std::strlen(text));
    }
    return items;
}

struct FindRequest {
    DWORD pid;
    std::string cls;     // empty: any
    std::string caption; // empty: any
    int childId;         // 0: any
    HWND found;
};

BOOL CALLBACK FindTop(HWND window, LPARAM param)
{
    auto* request = reinterpret_cast<FindRequest*>(param);
    if (request->pid && ProcessOf(window) != request->pid)
        return TRUE;
    if (!request->cls.empty() && ClassOf(window) != request->cls)
        return TRUE;
    if (!request->caption.empty()) {
        char caption[512] = {};
        ::GetWindowTextA(window, caption, sizeof caption);
        if (!std::strstr(caption, request->caption.c_str()))
            return TRUE;
    }
    if (request->childId && !::GetDlgItem(window, request->childId))
        return TRUE;
    request->found = window;
    return FALSE;
}

BOOL CALLBACK DescribeChild(HWND child, LPARAM param)
{
    auto* out = reinterpret_cast<std::string*>(param);
    *out += "    " + std::to_string(::GetDlgCtrlID(child)) + " " + ClassOf(child) + " '" + TextOf(child) + "'" +
            (::IsWindowVisible(child) ? "" : " hidden") + "\n";
    return TRUE;
}

struct Describe {
    DWORD pid;
    std::string out;
};

BOOL CALLBACK DescribeTop(HWND window, LPARAM param)
{
    auto* describe = reinterpret_cast<Describe*>(param);
    if (ProcessOf(window) != describe->pid)
        return TRUE;
    char caption[512] = {};
    ::GetWindowTextA(window, caption, sizeof caption);
    describe->out += WindowHex(window) + " " + ClassOf(window) + " '" + caption + "'" +
                     (::IsWindowVisible(window) ? " visible" : " hidden") + "\n";
    ::EnumChildWindows(window, DescribeChild, reinterpret_cast<LPARAM>(&describe->out));
    return TRUE;
}

HWND Control(HWND window, const std::string& id)
{
    return id.empty() ? window : ::GetDlgItem(window, std::atoi(id.c_str()));
}

std::string Run(const std::string& line)
{
    std::istringstream in(line);
    std::string verb, a, b, c, d;
    in >> verb >> a >> b >> c >> d;
    if (verb == "find") {
        FindRequest request{static_cast<DWORD>(std::strtoul(a.c_str(), nullptr, 0)), b == "-" ? "" : b, "",
                            std::atoi(d.c_str()), nullptr};
        if (!Unhex(c, &request.caption))
            return "ERROR bad caption";
        ::EnumWindows(FindTop, reinterpret_cast<LPARAM>(&request));
        return request.found ? "WIN " + WindowHex(request.found) : "NONE";
    }
    HWND window = ParseWindow(a);
    if (verb == "state")
        return std::string("STATE ") + (::IsWindow(window) ? "1" : "0") + (::IsWindowVisible(window) ? " 1" : " 0") +
               (::IsWindowEnabled(window) ? " 1" : " 0");
    if (verb == "windows") {
        Describe describe{static_cast<DWORD>(std::strtoul(a.c_str(), nullptr, 0)), ""};
        ::EnumWindows(DescribeTop, reinterpret_cast<LPARAM>(&describe));
        return "WINDOWS " + Hex(describe.out);
    }
    if (!::IsWindow(window))
        return "ERROR no window " + a;
    if (verb == "pid")
        return "PID " + std::to_string(ProcessOf(window));
    if (verb == "child") {
        HWND child = Control(window, b);
        return child ? "WIN " + WindowHex(child) : "NONE";
    }
    if (verb == "text") {
        HWND control = Control(window, b);
        return control ? "TEXT " + Hex(TextOf(control)) : "ERROR no control " + b;
    }
    if (verb == "items") {
        HWND control = Control(window, b);
        if (!control)
            return "ERROR no control " + b;
        std::string out = "ITEMS";
        for (const std::string& item : ListItems(control))
            out += " " + Hex(item);
        return out;
    }
    if (verb == "settext") {
        HWND control = Control(window, b);
        std::string text;
        if (!control || !Unhex(c, &text))
            return "ERROR bad settext";
        DWORD_PTR ignored = 0;
        return SendTimeout(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &ignored) ? "OK" : "TIMEOUT";
    }
    if (verb == "click") {
        HWND control = Control(window, b);
        if (!control)
            return "ERROR no control " + b;
        const int id = std::atoi(b.c_str());
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        return "OK";
    }
    if (verb == "command") {
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(std::atoi(b.c_str()), 0), 0);
        return "OK";
    }
    if (verb == "post" || verb == "send") {
        const UINT message = static_cast<UINT>(std::strtoul(b.c_str(), nullptr, 0));
        const WPARAM wParam = static_cast<WPARAM>(std::strtoull(c.c_str(), nullptr, 0));
        const LPARAM lParam = static_cast<LPARAM>(std::strtoll(d.c_str(), nullptr, 0));
        if (verb == "post")
            return ::PostMessageA(window, message, wParam, lParam) ? "OK" : "ERROR post failed";
        DWORD_PTR result = 0;
        return SendTimeout(window, message, wParam, lParam, &result) ? "RESULT " + std::to_string(result) : "TIMEOUT";
    }
    if (verb == "shot") {
        std::string path = nvtest::SaveWindowScreenshot(window, b);
        return "SHOT " + Hex(path);
    }
    return "ERROR unknown command " + verb;
}

} // namespace

int main()
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::printf("READY\n");
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line == "quit")
            break;
        if (line.empty())
            continue;
        std::printf("%s\n", Run(line).c_str());
    }
    std::printf("BYE\n");
    return 0;
}
