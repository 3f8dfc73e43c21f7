// Run by hand under Wine (NV_UNLHA32 and NV_BASESKIN as for the tests):
//   stop of a 10-s recording to 0x43C against EncodeZobFile of the same WAV alone, and LoadClip
//   of a 10-s ZOB clip to the MCI play command against DecodeZobFile alone; medians of 15 runs,
//   the panel over the MCI double, in the same run.
#include "phone_media/mci/doubles/MciDouble.h"
#include "phone_media/mci/tests/MediaTestSkin.h"
#include "phone_media/voiceclip/win/VoiceClipDlg.h"
#include "phone_media/voiceclip/win/VoiceClipHost.h"
#include "phone_media/zob/ZobConv.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "tests/support/WinTestSupport.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int g_saved = 0;
LRESULT CALLBACK SendProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == CVoiceClipDlg::kRecordingSaved) {
        ++g_saved;
        return 0;
    }
    return ::DefWindowProcA(w, m, wp, lp);
}

class Host : public IVoiceClipHost {
public:
    bool LockSoundDevice(void*, bool) override { return true; }
    HWND GetSendWindow() override { return send; }
    void OnVoiceRecorderClosed() override {}
    HWND send = nullptr;
};

class QuietPresenter : public IMessageBoxPresenter {
public:
    int Show(HWND, const char* text, UINT, bool) override
    {
        std::fprintf(stderr, "box: %s\n", text);
        return IDOK;
    }
};

double Ms(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<std::uint8_t> Tone(std::uint32_t n)
{
    std::vector<std::uint8_t> b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                   1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0, 'd', 'a', 't', 'a'};
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    for (std::uint32_t i = 0; i < n; ++i)
        b.push_back(static_cast<std::uint8_t>(128 + 80 * std::sin(i * 0.3) + 20 * std::sin(i * 0.05)));
    std::uint32_t riff = static_cast<std::uint32_t>(b.size() - 8);
    std::memcpy(b.data() + 4, &riff, 4);
    return b;
}

} // namespace

int main()
{
    const int runs = 15;
    mediatest::CMediaSkin skin;
    if (!skin.Start("voiceclip bench")) {
        std::fprintf(stderr, "no base skin (NV_UNLHA32, NV_BASESKIN)\n");
        return 1;
    }
    mcitest::CMciDouble mci;
    mci.Install();
    QuietPresenter presenter;
    SetMessageBoxPresenter(&presenter);
    Host host;
    WNDCLASSA wc{};
    wc.lpfnWndProc = SendProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "NvBenchSend";
    ::RegisterClassA(&wc);
    host.send = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    voiceclip::SetHost(&host);

    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    std::string wav = std::string(temp) + "bench recording.wav";
    std::string zob = std::string(temp) + "bench clip.zob";
    std::string back = std::string(temp) + "bench back.wav";
    nvtest::WriteFileBytes(wav, Tone(80000));
    mci.SetRecording(wav);

    CVoiceClipDlg panel(nullptr);
    panel.Create();
    panel.ShowWindow(SW_SHOWNOACTIVATE);

    std::vector<double> stops, encodes, loads, decodes;
    for (int i = 0; i < runs; ++i) {
        auto a = std::chrono::steady_clock::now();
        EncodeZobFile(wav.c_str(), zob.c_str());
        encodes.push_back(Ms(a, std::chrono::steady_clock::now()));

        panel.Record();
        int before = g_saved;
        a = std::chrono::steady_clock::now();
        panel.Stop();
        nvtest::PumpUntil([&] { return g_saved > before; }, 10000);
        stops.push_back(Ms(a, std::chrono::steady_clock::now()));

        a = std::chrono::steady_clock::now();
        DecodeZobFile(zob.c_str(), back.c_str());
        decodes.push_back(Ms(a, std::chrono::steady_clock::now()));

        std::size_t plays = mci.WavePlays().size();
        a = std::chrono::steady_clock::now();
        panel.LoadClip(zob.c_str());
        loads.push_back(Ms(a, std::chrono::steady_clock::now()));
        if (mci.WavePlays().size() != plays + 1)
            std::fprintf(stderr, "run %d: no play command\n", i);
        mci.EndWavePlay();
        nvtest::PumpUntil([&] { return panel.IsIdle(); }, 5000);
    }
    double stop = Median(stops), encode = Median(encodes), load = Median(loads), decode = Median(decodes);
    std::printf("stop of a 10-s recording to 0x43C: %.1f ms; EncodeZobFile alone: %.1f ms; ratio %.3f (limit 1.25)\n",
                stop, encode, stop / encode);
    std::printf("LoadClip of a 10-s ZOB to the play command: %.1f ms; DecodeZobFile alone: %.1f ms; ratio %.3f (limit 1.25)\n",
                load, decode, load / decode);
    panel.DestroyWindow();
    ::DeleteFileA(wav.c_str());
    ::DeleteFileA(zob.c_str());
    ::DeleteFileA(back.c_str());
    SetMessageBoxPresenter(nullptr);
    voiceclip::SetHost(nullptr);
    mci.Uninstall();
    skin.Stop();
    return 0;
}
