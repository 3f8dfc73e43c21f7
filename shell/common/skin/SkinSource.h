// CSkinManagerSource: the skinned window toolkit's view of the skin manager. The toolkit declares
// what it asks of skins (ISkinSource); the skin manager lives above it and answers through this
// adapter, which the program registers with toolkit::SetSkinSource once the skins are unpacked.
#pragma once

#include "shell/common/skin/SkinManager.h"
#include "toolkit/win/SkinHost.h"

class CSkinManagerSource : public ISkinSource {
public:
    explicit CSkinManagerSource(CSkinManager& skins) : m_skins(skins) {}

    HBITMAP LoadSkinBitmap(const char* fileName) override { return m_skins.LoadBitmap(fileName); }
    CString GetKeyColorText() override { return m_skins.GetKeyColorText(); }
    bool GetRegionInfo(const char* bitmapName, CString* value, bool fallBackToBase) override
    {
        return m_skins.GetRegionInfo(bitmapName, *value, fallBackToBase);
    }
    CString GetRegionCacheKey(const char* bitmapName) override { return m_skins.GetRegionCacheKey(bitmapName); }
    // The skin manager decides what outlives the run: a learned line of the base skin is kept
    // for this run only, one of another skin is written back to its archive later.
    void SetInfoValue(const char* line) override { m_skins.SetInfoValue(CString(line ? line : "")); }
    bool GetResizeInfo(const char* bitmapName, CString* value) override
    {
        return m_skins.GetResizeInfo(bitmapName, *value);
    }
    bool GetTitleInfo(UINT dialogId, CString* value) override { return m_skins.GetTitleInfo(dialogId, *value); }
    int GetControlRect(UINT controlId, RECT* rect) override { return m_skins.GetControlRect(controlId, *rect); }
    bool GetDockInfo(UINT dialogId, CString* value) override { return m_skins.GetDockInfo(dialogId, *value); }
    void GetControlFields(UINT controlId, CString* first, CString* second) override
    {
        m_skins.GetControlFields(controlId, *first, *second);
    }
    bool IsBaseSkin() override { return m_skins.IsBaseSkin(); }
    void FlushSkinCache(HWND owner) override { m_skins.FlushSkinCache(owner); }

private:
    CSkinManager& m_skins;
};
