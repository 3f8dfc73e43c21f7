// The notifier table through which every part of the library reports to its host, the
// adapters that feed the host's QL_ callback variables, and their console fallbacks.
#pragma once

#include <string>

namespace qelo {

// report_status: through the status slot when it is set, else nothing. Bounded to 1024 bytes.
void ReportStatus(int kind, int code, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;
void ReportStatusText(int kind, int code, const std::string& text);
void ReportState(int code, const char* text);
// report_state(reason): state -10015 with the text of the reason, then the call is reset.
void ReportLocalError(int reason);
void NotifyError(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
void NotifyOffhook(int off);
void NotifyVoiceStat(int rx, int tx);
void NotifyCredit(int credit, int seconds);
void NotifyDisconnect();

// PW_start: the seven slots get the adapters. Before it only errors and network loss are
// reported, both in a "Stop" box.
void InstallAdapters();
bool AdaptersInstalled();

// Where the console fallbacks print (standard output unless a test listens).
using ConsoleSink = void (*)(const char* text);
void SetConsoleSink(ConsoleSink sink);

} // namespace qelo
