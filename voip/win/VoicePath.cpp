#include "voip/win/VoicePath.h"

#include "voip/core/SettingsRules.h"
#include "voip/core/SignalMessages.h"
#include "voip/qelo.h"
#include "voip/voice/win/CodecBinding.h"
#include "voip/voice/win/TonePlayer.h"
#include "voip/voice/win/VoiceEngine.h"
#include "voip/voice/win/VoiceHost.h"
#include "voip/voice/win/WaveDevice.h"
#include "voip/win/LibraryContext.h"
#include "voip/win/LibraryLog.h"
#include "voip/win/Notifier.h"
#include "voip/win/ResourceText.h"
#include "voip/win/Settings.h"
#include "voip/win/SwitchingBackend.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>

extern "C" HINSTANCE hDllVoip;

namespace qelo {

namespace {

// The hand-off window: a message-only window on the host's thread that takes finished
// recordings from the library's threads (the lParam is a heap std::string it frees).
constexpr char kHandoffClass[] = "QeloVoiceHandoff";
constexpr UINT kRecordingFinished = WM_APP + 1;
// Sent by PW_stop on another thread than the window's: ends the window on its own thread.
constexpr UINT kCloseHandoff = WM_APP + 2;
constexpr UINT kHandoffCloseWaitMs = 2000;
constexpr std::size_t kMixdirField = 256;

std::atomic<bool> g_noVoice{false};
std::atomic<RecordAsker> g_asker{nullptr};
std::atomic<HWND> g_handoff{nullptr};
std::mutex g_handoffLock;

class LibraryVoiceHost : public voice::VoiceHost {
public:
    void Log(int level, const std::string& line) override { LogText(level, line.c_str()); }
    void Error(const std::string& text) override { NotifyError("%s", text.c_str()); }
    void VoiceStat(int rx, int tx) override { NotifyVoiceStat(rx, tx); }
    // The voice server thread must not run the signalling: the call thread takes the report on
    // its next pass.
    void NoVoice() override { g_noVoice = true; }
    int RegistryInt(const char* name) override { return RegistryFlag(name); }
    std::string RegistryString(const char* name) override { return RegistryText(name, kMixdirField); }
    std::string IniString(const char* key) override { return qelo::IniString(key, ""); }
    std::string Text(int id) override { return ResourceText(id); }
    void RecordingFinished(const std::string& recording) override
    {
        std::lock_guard<std::mutex> guard(g_handoffLock);
        HWND window = g_handoff.load();
        auto* name = new std::string(recording);
        if (!window || !PostMessageA(window, kRecordingFinished, 0, reinterpret_cast<LPARAM>(name))) {
            delete name;
            LibLog(kLogCalls, "recording kept as %s (no UI thread)", recording.c_str());
        }
    }
};

struct VoiceObjects {
    LibraryVoiceHost host;
    SwitchingBackend backend{voice::CreateWinmmBackend(), "winmm"};
    voice::WaveDevice wave{backend, host};
    voice::TonePlayer tones{wave, host};
    voice::CodecBinding codec{host};
    voice::VoiceEngine engine{host, wave, tones, codec};
};

// Made once and never destroyed: its threads must not be waited for while the loader lock is
// held at unload, and PW_stop has stopped them by then.
VoiceObjects& Objects()
{
    static VoiceObjects* objects = new VoiceObjects;
    return *objects;
}

int AskWithDialog(std::string& mixdir, std::string& pathOut)
{
    return voice::RecordAsk(Context().hostWindow, ResourceText(kTextRecordingFilter), ResourceText(kTextRecordingTitle),
                           mixdir, pathOut);
}

// On the host's UI thread: record_ask, the move, then the folder for the next time. The folder
// keeps to its registry field, cut between two characters, never inside one.
void OfferRecording(const std::string& recording)
{
    std::string mixdir = FitField(RegistryText("mixdir", kMixdirField).c_str(), kMixdirField);
    std::string chosen;
    RecordAsker asker = g_asker.load();
    if ((asker ? asker : AskWithDialog)(mixdir, chosen) != 0)
        return;
    if (!voice::MoveRecording(recording, chosen))
        LibLog(kLogErrors, "recording %s not moved to %s (%lu)", recording.c_str(), chosen.c_str(), GetLastError());
    mixdir = FitField(mixdir.c_str(), kMixdirField);
    RegistryWrite("mixdir", mixdir.c_str(), mixdir.size() + 1);
}

// Recordings handed over and not yet taken when the window ends: offered now (PW_stop, on the
// window's own thread), or only logged at unload, where no dialog may be shown.
void TakePendingRecordings(HWND window, bool offer)
{
    MSG message;
    while (PeekMessageA(&message, window, kRecordingFinished, kRecordingFinished, PM_REMOVE)) {
        std::unique_ptr<std::string> recording(reinterpret_cast<std::string*>(message.lParam));
        if (offer)
            OfferRecording(*recording);
        else
            LibLog(kLogCalls, "recording kept as %s (library unloaded)", recording->c_str());
    }
}

LRESULT CALLBACK HandoffProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRecordingFinished) {
        std::unique_ptr<std::string> recording(reinterpret_cast<std::string*>(lParam));
        OfferRecording(*recording);
        return 0;
    }
    if (message == kCloseHandoff) {
        TakePendingRecordings(window, true);
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HINSTANCE OwnModule()
{
    return hDllVoip ? hDllVoip : GetModuleHandleA(nullptr);
}

void MakeHandoffWindow()
{
    std::lock_guard<std::mutex> guard(g_handoffLock);
    HWND existing = g_handoff.load();
    if (existing && IsWindow(existing))
        return;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HandoffProc;
    wc.hInstance = OwnModule();
    wc.lpszClassName = kHandoffClass;
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        LibLog(kLogErrors, "voice handoff class failed (%lu)", GetLastError());
    HWND window = CreateWindowExA(0, kHandoffClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, OwnModule(), nullptr);
    if (!window)
        LibLog(kLogErrors, "voice handoff window failed (%lu)", GetLastError());
    g_handoff = window;
}

// The window's procedure is code of this library: the window ends and its class goes before
// the library can be unloaded, so that no message and no later window of the class runs code
// that is gone.
void CloseHandoffWindow(bool unloading)
{
    HWND window = nullptr;
    {
        // From here on no recording is posted to it (RecordingFinished holds the same lock).
        std::lock_guard<std::mutex> guard(g_handoffLock);
        window = g_handoff.exchange(nullptr);
    }
    if (window && IsWindow(window)) {
        DWORD owner = GetWindowThreadProcessId(window, nullptr);
        if (owner == GetCurrentThreadId()) {
            TakePendingRecordings(window, !unloading);
            DestroyWindow(window);
        } else if (!unloading) {
            // Made by another thread: only that thread may destroy it.
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(window, kCloseHandoff, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, kHandoffCloseWaitMs,
                                &ignored);
        }
        if (IsWindow(window)) {
            // Its thread did not end it (busy, or the loader lock is held): what still reaches it
            // goes to the system's default procedure, not to code of this library.
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
            LibLog(kLogErrors, "voice handoff window of thread %lu left open", owner);
        }
    }
    if (!UnregisterClassA(kHandoffClass, OwnModule()) && GetLastError() != ERROR_CLASS_DOES_NOT_EXIST)
        LibLog(kLogErrors, "voice handoff class kept (%lu)", GetLastError());
}

class LibraryCallAudio : public ICallAudio {
public:
    int StartVoice(std::uint32_t farAddress, std::uint16_t farPort, bool outcall, int callKind) override
    {
        voice::VoiceCall call;
        if (std::uint32_t local = Context().localAddress)
            call.localAddress = DottedAddress(local);
        call.endpoint.sin_family = AF_INET;
        call.endpoint.sin_addr.s_addr = htonl(farAddress);
        call.endpoint.sin_port = htons(farPort);
        call.rate = Codec().Rate();
        call.outcall = outcall;
        call.callKind = callKind;
        call.localPort = VoicePort();
        return Engine().Start(call);
    }
    void StopVoice() override { Engine().Stop(); }
    bool VoiceRunning() override { return Engine().Running(); }
    void PlayTone(const char* file) override { Tones().PlayToneFile(file); }
    void PlayDtmf(char digit) override { Tones().PlayDtmfTone(digit); }
};

std::atomic<ICallAudio*> g_audio{nullptr};

} // namespace

ICallAudio& CallAudio()
{
    static LibraryCallAudio own;
    ICallAudio* other = g_audio.load();
    return other ? *other : own;
}

void SetCallAudio(ICallAudio* audio) { g_audio = audio; }

voice::VoiceHost& VoiceHostOfLibrary() { return Objects().host; }
voice::WaveDevice& Wave() { return Objects().wave; }
voice::TonePlayer& Tones() { return Objects().tones; }
voice::CodecBinding& Codec() { return Objects().codec; }
voice::VoiceEngine& Engine() { return Objects().engine; }

void VoiceStartup()
{
    MakeHandoffWindow();
    voice::FileAudioConfig files;
    files.micWav = IniString("voicemic", "");
    files.speakerWav = IniString("voicespk", "");
    VoiceObjects& objects = Objects();
    bool useFiles = !files.micWav.empty() || !files.speakerWav.empty();
    if (!useFiles && std::string(objects.backend.Kind()) == "winmm")
        return;
    bool chosen = useFiles ? objects.backend.Choose(voice::CreateFileBackend(files), "file")
                           : objects.backend.Choose(voice::CreateWinmmBackend(), "winmm");
    if (!chosen)
        LibLog(kLogCalls, "audio device busy: kept the %s device", objects.backend.Kind());
    else if (useFiles)
        LibLog(kLogProtocol, "test audio device mic=%s spk=%s", files.micWav.c_str(), files.speakerWav.c_str());
}

void VoiceShutdown()
{
    CallAudio().PlayTone(nullptr);
    CallAudio().StopVoice();
    CloseHandoffWindow(false);
}

void VoiceUnload()
{
    CloseHandoffWindow(true);
}

bool HandoffWindowOpen()
{
    HWND window = g_handoff.load();
    return window && IsWindow(window);
}

std::uint16_t VoicePort()
{
    int port = std::atoi(IniString("voiceport", "").c_str());
    return port > 0 && port < 65536 ? static_cast<std::uint16_t>(port) : voice::kRtpPort;
}

bool TakeNoVoiceReport() { return g_noVoice.exchange(false); }

void SetRecordAsker(RecordAsker asker) { g_asker = asker; }

const char* AudioBackendKind() { return Objects().backend.Kind(); }

} // namespace qelo
