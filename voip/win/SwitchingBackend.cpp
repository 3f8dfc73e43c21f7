#include "voip/win/SwitchingBackend.h"

#include <utility>

namespace qelo {

namespace {

class SharedHold {
public:
    explicit SharedHold(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockShared(&m_lock); }
    ~SharedHold() { ReleaseSRWLockShared(&m_lock); }
    SharedHold(const SharedHold&) = delete;
    SharedHold& operator=(const SharedHold&) = delete;

private:
    SRWLOCK& m_lock;
};

} // namespace

SwitchingBackend::SwitchingBackend(std::unique_ptr<voice::AudioBackend> first, const char* kind)
    : m_current(std::move(first)), m_kind(kind)
{
}

SwitchingBackend::~SwitchingBackend() = default;

bool SwitchingBackend::Choose(std::unique_ptr<voice::AudioBackend> next, const char* kind)
{
    AcquireSRWLockExclusive(&m_lock);
    bool open = m_current->OutIsOpen() || m_current->InIsOpen();
    if (!open) {
        std::swap(m_current, next);
        m_kind = kind;
    }
    ReleaseSRWLockExclusive(&m_lock);
    // next now holds the device taken out (or the one refused); no call is inside it, and it is
    // destroyed here, outside the lock, since closing a device may wait for its own thread.
    return !open;
}

const char* SwitchingBackend::Kind()
{
    SharedHold hold(m_lock);
    return m_kind;
}

template <typename Call>
auto SwitchingBackend::OnCurrent(Call call)
{
    SharedHold hold(m_lock);
    return call(*m_current);
}

UINT SwitchingBackend::NumDevs(bool input)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.NumDevs(input); });
}
std::string SwitchingBackend::DevName(bool input, UINT index)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.DevName(input, index); });
}
std::string SwitchingBackend::ErrorText(bool input, MMRESULT code)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.ErrorText(input, code); });
}
MMRESULT SwitchingBackend::OutOpen(UINT device, const WAVEFORMATEX& format, DWORD threadId)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.OutOpen(device, format, threadId); });
}
MMRESULT SwitchingBackend::OutPrepare(WAVEHDR* h)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.OutPrepare(h); });
}
MMRESULT SwitchingBackend::OutUnprepare(WAVEHDR* h)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.OutUnprepare(h); });
}
MMRESULT SwitchingBackend::OutWrite(WAVEHDR* h)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.OutWrite(h); });
}
MMRESULT SwitchingBackend::OutReset()
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.OutReset(); });
}
MMRESULT SwitchingBackend::OutClose()
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.OutClose(); });
}
MMRESULT SwitchingBackend::OutGetPosition(MMTIME* t)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.OutGetPosition(t); });
}
MMRESULT SwitchingBackend::OutSetVolume(DWORD v)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.OutSetVolume(v); });
}
MMRESULT SwitchingBackend::OutGetVolume(DWORD* v)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.OutGetVolume(v); });
}
bool SwitchingBackend::OutIsOpen()
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.OutIsOpen(); });
}
MMRESULT SwitchingBackend::InOpen(UINT device, const WAVEFORMATEX& format, DWORD threadId)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.InOpen(device, format, threadId); });
}
MMRESULT SwitchingBackend::InPrepare(WAVEHDR* h)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.InPrepare(h); });
}
MMRESULT SwitchingBackend::InUnprepare(WAVEHDR* h)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.InUnprepare(h); });
}
MMRESULT SwitchingBackend::InAddBuffer(WAVEHDR* h)
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.InAddBuffer(h); });
}
MMRESULT SwitchingBackend::InStart()
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.InStart(); });
}
MMRESULT SwitchingBackend::InStop()
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.InStop(); });
}
MMRESULT SwitchingBackend::InReset()
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.InReset(); });
}
MMRESULT SwitchingBackend::InClose()
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.InClose(); });
}
bool SwitchingBackend::InIsOpen()
{
    return OnCurrent([&](voice::AudioBackend& b) { return b.InIsOpen(); });
}

} // namespace qelo
