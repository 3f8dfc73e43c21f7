// CSV traffic logs of the socket library, in the temporary folder. Files are appended to, never
// truncated; a file that does not open only suppresses logging and is tried again at the next line.
#pragma once

#include "net/socket/CommThread.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

enum CommLogFlag : std::uint32_t {
    COMMLOG_UDP_SEND = 1,
    COMMLOG_UDP_RECV = 2,
    COMMLOG_UDP_APP = 4,
    COMMLOG_TCP_SEND = 16,
    COMMLOG_TCP_RECV = 32,
    COMMLOG_TCP_APP = 64,
};

// File name of a flag ("UDP_SEND_LOG.CSV" ...), or null for any other value.
const char* CommLogFileName(std::uint32_t flag);

// One line: "SEND," or "RECV,", the time "DD:HH:MM:SS,", "LOG " and the text, then ",\r\n" for a
// sent datagram or "\r\n" for a received one. The text is the datagram's first 32 bytes up to a
// NUL when it holds 34 bytes or more, else " ". CR, LF and commas of the payload become blanks,
// so one datagram is always one CSV line of three or four fields.
std::tm CurrentLocalTime();

std::string FormatTrafficLogLine(bool sent, const std::uint8_t* data, std::size_t length, const std::tm& localTime);

class CCommLog {
public:
    CCommLog();
    virtual ~CCommLog();
    CCommLog(const CCommLog&) = delete;
    CCommLog& operator=(const CCommLog&) = delete;

    bool OpenFile(std::uint32_t flag);
    std::FILE* GetUdpSendFile() { return GetFile(COMMLOG_UDP_SEND); }
    std::FILE* GetUdpRecvFile() { return GetFile(COMMLOG_UDP_RECV); }
    // Appends a whole line to the file of flag and flushes it; false when there is no file.
    bool WriteLine(std::uint32_t flag, const std::string& line);

    // Read by the receive thread while the owner's thread may switch it.
    bool IsEnabled() const { return m_enabled.load() != 0; }
    void SetEnabled(bool on) { m_enabled = on ? 1 : 0; }
    const std::string& Folder() const { return m_folder; }
    void SetFolder(const std::string& folder); // tests and callers that want another place

private:
    std::FILE* GetFile(std::uint32_t flag);
    static int SlotOf(std::uint32_t flag);

    std::atomic<std::uint32_t> m_enabled{1};
    std::string m_folder;
    bool m_folderValid = false;
    std::FILE* m_files[6] = {};
    CCriticalSection m_lock; // the send side and the receive thread write to the same object
};
