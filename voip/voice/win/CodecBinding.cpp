#include "voip/voice/win/CodecBinding.h"

namespace voice {

CodecBinding::CodecBinding(VoiceHost& host, std::string library) : host_(host), library_(std::move(library)) {}

CodecBinding::~CodecBinding() {
  Unload();
  ReleaseLibrary();
}

int CodecBinding::Fail(const std::string& text) {
  host_.Log(kLogErrors, text);
  host_.Error(text);
  Unload();
  ReleaseLibrary();
  return -1;
}

int CodecBinding::Load(int rate) {
  SetRate(rate);
  Unload();
  if (!module_) module_ = LoadLibraryA(library_.c_str());
  if (!module_) return Fail("Codec '" + library_ + "' is not found!");
  struct Entry { const char* name; FARPROC* slot; const char* report; };
  FARPROC open = nullptr, close = nullptr, initEnc = nullptr, initDec = nullptr, e53 = nullptr, e63 = nullptr,
          dec = nullptr;
  const Entry entries[] = {
      {"SX5363_Open", &open, "SX5363_Open!"},           {"SX5363_Close", &close, "SX5363_Close!"},
      {"SX5363_InitEncod", &initEnc, "SX5363_InitEncod"}, {"SX5363_InitDecod", &initDec, "SX5363_InitDecod"},
      {"SX53_SpeechEncode", &e53, "SX53_SpeechEncode"},   {"SX63_SpeechEncode", &e63, "SX63_SpeechEncode"},
      {"SX5363_SpeechDecode", &dec, "SX5363_SpeechDecode"}};
  for (const Entry& e : entries) {
    *e.slot = GetProcAddress(module_, e.name);
    if (!*e.slot) return Fail(e.report);
  }
  close_ = reinterpret_cast<SX5363_CloseFn>(reinterpret_cast<void*>(close));
  entries_.encode53 = reinterpret_cast<SX5363_EncodeFn>(reinterpret_cast<void*>(e53));
  entries_.encode63 = reinterpret_cast<SX5363_EncodeFn>(reinterpret_cast<void*>(e63));
  entries_.decode = reinterpret_cast<SX5363_DecodeFn>(reinterpret_cast<void*>(dec));
  void* handle = nullptr;
  const int r = reinterpret_cast<SX5363_OpenFn>(reinterpret_cast<void*>(open))(&handle);
  if (r != 0 || !handle) {
    const std::string text = host_.Text(kTextCodecFailed);
    return Fail(text.empty() ? "SX5363_Open failed" : text);
  }
  entries_.handle = handle;
  decoder_.Reset();
  return 0;
}

void CodecBinding::Unload() {
  if (entries_.handle && close_) close_(&entries_.handle);
  entries_ = CodecEntries{};
  close_ = nullptr;
}

void CodecBinding::ReleaseLibrary() {
  if (module_) FreeLibrary(module_);
  module_ = nullptr;
}

size_t CodecBinding::EncodeFrames(const int16_t* samples, size_t count, uint8_t* out, size_t capacity) {
  return voice::EncodeFrames(entries_, rate_, mute_, samples, count, out, capacity);
}

size_t CodecBinding::DecodeFrames(const uint8_t* bytes, size_t count, int16_t* out, size_t capacity) {
  return decoder_.Decode(entries_, bytes, count, out, capacity);
}

}  // namespace voice
