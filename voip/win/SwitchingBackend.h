// The sound device under the library's one wave layer. The wave layer keeps this backend for its
// life; the device under it is chosen at each start of the library while nothing is open (WinMM,
// or the test device the ini names). The wave, tone and voice threads call through it while the
// host's thread may be choosing: every call holds the lock shared, the swap holds it alone, so
// no call is ever inside a device that the swap replaces.
#pragma once

#include "voip/voice/win/AudioBackend.h"

#include <windows.h>

#include <memory>
#include <string>

namespace qelo {

class SwitchingBackend : public voice::AudioBackend {
public:
    SwitchingBackend(std::unique_ptr<voice::AudioBackend> first, const char* kind);
    ~SwitchingBackend() override;

    // Puts next in place; false (and next is dropped) while the current device is open.
    bool Choose(std::unique_ptr<voice::AudioBackend> next, const char* kind);
    // Which device is in place ("winmm" or "file").
    const char* Kind();

    UINT NumDevs(bool input) override;
    std::string DevName(bool input, UINT index) override;
    std::string ErrorText(bool input, MMRESULT code) override;
    MMRESULT OutOpen(UINT device, const WAVEFORMATEX& format, DWORD threadId) override;
    MMRESULT OutPrepare(WAVEHDR* h) override;
    MMRESULT OutUnprepare(WAVEHDR* h) override;
    MMRESULT OutWrite(WAVEHDR* h) override;
    MMRESULT OutReset() override;
    MMRESULT OutClose() override;
    MMRESULT OutGetPosition(MMTIME* t) override;
    MMRESULT OutSetVolume(DWORD v) override;
    MMRESULT OutGetVolume(DWORD* v) override;
    bool OutIsOpen() override;
    MMRESULT InOpen(UINT device, const WAVEFORMATEX& format, DWORD threadId) override;
    MMRESULT InPrepare(WAVEHDR* h) override;
    MMRESULT InUnprepare(WAVEHDR* h) override;
    MMRESULT InAddBuffer(WAVEHDR* h) override;
    MMRESULT InStart() override;
    MMRESULT InStop() override;
    MMRESULT InReset() override;
    MMRESULT InClose() override;
    bool InIsOpen() override;

private:
    // Runs call on the current device with the lock held shared.
    template <typename Call>
    auto OnCurrent(Call call);

    SRWLOCK m_lock = SRWLOCK_INIT;
    std::unique_ptr<voice::AudioBackend> m_current;
    const char* m_kind;
};

} // namespace qelo
