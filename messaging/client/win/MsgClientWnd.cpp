#include "messaging/client/win/MsgClientWnd.h"

#include "framework/core/CString.h"
#include "framework/win/WinApp.h"
#include "messaging/client/MsgClientHost.h"
#include "messaging/client/PmTrafficLog.h"
#include "net/socket/SocketTimeout.h"
#include "net/socket/SocketTypes.h"

#include <cstring>

namespace {

const char kWindowClass[] = "QeloUList";
const UINT kUserAgentString = 166;
const char kDefaultUserAgent[] = "Mozilla/4.0 (NimboVandrell/1.0; QELO/Windows/NimboVandrell)";

// The program's arguments: its command line without the program's own path.
const char* Arguments()
{
    const char* p = ::GetCommandLineA();
    if (!p)
        return "";
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p == '"') {
        const char* close = std::strchr(p + 1, '"');
        p = close ? close + 1 : p + std::strlen(p);
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    return p;
}

int ProfileInt(const char* entry, int fallback)
{
    CWinApp* app = AfxGetApp();
    return app ? static_cast<int>(app->GetProfileInt("", entry, fallback)) : fallback;
}

} // namespace

BEGIN_MESSAGE_MAP(CMsgClientWnd, CWnd)
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_SOCKET_RECEIVE, OnSocketMessage)
    ON_MESSAGE(WM_PM_CANCEL, OnCancelMessage)
    ON_MESSAGE(WM_PM_CLOSE_FILES, OnCloseFilesMessage)
    ON_MESSAGE(WM_PM_WORKER_GONE, OnWorkerGoneMessage)
    ON_MESSAGE(WM_PM_WORKER_END, OnWorkerEndMessage)
END_MESSAGE_MAP()

CMsgClientWnd::CMsgClientWnd(const SessionLoginRecord& login, const SessionAddressRecord& address, HWND owner)
    : CMsgClientCore(login, address), m_owner(owner)
{
    SetScramble(ProfileInt("NoEncryptMode", 0) <= 0);
    SetRawLog(ProfileInt("CommPMLog", 0) > 0);
    SetSendMsgNumber(static_cast<std::uint32_t>(ProfileInt("SendMsgNumber", 0)));
    const char* cls = RegisterWindowClass(kWindowClass, CS_DBLCLKS);
    CreateEx(0, cls, "QELOULIST", 0, 0, 0, 0, 0, nullptr, nullptr);
    if (PmLogSwitchGiven(Arguments()))
        OpenTrafficLogs(nvnet::TemporaryFolder());
}

CMsgClientWnd::~CMsgClientWnd()
{
    Release();
    if (m_hWnd)
        DestroyWindow();
    ShutdownSocketTimeouts();
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileInt("", "SendMsgNumber", static_cast<int>(GetSendMsgNumber()));
}

int CMsgClientWnd::StartRequest(const RequestEntry& entry)
{
    int& counter = msgclient::Host().SequenceCounter();
    switch (entry.kind) {
    case kRequestUrlList:
        return RequestUrlList(counter);
    case kRequestFriendList:
        return RequestFriendList(counter);
    case kRequestPresence:
        return SendPresence(counter, entry.argument);
    case kRequestMessageList:
        return RequestList(counter);
    default:
        return 0;
    }
}

// --- the platform -----------------------------------------------------------------------------

void CMsgClientWnd::ArmTimer(int id, unsigned ms)
{
    if (m_hWnd)
        ::SetTimer(m_hWnd, static_cast<UINT_PTR>(id), ms, nullptr);
}

void CMsgClientWnd::StopTimer(int id)
{
    if (m_hWnd)
        ::KillTimer(m_hWnd, static_cast<UINT_PTR>(id));
}

void CMsgClientWnd::PostToOwner(unsigned message, int wParam, PmPostedRecord* record)
{
    if (!m_owner || !::PostMessageA(m_owner, message, static_cast<WPARAM>(static_cast<INT_PTR>(wParam)),
                                    static_cast<LPARAM>(PmRecordToParam(record))))
        PmFreePostedRecord(record);
}

void CMsgClientWnd::PostToSelf(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (m_hWnd)
        ::PostMessageA(m_hWnd, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

void CMsgClientWnd::PostProgress(std::uint32_t bytes)
{
    HWND target = m_progress.load();
    if (target && ::IsWindow(target))
        ::PostMessageA(target, WM_PM_PROGRESS, 2, static_cast<LPARAM>(bytes));
}

bool CMsgClientWnd::WaitUntil(const std::function<bool()>& done, unsigned timeoutMs)
{
    HCURSOR previous = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    const DWORD start = ::GetTickCount();
    bool result = done();
    while (!result) {
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= timeoutMs)
            break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - spent, QS_ALLINPUT);
        MSG msg;
        while (!(result = done()) && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                result = done();
                ::SetCursor(previous);
                return result;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        result = result || done();
    }
    ::SetCursor(previous);
    return result;
}

void CMsgClientWnd::DropQueuedSocketMessages()
{
    // Only this window's: the chat engine shares the thread, and its data are not ours to drop.
    if (!m_hWnd)
        return;
    MSG msg;
    while (::PeekMessageA(&msg, m_hWnd, WM_SOCKET_RECEIVE, WM_SOCKET_RECEIVE, PM_REMOVE))
        FreeSocketBuffer(static_cast<int>(msg.wParam), reinterpret_cast<SocketDataRecord*>(msg.lParam));
}

std::string CMsgClientWnd::TemporaryFilePath()
{
    char folder[MAX_PATH + 1] = "";
    char path[MAX_PATH + 1] = "";
    const DWORD length = ::GetTempPathA(sizeof folder, folder);
    if (length == 0 || length > MAX_PATH || !::GetTempFileNameA(folder, "VYRN", 0, path))
        return std::string();
    return path;
}

std::string CMsgClientWnd::UserAgent()
{
    CString text;
    if (text.LoadString(kUserAgentString))
        return text.str();
    return kDefaultUserAgent;
}

// --- messages ---------------------------------------------------------------------------------

void CMsgClientWnd::OnTimer(UINT_PTR id)
{
    CMsgClientCore::OnTimer(static_cast<int>(id));
}

void CMsgClientWnd::OnDestroy()
{
    // Whatever still waits for the server stops waiting; later transport calls do nothing.
    Release();
    Default();
}

LRESULT CMsgClientWnd::OnSocketMessage(WPARAM wParam, LPARAM lParam)
{
    const int count = static_cast<int>(static_cast<INT_PTR>(wParam));
    if (count < 1) {
        OnSocketEnd(count, static_cast<std::uint32_t>(lParam));
        return 0;
    }
    auto* record = reinterpret_cast<SocketDataRecord*>(lParam);
    if (record && count <= SOCKET_SEGMENT_SIZE)
        OnSocketData(record->data, count, record->localPort, record->kind);
    FreeSocketBuffer(count, record);
    return 0;
}

LRESULT CMsgClientWnd::OnCancelMessage(WPARAM wParam, LPARAM)
{
    OnCancel(static_cast<unsigned>(wParam));
    return 0;
}

LRESULT CMsgClientWnd::OnCloseFilesMessage(WPARAM, LPARAM)
{
    OnCloseFiles();
    return 0;
}

LRESULT CMsgClientWnd::OnWorkerGoneMessage(WPARAM, LPARAM)
{
    OnWorkerGone();
    return 0;
}

LRESULT CMsgClientWnd::OnWorkerEndMessage(WPARAM wParam, LPARAM lParam)
{
    OnWorkerEnd(static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam));
    return 0;
}
