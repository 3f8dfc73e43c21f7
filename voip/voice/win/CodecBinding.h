// The speech codec bound by name ("sx5363s.dll") at each voice start, with the framing of
// encode_frames/decode_frames and the mute flag. A missing or broken codec fails the voice
// start (the call ends with a message) instead of ending the process.
#pragma once

#include "voip/voice/win/VoiceHost.h"

#include "voip/voice/core/FrameCodec.h"

#include <string>

namespace voice {

class CodecBinding {
 public:
  explicit CodecBinding(VoiceHost& host, std::string library = "sx5363s.dll");
  ~CodecBinding();

  // codec_load: 0, or -1 with the reason sent to the error slot.
  int Load(int rate);
  // Closes the codec. The library stays loaded for the next call (loading and freeing it for
  // every call costs memory under Wine that is never given back); it goes with this object or
  // when it proved unusable.
  void Unload();
  bool ModuleLoaded() const { return module_ != nullptr; }
  bool Loaded() const { return entries_.handle != nullptr; }

  size_t EncodeFrames(const int16_t* samples, size_t count, uint8_t* out, size_t capacity);
  size_t DecodeFrames(const uint8_t* bytes, size_t count, int16_t* out, size_t capacity);

  void SetRate(int rate) { rate_ = rate == 53 ? 53 : 63; }
  int Rate() const { return rate_; }
  void SetMute(bool on) { mute_ = on; }
  bool Mute() const { return mute_; }

 private:
  int Fail(const std::string& text);
  VoiceHost& host_;
  std::string library_;
  void ReleaseLibrary();
  HMODULE module_ = nullptr;
  SX5363_CloseFn close_ = nullptr;
  CodecEntries entries_;
  FrameDecoder decoder_;
  int rate_ = 63;
  volatile bool mute_ = false;
};

}  // namespace voice
