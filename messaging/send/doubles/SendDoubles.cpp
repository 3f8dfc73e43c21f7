#include "messaging/send/doubles/SendDoubles.h"

#include "messaging/wire/AttachPack.h"

void CFakeVoicePanel::Record()
{
    m_log.Add("panel.record");
    if (startsRecording) {
        recording = true;
        idle = false;
    }
}

void CFakeVoicePanel::Stop()
{
    m_log.Add("panel.stop");
    if (recording && !clipAfterStop.IsEmpty())
        clip = clipAfterStop;
    recording = false;
    idle = true;
}

void CFakeVoicePanel::Hold(bool hold)
{
    held = hold;
    m_log.Add(hold ? "panel.hold" : "panel.release");
}

bool CFakeSendHost::LockPm(std::uint16_t kind, unsigned waitMs)
{
    (void)waitMs;
    if (lockTimesOut || lockDepth > 0) {
        m_log.Add("lock " + std::to_string(kind) + " timed out");
        return false;
    }
    lockDepth = 1;
    holder = kind;
    m_log.Add("lock " + std::to_string(kind));
    return true;
}

void CFakeSendHost::UnlockPm()
{
    if (lockDepth == 0) {
        ++unbalancedUnlocks;
        m_log.Add("unlock without hold");
        return;
    }
    lockDepth = 0;
    holder = 0;
    m_log.Add("unlock");
}

void CFakeSendHost::SetHolderKind(std::uint16_t kind)
{
    holder = kind;
    m_log.Add("holder " + std::to_string(kind));
}

bool CFakeSendHost::FileSize(const CString& path, std::uint64_t* size)
{
    auto file = m_files.find(path.str());
    if (file == m_files.end())
        return false;
    *size = file->second.size();
    return true;
}

int CFakeSendHost::BuildPackage(const CString& source, const CString& package)
{
    m_log.Add("pack " + source.str());
    if (packageCode != 0)
        return packageCode;
    auto file = m_files.find(source.str());
    if (file == m_files.end())
        return ATTACH_NO_ENTRY;
    m_files[package.str()] = "PKG:" + file->second;
    return 0;
}

CString CFakeSendHost::MakeTempFile(const char* prefix)
{
    if (noTempFolder)
        return CString();
    CString path;
    path.Format("C:\\Temp\\%s%04X.tmp", prefix, static_cast<unsigned>(++m_tempCounter));
    m_files[path.str()] = std::string();
    return path;
}

void CFakeSendHost::RemoveFile(const CString& path)
{
    m_files.erase(path.str());
    m_log.Add("remove " + path.str());
}

void CFakeSendHost::ShowNotice(SendNotice notice, int number, const CString& text)
{
    notices.push_back(Notice{notice, number, text});
    m_log.Add("notice " + std::to_string(static_cast<int>(notice)));
}

void CRecordingSendView::SetStatus(SendStatus s, int number)
{
    status = s;
    statusNumber = number;
    if (s == SendStatus::Progress)
        percentsShown.push_back(number);
}

void CRecordingSendView::Show(bool show)
{
    shown = show;
    m_log.Add(show ? "show" : "hide");
}
