#include "voip/win/Notifier.h"

#include "voip/core/LogFormat.h"
#include "voip/qelo.h"
#include "voip/core/CallMachine.h"
#include "voip/win/CallMachine.h"
#include "voip/win/NetWatch.h"
#include "voip/win/ResourceText.h"
#include "voip/win/Signalling.h"
#include "voip/win/UiPolicy.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

// The host writes these before PW_start; the library only reads them.
extern "C" {
QL_status_fn QL_status = nullptr;
QL_error_fn QL_error = nullptr;
QL_state_fn QL_state = nullptr;
QL_credit_fn QL_credit = nullptr;
QL_voice_stat_fn QL_voice_stat = nullptr;
QL_offhook_fn QL_offhook = nullptr;
}

namespace qelo {

namespace {

std::atomic<bool> g_adapters{false};

void PrintToStdout(const char* text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
}

std::atomic<ConsoleSink> g_console{PrintToStdout};

void Console(const std::string& text) { g_console.load()(text.c_str()); }

// notify_status: each call formats into its own text, so no other thread can change what a
// callback is reading.
void NotifyStatusText(int kind, int code, const std::string& text)
{
    if (QL_status_fn status = QL_status) {
        status(kind, code, text.c_str());
        return;
    }
    const char* prefix = "Error> ";
    switch (kind) {
    case 0: prefix = "Notify> "; break;
    case 1: prefix = "Ok> "; break;
    case 2: prefix = "Wait> "; break;
    case 3: prefix = "Info> "; break;
    default: break;
    }
    Console(BoundedFormat(kNotifyTextLimit + 16, "%s%s\n", prefix, text.c_str()));
}

} // namespace

void SetConsoleSink(ConsoleSink sink) { g_console = sink ? sink : PrintToStdout; }

void InstallAdapters() { g_adapters = true; }
bool AdaptersInstalled() { return g_adapters; }

void ReportStatusText(int kind, int code, const std::string& text)
{
    if (g_adapters)
        NotifyStatusText(kind, code, text.substr(0, kNotifyTextLimit - 1));
}

void ReportStatus(int kind, int code, const char* format, ...)
{
    if (!g_adapters)
        return;
    va_list args;
    va_start(args, format);
    std::string text = BoundedFormatV(kNotifyTextLimit, format, args);
    va_end(args);
    NotifyStatusText(kind, code, text);
}

void ReportState(int code, const char* text)
{
    if (!g_adapters)
        return;
    if (QL_state_fn state = QL_state)
        state(code, text);
}

void ReportLocalError(int reason)
{
    WithCall([&](CallMachine& machine) { machine.LocalError(reason); });
}

void NotifyError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = BoundedFormatV(kNotifyTextLimit, format, args);
    va_end(args);
    if (!g_adapters) {
        StopBox(text);
        return;
    }
    if (QL_error_fn error = QL_error) {
        error(text.c_str());
        return;
    }
    NotifyStatusText(-1, 0, text);
}

void NotifyOffhook(int off)
{
    if (!g_adapters)
        return;
    if (QL_offhook_fn offhook = QL_offhook) {
        offhook(off);
        return;
    }
    NotifyStatusText(0, 0, BoundedFormat(64, "%s Hook", off ? "Off" : "On"));
}

void NotifyVoiceStat(int rx, int tx)
{
    if (!g_adapters)
        return;
    if (QL_voice_stat_fn voiceStat = QL_voice_stat) {
        voiceStat(rx, tx);
        return;
    }
    if (rx < 100)
        NotifyStatusText(0, 0, BoundedFormat(64, "Rx error rate=%d%%", 100 - rx));
    if (tx < 100)
        NotifyStatusText(0, 0, BoundedFormat(64, "Tx error rate=%d%%", 100 - tx));
}

void NotifyCredit(int credit, int seconds)
{
    if (!g_adapters)
        return;
    if (QL_credit_fn creditFn = QL_credit)
        creditFn(credit, seconds);
}

void NotifyDisconnect()
{
    if (!g_adapters) {
        StopBox("network lost");
        return;
    }
    DialupHangup();
    NetworkLost();
}

} // namespace qelo
