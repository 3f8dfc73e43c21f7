// Throughput of framing and parsing a 900-byte payload against the bare seed generator over the
// same length, which bounds both (each byte's key depends on the previous step). Built and run
// by run_bench.sh with optimisation and without sanitizers.
#include "messaging/wire/PmFrame.h"
#include "messaging/wire/PmScrambler.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kPayload = 900;
volatile std::uint32_t g_sink;

template <class Body> double BytesPerSecond(Body body)
{
    using clock = std::chrono::steady_clock;
    std::size_t rounds = 1000;
    for (;;) {
        const auto start = clock::now();
        for (std::size_t i = 0; i < rounds; ++i)
            body(static_cast<std::uint32_t>(i));
        const double seconds = std::chrono::duration<double>(clock::now() - start).count();
        if (seconds > 0.5)
            return double(rounds) * kPayload / seconds;
        rounds *= 2;
    }
}

} // namespace

int main()
{
    std::vector<std::uint8_t> payload(kPayload);
    for (std::size_t i = 0; i < kPayload; ++i)
        payload[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const std::uint32_t multiplier = PmScramblerMultiplier(kPayload);

    const double bare = BytesPerSecond([&](std::uint32_t seed) {
        std::uint32_t s = seed;
        for (std::size_t i = 0; i < kPayload; ++i)
            s = s * multiplier + 1;
        g_sink = s;
    });

    std::vector<std::uint8_t> frame;
    const double build = BytesPerSecond([&](std::uint32_t seed) {
        BuildPacketWithSeed(true, payload.data(), payload.size(), frame, seed);
        g_sink = frame[20];
    });

    BuildPacketWithSeed(true, payload.data(), payload.size(), frame, 0x12345678);
    std::vector<std::uint8_t> received(frame.size());
    const double parse = BytesPerSecond([&](std::uint32_t) {
        std::memcpy(received.data(), frame.data(), frame.size());
        std::uint32_t seed = 0;
        g_sink = static_cast<std::uint32_t>(ParsePacket(received.size(), received.data(), &seed)) + received[20];
    });
    if (std::memcmp(received.data() + 12, payload.data(), kPayload) != 0) {
        std::printf("parse did not give back the payload\n");
        return 1;
    }

    std::printf("payload %zu bytes\n", kPayload);
    std::printf("bare seed generator:        %8.1f MB/s\n", bare / 1e6);
    std::printf("scramble + frame:           %8.1f MB/s (%.0f%% of bare)\n", build / 1e6, 100 * build / bare);
    std::printf("parse + unscramble:         %8.1f MB/s (%.0f%% of bare)\n", parse / 1e6, 100 * parse / bare);
    const bool ok = build >= bare / 2 && parse >= bare / 2;
    std::printf("%s\n", ok ? "target met (at least half of bare)" : "TARGET MISSED");
    return ok ? 0 : 1;
}
