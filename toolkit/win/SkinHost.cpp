#include "toolkit/win/SkinHost.h"

namespace {

class CEmptySkinSource : public ISkinSource {
public:
    HBITMAP LoadSkinBitmap(const char*) override { return nullptr; }
    CString GetKeyColorText() override { return CString(); }
    bool GetRegionInfo(const char*, CString* value, bool) override
    {
        value->Empty();
        return false;
    }
    CString GetRegionCacheKey(const char*) override { return CString(); }
    void SetInfoValue(const char*) override {}
    bool GetResizeInfo(const char*, CString* value) override
    {
        value->Empty();
        return false;
    }
    bool GetTitleInfo(UINT, CString* value) override
    {
        value->Empty();
        return false;
    }
    int GetControlRect(UINT, RECT* rect) override
    {
        ::SetRectEmpty(rect);
        return -1;
    }
    bool GetDockInfo(UINT, CString* value) override
    {
        value->Empty();
        return true;
    }
};

class CEmptyHost : public IToolkitHost {
public:
    HWND GetMainWindow() override { return nullptr; }
    HCURSOR GetHoverCursor() override { return ::LoadCursor(nullptr, IDC_HAND); }
    void SetModalState(bool) override {}
};

CEmptySkinSource g_emptySource;
CEmptyHost g_emptyHost;
ISkinSource* g_source = nullptr;
IToolkitHost* g_host = nullptr;

} // namespace

namespace toolkit {

void SetSkinSource(ISkinSource* source) { g_source = source; }
ISkinSource& Skins() { return g_source ? *g_source : g_emptySource; }
void SetHost(IToolkitHost* host) { g_host = host; }
IToolkitHost& Host() { return g_host ? *g_host : g_emptyHost; }

} // namespace toolkit
