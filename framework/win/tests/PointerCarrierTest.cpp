// Everything that carries a pointer or a pointer-sized value between the program's windows and
// threads keeps all of its bits: message parameters and results, timer ids, list item data,
// window user data, thread parameters, and the bindings of window objects (the window property,
// the creation parameter, the dialog's initialisation parameter, a subclassed control's
// procedure). In the 64-bit build the values and objects here lie above 4 GiB, so a carrier
// that passes through a 32-bit type anywhere loses their upper half and the test fails.
#include "framework/win/Dialog.h"
#include "framework/win/DialogTemplate.h"

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace {

const UINT WM_CARRY = WM_USER + 40;
const UINT WM_RECORD = WM_USER + 41;

// Memory taken from the top of the address space: in a 64-bit process it lies far above 4 GiB,
// so objects placed here have pointers that no 32-bit carrier can hold.
class CHighMemory {
public:
    CHighMemory()
    {
        m_base = ::VirtualAlloc(nullptr, kSize, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE);
    }
    ~CHighMemory()
    {
        if (m_base)
            ::VirtualFree(m_base, 0, MEM_RELEASE);
    }
    CHighMemory(const CHighMemory&) = delete;
    CHighMemory& operator=(const CHighMemory&) = delete;

    // Storage for one object of type T; each call hands out a fresh slot.
    template <typename T>
    void* Slot()
    {
        std::size_t at = (m_used + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
        if (!m_base || at + sizeof(T) > kSize)
            return nullptr;
        m_used = at + sizeof(T);
        return static_cast<char*>(m_base) + at;
    }
    UINT_PTR Base() const { return reinterpret_cast<UINT_PTR>(m_base); }

private:
    static constexpr std::size_t kSize = 1 << 16;
    void* m_base = nullptr;
    std::size_t m_used = 0;
};

// An object placed in high memory, destroyed with its scope.
template <typename T>
class CPlaced {
public:
    explicit CPlaced(CHighMemory& memory)
    {
        if (void* slot = memory.Slot<T>())
            m_object = new (slot) T;
    }
    ~CPlaced()
    {
        if (m_object)
            m_object->~T();
    }
    CPlaced(const CPlaced&) = delete;
    CPlaced& operator=(const CPlaced&) = delete;
    T* operator->() const { return m_object; }
    T* get() const { return m_object; }

private:
    T* m_object = nullptr;
};

// A window that keeps what its handlers were given.
class CCarrierWnd : public CWnd {
public:
    WPARAM lastWParam = 0;
    LPARAM lastLParam = 0;
    UINT_PTR lastTimer = 0;
    bool received = false;
    bool timerFired = false;

    BOOL Create()
    {
        return CreateEx(0, RegisterWindowClass("NvTestCarrierWnd"), "carrier", WS_POPUP, 0, 0, 40, 40, nullptr,
                        nullptr);
    }
    LRESULT OnCarry(WPARAM w, LPARAM l)
    {
        lastWParam = w;
        lastLParam = l;
        received = true;
        // The result is the value that came in, inverted, so the reply is checked as well.
        return static_cast<LRESULT>(~static_cast<UINT_PTR>(l));
    }
    void OnTimer(UINT_PTR id)
    {
        KillTimer(id);
        lastTimer = id;
        timerFired = true;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCarrierWnd, CWnd)
    ON_MESSAGE(WM_CARRY, OnCarry)
    ON_WM_TIMER()
END_MESSAGE_MAP()

// A record that a worker hands a window, the way receive threads post what they read.
struct CarriedRecord {
    UINT_PTR self;  // the record's own address, as its sender saw it
    UINT_PTR value; // the value of the row
};

// A window that takes posted records and reads them back through the pointer it got.
class CRecordWnd : public CWnd {
public:
    std::vector<UINT_PTR> posted; // the addresses the records were posted with
    std::vector<UINT_PTR> seen;

    BOOL Create()
    {
        return CreateEx(0, RegisterWindowClass("NvTestRecordWnd"), "records", WS_POPUP, 0, 0, 40, 40, nullptr,
                        nullptr);
    }
    LRESULT OnRecord(WPARAM, LPARAM lParam)
    {
        // A cut pointer would point nowhere: read the record only through one that was posted.
        bool whole = std::find(posted.begin(), posted.end(), static_cast<UINT_PTR>(lParam)) != posted.end();
        const auto* record = reinterpret_cast<const CarriedRecord*>(lParam);
        seen.push_back(whole && record->self == static_cast<UINT_PTR>(lParam) ? record->value : 0);
        return 0;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecordWnd, CWnd)
    ON_MESSAGE(WM_RECORD, OnRecord)
END_MESSAGE_MAP()

// A dialog that notes which object its initialisation reached.
class CCarrierDialog : public CDialog {
public:
    CCarrierDialog* initialisedAs = nullptr;
    BOOL OnInitDialog() override
    {
        initialisedAs = this;
        return TRUE;
    }
};

// A control bound to an object; its own window procedure (the system's) still does the work.
class CCarrierButton : public CWnd {
public:
    WNDPROC SuperProcedure() const { return m_superWindowProc; }
};

DWORD WINAPI EchoThreadParameter(LPVOID parameter)
{
    auto* out = static_cast<UINT_PTR*>(parameter);
    out[1] = reinterpret_cast<UINT_PTR>(parameter);
    return 0;
}

// Each carrier takes a value and returns what came out at the other end.
struct CarrierRow {
    const char* name;
    std::function<UINT_PTR(UINT_PTR)> roundTrip;
};

std::vector<CarrierRow> ValueCarriers(CCarrierWnd& wnd, HWND listBox, HWND comboBox)
{
    return {
        {"posted message, lParam",
         [=, &wnd](UINT_PTR v) {
             wnd.received = false;
             wnd.PostMessage(WM_CARRY, 0, static_cast<LPARAM>(v));
             return nvtest::PumpUntil([&] { return wnd.received; }) ? static_cast<UINT_PTR>(wnd.lastLParam) : 0;
         }},
        {"posted message, wParam",
         [=, &wnd](UINT_PTR v) {
             wnd.received = false;
             wnd.PostMessage(WM_CARRY, static_cast<WPARAM>(v), 0);
             return nvtest::PumpUntil([&] { return wnd.received; }) ? static_cast<UINT_PTR>(wnd.lastWParam) : 0;
         }},
        {"sent message, lParam and result",
         [=, &wnd](UINT_PTR v) {
             LRESULT r = wnd.SendMessage(WM_CARRY, 0, static_cast<LPARAM>(v));
             return static_cast<UINT_PTR>(wnd.lastLParam) == v ? ~static_cast<UINT_PTR>(r) : 0;
         }},
        {"timer id",
         [=, &wnd](UINT_PTR v) {
             wnd.timerFired = false;
             if (!wnd.SetTimer(v, 1))
                 return UINT_PTR{0};
             return nvtest::PumpUntil([&] { return wnd.timerFired; }) ? wnd.lastTimer : 0;
         }},
        {"list box item data",
         [=, &wnd](UINT_PTR v) {
             LRESULT item = ::SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("row"));
             ::SendMessageA(listBox, LB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(v));
             return static_cast<UINT_PTR>(::SendMessageA(listBox, LB_GETITEMDATA, static_cast<WPARAM>(item), 0));
         }},
        {"combo box item data",
         [=, &wnd](UINT_PTR v) {
             LRESULT item = ::SendMessageA(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("row"));
             ::SendMessageA(comboBox, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(v));
             return static_cast<UINT_PTR>(::SendMessageA(comboBox, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
         }},
        {"window user data",
         [=, &wnd](UINT_PTR v) {
             ::SetWindowLongPtrA(wnd.m_hWnd, GWLP_USERDATA, static_cast<LONG_PTR>(v));
             return static_cast<UINT_PTR>(::GetWindowLongPtrA(wnd.m_hWnd, GWLP_USERDATA));
         }},
        {"window property",
         [=, &wnd](UINT_PTR v) {
             ::SetPropA(wnd.m_hWnd, "NvTestCarried", reinterpret_cast<HANDLE>(v));
             return reinterpret_cast<UINT_PTR>(::RemovePropA(wnd.m_hWnd, "NvTestCarried"));
         }},
        {"thread parameter",
         [=, &wnd](UINT_PTR v) {
             // The thread gets the address of a block in high memory whose first slot holds
             // the value; it writes back the address it was given.
             CHighMemory memory;
             auto* block = static_cast<UINT_PTR*>(memory.Slot<UINT_PTR[2]>());
             if (!block)
                 return UINT_PTR{0};
             block[0] = v;
             block[1] = 0;
             HANDLE thread = ::CreateThread(nullptr, 0, &EchoThreadParameter, block, 0, nullptr);
             if (!thread)
                 return UINT_PTR{0};
             ::WaitForSingleObject(thread, 10000);
             ::CloseHandle(thread);
             return block[1] == reinterpret_cast<UINT_PTR>(block) ? block[0] : 0;
         }},
    };
}

TEST(PointerCarriers, PointerSizedValuesKeepEveryBit)
{
    CHighMemory memory;
    ASSERT_NE(0u, memory.Base());
    std::vector<UINT_PTR> values = {
        0x76543210,              // fits in 32 bits: every build
        0x80000010,              // the top bit of 32 set: no sign extension on the way
        memory.Base() + 0x40,    // a real address from the top of the address space
    };
#if defined(_WIN64)
    // Only a 64-bit process has values above 4 GiB; the 32-bit build has no such rows.
    static_assert(sizeof(void*) == 8, "64-bit rows in a 64-bit build");
    EXPECT_GT(memory.Base(), UINT_PTR{0xFFFFFFFF}) << "high memory lies above 4 GiB";
    values.push_back(0x123456789);
    values.push_back(0xFEDCBA9876543210);
#endif

    CCarrierWnd wnd;
    ASSERT_TRUE(wnd.Create());
    HWND listBox = ::CreateWindowExA(0, "LISTBOX", "", WS_CHILD, 0, 0, 20, 20, wnd.m_hWnd, nullptr,
                                     AfxGetInstanceHandle(), nullptr);
    HWND comboBox = ::CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 20, 60, wnd.m_hWnd,
                                      nullptr, AfxGetInstanceHandle(), nullptr);
    ASSERT_TRUE(listBox && comboBox);

    for (const CarrierRow& row : ValueCarriers(wnd, listBox, comboBox)) {
        for (UINT_PTR value : values) {
            SCOPED_TRACE(std::string(row.name) + ", value " + std::to_string(static_cast<unsigned long long>(value)));
            EXPECT_EQ(value, row.roundTrip(value));
        }
    }
}

TEST(PointerCarriers, HeapRecordsPostedToAWindowArriveWhole)
{
    CHighMemory memory;
    CRecordWnd wnd;
    ASSERT_TRUE(wnd.Create());

    // One record from the ordinary heap, the receiving window's usual case, and two from the
    // top of the address space.
    std::unique_ptr<CarriedRecord> fromHeap(new CarriedRecord);
    std::vector<CarriedRecord*> records = {fromHeap.get(), static_cast<CarriedRecord*>(memory.Slot<CarriedRecord>()),
                                           static_cast<CarriedRecord*>(memory.Slot<CarriedRecord>())};
    std::vector<UINT_PTR> expected;
    for (std::size_t i = 0; i < records.size(); ++i) {
        ASSERT_NE(nullptr, records[i]);
        records[i]->self = reinterpret_cast<UINT_PTR>(records[i]);
        records[i]->value = 1000 + i;
        expected.push_back(records[i]->value);
        wnd.posted.push_back(records[i]->self);
        // From another thread, as the receive threads post.
        std::thread([&wnd, record = records[i]] {
            ::PostMessageA(wnd.m_hWnd, WM_RECORD, 0, reinterpret_cast<LPARAM>(record));
        }).join();
    }
#if defined(_WIN64)
    EXPECT_GT(records[1]->self, UINT_PTR{0xFFFFFFFF}) << "the high records lie above 4 GiB";
#endif
    ASSERT_TRUE(nvtest::PumpUntil([&] { return wnd.seen.size() >= records.size(); }));
    EXPECT_EQ(expected, wnd.seen) << "each record was read through the pointer it was posted with";
}

TEST(PointerCarriers, WindowObjectsInHighMemoryAreBoundToTheirWindows)
{
    CHighMemory memory;

    // Our own class: the object goes in through the creation parameter (WM_NCCREATE) and is
    // found again through the window property.
    CPlaced<CCarrierWnd> wnd(memory);
    ASSERT_NE(nullptr, wnd.get());
#if defined(_WIN64)
    EXPECT_GT(reinterpret_cast<UINT_PTR>(wnd.get()), UINT_PTR{0xFFFFFFFF});
#endif
    ASSERT_TRUE(wnd->Create());
    EXPECT_EQ(wnd.get(), CWnd::FromHandlePermanent(wnd->m_hWnd));
    EXPECT_EQ(~UINT_PTR{5}, static_cast<UINT_PTR>(wnd->SendMessage(WM_CARRY, 0, 5))) << "messages reach the object";

    // A system control bound after creation: the object through the property, and the
    // control's own procedure kept and called for what the object does not handle.
    CPlaced<CCarrierButton> button(memory);
    ASSERT_NE(nullptr, button.get());
    RECT r = {0, 0, 30, 10};
    ASSERT_TRUE(button->CreateEx(0, "BUTTON", "before", WS_CHILD | BS_PUSHBUTTON, r, wnd.get(), 7));
    EXPECT_EQ(button.get(), CWnd::FromHandlePermanent(button->m_hWnd));
    WNDCLASSA buttonClass;
    ASSERT_TRUE(::GetClassInfoA(nullptr, "BUTTON", &buttonClass));
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(buttonClass.lpfnWndProc), reinterpret_cast<UINT_PTR>(button->SuperProcedure()))
        << "the control's procedure was saved whole";
    button->SetWindowText("after");
    EXPECT_EQ("after", button->GetWindowText()) << "the saved procedure still answers";

    // A dialog: the object goes in through the dialog's initialisation parameter.
    CPlaced<CCarrierDialog> dialog(memory);
    ASSERT_NE(nullptr, dialog.get());
    CDialogTemplateEx dialogTemplate(WS_POPUP, 0, 80, 40, "MS UI Gothic", 9, SHIFTJIS_CHARSET);
    ASSERT_TRUE(dialog->CreateIndirect(dialogTemplate.Data()));
    EXPECT_EQ(dialog.get(), dialog->initialisedAs);
    EXPECT_EQ(dialog.get(), CWnd::FromHandlePermanent(dialog->m_hWnd));

    dialog->DestroyWindow();
    button->DestroyWindow();
    wnd->DestroyWindow();
    EXPECT_EQ(nullptr, wnd->m_hWnd) << "unbound when the window went";
}

} // namespace
