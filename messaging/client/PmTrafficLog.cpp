#include "messaging/client/PmTrafficLog.h"

#include "messaging/wire/PmRecords.h"

#include <cctype>
#include <cstdio>
#include <cstring>

std::string FormatPmLogLine(bool sent, const std::uint8_t* record, std::size_t length, int resendCount,
                            const std::tm& localTime)
{
    PmHeader header;
    if (!record || length < PM_HEADER_SIZE || !DecodeHeader(record, length, &header))
        return "ERROR, CANT PRINT LOG DATA !!\r\n";
    char time[32];
    std::strftime(time, sizeof time, "%d:%H:%M:%S,", &localTime);
    char fields[160];
    std::snprintf(fields, sizeof fields, " ver = %d, type = %d, seq = %d, session = %u,",
                  static_cast<int>(static_cast<std::int16_t>(header.version)),
                  static_cast<int>(static_cast<std::int16_t>(header.type)),
                  static_cast<int>(static_cast<std::int32_t>(header.sequence)), header.session);
    std::string line = sent ? "SEND," : "RECV,";
    line += time;
    line += fields;
    if (sent)
        line += " ReSend = " + std::to_string(resendCount) + ", ";
    line += " ID ";
    line += PmFieldText(header.commId);
    line += "\r\n";
    return line;
}

bool PmLogSwitchGiven(const char* arguments)
{
    if (!arguments)
        return false;
    const char* dash = std::strchr(arguments, '-');
    if (!dash)
        return false;
    std::string word;
    for (const char* p = dash; *p && *p != ' ' && *p != '\t'; ++p)
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return word == "-p" || word == "-cp" || word == "-pc";
}
