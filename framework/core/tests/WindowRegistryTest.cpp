// The window registry's own rules, with windows that keep the framework's promise: a window
// leaves the registry when it is destroyed, and a self-deleting one is deleted right after.
// Under AddressSanitizer a walk that hands out a deleted window fails at once.
#include "framework/core/WindowRegistry.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

// A stand-in for the framework's window: the registry never looks inside one.
class CWnd {
public:
    CWnd(CWindowRegistry& registry, WindowKind kind, std::string name, std::vector<std::string>& log)
        : m_registry(registry), m_name(std::move(name)), m_log(log)
    {
        registry.Join(kind, this, m_name.c_str());
    }
    virtual ~CWnd() { m_registry.Leave(this); }

    // What the window does while it is destroyed (its own clean-up may destroy other windows).
    std::function<void()> onDestroy;
    bool enabled = true;

    void Destroy()
    {
        m_log.push_back("destroy " + m_name);
        m_registry.Leave(this);
        if (onDestroy)
            onDestroy();
        delete this; // the self-deleting windows do this after their window has gone
    }
    const std::string& Name() const { return m_name; }

private:
    CWindowRegistry& m_registry;
    std::string m_name;
    std::vector<std::string>& m_log;
};

namespace {

enum : WindowKind { kSend = 10, kLog = 11, kMain = 12, kBrowser = 1, kNamed = 98 };

class WindowRegistryTest : public ::testing::Test {
protected:
    ~WindowRegistryTest() override
    {
        // Whatever a test left is deleted without touching the registry's walk.
        for (const RegisteredWindow& member : registry.Members())
            delete member.window;
    }
    CWnd* Make(WindowKind kind, const std::string& name) { return new CWnd(registry, kind, name, log); }

    CWindowRegistry registry;
    std::vector<std::string> log;
};

TEST_F(WindowRegistryTest, AWindowIsAMemberOnceAndFoundByKindOrName)
{
    CWnd* send = Make(kSend, "");
    CWnd* firstLog = Make(kLog, "");
    CWnd* named = Make(kNamed, "room");
    CWnd* secondLog = Make(kLog, "");
    registry.Join(kLog, firstLog); // joining again moves it to the end, it is not added twice
    EXPECT_EQ(4u, registry.Members().size());
    EXPECT_EQ((std::vector<CWnd*>{secondLog, firstLog}), registry.Windows(kLog));
    EXPECT_EQ(send, registry.Find(kSend));
    EXPECT_EQ(secondLog, registry.Find(kLog));
    EXPECT_EQ(nullptr, registry.Find(kMain));
    EXPECT_EQ(named, registry.FindByName("room"));
    EXPECT_EQ(nullptr, registry.FindByName("hall"));
    EXPECT_EQ(kNamed, registry.KindOf(named));
    EXPECT_EQ((std::vector<CWnd*>{send, secondLog, firstLog}), registry.Windows({kSend, kMain, kLog}))
        << "kind by kind in the order asked";
    registry.Join(kNoWindowKind, send);
    registry.Join(kSend, nullptr);
    EXPECT_EQ(kSend, registry.KindOf(send)) << "no kind and no window are ignored";
}

TEST_F(WindowRegistryTest, AWindowDestroyedByItselfIsNoLongerFound)
{
    CWnd* send = Make(kSend, "");
    CWnd* log1 = Make(kLog, "");
    send->Destroy();
    EXPECT_EQ(nullptr, registry.Find(kSend));
    EXPECT_EQ((std::vector<CWnd*>{log1}), registry.Windows({kSend, kLog}));
    delete log1; // an object deleted while its window lives takes it along
    EXPECT_TRUE(registry.IsEmpty());
}

TEST_F(WindowRegistryTest, ClosingAllWhileOneClosesAnother)
{
    // The first browser closes the third one as it goes, the second closes itself and opens a
    // new one: the walk destroys each window once, skips the one already gone and never
    // visits the new one.
    CWnd* first = Make(kBrowser, "first");
    CWnd* second = Make(kBrowser, "second");
    CWnd* third = Make(kBrowser, "third");
    Make(kMain, "main");
    first->onDestroy = [third] { third->Destroy(); };
    second->onDestroy = [this] { Make(kBrowser, "late"); };
    std::vector<std::string> visited;
    registry.ForEach([&](const RegisteredWindow& member) {
        if (member.kind != kBrowser)
            return;
        visited.push_back(member.window->Name());
        member.window->Destroy();
    });
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), visited);
    EXPECT_EQ((std::vector<std::string>{"destroy first", "destroy third", "destroy second"}), log);
    ASSERT_EQ(2u, registry.Members().size());
    EXPECT_EQ("main", registry.Members()[0].window->Name());
    EXPECT_EQ("late", registry.Members()[1].window->Name());
}

TEST_F(WindowRegistryTest, AWindowMadeWhereAGoneOneLivedIsNotVisited)
{
    // The walk copied "second"; by its turn that window is gone and a new one lives at its
    // address (as allocators like to do).
    alignas(CWnd) unsigned char slot[sizeof(CWnd)];
    CWnd* first = Make(kBrowser, "first");
    CWnd* second = new (slot) CWnd(registry, kBrowser, "second", log);
    first->onDestroy = [&] {
        second->~CWnd();
        new (slot) CWnd(registry, kBrowser, "late", log);
    };
    std::vector<std::string> visited;
    registry.ForEach({kBrowser}, [&](CWnd* window) {
        visited.push_back(window->Name());
        if (window == first)
            first->Destroy();
    });
    EXPECT_EQ(std::vector<std::string>{"first"}, visited);
    CWnd* late = std::launder(reinterpret_cast<CWnd*>(slot));
    EXPECT_EQ(late, registry.Find(kBrowser));
    EXPECT_EQ("late", late->Name());
    late->~CWnd();
}

TEST_F(WindowRegistryTest, AWalkOverKindsSkipsWindowsDestroyedBeforeAndDuring)
{
    // The shape of disabling the program's windows: some were destroyed earlier, and disabling
    // one (its WM_ENABLE handler) destroys a window that comes later in the order.
    CWnd* send = Make(kSend, "send");
    CWnd* goneEarly = Make(kLog, "gone early");
    CWnd* log1 = Make(kLog, "log");
    CWnd* goneLater = Make(kLog, "gone later");
    CWnd* main = Make(kMain, "main");
    goneEarly->Destroy();
    std::vector<std::string> disabled;
    registry.ForEach({kSend, kLog, kMain}, [&](CWnd* window) {
        window->enabled = false;
        disabled.push_back(window->Name());
        if (window == log1)
            goneLater->Destroy();
    });
    EXPECT_EQ((std::vector<std::string>{"send", "log", "main"}), disabled);
    EXPECT_FALSE(send->enabled);
    EXPECT_FALSE(main->enabled);
}

} // namespace
