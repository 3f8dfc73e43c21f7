// What the Windows tests of the CD player and the voice-clip panel share: the build's base skin
// behind a source that can hide chosen bitmaps, a toolkit host and a main window that leads the
// docked family.
#pragma once

#include "framework/win/DialogTemplate.h"
#include "shell/notify/tests/BaseSkinScope.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <set>
#include <string>

namespace mediatest {

// The base skin, without the bitmaps named in hidden.
class CFilteringSource : public ISkinSource {
public:
    explicit CFilteringSource(ISkinSource& inner) : m_inner(inner) {}
    std::set<std::string> hidden;
    HBITMAP LoadSkinBitmap(const char* name) override
    {
        return hidden.count(name ? name : "") ? nullptr : m_inner.LoadSkinBitmap(name);
    }
    CString GetKeyColorText() override { return m_inner.GetKeyColorText(); }
    bool GetRegionInfo(const char* b, CString* v, bool f) override { return m_inner.GetRegionInfo(b, v, f); }
    CString GetRegionCacheKey(const char* b) override { return m_inner.GetRegionCacheKey(b); }
    void SetInfoValue(const char* line) override { m_inner.SetInfoValue(line); }
    bool GetResizeInfo(const char* b, CString* v) override { return m_inner.GetResizeInfo(b, v); }
    bool GetTitleInfo(UINT id, CString* v) override { return m_inner.GetTitleInfo(id, v); }
    int GetControlRect(UINT id, RECT* r) override { return m_inner.GetControlRect(id, r); }
    bool GetDockInfo(UINT id, CString* v) override { return m_inner.GetDockInfo(id, v); }
    void GetControlFields(UINT id, CString* a, CString* b) override { m_inner.GetControlFields(id, a, b); }
    bool IsBaseSkin() override { return m_inner.IsBaseSkin(); }

private:
    ISkinSource& m_inner;
};

class CTestHost : public IToolkitHost {
public:
    HWND GetMainWindow() override { return main; }
    HCURSOR GetHoverCursor() override { return ::LoadCursor(nullptr, IDC_HAND); }
    void SetModalState(bool) override {}
    HWND main = nullptr;
};

// The main window of the family: a skinned leader on "main.bmp".
class CTestLeader : public CSkinFrameDialog {
public:
    CTestLeader()
        : CSkinFrameDialog(100, nullptr),
          m_template(WS_POPUP | DS_SETFONT, WS_EX_TOOLWINDOW, 100, 40, "MS UI Gothic", 9, SHIFTJIS_CHARSET)
    {
        m_style = kModeLeader;
    }
    bool Make() { return LoadSkin("main.bmp", FALSE) && CreateIndirect(m_template.Data(), nullptr); }

private:
    CDialogTemplateEx m_template;
};

// Base skin, filtering source, host and leader for one test.
class CMediaSkin {
public:
    bool Start(const char* folder)
    {
        if (!m_base.Start(folder, &host))
            return false;
        m_filter = new CFilteringSource(m_base.Source());
        toolkit::SetSkinSource(m_filter);
        if (!leader.Make())
            return false;
        host.main = leader.GetSafeHwnd();
        leader.MoveWindow(40, 40, 192, 288, TRUE);
        leader.ShowWindow(SW_SHOWNOACTIVATE);
        return true;
    }
    void Stop()
    {
        if (leader.GetSafeHwnd())
            leader.DestroyWindow();
        host.main = nullptr;
        m_base.Stop();
        delete m_filter;
        m_filter = nullptr;
    }
    CFilteringSource& Filter() { return *m_filter; }
    CTestHost host;
    CTestLeader leader;

private:
    CBaseSkinScope m_base;
    CFilteringSource* m_filter = nullptr;
};

} // namespace mediatest
