#include "tests/support/WinTestSupport.h"

#include "tests/support/PngWriter.h"

#include <cstdio>
#include <cstdlib>

namespace nvtest {

void PumpPending()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        PumpPending();
        if (done())
            return true;
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return done();
        // Wake on any new message or after a short while, to look at done() again for
        // conditions that other threads change.
        DWORD wait = timeoutMs - elapsed;
        if (wait > 20)
            wait = 20;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
}

std::string UnixToWindowsPath(const std::string& unixPath)
{
    if (unixPath.empty() || unixPath[0] != '/')
        return unixPath;
    std::string out = "Z:" + unixPath;
    for (char& c : out)
        if (c == '/')
            c = '\\';
    return out;
}

std::string Env(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

std::vector<std::uint8_t> ReadFileBytes(const char* path)
{
    std::vector<std::uint8_t> data;
    HANDLE f = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return data;
    data.resize(::GetFileSize(f, nullptr));
    DWORD got = 0;
    ::ReadFile(f, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
    ::CloseHandle(f);
    data.resize(got);
    return data;
}

bool WriteFileBytes(const char* path, const std::vector<std::uint8_t>& data)
{
    HANDLE f = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD wrote = 0;
    BOOL ok = ::WriteFile(f, data.data(), static_cast<DWORD>(data.size()), &wrote, nullptr);
    ::CloseHandle(f);
    return ok && wrote == data.size();
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                ::DeleteFileA(path.c_str());
        } while (::FindNextFileA(h, &found));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(folder.c_str());
}

std::string SaveWindowScreenshot(HWND window, const std::string& name)
{
    std::string folder = Env("NV_SCREENSHOT_DIR");
    if (folder.empty() || !window)
        return {};
    RECT r;
    ::GetWindowRect(window, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return {};
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::string written;
    if (bitmap && bits) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        ::GdiFlush();
        std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
        const auto* px = static_cast<const std::uint8_t*>(bits);
        for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
            rgb[i * 3] = px[i * 4 + 2];
            rgb[i * 3 + 1] = px[i * 4 + 1];
            rgb[i * 3 + 2] = px[i * 4];
        }
        ::SelectObject(memory, old);
        std::string path = UnixToWindowsPath(folder) + "\\" + name + ".png";
        if (WritePng(path, width, height, rgb))
            written = path;
    }
    if (bitmap)
        ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return written;
}

std::string MessageSequence::Compare(const std::vector<RecordedMessage>& expected) const
{
    if (m_items == expected)
        return {};
    std::string out = "  # expected                         | actual\n";
    std::size_t rows = std::max(expected.size(), m_items.size());
    bool marked = false;
    for (std::size_t i = 0; i < rows; ++i) {
        char left[80] = "-", right[80] = "-";
        if (i < expected.size())
            std::snprintf(left, sizeof left, "%04X w=%llX l=%llX", expected[i].message,
                          static_cast<unsigned long long>(expected[i].wParam),
                          static_cast<unsigned long long>(static_cast<UINT_PTR>(expected[i].lParam)));
        if (i < m_items.size())
            std::snprintf(right, sizeof right, "%04X w=%llX l=%llX", m_items[i].message,
                          static_cast<unsigned long long>(m_items[i].wParam),
                          static_cast<unsigned long long>(static_cast<UINT_PTR>(m_items[i].lParam)));
        bool differs = !(i < expected.size() && i < m_items.size() && expected[i] == m_items[i]);
        char line[200];
        std::snprintf(line, sizeof line, "%s%2u %-32s | %s\n", differs && !marked ? ">" : " ",
                      static_cast<unsigned>(i), left, right);
        if (differs)
            marked = true;
        out += line;
    }
    return out;
}

} // namespace nvtest
