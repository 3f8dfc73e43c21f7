#include "voip/win/VoicePath.h"

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

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>

extern "C" HINSTANCE hDllVoip;

namespace qelo {

namespace {

constexpr UINT kRecordingFinished = WM_APP + 1;
constexpr std::size_t kMixdirField = 256;

std::atomic<bool> g_noVoice{false};
std::atomic<RecordAsker> g_asker{nullptr};
std::atomic<HWND> g_handoff{nullptr};

// The wave layer keeps one backend for its life; the device under it is chosen at each start
// of the library, while nothing is open.
class SwitchingBackend : public voice::AudioBackend {
public:
    SwitchingBackend() : m_current(voice::CreateWinmmBackend()) {}
    bool Choose(std::unique_ptr<voice::AudioBackend> next, const char* kind)
    {
        if (m_current->OutIsOpen() || m_current->InIsOpen())
            return false;
        m_current = std::move(next);
        m_kind = kind;
        return true;
    }
    const char* Kind() const { return m_kind; }

    UINT NumDevs(bool input) override { return m_current->NumDevs(input); }
    std::string DevName(bool input, UINT index) override { return m_current->DevName(input, index); }
    std::string ErrorText(bool input, MMRESULT code) override { return m_current->ErrorText(input, code); }
    MMRESULT OutOpen(UINT device, const WAVEFORMATEX& format, DWORD threadId) override
    {
        return m_current->OutOpen(device, format, threadId);
    }
    MMRESULT OutPrepare(WAVEHDR* h) override { return m_current->OutPrepare(h); }
    MMRESULT OutUnprepare(WAVEHDR* h) override { return m_current->OutUnprepare(h); }
    MMRESULT OutWrite(WAVEHDR* h) override { return m_current->OutWrite(h); }
    MMRESULT OutReset() override { return m_current->OutReset(); }
    MMRESULT OutClose() override { return m_current->OutClose(); }
    MMRESULT OutGetPosition(MMTIME* t) override { return m_current->OutGetPosition(t); }
    MMRESULT OutSetVolume(DWORD v) override { return m_current->OutSetVolume(v); }
    MMRESULT OutGetVolume(DWORD* v) override { return m_current->OutGetVolume(v); }
    bool OutIsOpen() override { return m_current->OutIsOpen(); }
    MMRESULT InOpen(UINT device, const WAVEFORMATEX& format, DWORD threadId) override
    {
        return m_current->InOpen(device, format, threadId);
    }
    MMRESULT InPrepare(WAVEHDR* h) override { return m_current->InPrepare(h); }
    MMRESULT InUnprepare(WAVEHDR* h) override { return m_current->InUnprepare(h); }
    MMRESULT InAddBuffer(WAVEHDR* h) override { return m_current->InAddBuffer(h); }
    MMRESULT InStart() override { return m_current->InStart(); }
    MMRESULT InStop() override { return m_current->InStop(); }
    MMRESULT InReset() override { return m_current->InReset(); }
    MMRESULT InClose() override { return m_current->InClose(); }
    bool InIsOpen() override { return m_current->InIsOpen(); }

private:
    std::unique_ptr<voice::AudioBackend> m_current;
    const char* m_kind = "winmm";
};

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
        HWND window = g_handoff.load();
        auto* name = new std::string(recording);
        if (!window || !PostMessageA(window, kRecordingFinished, 0, reinterpret_cast<LPARAM>(name))) {
            delete name;
            LibLog(20, "recording kept as %s (no UI thread)", recording.c_str());
        }
    }
};

struct VoiceObjects {
    LibraryVoiceHost host;
    SwitchingBackend backend;
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
    return voice::RecordAsk(Context().hostWindow, ResourceText(13), ResourceText(14), mixdir, pathOut);
}

// On the host's UI thread: record_ask, the move, then the folder for the next time.
void OfferRecording(const std::string& recording)
{
    std::string mixdir = RegistryText("mixdir", kMixdirField);
    std::string chosen;
    RecordAsker asker = g_asker.load();
    if ((asker ? asker : AskWithDialog)(mixdir, chosen) != 0)
        return;
    if (!voice::MoveRecording(recording, chosen))
        LibLog(10, "recording %s not moved to %s (%lu)", recording.c_str(), chosen.c_str(), GetLastError());
    if (mixdir.size() >= kMixdirField)
        mixdir.resize(kMixdirField - 1);
    RegistryWrite("mixdir", mixdir.c_str(), mixdir.size() + 1);
}

LRESULT CALLBACK HandoffProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRecordingFinished) {
        std::unique_ptr<std::string> recording(reinterpret_cast<std::string*>(lParam));
        OfferRecording(*recording);
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
    HWND existing = g_handoff.load();
    if (existing && IsWindow(existing))
        return;
    static const char kClass[] = "QeloVoiceHandoff";
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HandoffProc;
    wc.hInstance = OwnModule();
    wc.lpszClassName = kClass;
    RegisterClassA(&wc); // fails harmlessly when already registered
    HWND window = CreateWindowExA(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, OwnModule(), nullptr);
    if (!window)
        LibLog(10, "voice handoff window failed (%lu)", GetLastError());
    g_handoff = window;
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
        LibLog(20, "audio device busy: kept the %s device", objects.backend.Kind());
    else if (useFiles)
        LibLog(30, "test audio device mic=%s spk=%s", files.micWav.c_str(), files.speakerWav.c_str());
}

void VoiceShutdown()
{
    CallAudio().PlayTone(nullptr);
    CallAudio().StopVoice();
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
