// The program's windows by kind: every window that other windows must find again (the main
// window, the send window, each message-log window, the browser windows opened on request...)
// is a member while its window exists. The framework's window class joins a window when it is
// created and takes it out when it is destroyed or its object dies, so a member is never a
// window that is gone nor an object that was deleted. Members are held by pointer and never
// dereferenced here.
//
// Walks run over a copy taken when they start, and skip a member that left meanwhile: a walk
// may destroy windows (its own or others) and create new ones as it goes. A new window may get
// the address of one just deleted, so each joining has its own number, and a walk visits only
// the joinings it copied. Only the user-interface thread, which owns every window of the
// program, uses the registry.
#pragma once

#include "framework/core/CString.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

class CWnd;

using WindowKind = uint16_t;
// The kind of a window that is no member.
constexpr WindowKind kNoWindowKind = 0;

struct RegisteredWindow {
    WindowKind kind;
    CWnd* window;
    CString name;
    uint64_t joining; // numbers every joining, never reused
};

class CWindowRegistry {
public:
    // Adds the window under the kind and name; a member joining again moves to the end with its
    // new kind and name. A null window or kNoWindowKind is ignored.
    void Join(WindowKind kind, CWnd* window, const CString& name = CString());
    // Takes the window out; nothing when it is no member.
    void Leave(const CWnd* window);
    void Clear() { m_members.clear(); }

    bool Contains(const CWnd* window) const;
    // Whether that joining still holds: the same window, not left since.
    bool IsCurrent(const RegisteredWindow& member) const;
    bool IsEmpty() const { return m_members.empty(); }
    // The kind of a member, or kNoWindowKind.
    WindowKind KindOf(const CWnd* window) const;
    // The first member of the kind, in joining order; null when there is none.
    CWnd* Find(WindowKind kind) const;
    // The first member that joined under the name; null when there is none.
    CWnd* FindByName(const CString& name) const;

    // Copies of the members in joining order: all of them, or those of the kinds, kind by kind
    // in the order given.
    std::vector<RegisteredWindow> Members() const { return m_members; }
    std::vector<RegisteredWindow> Members(std::initializer_list<WindowKind> kinds) const;
    std::vector<CWnd*> Windows(WindowKind kind) const;
    std::vector<CWnd*> Windows(std::initializer_list<WindowKind> kinds) const;

    // Calls visit(window) for each member of the kinds (in the order of Members(kinds)) as they
    // were when the walk began, skipping those that have left by the time their turn comes.
    template <class Visit>
    void ForEach(std::initializer_list<WindowKind> kinds, Visit visit) const
    {
        for (const RegisteredWindow& member : Members(kinds)) {
            if (IsCurrent(member))
                visit(member.window);
        }
    }

    // Calls visit(member) for each member as the registry was when the walk began, skipping
    // those that have left by the time their turn comes.
    template <class Visit>
    void ForEach(Visit visit) const
    {
        for (const RegisteredWindow& member : Members()) {
            if (IsCurrent(member))
                visit(member);
        }
    }

private:
    std::vector<RegisteredWindow> m_members;
    uint64_t m_joinings = 0;
};
