// The voice path inside the library: one wave device, tone player, codec binding and RTP voice
// engine per process over one audio backend, and the library's own VoiceHost (log, error slot,
// statistics notifier, registry key, ini file, texts, and the host's UI thread for the save
// dialog of a recording). The call machine reaches it only through ICallAudio.
#pragma once

#include "voip/voice/win/AudioBackend.h"

#include <cstdint>
#include <string>

namespace voice {
class CodecBinding;
class TonePlayer;
class VoiceEngine;
class VoiceHost;
class WaveDevice;
} // namespace voice

namespace qelo {

// What the call machine asks of the sound side of a call.
class ICallAudio {
public:
    virtual ~ICallAudio() = default;
    // voice_start for a connected call (far side's voice address in host order): 0 or -1.
    virtual int StartVoice(std::uint32_t farAddress, std::uint16_t farPort, bool outcall, int callKind) = 0;
    // voice_stop: safe when no voice runs.
    virtual void StopVoice() = 0;
    virtual bool VoiceRunning() = 0;
    // play_tone_file: nullptr stops the tone.
    virtual void PlayTone(const char* file) = 0;
    // play_dtmf_tone: returns when the digit has been played.
    virtual void PlayDtmf(char digit) = 0;
};

// The library's own unless a test put another in place.
ICallAudio& CallAudio();
void SetCallAudio(ICallAudio* audio);

// The process-wide objects, made on first use.
voice::VoiceHost& VoiceHostOfLibrary();
voice::WaveDevice& Wave();
voice::TonePlayer& Tones();
voice::CodecBinding& Codec();
voice::VoiceEngine& Engine();

// PW_start, on the host's thread: that thread becomes the one that shows the save dialog of a
// recording, and the audio device is chosen (the ini's test keys "voicemic"/"voicespk" pick
// the file device; otherwise WinMM).
void VoiceStartup();
// PW_stop: the voice and the tone end, and the recording hand-off window ends (recordings still
// waiting in it are offered first) and its class is unregistered.
void VoiceShutdown();
// Unload of the library (FreeLibrary) on the thread that unloads it: the hand-off window ends
// and its class goes, so nothing is left that would call into the unloaded code.
void VoiceUnload();
// The local voice port: the ini's test key "voiceport", else 8995.
std::uint16_t VoicePort();
// The no-voice report waiting for the call thread (taken once).
bool TakeNoVoiceReport();

// Test seams. The asker runs on the UI thread in place of the save dialog: 0 with a chosen
// path (mixdir holds the registry's folder and receives the new one), else -1.
using RecordAsker = int (*)(std::string& mixdir, std::string& pathOut);
void SetRecordAsker(RecordAsker asker);
// Which device the backend uses now ("winmm" or "file").
const char* AudioBackendKind();
// Whether the recording hand-off window exists (PW_start to PW_stop).
bool HandoffWindowOpen();

} // namespace qelo
