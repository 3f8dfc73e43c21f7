// Lines of the message client's traffic logs (NVPC_VYRN_SEND.csv and NVPC_VYRN_RECV.csv). Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

// "SEND," or "RECV,", the local time "%d:%H:%M:%S,", the header's version, type, sequence and
// session, for a sent record the resend count, then the ID and CR LF; a record shorter than its
// header gives "ERROR, CANT PRINT LOG DATA !!\r\n".
std::string FormatPmLogLine(bool sent, const std::uint8_t* record, std::size_t length, int resendCount,
                            const std::tm& localTime);

// Whether the program's arguments ask for the logs: the word from the first "-" up to the next
// blank is "-p", "-cp" or "-pc", in any case.
bool PmLogSwitchGiven(const char* arguments);
