// Seed inputs for the voice fuzz targets, made by the voice path's own encoder and RTP framing
// (tools/fuzz-seeds.py runs it):
//   qelo_voice_seeds frames DIR    frame runs for the speech decoder: both rates, muted and silence
//                                  frames, as the sender writes them
//   qelo_voice_seeds split DIR     decode_frames inputs: each run of bytes after a byte that holds
//                                  its length and the output room
//   qelo_voice_seeds receive DIR   receive inputs: a settings byte, then for each datagram its
//                                  length in 6-byte units, a time step and the RTP packet (padded
//                                  to a multiple of 6 with RTP padding, as a sender may)
#include "voip/voice/core/FrameCodec.h"
#include "voip/voice/core/Rtp.h"

#include "platform/sx5363s/sx5363s.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::uint8_t> Bytes;

// Half a second of a vowel-like sound: two formants over a 120 Hz pitch, with an envelope.
std::vector<std::int16_t> Voice(std::size_t samples, double pitch)
{
    std::vector<std::int16_t> out(samples);
    const double pi = 3.14159265358979323846;
    for (std::size_t i = 0; i < samples; ++i) {
        double t = static_cast<double>(i) / 8000.0;
        double envelope = std::sin(pi * static_cast<double>(i) / static_cast<double>(samples));
        double v = std::sin(2 * pi * pitch * t) * 0.5 + std::sin(2 * pi * 700 * t) * 0.3 +
                   std::sin(2 * pi * 1100 * t) * 0.2;
        out[i] = static_cast<std::int16_t>(9000.0 * envelope * v);
    }
    return out;
}

voice::CodecEntries Codec()
{
    voice::CodecEntries codec;
    SX5363_Open(&codec.handle);
    codec.encode53 = &SX53_SpeechEncode;
    codec.encode63 = &SX63_SpeechEncode;
    codec.decode = &SX5363_SpeechDecode;
    return codec;
}

Bytes Encode(int rate, bool mute, const std::vector<std::int16_t>& samples)
{
    voice::CodecEntries codec = Codec();
    Bytes out(samples.size() / 240 * 24 + 24);
    out.resize(voice::EncodeFrames(codec, rate, mute, samples.data(), samples.size(), out.data(), out.size()));
    SX5363_Close(&codec.handle);
    return out;
}

bool Write(const std::string& dir, const char* name, const Bytes& data)
{
    std::string path = dir + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

// Frame runs: 6.3 and 5.3 speech, muted frames between, and the silence frame types.
Bytes Mixed()
{
    Bytes out = Encode(63, false, Voice(720, 120));
    Bytes muted = Encode(63, true, Voice(480, 120));
    out.insert(out.end(), muted.begin(), muted.end());
    Bytes slow = Encode(53, false, Voice(720, 180));
    out.insert(out.end(), slow.begin(), slow.end());
    const std::uint8_t silence[] = {2, 0x35, 0x10, 0x80, 3};
    out.insert(out.end(), silence, silence + sizeof silence);
    return out;
}

// The cut byte gives the run's length (mod 64) and, in its low two bits, the output room
// ((b & 3) * 240 + 5 samples).
Bytes Split(const Bytes& frames, std::size_t cut)
{
    Bytes out;
    for (std::size_t at = 0; at < frames.size(); at += cut) {
        std::size_t n = std::min(cut, frames.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), frames.begin() + static_cast<std::ptrdiff_t>(at),
                   frames.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    return out;
}

// RTP packets of three frames each (90 ms), in order, then with one lost and two swapped.
Bytes Receive(const Bytes& frames, std::size_t frameBytes, std::uint8_t settings, bool shuffle)
{
    std::vector<Bytes> packets;
    std::uint16_t seq = 1000;
    std::uint32_t timestamp = 160000;
    for (std::size_t at = 0; at + 3 * frameBytes <= frames.size(); at += 3 * frameBytes) {
        Bytes packet(voice::kHeaderSize);
        voice::BuildHeader(packet.data(), seq++, timestamp);
        timestamp += voice::kSamplesPerPacket;
        packet.insert(packet.end(), frames.begin() + static_cast<std::ptrdiff_t>(at),
                      frames.begin() + static_cast<std::ptrdiff_t>(at + 3 * frameBytes));
        std::size_t pad = (6 - packet.size() % 6) % 6;
        if (pad) {
            packet[0] |= 0x20;
            packet.insert(packet.end(), pad - 1, 0);
            packet.push_back(static_cast<std::uint8_t>(pad));
        }
        packets.push_back(packet);
    }
    if (shuffle && packets.size() >= 4) {
        packets.erase(packets.begin() + 1);
        std::swap(packets[1], packets[2]);
    }
    Bytes out{settings};
    for (const Bytes& packet : packets) {
        out.push_back(static_cast<std::uint8_t>(packet.size() / 6));
        out.push_back(90); // milliseconds since the last one
        out.insert(out.end(), packet.begin(), packet.end());
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s frames|split|receive DIR\n", argv[0]);
        return 2;
    }
    const std::string kind = argv[1], dir = argv[2];
    bool ok = true;
    if (kind == "frames") {
        ok = Write(dir, "ours_63", Encode(63, false, Voice(960, 120))) &&
             Write(dir, "ours_53", Encode(53, false, Voice(960, 200))) && Write(dir, "ours_mixed", Mixed());
    } else if (kind == "split") {
        Bytes frames = Mixed();
        ok = Write(dir, "ours_whole_frames", Split(frames, 48)) && Write(dir, "ours_cut_frames", Split(frames, 17));
    } else if (kind == "receive") {
        // settings byte: jitz = b % 9, misz = b / 9 % 8, fffz = b % 30 (each taken when in range)
        ok = Write(dir, "ours_in_order", Receive(Encode(63, false, Voice(2880, 120)), 24, 3 + 9 * 3, false)) &&
             Write(dir, "ours_lost_swapped", Receive(Encode(53, false, Voice(2880, 150)), 20, 4 + 9 * 2, true));
    } else {
        std::fprintf(stderr, "unknown kind %s\n", kind.c_str());
        return 2;
    }
    return ok ? 0 : 1;
}
