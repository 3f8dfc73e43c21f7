// Benchmark, run by hand: how fast the conversion core runs, and how long the synchronous
// conversions take with their polling pauses. Prints one line per figure.
//   nv_zobbench [FOLDER] [ROUNDS]
#include "phone_media/zob/ZobConv.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Ten seconds of a speech-like 8 kHz signal: a few gliding harmonics with a syllable envelope
// and a little noise.
std::vector<std::int16_t> SpeechLike(std::size_t samples)
{
    std::vector<std::int16_t> out(samples);
    std::uint32_t noise = 12345;
    const double pi = 3.14159265358979323846;
    for (std::size_t i = 0; i < samples; ++i) {
        double t = static_cast<double>(i) / 8000.0;
        double pitch = 140.0 + 30.0 * std::sin(2 * pi * 0.7 * t);
        double envelope = 0.5 + 0.5 * std::sin(2 * pi * 3.0 * t);
        double v = 0;
        for (int h = 1; h <= 5; ++h)
            v += std::sin(2 * pi * pitch * h * t) / h;
        noise = noise * 1103515245u + 12345u;
        double n = (static_cast<double>((noise >> 16) & 0x7FFF) / 32768.0 - 0.5) * 0.1;
        out[i] = static_cast<std::int16_t>(7000.0 * envelope * v + 3000.0 * n);
    }
    return out;
}

// The library's own pause, timed, so the figures show what the pauses really cost.
double g_sleptSeconds = 0;
void TimedSleep(unsigned milliseconds)
{
    auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    g_sleptSeconds += Seconds(Clock::now() - start);
}

// Runs one conversion by polling the server with no pause; returns the steps taken.
int RunCore(bool encode, const std::string& from, const std::string& to)
{
    ZobConvHandle* h = ZobConvCreate(kZobClipBufferBytes, kZobClipBufferBytes);
    if (!h)
        std::exit(1);
    if (encode)
        ZobConvStartEncode(h, from.c_str(), to.c_str());
    else
        ZobConvStartDecode(h, from.c_str(), to.c_str());
    int steps = 0;
    while (ZobConvGetStatus(h) == kZobEncoding || ZobConvGetStatus(h) == kZobDecoding) {
        ZobConvExecServer();
        ++steps;
    }
    if (ZobConvGetStatus(h) != kZobFinished)
        std::exit(1);
    ZobConvDestroy(h);
    return steps;
}

} // namespace

int main(int argc, char** argv)
{
    std::string folder = argc > 1 ? argv[1] : ".";
    int rounds = argc > 2 ? std::atoi(argv[2]) : 50;
    std::string wav = folder + "/bench_source.wav", zob = folder + "/bench_clip.zob", out = folder + "/bench_out.wav";
    {
        std::vector<std::int16_t> signal = SpeechLike(kZobMaximumSamples);
        auto stream = CWaveStream::Create(wav.c_str(), 8000, 1, 16, 0);
        for (std::int16_t s : signal)
            stream->WriteFrame(s, s);
    }
    const double clipSeconds = kZobMaximumSamples / 8000.0;
    ZobConvInit();
    for (bool encode : {true, false}) {
        int steps = 0;
        auto start = Clock::now();
        for (int i = 0; i < rounds; ++i)
            steps = encode ? RunCore(true, wav, zob) : RunCore(false, zob, out);
        double elapsed = Seconds(Clock::now() - start) / rounds;
        std::printf("%s core: %.3f ms per 10-s clip, %.0f x real time, %d server steps\n", encode ? "encode" : "decode",
            elapsed * 1000.0, clipSeconds / elapsed, steps);
    }
    ZobConvFinish();

    ZobSetPollSleep(TimedSleep);
    for (bool encode : {true, false}) {
        g_sleptSeconds = 0;
        std::uint64_t pollsBefore = ZobPollCount();
        auto start = Clock::now();
        bool ok = encode ? EncodeZobFile(wav.c_str(), zob.c_str()) : DecodeZobFile(zob.c_str(), out.c_str());
        double elapsed = Seconds(Clock::now() - start);
        std::uint64_t polls = ZobPollCount() - pollsBefore;
        std::printf("%s: %s, %.1f ms wall, %llu polls, %.1f ms of it asleep in %llu pauses of 10 ms\n",
            encode ? "EncodeZobFile" : "DecodeZobFile", ok ? "ok" : "FAILED", elapsed * 1000.0,
            static_cast<unsigned long long>(polls), g_sleptSeconds * 1000.0, static_cast<unsigned long long>(polls - 1));
    }
    std::remove(wav.c_str());
    std::remove(zob.c_str());
    std::remove(out.c_str());
    return 0;
}
