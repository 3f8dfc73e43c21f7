// An in-memory skin for the toolkit's window tests: real bitmaps (files written by
// make_fixtures.py or DIB sections made by the test) and skin values held in maps, with every
// learned line recorded. It also stands in for the application object.
#pragma once

#include "toolkit/win/SkinHost.h"

#include "tests/support/WinTestSupport.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

class CFakeSkin : public ISkinSource, public IToolkitHost {
public:
    CFakeSkin()
    {
        toolkit::SetSkinSource(this);
        toolkit::SetHost(this);
    }
    ~CFakeSkin() override
    {
        toolkit::SetSkinSource(nullptr);
        toolkit::SetHost(nullptr);
        for (auto& entry : bitmaps)
            ::DeleteObject(entry.second);
    }

    // A 32-bit top-down DIB section; pixel(x, y) gives 0x00RRGGBB.
    static HBITMAP MakeDib(int width, int height, const std::function<std::uint32_t(int, int)>& pixel)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        auto* p = static_cast<std::uint32_t*>(bits);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                p[y * width + x] = pixel(x, y);
        ::GdiFlush();
        return dib;
    }

    // Fixture files written at configure time by make_fixtures.py.
    static std::string FixturePath(const char* name)
    {
        return nvtest::UnixToWindowsPath(nvtest::Env("NV_TOOLKIT_FIXTURES") + "/" + name);
    }
    static std::string ReadFixtureLine(const char* name)
    {
        std::string text;
        HANDLE file = ::CreateFileA(FixturePath(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return text;
        char buffer[8192];
        DWORD read = 0;
        if (::ReadFile(file, buffer, sizeof buffer, &read, nullptr))
            text.assign(buffer, read);
        ::CloseHandle(file);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        return text;
    }

    void AddBitmap(const std::string& name, HBITMAP bitmap)
    {
        if (bitmaps.count(name))
            ::DeleteObject(bitmaps[name]);
        bitmaps[name] = bitmap;
    }
    bool AddBitmapFile(const std::string& name, const char* fixture)
    {
        HANDLE image = ::LoadImageA(nullptr, FixturePath(fixture).c_str(), IMAGE_BITMAP, 0, 0,
                                    LR_LOADFROMFILE | LR_CREATEDIBSECTION);
        if (!image)
            return false;
        AddBitmap(name, static_cast<HBITMAP>(image));
        return true;
    }

    HBITMAP LoadSkinBitmap(const char* fileName) override
    {
        ++bitmapLoads;
        auto it = bitmaps.find(fileName ? fileName : "");
        if (it == bitmaps.end())
            return nullptr;
        // The caller owns what it gets.
        return static_cast<HBITMAP>(::CopyImage(it->second, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    }
    CString GetKeyColorText() override { return CString(keyColorText.c_str()); }
    bool GetRegionInfo(const char* bitmapName, CString* value, bool fallBackToBase) override
    {
        value->Empty();
        auto it = regionCurrent.find(bitmapName);
        if (it != regionCurrent.end()) {
            *value = it->second.c_str();
            return true;
        }
        if (fallBackToBase) {
            it = regionBase.find(bitmapName);
            if (it != regionBase.end()) {
                *value = it->second.c_str();
                return true;
            }
        }
        return false;
    }
    CString GetRegionCacheKey(const char* bitmapName) override
    {
        auto it = regionKeys.find(bitmapName);
        return it == regionKeys.end() ? CString() : CString(it->second.c_str());
    }
    void SetInfoValue(const char* line) override { learned.push_back(line); }
    bool GetResizeInfo(const char* bitmapName, CString* value) override { return Find(resize, std::string(bitmapName), value); }
    bool GetTitleInfo(UINT dialogId, CString* value) override { return Find(titles, dialogId, value); }
    int GetControlRect(UINT controlId, RECT* rect) override
    {
        ::SetRectEmpty(rect);
        auto it = controls.find(controlId);
        if (it == controls.end())
            return -1;
        *rect = it->second.first;
        return it->second.second;
    }
    bool GetDockInfo(UINT dialogId, CString* value) override { return Find(docks, dialogId, value); }
    void GetControlFields(UINT controlId, CString* first, CString* second) override
    {
        auto it = fields.find(controlId);
        *first = it == fields.end() ? "" : it->second.first.c_str();
        *second = it == fields.end() ? "" : it->second.second.c_str();
    }
    bool IsBaseSkin() override { return baseSkin; }
    void FlushSkinCache(HWND) override { ++flushes; }

    HWND GetMainWindow() override { return mainWindow; }
    HCURSOR GetHoverCursor() override { return ::LoadCursor(nullptr, IDC_HAND); }
    void SetModalState(bool modal) override { modalDepth += modal ? 1 : -1; }
    void AddTrayWindow(HWND window) override { trayCalls.push_back({true, window}); }
    void RemoveTrayWindow(HWND window) override { trayCalls.push_back({false, window}); }

    std::map<std::string, HBITMAP> bitmaps;
    std::string keyColorText;
    std::map<std::string, std::string> regionCurrent, regionBase, regionKeys, resize;
    std::map<UINT, std::string> titles, docks;
    std::map<UINT, std::pair<RECT, int>> controls;
    std::map<UINT, std::pair<std::string, std::string>> fields;
    bool baseSkin = false;
    int flushes = 0;
    std::vector<std::string> learned;
    HWND mainWindow = nullptr;
    int bitmapLoads = 0;
    int modalDepth = 0;
    // Calls of the tray icon's window list in order: {added (else removed), window}.
    std::vector<std::pair<bool, HWND>> trayCalls;

private:
    template <typename K>
    static bool Find(const std::map<K, std::string>& map, const K& key, CString* value)
    {
        value->Empty();
        auto it = map.find(key);
        if (it == map.end())
            return false;
        *value = it->second.c_str();
        return true;
    }
};

// The region of a region value "count:l,t,r,b:..." built by the system from its rectangles.
inline HRGN RegionFromValue(const std::string& value)
{
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    std::size_t pos = value.find(':');
    while (pos != std::string::npos && pos + 1 < value.size()) {
        int l, t, r, b;
        if (std::sscanf(value.c_str() + pos + 1, "%d,%d,%d,%d", &l, &t, &r, &b) == 4) {
            HRGN part = ::CreateRectRgn(l, t, r, b);
            ::CombineRgn(region, region, part, RGN_OR);
            ::DeleteObject(part);
        }
        pos = value.find(':', pos + 1);
    }
    return region;
}

// The window's applied region (null when it has none); the caller deletes it.
inline HRGN WindowRegion(HWND window)
{
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    if (::GetWindowRgn(window, region) == ERROR) {
        ::DeleteObject(region);
        return nullptr;
    }
    return region;
}
