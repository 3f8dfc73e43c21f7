// CSkinDialog: the base of every visible window of the main program. It paints itself from a
// skin bitmap instead of the system's frame, takes its shape from the bitmap's pixels that differ
// from the key colour (or from the shape the skin learned before), draws the skin's title, and
// for resizable skins rebuilds its picture from eight pieces and moves anchored controls.
#pragma once

#include "framework/win/Dialog.h"
#include "framework/win/Gdi.h"
#include "toolkit/core/SkinEntries.h"
#include "toolkit/win/SkinHost.h"

#include <vector>

class CSkinDialog : public CDialog {
public:
    CSkinDialog(UINT templateId, CWnd* parent);
    ~CSkinDialog() override;

    // Loads the skin bitmap (current skin, else the base skin) and what the skin knows of its
    // shape and parts; the shape is applied by OnInitDialog. FALSE when the bitmap can't be loaded.
    BOOL LoadSkin(const char* bitmapName, BOOL resizable);
    // Switches a live window to another skin bitmap; keeps the old one when the new one fails.
    BOOL ReloadSkin(const char* bitmapName);
    // Uses a bitmap resource (with its palette) instead of a skin file; MAKELONG(width, height), or 0.
    LONG LoadBitmapResource(UINT id);
    // The transparent colour as a DIB pixel 0x00RRGGBB; a skin that names its own overrides it.
    void SetKeyColor(DWORD rgb);
    BOOL HasSkin() const { return m_skinned; }
    // Anchors: 1 move right, 2 move down, 4 stretch the width, 8 stretch the height; the skin's
    // -1 ("none") and other values outside 0..15 mean no anchor.
    void SetControlAnchor(UINT controlId, int anchor);
    // A child window that is no dialog control. The anchor belongs to the window, not to the
    // object: it is held by handle, and a destroyed window is let go at the next size change or
    // anchoring; a window made again (by the same object or another) is anchored again.
    void SetWindowAnchor(CWnd* window, int anchor);
    void SetWindowAnchor(HWND window, int anchor);
    int GetWindowAnchorCount() const { return static_cast<int>(m_windowAnchors.size()); }
    // The anchor of the index-th anchored window and its handle; past the end skin::kNoAnchor
    // and no window.
    int GetWindowAnchor(int index, HWND* window) const;
    COLORREF GetFillColor() const { return m_fillColor; }
    void PaintSkin(HDC dc);
    BOOL OnEraseBkgnd(HDC dc);
    BOOL SetListCtrlColors(COLORREF color, UINT controlId);
    void OnSize(UINT type, int cx, int cy);

    BOOL OnInitDialog() override;
    // Escape never closes a skinned dialog; subclasses that want it override this again.
    void OnCancel() override {}

    // For subclasses and tests: the skin's size and the key colour in use.
    int GetSkinWidth() const { return m_width; }
    int GetSkinHeight() const { return m_height; }
    DWORD GetKeyColor() const { return m_keyColor; }
    HBITMAP GetSkinBitmap() const { return m_bitmap; }
    const CString& GetBitmapName() const { return m_bitmapName; }

    DECLARE_MESSAGE_MAP()

protected:
    // Static controls (and the buttons and read-only edits that ask as statics) get a transparent
    // text background and a brush of the window's own picture, aligned with the control, so that
    // whatever they erase shows the skin behind them.
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT type);
    BOOL ApplyRegion();

private:
    void LoadRegionFromCache(const char* bitmapName);
    void LoadParts(const CString& value);
    void LoadTitleFont(UINT templateId);
    bool BuildRegionFromBitmap(HRGN* region);
    void SaveRegionToCache(const std::vector<skin::Rect>& rects);
    HRGN CreateRegionFromRects(const std::vector<skin::Rect>& rects, int width, int height) const;
    bool ResizeRegion(int dx, int dy);
    void MoveAnchoredControls(int dx, int dy);
    void ForgetRegionData();
    void TakeBitmap(HBITMAP bitmap);
    void MakeFillBrush();
    // The brush that paints the window's picture (skin and title) at the current client size;
    // made when first asked for after a change of skin, title or size.
    HBRUSH BackgroundBrush();
    void ForgetBackground();
    void DropDeadWindowAnchors();

    CBitmap m_bitmap;
    CPalette m_palette;
    // The window's picture as a pattern for its static controls, and the size it was made for.
    CBitmap m_background;
    CBrush m_backgroundBrush;
    SIZE m_backgroundSize = {0, 0};
    std::vector<skin::Rect> m_regionRects;
    bool m_hasRegionData = false;
    skin::Rect m_stretchBand;
    int m_width = 0;
    int m_height = 0;
    DWORD m_keyColor = skin::kDefaultKeyColor;
    // The key colour the window asked for itself; it comes back when a skin names none.
    DWORD m_ownKeyColor = skin::kDefaultKeyColor;
    BOOL m_resizable = FALSE;
    BOOL m_skinned = FALSE;
    bool m_reloading = false;
    skin::ResizeParts m_parts;
    COLORREF m_fillColor;
    // Made once per skin load, not at every erase.
    CBrush m_fillBrush;
    struct ControlAnchor {
        UINT id;
        int anchor;
    };
    std::vector<ControlAnchor> m_controlAnchors;
    struct WindowAnchor {
        HWND window;
        int anchor;
    };
    std::vector<WindowAnchor> m_windowAnchors;
    CString m_bitmapName;
    skin::Title m_title;
    LOGFONTA m_titleLogFont;
    // Made when the title is read, not at every erase.
    CFont m_titleFont;
};
