// CSkinFrameDialog: what a system frame would give a skinned top-level window: dragging by the
// client area, resize grips, maximise and restore by double-click, refitting after a display
// change, placement beside the main window from the skin, and delayed destruction.
//
// It also makes the main window's family (SkinFrameDocking.cpp): the main window leads; drawers
// hide behind it and slide out from under it; docked panels sit at an offset from it, slide out,
// float when dragged away and return to their dock; free windows follow it while they touch it.
// The leader is the object bound to the host's main window, found when needed: no window keeps a
// pointer to it, and its groups hold window handles, so a window that is gone is never touched
// (a destroyed window also leaves the groups).
#pragma once

#include "toolkit/core/DockLogic.h"
#include "toolkit/win/SkinDialog.h"

#include <vector>

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
    // Timers of the slides and of CloseLater; the toolkit's timer ids are not reused on the same window.
    static constexpr UINT_PTR kSlideOutTimer = 10000;
    static constexpr UINT_PTR kSlideBackTimer = 20000;
    static constexpr UINT_PTR kCloseLaterTimer = 30000;
    static constexpr UINT kSlideInterval = 55;

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

    // The group leader: the frame dialog bound to the host's main window, or null.
    static CSkinFrameDialog* Leader();
    // The frame dialog bound to a window, or null.
    static CSkinFrameDialog* FromHandle(HWND window);

    // The leader's groups (called on the leader). Adding a window that is listed already, or to a
    // full group, does nothing; Remove reports whether the window was there.
    void AddListWindow(CWnd* window);
    void AddDockedWindow(CWnd* window);
    BOOL RemoveDockedWindow(CWnd* window);
    void AddFloatingWindow(CWnd* window);
    BOOL RemoveFloatingWindow(CWnd* window);
    BOOL IsFloatingWindow(CWnd* window) const;
    BOOL IsFloatingWindow(HWND window) const;
    const std::vector<HWND>& GetListGroup() const { return m_listGroup.Members(); }
    const std::vector<HWND>& GetDockedGroup() const { return m_dockedGroup.Members(); }
    const std::vector<HWND>& GetFloatingGroup() const { return m_floatingGroup.Members(); }
    void ShowListGroup(BOOL show);
    void ShowDockedGroup(BOOL show);
    void ShowFloatingGroup(BOOL show);
    // FALSE hides the groups and the leader (to the tray); TRUE shows them again with the leader
    // on top. After a hide, exactly the windows that were visible come back.
    void ShowAllGroups(BOOL show);
    // A panel leaves the docked group for the floating group (and the bottom of the z-order), or
    // comes back.
    void Undock(CWnd* window);
    void Redock(CWnd* window);
    // Moves the list group and the docked panels that have an order owner by (dx, dy) in one batch.
    void MoveAttachedGroups(int dx, int dy);
    // Moves the free windows that touch the leader's rectangle (before its move) by (dx, dy).
    void MoveTouchingWindows(const RECT& leaderRect, int dx, int dy);
    // The leader's size from its skin (empty: its window's own size).
    void SetLeaderSize(const RECT& size) { m_leaderSize = size; }

    // A window's place in the family.
    void DockFromSkin(UINT dialogId);
    void SetDockOffset(int x, int y) { m_dockOffset = POINT{x, y}; }
    void SetDockMode(char letter, int distance);
    void SetOrderOwner(CWnd* window) { SetOrderOwner(window ? window->GetSafeHwnd() : nullptr); }
    void SetOrderOwner(HWND window);
    HWND GetOrderOwner() const { return m_orderOwner; }
    POINT GetDockOffset() const { return m_dockOffset; }
    char GetDockLetter() const { return m_dockLetter; }
    int GetSlideDistance() const { return m_slideDistance; }
    // Pixels covered by the slide-out so far.
    int GetSlideProgress() const { return m_slideProgress; }
    // The timer of the slide that runs (kSlideOutTimer or kSlideBackTimer), or 0.
    UINT_PTR GetRunningSlide() const { return m_runningSlide; }
    // A docked panel dragged away from its dock.
    BOOL IsFloating() const { return m_floating; }
    // Drawers and docked panels: whether the window (null: this one) stands exactly at its dock.
    BOOL IsAtDockPosition(CWnd* window = nullptr);
    // The leader's command to show a drawer or panel: it slides out from its dock or back to it.
    void ShowFromMain();
    // Brings the window back to its dock.
    void ShowDocked();
    void SlideIfDocked();
    // Hides the window and puts it at its dock at once.
    void SnapToDock();
    // The z-order rules on activation, called from a window's own activation handler; the default
    // activation handling follows when the other window exists and is enabled.
    void KeepZOrder(UINT state, HWND other, BOOL minimised);

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
    void OnMove(int x, int y);
    void OnWindowPosChanged(WINDOWPOS* position);
    void OnDestroy();

    // Docking state.
    HWND m_orderOwner = nullptr;
    HWND m_savedOrderOwner = nullptr;
    skin::WindowGroup<HWND> m_listGroup{skin::kListGroupSize};
    skin::WindowGroup<HWND> m_dockedGroup{skin::kDockedGroupSize};
    skin::WindowGroup<HWND> m_floatingGroup{skin::kFloatingGroupSize};
    POINT m_dockOffset = {0, 0};
    char m_dockLetter = 0;
    int m_slideDistance = 0;
    int m_slideStep = 0;
    UINT m_slideInterval = kSlideInterval;
    int m_slideProgress = 0;
    BOOL m_sliding = FALSE;
    POINT m_slideBackStep = {0, 0};
    POINT m_slideBackDistance = {0, 0};
    UINT_PTR m_runningSlide = 0;
    bool m_positionKnown = false;
    bool m_carryingFamily = false;
    bool m_onTrayList = false;
    // The members that ShowAllGroups(FALSE) hid, to be shown again.
    std::vector<HWND> m_hiddenByLeader;
    bool m_groupsHidden = false;

private:
    void StepDrag(POINT clientPoint);
    // Docking helpers (SkinFrameDocking.cpp).
    POINT DockPosition(const CSkinFrameDialog& leader) const;
    bool IsOnDockPath(const CSkinFrameDialog& leader) const;
    bool StartSlide(UINT_PTR timer);
    void StopSlide();
    void SlideOutTick();
    void SlideBackTick();
    void PanelMoved();
    void LeaderMoved(int dx, int dy);
    void ForgetMember(HWND window);
    void PutBehindOrderOwner();
    void PutBehindFamily(const CSkinFrameDialog& leader);
    void AddToTrayList();
    void RemoveFromTrayList();
};
