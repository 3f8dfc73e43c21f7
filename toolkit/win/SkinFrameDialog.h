// CSkinFrameDialog: what a system frame would give a skinned top-level window: dragging by the
// client area, resize grips, maximise and restore by double-click, refitting after a display
// change, placement beside the main window from the skin, and delayed destruction.
#pragma once

#include "toolkit/win/SkinDialog.h"

class CSkinFrameDialog : public CSkinDialog {
public:
    // Style word: low byte resize bits (2 height, 4 width); second byte the docking mode.
    enum : DWORD {
        kResizeHeight = 0x2,
        kResizeWidth = 0x4,
        kModeLeader = 0x100,
        kModeDrawer = 0x200,
        kModePanel = 0x400,
        kModeFree = 0x800,
    };
    // Timer of CloseLater; the toolkit's timer ids are not reused on the same window.
    static const UINT_PTR kCloseLaterTimer = 30000;

    CSkinFrameDialog(UINT templateId, CWnd* parent);
    ~CSkinFrameDialog() override;

    BOOL OnInitDialog() override;
    void SetRestoreRect(int left, int top, int right, int bottom) { ::SetRect(&m_doubleClickArea, left, top, right, bottom); }
    // Places the window by the skin's placement entry of the dialog, relative to the main window.
    void PlaceFromSkin(UINT dialogId);
    void SetNoDrag(BOOL noDrag) { m_noDrag = noDrag; }
    BOOL GetNoDrag() const { return m_noDrag; }
    // Hides the window now and destroys it a second later.
    void CloseLater();
    void OnSize(UINT type, int cx, int cy);

    DWORD GetFrameStyle() const { return m_style; }
    BOOL IsMaximised() const { return m_maximised; }
    BOOL IsDragging() const { return m_dragging; }
    SIZE GetMinimumSize() const { return m_minimumSize; }

    DECLARE_MESSAGE_MAP()

protected:
    CWnd* m_parentWindow;
    BOOL m_isNT4 = FALSE;
    RECT m_leaderSize = {0, 0, 0, 0};
    BOOL m_noDrag = FALSE;
    DWORD m_style = 0;
    POINT m_lastPosition = {0, 0};
    SIZE m_lastClientSize = {0, 0};
    bool m_clientSizeKnown = false;
    BOOL m_maximised = FALSE;
    RECT m_restoreRect = {0, 0, 0, 0};
    BOOL m_dragging = FALSE;
    POINT m_lastCursor = {0, 0};
    RECT m_doubleClickArea = {0, 0, 0, 0};
    // A docked panel takes activation only while floating (the docking layer sets it).
    BOOL m_floating = FALSE;
    // The placed size is kept as the minimum size of a resizable window, unless cleared.
    bool m_placementSetsMinimum = true;
    SIZE m_minimumSize = {0, 0};

    DWORD Mode() const { return m_style & 0xFF00; }
    LRESULT OnNcHitTest(POINT screenPoint);
    LRESULT OnMouseActivateMessage(WPARAM, LPARAM);
    void OnMouseMove(UINT flags, POINT point);
    void OnLButtonDown(UINT flags, POINT point);
    void OnLButtonUp(UINT flags, POINT point);
    void OnLButtonDblClk(UINT flags, POINT point);
    LRESULT OnDisplayChangeMessage(WPARAM, LPARAM);
    void OnTimer(UINT_PTR id);
    void OnGetMinMaxInfo(MINMAXINFO* info);

private:
    void StepDrag(POINT clientPoint);
};
