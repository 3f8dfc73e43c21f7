#include "signup/app/ZipCodeLoader.h"

#include "shell/common/skin/UnlhaArchiver.h"
#include "shell/common/utilities/TextUtil.h"
#include "shell/common/utilities/WinUtil.h"

#include <process.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

CZipCodeLoader::~CZipCodeLoader()
{
    if (m_thread) {
        ::WaitForSingleObject(m_thread, INFINITE);
        ::CloseHandle(m_thread);
    }
    if (!m_csvPath.IsEmpty())
        ::DeleteFileA(m_csvPath);
}

bool CZipCodeLoader::Start(const CString& archive, const CString& tempFolder)
{
    if (m_thread)
        return false;
    m_archive = archive;
    m_tempFolder = tempFolder;
    m_csvPath = tempFolder + "zipcode.csv";
    m_loaded = false;
    m_loading = true; // before the thread runs: nobody reads a half-built index
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, &CZipCodeLoader::ThreadMain, this, 0, nullptr);
    if (!thread) {
        m_loading = false;
        return false;
    }
    m_thread = reinterpret_cast<HANDLE>(thread);
    return true;
}

bool CZipCodeLoader::Wait(DWORD ms)
{
    return !m_thread || ::WaitForSingleObject(m_thread, ms) == WAIT_OBJECT_0;
}

unsigned __stdcall CZipCodeLoader::ThreadMain(void* self)
{
    static_cast<CZipCodeLoader*>(self)->Load();
    return 0;
}

void CZipCodeLoader::Load()
{
    bool ok = false;
    CUnlhaArchiver archiver;
    if (archiver.Extract(nullptr, m_archive, m_tempFolder)) {
        HANDLE file = ::CreateFileA(m_csvPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            try {
                CZipIndexBuilder builder(m_index);
                std::vector<char> piece(CZipIndexBuilder::kMaxLine + 1);
                DWORD got = 0;
                bool readOk = true;
                while ((readOk = ::ReadFile(file, piece.data(), static_cast<DWORD>(CZipIndexBuilder::kMaxLine), &got,
                                            nullptr) != FALSE) &&
                       got > 0) {
                    if (!builder.Feed(piece.data(), got))
                        break;
                }
                ok = readOk && builder.Finish();
            } catch (const std::bad_alloc&) {
                ok = false;
            }
            ::CloseHandle(file);
        }
    }
    if (!ok)
        m_index.Clear();
    m_loaded = ok;
    m_loading = false;
}

CString CZipCodeLoader::CodeOf(const CString& first, const CString& second)
{
    if (first.IsEmpty() || second.IsEmpty() || !textutil::IsAllDigits(first) || !textutil::IsAllDigits(second) ||
        first.GetLength() > 3 || second.GetLength() > 4)
        return CString();
    CString code;
    code.Format("%03d%04d", std::atoi(first), std::atoi(second));
    return code;
}

CString CZipCodeLoader::LookUp(const CString& code) const
{
    if (IsLoading() || !IsLoaded() || m_index.codes.empty())
        return CString();
    std::FILE* file = std::fopen(m_csvPath, "rb");
    if (!file)
        return CString();
    std::vector<char> buffer(CZipIndexBuilder::kMaxLine + 2);
    auto reader = [&](std::uint32_t offset, std::string* line) {
        if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
            return false;
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        std::string text(buffer.data(), got);
        const std::size_t end = text.find("\r\n");
        if (end == std::string::npos && got == buffer.size())
            return false;
        *line = text.substr(0, end);
        return true;
    };
    CString address = LookUpZipAddress(m_index, code, reader);
    std::fclose(file);
    return address;
}

CString CZipCodeLoader::MainProgramFolder()
{
    CString folder = winutil::GetAppPathFromRegistry("q2NimboVandrell.exe");
    if (folder.IsEmpty())
        folder = winutil::GetAppPathFromRegistry("NimboVandrell.exe");
    if (folder.IsEmpty())
        folder = winutil::GetModuleFolder();
    return folder;
}
