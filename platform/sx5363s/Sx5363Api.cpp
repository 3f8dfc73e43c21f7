// The seven entry points over the portable coder; one handle = one encoder and one decoder.
#include "platform/sx5363s/Sx5363Codec.h"
#include "platform/sx5363s/sx5363s.h"

#include <new>

namespace {
struct Handle {
  uint32_t magic;
  sx5363::Encoder enc;
  sx5363::Decoder dec;
};
constexpr uint32_t kMagic = 0x35333633u;

Handle* Cast(void* h) {
  Handle* p = static_cast<Handle*>(h);
  return p && p->magic == kMagic ? p : nullptr;
}

int Encode(void* handle, int mode, const short* in, unsigned char* out, int* info, sx5363::FrameType type) {
  Handle* h = Cast(handle);
  if (!h || mode != 2 || !in || !out) return -1;
  const size_t n = sx5363::EncodeFrame(h->enc, in, out, type);
  if (info) *info = static_cast<int>(n);
  return 0;
}
}  // namespace

extern "C" {

int SX5363_CALL SX5363_Open(void** handle) {
  if (!handle) return -1;
  Handle* h = new (std::nothrow) Handle;
  if (!h) return -1;
  h->magic = kMagic;
  sx5363::InitEncoder(h->enc);
  sx5363::InitDecoder(h->dec);
  *handle = h;
  return 0;
}

int SX5363_CALL SX5363_Close(void** handle) {
  if (!handle) return -1;
  if (Handle* h = Cast(*handle)) {
    h->magic = 0;
    delete h;
  }
  *handle = nullptr;
  return 0;
}

int SX5363_CALL SX5363_InitEncod(void* handle) {
  Handle* h = Cast(handle);
  if (!h) return -1;
  sx5363::InitEncoder(h->enc);
  return 0;
}

int SX5363_CALL SX5363_InitDecod(void* handle) {
  Handle* h = Cast(handle);
  if (!h) return -1;
  sx5363::InitDecoder(h->dec);
  return 0;
}

int SX5363_CALL SX53_SpeechEncode(void* handle, int mode, const short* in, unsigned char* out, int* info) {
  return Encode(handle, mode, in, out, info, sx5363::kRate53);
}

int SX5363_CALL SX63_SpeechEncode(void* handle, int mode, const short* in, unsigned char* out, int* info) {
  return Encode(handle, mode, in, out, info, sx5363::kRate63);
}

int SX5363_CALL SX5363_SpeechDecode(void* handle, int mode, const unsigned char* in, short* out, int* info) {
  Handle* h = Cast(handle);
  if (!h || mode != 2 || !in || !out) return -1;
  const sx5363::FrameType type = sx5363::DecodeFrame(h->dec, in, out);
  if (info) *info = type;
  return 0;
}

}  // extern "C"
