#include "framework/core/WindowRegistry.h"

#include <algorithm>

void CWindowRegistry::Join(WindowKind kind, CWnd* window, const CString& name)
{
    if (!window || kind == kNoWindowKind)
        return;
    Leave(window);
    m_members.push_back({kind, window, name, ++m_joinings});
}

void CWindowRegistry::Leave(const CWnd* window)
{
    m_members.erase(std::remove_if(m_members.begin(), m_members.end(),
                                   [window](const RegisteredWindow& member) { return member.window == window; }),
                    m_members.end());
}

bool CWindowRegistry::Contains(const CWnd* window) const { return KindOf(window) != kNoWindowKind; }

bool CWindowRegistry::IsCurrent(const RegisteredWindow& member) const
{
    for (const RegisteredWindow& current : m_members) {
        if (current.window == member.window)
            return current.joining == member.joining;
    }
    return false;
}

WindowKind CWindowRegistry::KindOf(const CWnd* window) const
{
    for (const RegisteredWindow& member : m_members) {
        if (member.window == window)
            return member.kind;
    }
    return kNoWindowKind;
}

CWnd* CWindowRegistry::Find(WindowKind kind) const
{
    for (const RegisteredWindow& member : m_members) {
        if (member.kind == kind)
            return member.window;
    }
    return nullptr;
}

CWnd* CWindowRegistry::FindByName(const CString& name) const
{
    for (const RegisteredWindow& member : m_members) {
        if (member.name.Compare(name) == 0)
            return member.window;
    }
    return nullptr;
}

std::vector<RegisteredWindow> CWindowRegistry::Members(std::initializer_list<WindowKind> kinds) const
{
    std::vector<RegisteredWindow> members;
    for (WindowKind kind : kinds) {
        for (const RegisteredWindow& member : m_members) {
            if (member.kind == kind)
                members.push_back(member);
        }
    }
    return members;
}

std::vector<CWnd*> CWindowRegistry::Windows(WindowKind kind) const { return Windows({kind}); }

std::vector<CWnd*> CWindowRegistry::Windows(std::initializer_list<WindowKind> kinds) const
{
    std::vector<CWnd*> windows;
    for (const RegisteredWindow& member : Members(kinds))
        windows.push_back(member.window);
    return windows;
}
