// The receive path with the jitter buffer: the input is a series of datagrams, each preceded
// by a length byte and a time step, fed through receive, playout and feed with the real decoder.
#include "voip/voice/core/FrameCodec.h"
#include "voip/voice/core/JitterBuffer.h"

#include "platform/sx5363s/sx5363s.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  void* handle = nullptr;
  SX5363_Open(&handle);
  voice::CodecEntries codec;
  codec.handle = handle;
  codec.decode = &SX5363_SpeechDecode;
  voice::FrameDecoder frames;
  voice::JitterSettings settings;
  if (size > 0) settings.Set(data[0] % 9, data[0] / 9 % 8, data[0] % 30);
  voice::JitterBuffer jb(settings, [&](const uint8_t* p, size_t n, int16_t* out, size_t cap) {
    return frames.Decode(codec, p, n, out, cap);
  });
  int16_t block[720];
  uint32_t now = 0;
  size_t at = size > 0 ? 1 : 0;
  while (at + 2 <= size) {
    const size_t len = size_t(data[at]) * 6;
    now += data[at + 1];
    at += 2;
    const size_t n = len < size - at ? len : size - at;
    jb.Receive(data + at, n);
    at += n;
    jb.PlayoutStep();
    jb.Feed(now, data[at - 1] % 8, data[at - 1] * 10 - 400, block);
  }
  // A header we build reads back as built.
  if (size >= 6) {
    uint8_t header[voice::kHeaderSize];
    const uint16_t seq = uint16_t(data[0] << 8 | data[1]);
    const uint32_t ts = uint32_t(data[2]) << 24 | uint32_t(data[3]) << 16 | uint32_t(data[4]) << 8 | data[5];
    voice::BuildHeader(header, seq, ts);
    voice::RtpView view;
    if (!voice::ParseRtp(header, sizeof header, view) || view.seq != seq || view.timestamp != ts ||
        view.payloadType != voice::kPayloadType || view.ssrc != voice::kSsrc || view.payloadSize != 0)
      __builtin_trap();
  }
  SX5363_Close(&handle);
  return 0;
}
