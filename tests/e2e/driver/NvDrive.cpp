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
//   images <hwnd> <id>                     a list view's rows' image indexes -> IMAGES <n> <n> ...
//   rowclick <hwnd> <id> <row> <1|2>       a click (2: a double click) on a list view's row, as the
//                                          mouse messages the control gets from it -> OK
//   settext <hwnd> <id> <hex>              -> OK
//   click <hwnd> <id>                      a button's click as its parent receives it -> OK
//   command <hwnd> <id>                    a menu command -> OK
//   post <hwnd> <message> <wParam> <lParam>  (numbers in C notation) -> OK
//   send <hwnd> <message> <wParam> <lParam>  -> RESULT <n> | TIMEOUT
//   state <hwnd>                           -> STATE <exists 0/1> <visible 0/1> <enabled 0/1>
//   rect <hwnd>                            the window's screen rectangle -> RECT <l> <t> <r> <b>
//   shot <hwnd> <name>                     screenshot into NV_SCREENSHOT_DIR -> SHOT <path hex>
//   windows <pid>                          the process's windows and controls -> WINDOWS <hex>
//   timeopen <hwnd> <click|command> <id> <pid> <class|-> <caption hex|-> <child id> <ms>
//                                          posts the click or command and waits here for a
//                                          window as find matches it to become visible; times
//                                          from the post (QueryPerformanceCounter) until it is
//                                          visible and until its program answers again
//                                          -> OPENED <hwnd> <visible ms> <answering ms>
//                                             <counter ms of the post> | TIMEOUT
//                                          (a matching window visible before the post: ERROR)
//   timehide <hwnd> <id> <ms>              posts the click and waits for the window to hide
//                                          -> HIDDEN <ms> <unix ms of the post> | TIMEOUT
//   waitrows <hwnd> <id> <count> <ms>      waits for the list view to hold count rows or more
//                                          -> ROWS <n> <unix ms> | TIMEOUT
//   waitreg <subkey hex> <value> <n> <ms>  waits for the HKEY_CURRENT_USER DWORD to reach n
//                                          -> REG <n> <unix ms> | TIMEOUT
//   rect <hwnd>                            -> RECT <left> <top> <right> <bottom>
//   waitrect <hwnd> <left> <top> <right> <bottom> <ms>  waits for the window to reach the
//                                          rectangle -> RECTAT <counter ms> | TIMEOUT
//   clock                                  the wall clock -> CLOCK <unix ms>
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

// Wine's version 1.0 rich edit ("RICHEDIT") answers WM_GETTEXTLENGTH with 0 and cuts a range of
// double-byte text at as many bytes as it has characters. Its text is taken as UTF-16
// (EM_GETTEXTEX, line ends as CR LF) into a buffer sized from its last line and turned into code
// page 932 here.
std::string RichEdit1Text(HWND control)
{
    DWORD_PTR lines = 0, lastStart = 0, lastLength = 0;
    if (!SendTimeout(control, EM_GETLINECOUNT, 0, 0, &lines) || lines == 0 ||
        !SendTimeout(control, EM_LINEINDEX, lines - 1, 0, &lastStart) || static_cast<LONG_PTR>(lastStart) < 0 ||
        !SendTimeout(control, EM_LINELENGTH, lastStart, 0, &lastLength))
        return std::string();
    const SIZE_T chars = 2 * (lastStart + lastLength) + 2; // room for CR LF at each line end
    const SIZE_T textOffset = 64;
    RemoteBuffer remote(control, textOffset + chars * sizeof(WCHAR));
    if (!remote.Ok())
        return std::string();
    GETTEXTEX request = {};
    request.cb = static_cast<DWORD>(chars * sizeof(WCHAR));
    request.flags = GT_USECRLF;
    request.codepage = 1200;
    DWORD_PTR copied = 0;
    if (!remote.Write(0, &request, sizeof request) ||
        !SendTimeout(control, EM_GETTEXTEX, reinterpret_cast<WPARAM>(remote.At(0)),
                     reinterpret_cast<LPARAM>(remote.At(textOffset)), &copied) ||
        copied == 0 || copied >= chars)
        return std::string();
    std::wstring wide(static_cast<std::size_t>(copied), L'\0');
    if (!remote.Read(textOffset, &wide[0], wide.size() * sizeof(WCHAR)))
        return std::string();
    const int bytes = ::WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), &text[0], bytes, nullptr, nullptr);
    return text;
}

std::string TextOf(HWND window)
{
    const std::string cls = ClassOf(window);
    if (_stricmp(cls.c_str(), "RICHEDIT") == 0)
        return RichEdit1Text(window);
    if (_strnicmp(cls.c_str(), "RichEdit20", 10) == 0)
        return RichEditText(window);
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

std::vector<int> ListViewImages(HWND list)
{
    std::vector<int> images;
    DWORD_PTR count = 0;
    if (!SendTimeout(list, LVM_GETITEMCOUNT, 0, 0, &count))
        return images;
    RemoteBuffer remote(list, sizeof(LVITEMA));
    if (!remote.Ok())
        return images;
    for (DWORD_PTR i = 0; i < count; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        DWORD_PTR done = 0;
        if (!remote.Write(0, &item, sizeof item) ||
            !SendTimeout(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.At(0)), &done) || !done ||
            !remote.Read(0, &item, sizeof item))
            break;
        images.push_back(item.iImage);
    }
    return images;
}

// The centre of a list view row's label, in the control's client coordinates.
bool RowCentre(HWND list, int row, POINT* centre)
{
    RemoteBuffer remote(list, sizeof(RECT));
    if (!remote.Ok())
        return false;
    for (LONG part : {static_cast<LONG>(LVIR_LABEL), static_cast<LONG>(LVIR_BOUNDS)}) {
        RECT rect = {part, 0, 0, 0};
        DWORD_PTR done = 0;
        if (!remote.Write(0, &rect, sizeof rect) ||
            !SendTimeout(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.At(0)), &done) ||
            !done || !remote.Read(0, &rect, sizeof rect))
            return false;
        if (rect.right > rect.left && rect.bottom > rect.top) {
            centre->x = (rect.left + rect.right) / 2;
            centre->y = (rect.top + rect.bottom) / 2;
            return true;
        }
    }
    return false;
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

// Milliseconds on the performance counter, for spans inside this process.
double CounterMs()
{
    LARGE_INTEGER frequency, counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The wall clock in milliseconds since 1970, comparable with the times other processes on this
// machine log.
double UnixMs()
{
    using PreciseTime = VOID(WINAPI*)(LPFILETIME);
    static const auto precise = reinterpret_cast<PreciseTime>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    FILETIME now = {};
    if (precise)
        precise(&now);
    else
        ::GetSystemTimeAsFileTime(&now);
    const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<double>(ticks - 116444736000000000ULL) / 10000.0;
}

std::string Number(double value)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.3f", value);
    return buffer;
}

// Waits, polling about once a millisecond, until ready() gives true or the time is up.
template <typename Ready>
bool PollUntil(Ready ready, DWORD timeoutMs)
{
    const double deadline = CounterMs() + timeoutMs;
    for (;;) {
        if (ready())
            return true;
        if (CounterMs() > deadline)
            return false;
        ::Sleep(1);
    }
}

struct VisibleRequest {
    FindRequest* request;
    HWND found;
};

BOOL CALLBACK FindVisibleTop(HWND window, LPARAM param)
{
    auto* v = reinterpret_cast<VisibleRequest*>(param);
    if (!::IsWindowVisible(window))
        return TRUE;
    if (FindTop(window, reinterpret_cast<LPARAM>(v->request)) == FALSE) {
        v->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindVisible(FindRequest request)
{
    VisibleRequest visible{&request, nullptr};
    ::EnumWindows(FindVisibleTop, reinterpret_cast<LPARAM>(&visible));
    return visible.found;
}

std::string TimeOpen(const std::vector<std::string>& args)
{
    // timeopen <hwnd> <click|command> <id> <pid> <class|-> <caption hex|-> <child id> <ms>
    if (args.size() < 9)
        return "ERROR timeopen needs 8 arguments";
    HWND window = ParseWindow(args[1]);
    if (!::IsWindow(window))
        return "ERROR no window " + args[1];
    const int id = std::atoi(args[3].c_str());
    FindRequest request{static_cast<DWORD>(std::strtoul(args[4].c_str(), nullptr, 0)), args[5] == "-" ? "" : args[5],
                        "", std::atoi(args[7].c_str()), nullptr};
    if (!Unhex(args[6], &request.caption))
        return "ERROR bad caption";
    const DWORD timeoutMs = static_cast<DWORD>(std::strtoul(args[8].c_str(), nullptr, 0));
    if (HWND already = FindVisible(request))
        return "ERROR already visible " + WindowHex(already);
    LPARAM control = 0;
    if (args[2] == "click") {
        HWND button = ::GetDlgItem(window, id);
        if (!button)
            return "ERROR no control " + args[3];
        control = reinterpret_cast<LPARAM>(button);
    } else if (args[2] != "command") {
        return "ERROR timeopen takes click or command";
    }
    const double start = CounterMs();
    if (!::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, control ? BN_CLICKED : 0), control))
        return "ERROR post failed";
    HWND opened = nullptr;
    if (!PollUntil([&] { return (opened = FindVisible(request)) != nullptr; }, timeoutMs))
        return "TIMEOUT";
    const double visible = CounterMs() - start;
    // A message sent to the window is taken only between the program's other messages: its answer
    // says that the handler which showed the window has returned.
    DWORD_PTR ignored = 0;
    if (!SendTimeout(opened, WM_NULL, 0, 0, &ignored))
        return "TIMEOUT";
    return "OPENED " + WindowHex(opened) + " " + Number(visible) + " " + Number(CounterMs() - start) + " " +
           Number(start);
}

std::string TimeHide(const std::vector<std::string>& args)
{
    // timehide <hwnd> <id> <ms>
    if (args.size() < 4)
        return "ERROR timehide needs 3 arguments";
    HWND window = ParseWindow(args[1]);
    HWND button = ::GetDlgItem(window, std::atoi(args[2].c_str()));
    if (!button)
        return "ERROR no control " + args[2];
    if (!::IsWindowVisible(window))
        return "ERROR not visible";
    const double posted = UnixMs(), start = CounterMs();
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(std::atoi(args[2].c_str()), BN_CLICKED), reinterpret_cast<LPARAM>(button));
    if (!PollUntil([&] { return !::IsWindowVisible(window); }, static_cast<DWORD>(std::strtoul(args[3].c_str(), nullptr, 0))))
        return "TIMEOUT";
    return "HIDDEN " + Number(CounterMs() - start) + " " + Number(posted);
}

std::string WaitRect(const std::vector<std::string>& args)
{
    // waitrect <hwnd> <left> <top> <right> <bottom> <ms>
    if (args.size() < 7)
        return "ERROR waitrect needs 6 arguments";
    HWND window = ParseWindow(args[1]);
    const RECT wanted = {std::atoi(args[2].c_str()), std::atoi(args[3].c_str()), std::atoi(args[4].c_str()),
                         std::atoi(args[5].c_str())};
    auto reached = [&] {
        RECT now = {};
        return ::GetWindowRect(window, &now) && ::EqualRect(&now, &wanted);
    };
    if (!PollUntil(reached, static_cast<DWORD>(std::strtoul(args[6].c_str(), nullptr, 0))))
        return "TIMEOUT";
    return "RECTAT " + Number(CounterMs());
}

std::string WaitRows(const std::vector<std::string>& args)
{
    // waitrows <hwnd> <id> <count> <ms>
    if (args.size() < 5)
        return "ERROR waitrows needs 4 arguments";
    HWND list = ::GetDlgItem(ParseWindow(args[1]), std::atoi(args[2].c_str()));
    if (!list)
        return "ERROR no control " + args[2];
    const DWORD_PTR wanted = std::strtoul(args[3].c_str(), nullptr, 0);
    DWORD_PTR count = 0;
    if (!PollUntil([&] { return SendTimeout(list, LVM_GETITEMCOUNT, 0, 0, &count) && count >= wanted; },
                   static_cast<DWORD>(std::strtoul(args[4].c_str(), nullptr, 0))))
        return "TIMEOUT";
    return "ROWS " + std::to_string(count) + " " + Number(UnixMs());
}

std::string WaitRegistry(const std::vector<std::string>& args)
{
    // waitreg <subkey hex> <value> <n> <ms>
    if (args.size() < 5)
        return "ERROR waitreg needs 4 arguments";
    const DWORD wanted = static_cast<DWORD>(std::strtoul(args[3].c_str(), nullptr, 0));
    std::string subkey;
    if (!Unhex(args[1], &subkey))
        return "ERROR bad subkey";
    DWORD value = 0;
    auto read = [&] {
        DWORD size = sizeof value, type = 0;
        value = 0;
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return false;
        const LONG read = ::RegQueryValueExA(key, args[2].c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        ::RegCloseKey(key);
        return read == ERROR_SUCCESS && type == REG_DWORD && value >= wanted;
    };
    if (!PollUntil(read, static_cast<DWORD>(std::strtoul(args[4].c_str(), nullptr, 0))))
        return "TIMEOUT";
    return "REG " + std::to_string(value) + " " + Number(UnixMs());
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
    if (verb == "timeopen" || verb == "timehide" || verb == "waitrect" || verb == "waitrows" || verb == "waitreg") {
        std::vector<std::string> args;
        std::istringstream all(line);
        for (std::string word; all >> word;)
            args.push_back(word);
        if (verb == "timeopen")
            return TimeOpen(args);
        if (verb == "timehide")
            return TimeHide(args);
        if (verb == "waitrect")
            return WaitRect(args);
        return verb == "waitrows" ? WaitRows(args) : WaitRegistry(args);
    }
    if (verb == "clock")
        return "CLOCK " + Number(UnixMs());
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
    if (verb == "rect") {
        RECT r = {};
        ::GetWindowRect(window, &r);
        return "RECT " + std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
               std::to_string(r.bottom);
    }
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
    if (verb == "images") {
        HWND control = Control(window, b);
        if (!control)
            return "ERROR no control " + b;
        std::string out = "IMAGES";
        for (int image : ListViewImages(control))
            out += " " + std::to_string(image);
        return out;
    }
    if (verb == "rowclick") {
        HWND control = Control(window, b);
        POINT at = {0, 0};
        if (!control || !RowCentre(control, std::atoi(c.c_str()), &at))
            return "ERROR no row " + c;
        const LPARAM where = MAKELPARAM(at.x, at.y);
        ::PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, where);
        ::PostMessageA(control, WM_LBUTTONUP, 0, where);
        if (d == "2") {
            ::PostMessageA(control, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
            ::PostMessageA(control, WM_LBUTTONUP, 0, where);
        }
        return "OK";
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
    if (verb == "rect") {
        RECT r{};
        if (!::GetWindowRect(window, &r))
            return "ERROR no window";
        return "RECT " + std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
               std::to_string(r.bottom);
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
