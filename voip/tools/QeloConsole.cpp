// qelo_console: drives qelo.dll from standard input, one command a line, and prints every
// callback with a time stamp (milliseconds since the program started), for the two-instance
// tests and for trying the library by hand.
//
//   start <country> <area> <nickname> [server]   PW_start (no window)
//   login | logout | register | stop | offhook | onhook | version | id
//   call <call id or address>          PW_call_nimbo
//   phone <number> <user> <password>   PW_call_phone
//   dtmf <digit>                       PW_send_DTMF
//   setip <a.b.c.d | 0>                PW_set_ip
//   wavepath <folder> | loglevel <n> | option <n> <value>
//   echo <text>                        prints the text (a marker for the test's log)
//   stats                              handles, threads and private bytes of this process
//   quit
//
// Every command answers "= <command> <result>"; callbacks print "<ms> <name> <arguments>", the
// time stamp being the system's tick count (the same clock in every process of the machine), and
// each command is announced as "<ms> > <command>" when it begins.
#include <winsock2.h>

#include "voip/qelo.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>

namespace {

std::mutex g_print;

void Print(const std::string& line)
{
    std::lock_guard<std::mutex> guard(g_print);
    std::printf("%lu %s\n", static_cast<unsigned long>(GetTickCount()), line.c_str());
    std::fflush(stdout);
}

std::string Text(const char* text) { return text ? std::string("'") + text + "'" : std::string("-"); }

void __cdecl OnState(int code, const char* text) { Print("state " + std::to_string(code) + " " + Text(text)); }
void __cdecl OnStatus(int kind, int code, const char* text)
{
    Print("status " + std::to_string(kind) + " " + std::to_string(code) + " " + Text(text));
}
void __cdecl OnError(const char* text) { Print("error " + Text(text)); }
void __cdecl OnCredit(int credit, int seconds)
{
    Print("credit " + std::to_string(credit) + " " + std::to_string(seconds));
}
void __cdecl OnVoiceStat(int rx, int tx) { Print("voicestat " + std::to_string(rx) + " " + std::to_string(tx)); }
void __cdecl OnOffhook(int off) { Print("offhook " + std::to_string(off)); }

std::string ProcessStats()
{
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    int threads = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        THREADENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
            if (entry.th32OwnerProcessID == GetCurrentProcessId())
                ++threads;
        CloseHandle(snapshot);
    }
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    return "stats handles=" + std::to_string(handles) + " threads=" + std::to_string(threads) +
           " private=" + std::to_string(static_cast<unsigned long long>(memory.PrivateUsage));
}

void Answer(const std::string& command, long result) { Print("= " + command + " " + std::to_string(result)); }

} // namespace

int main()
{
    QL_state = OnState;
    QL_status = OnStatus;
    QL_error = OnError;
    QL_credit = OnCredit;
    QL_voice_stat = OnVoiceStat;
    QL_offhook = OnOffhook;
    Print("ready");
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream in(line);
        std::string command;
        in >> command;
        std::string a, b, c, d;
        in >> a >> b >> c >> d;
        if (command.empty())
            continue;
        // The moment a command begins, on the same clock as the callbacks.
        Print("> " + command);
        if (command == "quit") {
            Answer(command, 0);
            break;
        }
        if (command == "start")
            Answer(command, PW_start(nullptr, a.c_str(), b.c_str(), c.c_str(), d.empty() ? nullptr : d.c_str()));
        else if (command == "login")
            Answer(command, PW_login());
        else if (command == "logout")
            Answer(command, PW_logout());
        else if (command == "register")
            Answer(command, PW_register());
        else if (command == "stop")
            Answer(command, PW_stop());
        else if (command == "call")
            Answer(command, PW_call_nimbo(a.c_str()));
        else if (command == "phone")
            Answer(command, PW_call_phone(a.c_str(), b.c_str(), c.c_str()));
        else if (command == "offhook")
            Answer(command, PW_off_hook());
        else if (command == "onhook") {
            PW_on_hook();
            Answer(command, 0);
        } else if (command == "dtmf") {
            PW_send_DTMF(a.empty() ? '\0' : a[0]);
            Answer(command, 0);
        } else if (command == "setip") {
            unsigned long address = a == "0" ? 0 : inet_addr(a.c_str());
            PW_set_ip(address);
            Answer(command, 0);
        } else if (command == "wavepath") {
            PW_wave_path(a.c_str());
            Answer(command, 0);
        } else if (command == "loglevel") {
            PW_set_loglevel(std::atoi(a.c_str()));
            Answer(command, 0);
        } else if (command == "option")
            Answer(command, PW_set_option(std::atoi(a.c_str()), std::atoi(b.c_str())));
        else if (command == "version") {
            char text[256] = "";
            PW_get_version(text);
            Print(std::string("version ") + text);
            Answer(command, 0);
        } else if (command == "id") {
            char text[64] = "";
            int result = PW_get_nimbocall_id(text);
            Print(std::string("id ") + text);
            Answer(command, result);
        } else if (command == "echo")
            Print("echo " + a);
        else if (command == "stats") {
            Print(ProcessStats());
            Answer(command, 0);
        }
        else
            Answer(command, -9999);
    }
    return 0;
}
