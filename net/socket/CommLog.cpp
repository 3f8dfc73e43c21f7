#include "net/socket/CommLog.h"

#include "net/socket/SocketApi.h"

namespace {

const struct {
    std::uint32_t flag;
    const char* name;
} kLogFiles[6] = {
    {COMMLOG_UDP_SEND, "UDP_SEND_LOG.CSV"}, {COMMLOG_UDP_RECV, "UDP_RECV_LOG.CSV"},
    {COMMLOG_UDP_APP, "UDP_APP_LOG.CSV"},   {COMMLOG_TCP_SEND, "TCP_SEND_LOG.CSV"},
    {COMMLOG_TCP_RECV, "TCP_RECV_LOG.CSV"}, {COMMLOG_TCP_APP, "TCP_APP_LOG.CSV"},
};

} // namespace

const char* CommLogFileName(std::uint32_t flag)
{
    for (const auto& file : kLogFiles)
        if (file.flag == flag)
            return file.name;
    return nullptr;
}

std::tm CurrentLocalTime()
{
    std::time_t now = std::time(nullptr);
    std::tm t{};
#ifdef _WIN32
    localtime_s(&t, &now);
#else
    localtime_r(&now, &t);
#endif
    return t;
}

std::string FormatTrafficLogLine(bool sent, const std::uint8_t* data, std::size_t length, const std::tm& t)
{
    std::string text;
    if (length >= 34) {
        for (std::size_t i = 0; i < 32 && data[i] != 0; ++i) {
            char c = static_cast<char>(data[i]);
            // A payload byte must never end the line or add a field.
            text += (c == '\r' || c == '\n' || c == ',') ? ' ' : c;
        }
    } else {
        text = " ";
    }
    char time[32];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d:%02d,", t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    std::string line = sent ? "SEND," : "RECV,";
    line += time;
    line += "LOG ";
    line += text;
    line += sent ? ",\r\n" : "\r\n";
    return line;
}

CCommLog::CCommLog()
{
    SetFolder(nvnet::TemporaryFolder());
}

CCommLog::~CCommLog()
{
    for (std::FILE*& file : m_files)
        if (file)
            std::fclose(file);
}

void CCommLog::SetFolder(const std::string& folder)
{
    CScopedLock lock(&m_lock);
    m_folder = folder;
    m_folderValid = !folder.empty();
}

int CCommLog::SlotOf(std::uint32_t flag)
{
    for (int i = 0; i < 6; ++i)
        if (kLogFiles[i].flag == flag)
            return i;
    return -1;
}

bool CCommLog::OpenFile(std::uint32_t flag)
{
    CScopedLock lock(&m_lock);
    int slot = SlotOf(flag);
    if (!m_folderValid || slot < 0)
        return false;
    if (m_files[slot])
        return true;
    std::string path = m_folder + kLogFiles[slot].name;
    // Appending creates a missing file and never truncates an existing one.
    m_files[slot] = std::fopen(path.c_str(), "ab");
    return m_files[slot] != nullptr;
}

std::FILE* CCommLog::GetFile(std::uint32_t flag)
{
    CScopedLock lock(&m_lock);
    int slot = SlotOf(flag);
    if (slot < 0 || !OpenFile(flag))
        return nullptr;
    return m_files[slot];
}

bool CCommLog::WriteLine(std::uint32_t flag, const std::string& line)
{
    CScopedLock lock(&m_lock);
    std::FILE* file = GetFile(flag);
    if (!file)
        return false;
    bool ok = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    return std::fflush(file) == 0 && ok;
}
