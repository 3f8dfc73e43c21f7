// The CD engine window over Wine's real MCI with a simulated disc: our test driver is named for
// "cdaudio" in the prefix's MCI key for the length of the test (the old value is put back).
#include "phone_media/cdplayer/win/CdAudioWnd.h"
#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::pair<WPARAM, LPARAM>> g_reports;

LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == CCdAudioWnd::kEngineMessage) {
        g_reports.push_back({wParam, lParam});
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

const char kMciKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\MCI";

class DriverNamedForCdAudio {
public:
    explicit DriverNamedForCdAudio(const std::string& dll)
    {
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMciKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &m_key,
                              nullptr) != ERROR_SUCCESS)
            return;
        char old[MAX_PATH] = {};
        DWORD size = sizeof old, type = 0;
        m_had = ::RegQueryValueExA(m_key, "cdaudio", nullptr, &type, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS;
        m_old = old;
        m_set = ::RegSetValueExA(m_key, "cdaudio", 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                                 static_cast<DWORD>(dll.size() + 1)) == ERROR_SUCCESS;
    }
    ~DriverNamedForCdAudio()
    {
        if (!m_key)
            return;
        if (m_had)
            ::RegSetValueExA(m_key, "cdaudio", 0, REG_SZ, reinterpret_cast<const BYTE*>(m_old.c_str()),
                             static_cast<DWORD>(m_old.size() + 1));
        else
            ::RegDeleteValueA(m_key, "cdaudio");
        ::RegCloseKey(m_key);
    }
    bool IsSet() const { return m_set; }

private:
    HKEY m_key = nullptr;
    bool m_had = false;
    bool m_set = false;
    std::string m_old;
};

} // namespace

TEST(CdSimulatedDriver, TheEngineRunsOverWinesMciWithOurDisc)
{
    char exe[MAX_PATH];
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dll = exe;
    dll = dll.substr(0, dll.rfind('\\') + 1) + "nv_cdsim_mci.dll";
    ASSERT_NE(::GetFileAttributesA(dll.c_str()), INVALID_FILE_ATTRIBUTES) << dll;
    DriverNamedForCdAudio named(dll);
    ASSERT_TRUE(named.IsSet());

    WNDCLASSA wc{};
    wc.lpfnWndProc = RecorderProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "NvCdSimRecorder";
    ::RegisterClassA(&wc);
    HWND recorder = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    {
        CCdAudioWnd engine;
        ASSERT_TRUE(engine.CreateHidden());
        ASSERT_EQ(engine.Open(recorder), 0) << "MCI error " << engine.Engine().LastError();
        EXPECT_EQ(engine.GetTrackCount(), 3);
        EXPECT_TRUE(engine.IsMediaPresent());
        ASSERT_TRUE(engine.Play());
        // The driver ends each play by itself: the engine goes on to the next tracks, then the disc ends.
        ASSERT_TRUE(nvtest::PumpUntil([] {
            for (const auto& r : g_reports)
                if (r.first == 0)
                    return true;
            return false;
        }, 10000));
        std::vector<std::pair<WPARAM, LPARAM>> tracks;
        for (const auto& r : g_reports)
            if (r.first != 3)
                tracks.push_back(r);
        std::vector<std::pair<WPARAM, LPARAM>> expected = {{1, 1}, {1, 2}, {1, 3}, {0, 3}};
        EXPECT_EQ(tracks, expected);
        ASSERT_TRUE(engine.Eject());
        EXPECT_FALSE(engine.IsMediaPresent());
        engine.Close();
    }
    ::DestroyWindow(recorder);
}
