// What the toolkit needs from outside: the skin (bitmaps and values of the current skin, with
// the base skin behind it) and a few services of the application object. The program registers
// its skin manager and its application object at start-up; tests register fakes.
#pragma once

#include "framework/win/Afx.h"

class ISkinSource {
public:
    virtual ~ISkinSource() = default;
    // The bitmap of that file name as a DIB section (current skin, else the base skin), owned by
    // the caller; null when neither skin has it.
    virtual HBITMAP LoadSkinBitmap(const char* fileName) = 0;
    // The current skin's window key colour "r,g,b"; empty when the skin names none.
    virtual CString GetKeyColorText() = 0;
    // The learned region value of a bitmap (without its key), from the current skin, and from the
    // base skin when fallBackToBase is set and the current skin has none.
    virtual bool GetRegionInfo(const char* bitmapName, CString* value, bool fallBackToBase) = 0;
    // The region key of a bitmap; empty when the bitmap has none (nothing is learned then).
    virtual CString GetRegionCacheKey(const char* bitmapName) = 0;
    // A learned line "KEY=value" that the skin keeps from now on.
    virtual void SetInfoValue(const char* line) = 0;
    // The resize-parts value of a bitmap.
    virtual bool GetResizeInfo(const char* bitmapName, CString* value) = 0;
    // The title value of a dialog template.
    virtual bool GetTitleInfo(UINT dialogId, CString* value) = 0;
    // The layout rectangle of a control; answers its anchor, or -1 for none.
    virtual int GetControlRect(UINT controlId, RECT* rect) = 0;
    // The placement value of a dialog template ("x,y,w,h:c" or a dock entry).
    virtual bool GetDockInfo(UINT dialogId, CString* value) = 0;
    // The two fields after a control's rectangle and anchor (a colour, a phrase and its tool
    // tip...); empty when the entry has none.
    virtual void GetControlFields(UINT controlId, CString* first, CString* second)
    {
        (void)controlId;
        first->Empty();
        second->Empty();
    }
    // Whether the current skin is the base skin (nothing to fall back to).
    virtual bool IsBaseSkin() { return false; }
    // Drops what was cached of the current skin before another skin is applied.
    virtual void FlushSkinCache(HWND owner) { (void)owner; }
};

class IToolkitHost {
public:
    virtual ~IToolkitHost() = default;
    // The main launcher window, or null while there is none.
    virtual HWND GetMainWindow() = 0;
    // The cursor skin buttons show while hovered.
    virtual HCURSOR GetHoverCursor() = 0;
    // Brackets modal dialogs and message boxes (the program disables its windows meanwhile).
    virtual void SetModalState(bool modal) = 0;
    // The tray icon's list of windows: a docked panel that stands on its own (no order owner) is on
    // it while it is shown and leaves it when it goes back to its dock or is destroyed.
    virtual void AddTrayWindow(HWND window) { (void)window; }
    virtual void RemoveTrayWindow(HWND window) { (void)window; }
};

namespace toolkit {

// Registered sources; never null (an empty source and host answer when none is registered).
void SetSkinSource(ISkinSource* source);
ISkinSource& Skins();
void SetHost(IToolkitHost* host);
IToolkitHost& Host();

} // namespace toolkit
