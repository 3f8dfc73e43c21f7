#include "messaging/send/win/SendPlatform.h"

#include "framework/core/Arrays.h"
#include "messaging/wire/AttachPack.h"

#include <windows.h>

SendLocalTime CWinSendHostBase::LocalNow()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return SendLocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute};
}

bool CWinSendHostBase::FileSize(const CString& path, std::uint64_t* size)
{
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER length;
    const BOOL ok = ::GetFileSizeEx(file, &length);
    ::CloseHandle(file);
    if (!ok)
        return false;
    *size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
}

int CWinSendHostBase::BuildPackage(const CString& source, const CString& package)
{
    // A file that is not there is missing (559); a folder is no file to send (560).
    const DWORD attributes = ::GetFileAttributesA(source);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return ATTACH_NO_ENTRY;
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return ATTACH_OPEN_FAILED;
    }
    CStringArray files;
    files.Add(source);
    CAttachPack pack;
    return pack.Pack(files, package);
}

CString CWinSendHostBase::MakeTempFile(const char* prefix)
{
    char folder[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathA(sizeof folder, folder);
    if (length == 0 || length > MAX_PATH)
        return CString();
    char name[MAX_PATH + 1] = {};
    if (::GetTempFileNameA(folder, prefix, 0, name) == 0)
        return CString();
    return CString(name);
}

void CWinSendHostBase::RemoveFile(const CString& path)
{
    if (!path.IsEmpty())
        ::DeleteFileA(path);
}
