// unlha32.dll: the LHA archiver that the programs load by name for skin archives and the sign-up
// program's data archive. The exports are stdcall with undecorated names (unlha32.def).
#include "platform/unlha32/codec/Lha.h"
#include "platform/unlha32/codec/UnlhaCommand.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr WORD kVersion = 100;  // 1.00
constexpr std::size_t kMaxArchiveSize = std::size_t(512) << 20;

volatile LONG g_running = 0;

class RunningScope {
public:
    RunningScope() : m_first(InterlockedIncrement(&g_running) == 1) {}
    ~RunningScope() { InterlockedDecrement(&g_running); }
    bool first() const { return m_first; }

private:
    bool m_first;
};

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& data, std::size_t limit)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
              static_cast<unsigned long long>(size.QuadPart) <= limit;
    if (ok) {
        data.resize(static_cast<std::size_t>(size.QuadPart));
        std::size_t done = 0;
        while (ok && done < data.size()) {
            DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
            DWORD got = 0;
            ok = ReadFile(file, data.data() + done, chunk, &got, nullptr) && got == chunk;
            done += got;
        }
    }
    CloseHandle(file);
    return ok;
}

bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& data)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < data.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
        DWORD wrote = 0;
        ok = WriteFile(file, data.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
        done += wrote;
    }
    ok = CloseHandle(file) && ok;
    if (!ok)
        DeleteFileA(path.c_str());
    return ok;
}

unsigned ErrorOf(lha::Status status)
{
    switch (status) {
    case lha::Status::Ok: return lha::kUnlhaOk;
    case lha::Status::Truncated:
    case lha::Status::BadHeader:
    case lha::Status::BadHeaderChecksum: return lha::kUnlhaBadArchive;
    case lha::Status::UnknownMethod: return lha::kUnlhaUnknownMethod;
    case lha::Status::BadData: return lha::kUnlhaBadData;
    case lha::Status::CrcMismatch: return lha::kUnlhaCrcError;
    case lha::Status::TooLarge: return lha::kUnlhaTooLarge;
    case lha::Status::BadName: return lha::kUnlhaUnsafeName;
    }
    return lha::kUnlhaBadArchive;
}

class Output {
public:
    Output(char* buffer, DWORD size) : m_buffer(buffer), m_size(size) {}
    ~Output()
    {
        if (m_buffer && m_size) {
            std::size_t n = std::min<std::size_t>(m_text.size(), m_size - 1);
            memcpy(m_buffer, m_text.data(), n);
            m_buffer[n] = '\0';
        }
    }
    void Line(const std::string& text) { m_text += text + "\r\n"; }

private:
    char* m_buffer;
    DWORD m_size;
    std::string m_text;
};

unsigned Extract(const lha::Command& command, Output& output, bool write)
{
    std::vector<std::uint8_t> archive;
    if (!ReadWholeFile(command.archive, archive, kMaxArchiveSize)) {
        output.Line("cannot open " + command.archive);
        return lha::kUnlhaCannotOpenArchive;
    }
    std::vector<lha::UnpackedFile> files;
    lha::Status status = lha::UnpackAll(archive.data(), archive.size(), files);
    if (status != lha::Status::Ok) {
        output.Line(command.archive + ": " + lha::StatusText(status));
        return ErrorOf(status);
    }
    if (!write)
        return lha::kUnlhaOk;
    for (const lha::UnpackedFile& file : files) {
        std::string target = command.folder + file.name;
        if (!WriteWholeFile(target, file.data)) {
            output.Line("cannot write " + target);
            return lha::kUnlhaWriteError;
        }
        output.Line(file.name);
    }
    return lha::kUnlhaOk;
}

std::uint32_t UnixTime(const FILETIME& time)
{
    ULARGE_INTEGER t;
    t.LowPart = time.dwLowDateTime;
    t.HighPart = time.dwHighDateTime;
    const unsigned long long epoch = 116444736000000000ULL;
    if (t.QuadPart < epoch)
        return 0;
    return static_cast<std::uint32_t>((t.QuadPart - epoch) / 10000000ULL);
}

// Rebuilds the archive from the plain files of the folder; the new archive replaces the old one
// only once it is completely written.
unsigned Compress(const lha::Command& command, Output& output)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((command.folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return lha::kUnlhaNoFiles;
    lha::Writer writer;
    unsigned result = lha::kUnlhaOk;
    int count = 0;
    do {
        if (found.dwFileAttributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            continue;
        std::vector<std::uint8_t> data;
        if (!ReadWholeFile(command.folder + found.cFileName, data, kMaxArchiveSize)) {
            output.Line(std::string("cannot read ") + found.cFileName);
            result = lha::kUnlhaReadError;
            break;
        }
        writer.Add(found.cFileName, data.data(), data.size(), UnixTime(found.ftLastWriteTime));
        output.Line(found.cFileName);
        ++count;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    if (result != lha::kUnlhaOk)
        return result;
    if (count == 0)
        return lha::kUnlhaNoFiles;
    std::string temporary = command.archive + ".$$$";
    if (!WriteWholeFile(temporary, writer.Finish()))
        return lha::kUnlhaWriteError;
    if (!MoveFileExA(temporary.c_str(), command.archive.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary.c_str());
        return lha::kUnlhaWriteError;
    }
    return lha::kUnlhaOk;
}

} // namespace

extern "C" {

int WINAPI Unlha(HWND, LPCSTR commandLine, LPSTR output, DWORD outputSize)
{
    Output out(output, outputSize);
    RunningScope running;
    if (!running.first())
        return lha::kUnlhaBusy;
    lha::Command command;
    if (!commandLine || !lha::ParseCommand(commandLine, command)) {
        out.Line("bad command line");
        return lha::kUnlhaBadCommand;
    }
    try {
        switch (command.verb) {
        case 'e': return static_cast<int>(Extract(command, out, true));
        case 't': return static_cast<int>(Extract(command, out, false));
        case 'a': return static_cast<int>(Compress(command, out));
        default: return lha::kUnlhaBadCommand;
        }
    } catch (const std::bad_alloc&) {
        return lha::kUnlhaTooLarge;
    }
}

WORD WINAPI UnlhaGetVersion() { return kVersion; }

BOOL WINAPI UnlhaGetRunning() { return g_running != 0; }

BOOL WINAPI UnlhaCheckArchive(LPCSTR path, int)
{
    if (!path)
        return FALSE;
    try {
        std::vector<std::uint8_t> archive;
        if (!ReadWholeFile(path, archive, kMaxArchiveSize))
            return FALSE;
        std::vector<lha::UnpackedFile> files;
        return lha::UnpackAll(archive.data(), archive.size(), files) == lha::Status::Ok &&
               !files.empty();
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

BOOL WINAPI UnlhaSetCursorMode(BOOL) { return TRUE; }

} // extern "C"
