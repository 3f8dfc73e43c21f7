// The main window's family: the leader's groups, docking from the skin, the slides, the leader's
// move that carries its family, and the z-order rules.
#include "toolkit/win/SkinFrameDialog.h"

#include "toolkit/win/WinRect.h"

#include <algorithm>

namespace {

HWND HandleOf(CWnd* window) { return window ? window->GetSafeHwnd() : nullptr; }

skin::Point ToPoint(const POINT& p) { return skin::Point{p.x, p.y}; }

RECT WindowRect(HWND window)
{
    RECT r;
    ::GetWindowRect(window, &r);
    return r;
}

// Whether window stands right behind owner in the z-order, or among the family windows that are
// right behind it for the same owner (two drawers behind the leader take turns otherwise).
bool IsRightBehind(HWND window, HWND owner)
{
    for (HWND next = ::GetWindow(owner, GW_HWNDNEXT); next; next = ::GetWindow(next, GW_HWNDNEXT)) {
        if (next == window)
            return true;
        CSkinFrameDialog* member = CSkinFrameDialog::FromHandle(next);
        if (!member || member->GetOrderOwner() != owner)
            return false;
    }
    return false;
}

void PutBehind(HWND window, HWND owner)
{
    if (!window || !owner || window == owner || !::IsWindow(window) || !::IsWindow(owner) ||
        IsRightBehind(window, owner))
        return;
    ::SetWindowPos(window, owner, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

// Moves windows by (dx, dy) in one batch; nothing moves when any step fails.
void MoveInOneBatch(const std::vector<HWND>& windows, int dx, int dy)
{
    if (windows.empty())
        return;
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(windows.size()));
    for (HWND window : windows) {
        if (!batch)
            return;
        RECT r = WindowRect(window);
        batch = ::DeferWindowPos(batch, window, HWND_NOTOPMOST, r.left + dx, r.top + dy, 0, 0,
                                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
    if (batch)
        ::EndDeferWindowPos(batch);
}

} // namespace

CSkinFrameDialog* CSkinFrameDialog::FromHandle(HWND window)
{
    return dynamic_cast<CSkinFrameDialog*>(CWnd::FromHandlePermanent(window));
}

CSkinFrameDialog* CSkinFrameDialog::Leader() { return FromHandle(toolkit::Host().GetMainWindow()); }

// Groups ---------------------------------------------------------------------------------------

void CSkinFrameDialog::AddListWindow(CWnd* window)
{
    if (HWND h = HandleOf(window))
        m_listGroup.Add(h);
}

void CSkinFrameDialog::AddDockedWindow(CWnd* window)
{
    if (HWND h = HandleOf(window))
        m_dockedGroup.Add(h);
}

BOOL CSkinFrameDialog::RemoveDockedWindow(CWnd* window) { return m_dockedGroup.Remove(HandleOf(window)); }

void CSkinFrameDialog::AddFloatingWindow(CWnd* window)
{
    if (HWND h = HandleOf(window))
        m_floatingGroup.Add(h);
}

BOOL CSkinFrameDialog::RemoveFloatingWindow(CWnd* window) { return m_floatingGroup.Remove(HandleOf(window)); }

BOOL CSkinFrameDialog::IsFloatingWindow(CWnd* window) const { return IsFloatingWindow(HandleOf(window)); }

BOOL CSkinFrameDialog::IsFloatingWindow(HWND window) const { return window && m_floatingGroup.Contains(window); }

void CSkinFrameDialog::ForgetMember(HWND window)
{
    m_listGroup.Remove(window);
    m_dockedGroup.Remove(window);
    m_floatingGroup.Remove(window);
    for (auto it = m_hiddenByLeader.begin(); it != m_hiddenByLeader.end();)
        it = *it == window ? m_hiddenByLeader.erase(it) : it + 1;
}

namespace {

void ShowMembers(const std::vector<HWND>& members, BOOL show)
{
    for (HWND window : members)
        if (::IsWindow(window))
            ::ShowWindow(window, show ? SW_SHOWNA : SW_HIDE);
}

} // namespace

void CSkinFrameDialog::ShowListGroup(BOOL show) { ShowMembers(m_listGroup.Members(), show); }
void CSkinFrameDialog::ShowDockedGroup(BOOL show) { ShowMembers(m_dockedGroup.Members(), show); }
void CSkinFrameDialog::ShowFloatingGroup(BOOL show) { ShowMembers(m_floatingGroup.Members(), show); }

void CSkinFrameDialog::ShowAllGroups(BOOL show)
{
    if (!show) {
        // Remembered so that coming back from the tray shows what was shown, not every docked
        // panel hidden at its dock.
        m_hiddenByLeader.clear();
        for (const auto* group : {&m_listGroup, &m_dockedGroup, &m_floatingGroup})
            for (HWND window : group->Members())
                if (::IsWindowVisible(window))
                    m_hiddenByLeader.push_back(window);
        m_groupsHidden = true;
        ShowListGroup(FALSE);
        ShowDockedGroup(FALSE);
        ShowFloatingGroup(FALSE);
        ShowWindow(SW_HIDE);
        return;
    }
    if (m_groupsHidden) {
        ShowMembers(m_hiddenByLeader, TRUE);
        m_hiddenByLeader.clear();
        m_groupsHidden = false;
    } else {
        ShowListGroup(TRUE);
        ShowDockedGroup(TRUE);
        ShowFloatingGroup(TRUE);
    }
    ShowWindow(SW_SHOW);
    ::BringWindowToTop(m_hWnd);
}

void CSkinFrameDialog::Undock(CWnd* window)
{
    HWND h = HandleOf(window);
    if (!h || !m_dockedGroup.Remove(h))
        return;
    ::SetWindowPos(h, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    m_floatingGroup.Add(h);
    if (CSkinFrameDialog* panel = FromHandle(h))
        panel->m_floating = TRUE;
}

void CSkinFrameDialog::Redock(CWnd* window)
{
    HWND h = HandleOf(window);
    if (!h)
        return;
    m_floatingGroup.Remove(h);
    m_dockedGroup.Add(h);
    if (CSkinFrameDialog* panel = FromHandle(h))
        panel->m_floating = FALSE;
}

void CSkinFrameDialog::MoveAttachedGroups(int dx, int dy)
{
    std::vector<HWND> windows;
    for (HWND h : m_listGroup.Members())
        if (::IsWindow(h))
            windows.push_back(h);
    for (HWND h : m_dockedGroup.Members()) {
        CSkinFrameDialog* panel = FromHandle(h);
        if (::IsWindow(h) && (!panel || panel->m_orderOwner))
            windows.push_back(h);
    }
    MoveInOneBatch(windows, dx, dy);
}

void CSkinFrameDialog::MoveTouchingWindows(const RECT& leaderRect, int dx, int dy)
{
    std::vector<HWND> windows;
    for (HWND h : m_floatingGroup.Members()) {
        if (!::IsWindow(h))
            continue;
        CSkinFrameDialog* member = FromHandle(h);
        // A panel dragged away from its dock stays where it was put.
        if (member && member->Mode() == kModePanel)
            continue;
        if (skin::TouchesLeader(ToSkin(leaderRect), ToSkin(WindowRect(h))))
            windows.push_back(h);
    }
    MoveInOneBatch(windows, dx, dy);
}

// A window's place ----------------------------------------------------------------------------

void CSkinFrameDialog::SetDockMode(char letter, int distance)
{
    m_dockLetter = letter;
    m_slideDistance = distance < 0 ? 0 : (distance > skin::kMaxSlideDistance ? skin::kMaxSlideDistance : distance);
    m_slideProgress = 0;
    m_slideInterval = kSlideInterval;
    m_slideStep = skin::SlideStep(m_slideDistance);
}

void CSkinFrameDialog::SetOrderOwner(HWND window)
{
    m_orderOwner = window;
    if (window)
        m_savedOrderOwner = window;
}

POINT CSkinFrameDialog::DockPosition(const CSkinFrameDialog& leader) const
{
    RECT main = WindowRect(leader.m_hWnd);
    return POINT{main.left + m_dockOffset.x, main.top + m_dockOffset.y};
}

bool CSkinFrameDialog::IsOnDockPath(const CSkinFrameDialog& leader) const
{
    RECT r = WindowRect(m_hWnd);
    return skin::IsOnDockPath(skin::Point{r.left, r.top}, ToPoint(DockPosition(leader)), m_dockLetter,
                              m_slideDistance);
}

BOOL CSkinFrameDialog::IsAtDockPosition(CWnd* window)
{
    CSkinFrameDialog* target = window ? FromHandle(window->GetSafeHwnd()) : this;
    CSkinFrameDialog* leader = Leader();
    if (!target || !leader || !target->m_hWnd || (target->Mode() != kModeDrawer && target->Mode() != kModePanel))
        return FALSE;
    RECT r = WindowRect(target->m_hWnd);
    POINT dock = target->DockPosition(*leader);
    return r.left == dock.x && r.top == dock.y;
}

void CSkinFrameDialog::AddToTrayList()
{
    toolkit::Host().AddTrayWindow(m_hWnd);
    m_onTrayList = true;
}

void CSkinFrameDialog::RemoveFromTrayList()
{
    toolkit::Host().RemoveTrayWindow(m_hWnd);
    m_onTrayList = false;
}

void CSkinFrameDialog::DockFromSkin(UINT dialogId)
{
    CSkinFrameDialog* leader = Leader();
    if (!leader || !m_hWnd)
        return;
    CString value;
    toolkit::Skins().GetDockInfo(dialogId, &value);
    skin::DockEntry entry = skin::ParseDockEntry(value.str());
    // The dock is known before the window moves there, so that the move finds it docked.
    if (entry.hasOffset)
        SetDockOffset(entry.offset.x, entry.offset.y);
    SetDockMode(entry.letter, entry.distance);
    if (entry.hasOffset) {
        POINT dock = DockPosition(*leader);
        SetWindowPos(nullptr, dock.x, dock.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (Mode() == kModeDrawer) {
        PutBehindOrderOwner();
    } else if (Mode() == kModePanel) {
        if (m_dockLetter == 'P') {
            m_orderOwner = nullptr;
            RemoveFromTrayList();
        } else {
            m_orderOwner = m_savedOrderOwner;
        }
        PutBehindOrderOwner();
        ShowWindow(SW_HIDE);
        leader->Redock(this);
    }
}

void CSkinFrameDialog::ShowFromMain()
{
    CSkinFrameDialog* leader = Leader();
    if (!leader || !m_hWnd || m_runningSlide)
        return;
    if (Mode() == kModePanel && !m_orderOwner) {
        // A panel on its own shows where it is, in front, and the tray can bring it back.
        SetWindowPos(nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
        ::BringWindowToTop(m_hWnd);
        AddToTrayList();
        return;
    }
    if (Mode() == kModePanel)
        ShowWindow(SW_SHOWNA);
    if (Mode() == kModeDrawer || Mode() == kModePanel)
        StartSlide(IsAtDockPosition() ? kSlideOutTimer : kSlideBackTimer);
}

void CSkinFrameDialog::ShowDocked()
{
    CSkinFrameDialog* leader = Leader();
    if (!leader || !m_hWnd)
        return;
    if (Mode() == kModePanel && !m_orderOwner) {
        SetWindowPos(nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
        ::BringWindowToTop(m_hWnd);
        return;
    }
    if (!IsAtDockPosition())
        StartSlide(kSlideBackTimer);
    else
        m_slideProgress = 0;
    if (Mode() == kModePanel)
        leader->Redock(this);
}

void CSkinFrameDialog::SlideIfDocked()
{
    if (IsAtDockPosition())
        StartSlide(kSlideOutTimer);
}

void CSkinFrameDialog::SnapToDock()
{
    CSkinFrameDialog* leader = Leader();
    if (!leader || !m_hWnd)
        return;
    StopSlide();
    ShowWindow(SW_HIDE);
    POINT dock = DockPosition(*leader);
    SetWindowPos(nullptr, dock.x, dock.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_slideProgress = 0;
    leader->Redock(this);
    if (Mode() == kModePanel && !m_orderOwner)
        RemoveFromTrayList();
}

// Slides ---------------------------------------------------------------------------------------

void CSkinFrameDialog::StopSlide()
{
    if (!m_runningSlide)
        return;
    KillTimer(m_runningSlide);
    m_runningSlide = 0;
}

bool CSkinFrameDialog::StartSlide(UINT_PTR timer)
{
    CSkinFrameDialog* leader = Leader();
    if (!leader || !m_hWnd)
        return false;
    if (timer == kSlideOutTimer) {
        if (m_slideStep <= 0)
            return false;
    } else {
        // The way back is measured now; even a way shorter than three pixels is covered.
        RECT r = WindowRect(m_hWnd);
        POINT dock = DockPosition(*leader);
        m_slideBackDistance = POINT{dock.x - r.left, dock.y - r.top};
        skin::Point step = skin::SlideBackStep(skin::Point{r.left, r.top}, ToPoint(dock));
        m_slideBackStep = POINT{step.x, step.y};
        m_slideProgress = 0;
        if (m_slideBackDistance.x == 0 && m_slideBackDistance.y == 0)
            return false;
    }
    // One slide at a time.
    StopSlide();
    m_runningSlide = timer;
    SetTimer(timer, m_slideInterval);
    return true;
}

void CSkinFrameDialog::SlideOutTick()
{
    KillTimer(kSlideOutTimer);
    if (m_runningSlide != kSlideOutTimer)
        return;
    m_runningSlide = 0;
    skin::Point direction = skin::SlideDirection(m_dockLetter);
    if (direction == skin::Point{0, 0})
        return;
    skin::SlideOutTick tick = skin::NextSlideOut(m_slideDistance, m_slideStep, m_slideProgress);
    if (tick.move) {
        RECT r = WindowRect(m_hWnd);
        m_sliding = TRUE;
        MoveWindow(r.left + direction.x * tick.move, r.top + direction.y * tick.move, r.right - r.left,
                   r.bottom - r.top, TRUE);
        m_sliding = FALSE;
    }
    m_slideProgress += tick.move;
    if (tick.more) {
        m_runningSlide = kSlideOutTimer;
        SetTimer(kSlideOutTimer, m_slideInterval);
    }
}

void CSkinFrameDialog::SlideBackTick()
{
    KillTimer(kSlideBackTimer);
    if (m_runningSlide != kSlideBackTimer)
        return;
    m_runningSlide = 0;
    CSkinFrameDialog* leader = Leader();
    if (!leader)
        return;
    RECT r = WindowRect(m_hWnd);
    skin::Point dock = ToPoint(DockPosition(*leader));
    skin::Point next = skin::NextSlideBack(skin::Point{r.left, r.top}, dock, ToPoint(m_slideBackStep));
    m_sliding = TRUE;
    MoveWindow(next.x, next.y, r.right - r.left, r.bottom - r.top, TRUE);
    m_sliding = FALSE;
    if (next != dock) {
        m_runningSlide = kSlideBackTimer;
        SetTimer(kSlideBackTimer, m_slideInterval);
        return;
    }
    m_slideProgress = 0;
    if (Mode() == kModePanel && m_orderOwner)
        ShowWindow(SW_HIDE);
}

// Moves ----------------------------------------------------------------------------------------

void CSkinFrameDialog::OnMove(int, int)
{
    Default();
    RECT r = WindowRect(m_hWnd);
    POINT now = {r.left, r.top};
    POINT before = m_lastPosition;
    bool known = m_positionKnown;
    m_lastPosition = now;
    m_positionKnown = true;
    if (!known)
        return;
    if (Leader() == this) {
        if (now.x != before.x || now.y != before.y)
            LeaderMoved(now.x - before.x, now.y - before.y);
    } else if (Mode() == kModePanel && !m_sliding) {
        PanelMoved();
    }
}

void CSkinFrameDialog::LeaderMoved(int dx, int dy)
{
    // The whole family moves together; the free windows it carries change nobody's place in the
    // z-order, the drawers and panels keep their own rules as they move.
    m_carryingFamily = true;
    MoveAttachedGroups(dx, dy);
    // Where the leader stood before this move, at its skin's size when it has one.
    RECT now = WindowRect(m_hWnd);
    int width = now.right - now.left, height = now.bottom - now.top;
    if (!::IsRectEmpty(&m_leaderSize)) {
        width = m_leaderSize.right - m_leaderSize.left;
        height = m_leaderSize.bottom - m_leaderSize.top;
    }
    RECT old = {now.left - dx, now.top - dy, now.left - dx + width, now.top - dy + height};
    MoveTouchingWindows(old, dx, dy);
    m_carryingFamily = false;
}

void CSkinFrameDialog::PanelMoved()
{
    CSkinFrameDialog* leader = Leader();
    if (!leader || !m_orderOwner)
        return;
    // Anywhere on its way out counts as docked: the leader carries a panel that slid out sideways.
    if (IsOnDockPath(*leader)) {
        if (m_floating && !m_dragging)
            leader->Redock(this);
    } else if (!m_floating) {
        leader->Undock(this);
    }
}

// Z-order --------------------------------------------------------------------------------------

void CSkinFrameDialog::PutBehindOrderOwner() { PutBehind(m_hWnd, m_orderOwner); }

void CSkinFrameDialog::PutBehindFamily(const CSkinFrameDialog& leader)
{
    // The lowest window of the leader's family: the leader, its drawers and its docked panels (a
    // top-level window can't go behind another window's child controls). A panel dragged away
    // from its dock was put at the very bottom and stays there.
    std::vector<HWND> family = {leader.m_hWnd};
    for (HWND h : leader.m_listGroup.Members())
        family.push_back(h);
    for (HWND h : leader.m_dockedGroup.Members())
        family.push_back(h);
    HWND lowest = nullptr;
    for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT))
        if (std::find(family.begin(), family.end(), w) != family.end())
            lowest = w;
    if (!lowest || lowest == m_hWnd || ::GetWindow(lowest, GW_HWNDNEXT) == m_hWnd)
        return;
    ::SetWindowPos(m_hWnd, lowest, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void CSkinFrameDialog::OnWindowPosChanged(WINDOWPOS* position)
{
    // The default handling sends WM_MOVE and WM_SIZE: a panel knows whether it floats afterwards.
    Default();
    if (!position || (position->flags & SWP_NOMOVE))
        return;
    switch (Mode()) {
    case kModeDrawer:
        PutBehindOrderOwner();
        break;
    case kModePanel:
        if (!m_floating && IsWindowVisible() && m_orderOwner)
            PutBehindOrderOwner();
        break;
    case kModeFree:
        if (CSkinFrameDialog* leader = Leader(); leader && !leader->m_carryingFamily) {
            // A free window moved over the family: drawers and floating panels back behind their owners.
            for (HWND h : leader->m_listGroup.Members())
                if (CSkinFrameDialog* drawer = FromHandle(h))
                    drawer->PutBehindOrderOwner();
            for (const auto* group : {&leader->m_dockedGroup, &leader->m_floatingGroup})
                for (HWND h : group->Members()) {
                    CSkinFrameDialog* panel = FromHandle(h);
                    if (panel && panel->Mode() == kModePanel && panel->m_floating && ::IsWindowVisible(h))
                        panel->PutBehindOrderOwner();
                }
        }
        break;
    default:
        break;
    }
}

void CSkinFrameDialog::KeepZOrder(UINT state, HWND other, BOOL)
{
    bool active = state != WA_INACTIVE;
    switch (Mode()) {
    case kModeDrawer:
        if (!active)
            PutBehindOrderOwner();
        break;
    case kModePanel:
        if (active) {
            if (m_floating)
                SetWindowPos(HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
            else
                PutBehindOrderOwner();
        }
        break;
    case kModeFree:
        if (!active) {
            if (CSkinFrameDialog* leader = Leader())
                PutBehindFamily(*leader);
        }
        break;
    default:
        break;
    }
    if (other && ::IsWindow(other) && ::IsWindowEnabled(other))
        Default();
}

void CSkinFrameDialog::OnDestroy()
{
    // Nothing of the family keeps a window that is gone.
    StopSlide();
    if (CSkinFrameDialog* leader = Leader())
        if (leader != this)
            leader->ForgetMember(m_hWnd);
    if (m_onTrayList)
        RemoveFromTrayList();
    Default();
}
