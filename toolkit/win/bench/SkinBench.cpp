// Benchmark (run by hand under Wine): LoadSkin plus the dialog's initialisation for a 640x480
// skin with a ragged shape, once scanning the bitmap and once from the learned region line.
// usage: wine toolkit_skin_bench.exe [iterations]
#include "toolkit/core/SkinEntries.h"
#include "toolkit/win/SkinDialog.h"

#include "toolkit/win/tests/FakeSkin.h"
#include "toolkit/win/tests/ToolkitTestIds.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Times its own initialisation (the shape is built and applied there).
class CBenchDialog : public CSkinDialog {
public:
    CBenchDialog() : CSkinDialog(IDD_SKIN_TEST, nullptr) {}
    Clock::duration initialisation{};
    BOOL OnInitDialog() override
    {
        auto start = Clock::now();
        BOOL result = CSkinDialog::OnInitDialog();
        initialisation = Clock::now() - start;
        return result;
    }
};

struct Timing {
    double load = 0;
    double loadAndInit = 0; // LoadSkin + OnInitDialog
    double whole = 0;       // with the creation and destruction of the window
};

Timing TimeOpen(int iterations)
{
    Timing t;
    for (int i = 0; i < iterations; ++i) {
        auto start = Clock::now();
        CBenchDialog dialog;
        dialog.LoadSkin("big.bmp", FALSE);
        auto loaded = Clock::now();
        dialog.Create(IDD_SKIN_TEST);
        dialog.DestroyWindow();
        t.load += Ms(loaded - start);
        t.loadAndInit += Ms(loaded - start) + Ms(dialog.initialisation);
        t.whole += Ms(Clock::now() - start);
    }
    t.load /= iterations;
    t.loadAndInit /= iterations;
    t.whole /= iterations;
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    int iterations = argc > 1 ? std::atoi(argv[1]) : 50;
    CFakeSkin skins;
    unsigned seed = 12345;
    std::vector<int> cuts(480);
    for (int& cut : cuts) {
        seed = seed * 1103515245u + 12345u;
        cut = 20 + static_cast<int>((seed >> 16) % 40);
    }
    skins.AddBitmap("big.bmp", CFakeSkin::MakeDib(640, 480, [&](int x, int y) {
        bool corner = (y < 30 && x < 30 - y) || (y < 30 && x > 640 - 30 + y);
        bool holes = (y % 7 == 0) && (x % 53 < 6);
        return (x >= 640 - cuts[static_cast<std::size_t>(y)] || corner || holes) ? 0xF9F400u : 0x336699u;
    }));
    skins.regionKeys["big.bmp"] = "RGN_BIG";
    TimeOpen(2); // warm up
    skins.learned.clear();
    Timing scanned = TimeOpen(iterations);
    std::string line = skins.learned.empty() ? std::string() : skins.learned.front();
    skins.regionCurrent["big.bmp"] = line.substr(line.find('=') + 1);
    Timing cached = TimeOpen(iterations);
    std::printf("640x480 ragged skin, %d runs each, %zu rectangles\n", iterations,
                line.empty() ? 0 : static_cast<std::size_t>(std::atoi(line.c_str() + line.find('=') + 1)));
    std::printf("LoadSkin + OnInitDialog: scanned %.2f ms, cached %.2f ms (%.1fx)\n", scanned.loadAndInit,
                cached.loadAndInit, cached.loadAndInit > 0 ? scanned.loadAndInit / cached.loadAndInit : 0.0);
    std::printf("of which LoadSkin: scanned %.2f ms, cached %.2f ms\n", scanned.load, cached.load);
    // The shape alone: what the cache saves, without the system's region calls both paths make.
    std::string value = skins.regionCurrent["big.bmp"];
    CBitmap bitmap;
    bitmap.Attach(skins.LoadSkinBitmap("big.bmp"));
    auto start = Clock::now();
    std::size_t count = 0;
    for (int i = 0; i < iterations; ++i) {
        std::vector<DWORD> pixels;
        int w = 0, h = 0;
        bitmap.GetPixels32(&pixels, &w, &h);
        count += skin::ScanRegion(reinterpret_cast<const std::uint32_t*>(pixels.data()), w, h, w, 0xF9F400).size();
    }
    double scanOnly = Ms(Clock::now() - start) / iterations;
    start = Clock::now();
    for (int i = 0; i < iterations; ++i) {
        std::vector<skin::Rect> rects;
        skin::ParseRegionValue(value, 640, 480, &rects);
        count += rects.size();
    }
    double parseOnly = Ms(Clock::now() - start) / iterations;
    std::printf("shape only: GetDIBits + scan + merge %.3f ms, cached line parsed %.3f ms (%.1fx) [%zu]\n", scanOnly,
                parseOnly, parseOnly > 0 ? scanOnly / parseOnly : 0.0, count);
    std::printf("with window creation and destruction: scanned %.2f ms, cached %.2f ms\n", scanned.whole, cached.whole);
    return 0;
}
