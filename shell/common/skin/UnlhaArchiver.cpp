#include "shell/common/skin/UnlhaArchiver.h"

#include <string>
#include <vector>

namespace {

std::string g_libraryPath = "unlha32.dll";

using UnlhaFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using VersionFn = WORD(WINAPI*)();
using RunningFn = BOOL(WINAPI*)();
using CheckFn = BOOL(WINAPI*)(LPCSTR, int);
using CursorFn = BOOL(WINAPI*)(BOOL);

class Library {
public:
    Library() : m_module(LoadLibraryA(g_libraryPath.c_str())) {}
    ~Library()
    {
        if (m_module)
            FreeLibrary(m_module);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    explicit operator bool() const { return m_module != nullptr; }
    template <class Fn>
    Fn Get(const char* name) const
    {
        return m_module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m_module, name))) : nullptr;
    }

private:
    HMODULE m_module;
};

} // namespace

void CUnlhaArchiver::SetLibraryPath(const char* path) { g_libraryPath = path ? path : "unlha32.dll"; }

const char* CUnlhaArchiver::GetLibraryPath() { return g_libraryPath.c_str(); }

bool CUnlhaArchiver::Run(HWND owner, const char* verb, const CString& archive, const CString& folder)
{
    Library dll;
    if (!dll)
        return false;
    auto running = dll.Get<RunningFn>("UnlhaGetRunning");
    if (running && running())
        return false;
    auto unlha = dll.Get<UnlhaFn>("Unlha");
    if (!unlha)
        return false;
    if (auto cursor = dll.Get<CursorFn>("UnlhaSetCursorMode"))
        cursor(FALSE);
    // The folder is quoted too: temporary folders often hold blanks.
    CString command;
    command.Format("%s -ycngm \"%s\" \"%s\"", verb, archive.GetString(), folder.GetString());
    std::vector<char> output(10240);
    int result = unlha(owner, command, output.data(), static_cast<DWORD>(output.size()));
    if (result != 0) {
        m_lastResult = static_cast<WORD>(result);
        return false;
    }
    return true;
}

bool CUnlhaArchiver::Extract(HWND owner, const CString& archive, const CString& folder)
{
    return Run(owner && IsWindow(owner) ? owner : nullptr, "e", archive, folder);
}

bool CUnlhaArchiver::Compress(HWND owner, const CString& archive, const CString& folder)
{
    return Run(owner && IsWindow(owner) && IsWindowEnabled(owner) ? owner : nullptr, "a", archive, folder);
}

WORD CUnlhaArchiver::GetVersion()
{
    Library dll;
    auto version = dll.Get<VersionFn>("UnlhaGetVersion");
    m_version = version ? version() : 0;
    return m_version;
}

BOOL CUnlhaArchiver::IsRunning()
{
    Library dll;
    auto running = dll.Get<RunningFn>("UnlhaGetRunning");
    return running ? running() : FALSE;
}

int CUnlhaArchiver::CheckArchive(const CString& archive)
{
    Library dll;
    if (!dll)
        return kNoArchiver;
    auto running = dll.Get<RunningFn>("UnlhaGetRunning");
    if (running && running())
        return kBusy;
    auto check = dll.Get<CheckFn>("UnlhaCheckArchive");
    if (!check)
        return kValid;
    return check(archive, 1) > 0 ? kValid : kInvalid;
}
