// What the voice path needs from the library around it: the log, the error slot, statistics,
// the call reset on a silent far side, settings, the clock and the save dialog. qelo.dll supplies
// one over its own log, notifier table, registry key and ini file; tests supply their own.
#pragma once

#include "voip/core/TextNumbers.h"
#include "voip/voice/core/VoiceLog.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace voice {

// The one library text the voice path shows itself.
using qelo::kTextCodecFailed;

class VoiceHost {
 public:
  virtual ~VoiceHost() = default;
  virtual void Log(int /*level*/, const std::string& /*line*/) {}
  // The QL_error slot.
  virtual void Error(const std::string& /*text*/) {}
  virtual void VoiceStat(int /*rx*/, int /*tx*/) {}
  // Three minutes without voice: report_state(-6). Called on the voice server thread; the host
  // must hand the call reset to its call thread (voice_stop is safe there too, but the
  // signalling must not run on the voice thread).
  virtual void NoVoice() {}
  virtual uint32_t NowMs() { return GetTickCount(); }
  // Registry values of the VoIP key ("record", "recask", "wavemsg", "mixdir").
  virtual int RegistryInt(const char* /*name*/) { return 0; }
  virtual std::string RegistryString(const char* /*name*/) { return std::string(); }
  // ini keys ("jitz", "misz", "fffz", "echo"); empty when missing.
  virtual std::string IniString(const char* /*key*/) { return std::string(); }
  // A user text of the library's text resources by number (kTextCodecFailed).
  virtual std::string Text(int /*id*/) { return std::string(); }
  // The recording is closed and the user may pick a name for it: the host shows the save dialog
  // on its UI thread (RecordAsk) and then calls MoveRecording. Never blocks the caller.
  virtual void RecordingFinished(const std::string& /*recording*/) {}
};

}  // namespace voice
