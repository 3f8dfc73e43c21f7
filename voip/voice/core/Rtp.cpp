#include "voip/voice/core/Rtp.h"

namespace voice {

void BuildHeader(uint8_t out[kHeaderSize], uint16_t seq, uint32_t timestamp) {
  out[0] = 0x80;  // version 2, no padding, no extension, no CSRC
  out[1] = kPayloadType;
  out[2] = static_cast<uint8_t>(seq >> 8);
  out[3] = static_cast<uint8_t>(seq);
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(timestamp >> (24 - 8 * i));
  for (int i = 0; i < 4; ++i) out[8 + i] = static_cast<uint8_t>(kSsrc >> (24 - 8 * i));
}

bool ParseRtp(const uint8_t* data, size_t size, RtpView& out) {
  if (!data || size < kHeaderSize || size > kMaxPacket) return false;
  out.payloadType = data[1] & 0x7F;
  out.marker = (data[1] & 0x80) != 0;
  out.seq = static_cast<uint16_t>(data[2] << 8 | data[3]);
  out.timestamp = uint32_t(data[4]) << 24 | uint32_t(data[5]) << 16 | uint32_t(data[6]) << 8 | data[7];
  out.ssrc = uint32_t(data[8]) << 24 | uint32_t(data[9]) << 16 | uint32_t(data[10]) << 8 | data[11];
  size_t offset = kHeaderSize + 4 * size_t(data[0] & 0x0F);
  if (offset > size) return false;
  if (data[0] & 0x10) {
    if (offset + 4 > size) return false;
    const size_t words = size_t(data[offset + 2]) << 8 | data[offset + 3];
    offset += 4 + 4 * words;
    if (offset > size) return false;
  }
  size_t end = size;
  if (data[0] & 0x20) {
    const size_t pad = data[size - 1];
    if (pad == 0 || pad > end - offset) return false;
    end -= pad;
  }
  out.payloadOffset = offset;
  out.payloadSize = end - offset;
  return true;
}

}  // namespace voice
