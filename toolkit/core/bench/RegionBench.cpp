// Benchmark (run by hand): scan and merge of a 640x480 skin with a ragged shape.
// usage: toolkit_region_bench [iterations]
#include "toolkit/core/SkinGeometry.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    const int width = 640, height = 480;
    int iterations = argc > 1 ? std::atoi(argv[1]) : 200;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0x336699);
    // A rounded outline with a ragged right edge and holes: many runs that do not merge.
    unsigned seed = 12345;
    for (int y = 0; y < height; ++y) {
        seed = seed * 1103515245u + 12345u;
        int cut = 20 + static_cast<int>((seed >> 16) % 40);
        for (int x = 0; x < width; ++x) {
            bool corner = (y < 30 && x < 30 - y) || (y < 30 && x > width - 30 + y);
            bool holes = (y % 7 == 0) && (x % 53 < 6);
            if (x >= width - cut || corner || holes)
                pixels[static_cast<std::size_t>(y) * width + x] = skin::kDefaultKeyColor;
        }
    }
    std::size_t rects = 0;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < iterations; ++i)
        rects = skin::ScanRegion(pixels.data(), width, height, width, skin::kDefaultKeyColor).size();
    auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("scan+merge 640x480: %.3f ms per bitmap (%d runs), %zu rectangles\n", elapsed / iterations,
                iterations, rects);
    return 0;
}
