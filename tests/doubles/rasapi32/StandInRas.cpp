// Stand-in rasapi32.dll for the tests (never shipped): a dial-up service played from a script.
// Wine's own rasapi32 raises on most calls, so tests load this one (WINEDLLOVERRIDES=rasapi32=n).
//
// Script lines (file named by NV_RAS_SCRIPT, read at load; or one line at a time through the
// export NvRasControl), fields separated by "|":
//   reset                         forget everything (devices, entries, connections, settings)
//   log|PATH                      append one JSON line per call to PATH
//   phonebook|PATH                keep the phone book in PATH (read now, written on each change)
//   device|TYPE|NAME              a dial-up device
//   connection|ENTRY|TYPE|NAME    a connection made by another program, already connected
//   dial|STEP,STEP,...            what the next dials do, one step per state change:
//                                 a state number (decimal or 0x..), "error:CODE:EXT" (the notifier
//                                 reports an error and the dial stops), "hold" (stay until hung
//                                 up), "vanish" (the connection disappears)
//   step_ms|N                     pause before each step (default 20)
//   hangup_ms|N                   a hung-up connection stays this long (default 0)
//   address|IP                    the PPP IP projection's address (default 127.0.0.1)
//   errortext|CODE|TEXT           the text of an error code
//   dialresult|CODE               RasDialA's own result (default 0)
//   fail|FUNCTION|CODE            that function answers CODE from now on
// A record whose size member is not the size of its record is refused with 632.
#include "net/ras/RasRecords.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace ras;

namespace {

constexpr DWORD kInvalidName = 123;
constexpr DWORD kRasDialEvent = 0xCCCD;
constexpr DWORD kNotConnected = 668;
constexpr DWORD kProtocolNotConfigured = 731;

using Notifier1 = void(WINAPI*)(ConnectionHandle, UINT, DWORD, DWORD, DWORD);

struct Entry {
    std::string name, deviceType, deviceName, number, areaCode, user, password;
    DWORD options = 0, countryCode = 0, netProtocols = 0, framing = 0;
};

struct Link {
    ConnectionHandle handle = 0;
    std::string entry, deviceType, deviceName;
    DWORD state = kStateOpenPort;
    DWORD error = 0;
    bool hungUp = false;
    DWORD goneAt = 0;     // tick at which a hung-up connection is gone
    HANDLE hangUpEvent = nullptr;
};

struct Service {
    CRITICAL_SECTION lock;
    std::string logPath, phoneBookPath;
    std::vector<std::pair<std::string, std::string>> devices;
    std::vector<Entry> entries;
    std::vector<std::shared_ptr<Link>> links;
    std::vector<std::string> dialSteps{"0", "1", "2", "3", "5", "14", "18", "0x2000"};
    DWORD stepMs = 20, hangUpMs = 0, dialResult = 0;
    std::string address = "127.0.0.1";
    std::map<DWORD, std::string> errorTexts;
    std::map<std::string, DWORD> failures;
    ConnectionHandle nextHandle = 0x5100;
};

Service& S()
{
    static Service* service = [] {
        auto* s = new Service;
        InitializeCriticalSection(&s->lock);
        return s;
    }();
    return *service;
}

struct Guard {
    Guard() { EnterCriticalSection(&S().lock); }
    ~Guard() { LeaveCriticalSection(&S().lock); }
};

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

DWORD Number(const std::string& text)
{
    return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 0));
}

std::string Json(const char* text)
{
    if (!text)
        return "null";
    std::string out = "\"";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        char buffer[8];
        if (*p == '"' || *p == '\\') {
            out += '\\';
            out += static_cast<char>(*p);
        } else if (*p < 0x20 || *p >= 0x7F) {
            std::snprintf(buffer, sizeof buffer, "\\u%04x", *p); // a byte each, CP932 read back by the test
            out += buffer;
        } else {
            out += static_cast<char>(*p);
        }
    }
    return out + "\"";
}

// One JSON line: {"fn": name, "result": code, fields...}; fields are "key", value pairs of
// already encoded JSON values.
void Log(const char* fn, DWORD result, std::initializer_list<std::pair<const char*, std::string>> fields)
{
    Guard guard;
    if (S().logPath.empty())
        return;
    std::string line = "{\"fn\":" + Json(fn) + ",\"result\":" + std::to_string(result);
    for (const auto& field : fields)
        line += ",\"" + std::string(field.first) + "\":" + field.second;
    line += "}\n";
    if (FILE* file = std::fopen(S().logPath.c_str(), "ab")) {
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    }
}

std::string Int(DWORD value)
{
    return std::to_string(value);
}

// A fixed field read up to its zero, never past its end.
template <std::size_t N> std::string Field(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

template <std::size_t N> void Put(char (&field)[N], const std::string& text)
{
    std::size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

void SavePhoneBook()
{
    Service& s = S();
    if (s.phoneBookPath.empty())
        return;
    FILE* file = std::fopen(s.phoneBookPath.c_str(), "wb");
    if (!file)
        return;
    for (const Entry& e : s.entries)
        std::fprintf(file, "%s|%s|%s|%s|%s|%s|%s|%lu|%lu|%lu|%lu\n", e.name.c_str(), e.deviceType.c_str(),
                     e.deviceName.c_str(), e.number.c_str(), e.areaCode.c_str(), e.user.c_str(), e.password.c_str(),
                     static_cast<unsigned long>(e.options), static_cast<unsigned long>(e.countryCode),
                     static_cast<unsigned long>(e.netProtocols), static_cast<unsigned long>(e.framing));
    std::fclose(file);
}

void LoadPhoneBook()
{
    Service& s = S();
    s.entries.clear();
    FILE* file = std::fopen(s.phoneBookPath.c_str(), "rb");
    if (!file)
        return;
    char line[4096];
    while (std::fgets(line, sizeof line, file)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        auto f = Split(text, '|');
        if (f.size() < 11)
            continue;
        Entry e{f[0], f[1], f[2], f[3], f[4], f[5], f[6], Number(f[7]), Number(f[8]), Number(f[9]), Number(f[10])};
        s.entries.push_back(e);
    }
    std::fclose(file);
}

Entry* FindEntry(const char* name)
{
    for (Entry& e : S().entries)
        if (name && lstrcmpiA(e.name.c_str(), name) == 0)
            return &e;
    return nullptr;
}

std::shared_ptr<Link> FindLink(ConnectionHandle handle)
{
    Service& s = S();
    for (auto it = s.links.begin(); it != s.links.end(); ++it) {
        if ((*it)->handle != handle)
            continue;
        if ((*it)->hungUp && static_cast<LONG>(GetTickCount() - (*it)->goneAt) >= 0) {
            s.links.erase(it);
            return nullptr;
        }
        return *it;
    }
    return nullptr;
}

// The live connections (hung-up ones whose time is up are dropped first).
std::vector<std::shared_ptr<Link>> LiveLinks()
{
    std::vector<ConnectionHandle> handles;
    for (const auto& link : S().links)
        handles.push_back(link->handle);
    std::vector<std::shared_ptr<Link>> live;
    for (ConnectionHandle h : handles)
        if (auto link = FindLink(h))
            live.push_back(link);
    return live;
}

bool Failing(const char* fn, DWORD* code)
{
    auto it = S().failures.find(fn);
    if (it == S().failures.end())
        return false;
    *code = it->second;
    return true;
}

DWORD Control(const std::string& line)
{
    Service& s = S();
    auto f = Split(line, '|');
    const std::string& cmd = f[0];
    auto arg = [&](std::size_t i) { return i < f.size() ? f[i] : std::string(); };
    if (cmd == "reset") {
        s.devices.clear();
        s.entries.clear();
        s.links.clear();
        s.errorTexts.clear();
        s.failures.clear();
        s.logPath.clear();
        s.phoneBookPath.clear();
        s.dialSteps = {"0", "1", "2", "3", "5", "14", "18", "0x2000"};
        s.stepMs = 20;
        s.hangUpMs = 0;
        s.dialResult = 0;
        s.address = "127.0.0.1";
    } else if (cmd == "log") {
        s.logPath = arg(1);
    } else if (cmd == "phonebook") {
        s.phoneBookPath = arg(1);
        LoadPhoneBook();
    } else if (cmd == "device") {
        s.devices.emplace_back(arg(1), arg(2));
    } else if (cmd == "connection") {
        auto link = std::make_shared<Link>();
        link->handle = s.nextHandle++;
        link->entry = arg(1);
        link->deviceType = arg(2);
        link->deviceName = arg(3);
        link->state = f.size() > 4 ? Number(arg(4)) : static_cast<DWORD>(kStateConnected);
        s.links.push_back(link);
    } else if (cmd == "dial") {
        s.dialSteps = Split(arg(1), ',');
    } else if (cmd == "step_ms") {
        s.stepMs = Number(arg(1));
    } else if (cmd == "hangup_ms") {
        s.hangUpMs = Number(arg(1));
    } else if (cmd == "address") {
        s.address = arg(1);
    } else if (cmd == "errortext") {
        s.errorTexts[Number(arg(1))] = arg(2);
    } else if (cmd == "dialresult") {
        s.dialResult = Number(arg(1));
    } else if (cmd == "fail") {
        s.failures[arg(1)] = Number(arg(2));
    } else if (!cmd.empty() && cmd[0] != '#') {
        return ERROR_INVALID_PARAMETER;
    }
    return 0;
}

void LoadScript()
{
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("NV_RAS_SCRIPT", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return;
    char line[4096];
    while (std::fgets(line, sizeof line, file)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        Control(text);
    }
    std::fclose(file);
}

struct DialJob {
    std::shared_ptr<Link> link;
    std::vector<std::string> steps;
    DWORD stepMs;
    Notifier1 notifier;
};

DWORD WINAPI DialThread(void* parameter)
{
    std::unique_ptr<DialJob> job(static_cast<DialJob*>(parameter));
    Link& link = *job->link;
    for (const std::string& step : job->steps) {
        if (WaitForSingleObject(link.hangUpEvent, job->stepMs) == WAIT_OBJECT_0)
            return 0;
        DWORD state, error = 0, extended = 0;
        if (step == "hold") {
            WaitForSingleObject(link.hangUpEvent, 120000);
            return 0;
        }
        if (step == "vanish") {
            Guard guard;
            auto& links = S().links;
            links.erase(std::remove(links.begin(), links.end(), job->link), links.end());
            return 0;
        }
        if (step.rfind("error:", 0) == 0) {
            auto parts = Split(step, ':');
            error = Number(parts.size() > 1 ? parts[1] : "0");
            extended = Number(parts.size() > 2 ? parts[2] : "0");
            Guard guard;
            state = link.state;
            link.error = error;
        } else {
            Guard guard;
            state = link.state = Number(step);
        }
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        Log("notify", 0,
            {{"state", Int(state)}, {"error", Int(error)}, {"extended", Int(extended)},
             {"qpc", std::to_string(now.QuadPart)}});
        if (job->notifier)
            job->notifier(link.handle, kRasDialEvent, state, error, extended);
        if (error)
            return 0;
    }
    return 0;
}

} // namespace

extern "C" {

DWORD WINAPI NvRasControl(const char* line)
{
    Guard guard;
    return line ? Control(line) : ERROR_INVALID_PARAMETER;
}

DWORD WINAPI RasEnumDevicesA(DeviceInfo* devices, DWORD* bytes, DWORD* count)
{
    DWORD result = 0;
    {
        Guard guard;
        Service& s = S();
        const DWORD needed = static_cast<DWORD>(s.devices.size() * sizeof(DeviceInfo));
        if (!bytes || !count)
            result = ERROR_INVALID_PARAMETER;
        else if (Failing("RasEnumDevicesA", &result))
            ;
        else if (devices && devices->size != sizeof(DeviceInfo))
            result = kErrorInvalidSize;
        else if (!devices || *bytes < needed) {
            *bytes = needed;
            *count = static_cast<DWORD>(s.devices.size());
            result = needed ? static_cast<DWORD>(kErrorBufferTooSmall) : 0;
        } else {
            for (std::size_t i = 0; i < s.devices.size(); ++i) {
                devices[i].size = sizeof(DeviceInfo);
                Put(devices[i].deviceType, s.devices[i].first);
                Put(devices[i].deviceName, s.devices[i].second);
            }
            *bytes = needed;
            *count = static_cast<DWORD>(s.devices.size());
        }
    }
    Log("RasEnumDevicesA", result, {{"buffer", devices ? "true" : "false"}});
    return result;
}

DWORD WINAPI RasEnumEntriesA(const char*, const char* phoneBook, EntryName* names, DWORD* bytes, DWORD* count)
{
    DWORD result = 0;
    {
        Guard guard;
        Service& s = S();
        const DWORD needed = static_cast<DWORD>(s.entries.size() * sizeof(EntryName));
        if (!names || !bytes || !count)
            result = ERROR_INVALID_PARAMETER;
        else if (Failing("RasEnumEntriesA", &result))
            ;
        else if (names->size != sizeof(EntryName))
            result = kErrorInvalidSize;
        else if (*bytes < needed) {
            *bytes = needed;
            *count = static_cast<DWORD>(s.entries.size());
            result = kErrorBufferTooSmall;
        } else {
            for (std::size_t i = 0; i < s.entries.size(); ++i) {
                names[i].size = sizeof(EntryName);
                Put(names[i].entryName, s.entries[i].name);
            }
            *bytes = needed;
            *count = static_cast<DWORD>(s.entries.size());
        }
    }
    Log("RasEnumEntriesA", result, {{"phonebook", Json(phoneBook)}});
    return result;
}

DWORD WINAPI RasEnumConnectionsA(Connection* connections, DWORD* bytes, DWORD* count)
{
    DWORD result = 0;
    {
        Guard guard;
        auto live = LiveLinks();
        const DWORD needed = static_cast<DWORD>(live.size() * sizeof(Connection));
        if (!connections || !bytes || !count)
            result = ERROR_INVALID_PARAMETER;
        else if (Failing("RasEnumConnectionsA", &result))
            ;
        else if (connections->size != sizeof(Connection))
            result = kErrorInvalidSize;
        else if (*bytes < needed) {
            *bytes = needed;
            *count = static_cast<DWORD>(live.size());
            result = kErrorBufferTooSmall;
        } else {
            for (std::size_t i = 0; i < live.size(); ++i) {
                connections[i].size = sizeof(Connection);
                connections[i].handle = live[i]->handle;
                Put(connections[i].entryName, live[i]->entry);
                Put(connections[i].deviceType, live[i]->deviceType);
                Put(connections[i].deviceName, live[i]->deviceName);
            }
            *bytes = needed;
            *count = static_cast<DWORD>(live.size());
        }
    }
    Log("RasEnumConnectionsA", result, {});
    return result;
}

DWORD WINAPI RasGetConnectStatusA(ConnectionHandle handle, ConnectionStatus* status)
{
    DWORD result = 0;
    {
        Guard guard;
        auto link = FindLink(handle);
        if (!status)
            result = ERROR_INVALID_PARAMETER;
        else if (Failing("RasGetConnectStatusA", &result))
            ;
        else if (status->size != sizeof(ConnectionStatus))
            result = kErrorInvalidSize;
        else if (!link)
            result = kErrorInvalidHandle;
        else {
            status->state = link->hungUp ? static_cast<DWORD>(kStateDisconnected) : link->state;
            status->error = link->error;
            Put(status->deviceType, link->deviceType);
            Put(status->deviceName, link->deviceName);
        }
    }
    Log("RasGetConnectStatusA", result, {{"handle", Int(static_cast<DWORD>(handle))}});
    return result;
}

DWORD WINAPI RasHangUpA(ConnectionHandle handle)
{
    DWORD result = 0;
    {
        Guard guard;
        auto link = FindLink(handle);
        if (Failing("RasHangUpA", &result))
            ;
        else if (!link)
            result = kErrorInvalidHandle;
        else if (!link->hungUp) {
            link->hungUp = true;
            link->goneAt = GetTickCount() + S().hangUpMs;
            if (link->hangUpEvent)
                SetEvent(link->hangUpEvent);
        }
    }
    Log("RasHangUpA", result, {{"handle", Int(static_cast<DWORD>(handle))}});
    return result;
}

DWORD WINAPI RasGetErrorStringA(UINT code, char* text, DWORD size)
{
    DWORD result = 0;
    {
        Guard guard;
        auto it = S().errorTexts.find(code);
        std::string message = it != S().errorTexts.end() ? it->second : "Stand-in error " + std::to_string(code);
        if (!text)
            result = ERROR_INVALID_PARAMETER;
        else if (Failing("RasGetErrorStringA", &result))
            ;
        else if (size <= message.size())
            result = kErrorBufferTooSmall;
        else
            std::memcpy(text, message.c_str(), message.size() + 1);
    }
    Log("RasGetErrorStringA", result, {{"code", Int(code)}, {"size", Int(size)}});
    return result;
}

DWORD WINAPI RasDialA(void* extensions, const char* phoneBook, DialParams* params, DWORD notifierType,
                      void* notifier, ConnectionHandle* handle)
{
    DWORD result = 0;
    std::string entryName, number, user;
    {
        Guard guard;
        Service& s = S();
        if (!params || !handle)
            result = ERROR_INVALID_PARAMETER;
        else if (params->size != sizeof(DialParams))
            result = kErrorInvalidSize;
        else {
            entryName = Field(params->entryName);
            number = Field(params->phoneNumber);
            user = Field(params->userName);
            if (Failing("RasDialA", &result) || (result = s.dialResult) != 0) {
                *handle = 0;
            } else {
                auto link = std::make_shared<Link>();
                link->handle = s.nextHandle++;
                link->entry = entryName;
                if (Entry* e = FindEntry(entryName.c_str())) {
                    link->deviceType = e->deviceType;
                    link->deviceName = e->deviceName;
                } else if (!s.devices.empty()) {
                    link->deviceType = s.devices[0].first;
                    link->deviceName = s.devices[0].second;
                }
                link->hangUpEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
                s.links.push_back(link);
                *handle = link->handle;
                auto* job = new DialJob{link, s.dialSteps, s.stepMs,
                                        notifierType == kNotifierType1 ? reinterpret_cast<Notifier1>(notifier) : nullptr};
                HANDLE thread = CreateThread(nullptr, 0, DialThread, job, 0, nullptr);
                if (thread)
                    CloseHandle(thread);
                else
                    delete job;
            }
        }
    }
    Log("RasDialA", result,
        {{"entry", Json(entryName.c_str())}, {"phone", Json(number.c_str())}, {"user", Json(user.c_str())},
         {"phonebook", Json(phoneBook)}, {"notifier_type", Int(notifierType)},
         {"extensions", extensions ? "true" : "false"}, {"size", Int(params ? params->size : 0)}});
    return result;
}

DWORD WINAPI RasValidateEntryNameA(const char* phoneBook, const char* name)
{
    DWORD result = 0;
    {
        Guard guard;
        if (Failing("RasValidateEntryNameA", &result))
            ;
        else if (!name || !*name || std::strlen(name) > kMaxEntryName)
            result = kInvalidName;
        else if (FindEntry(name))
            result = kErrorAlreadyExists;
    }
    Log("RasValidateEntryNameA", result, {{"entry", Json(name)}, {"phonebook", Json(phoneBook)}});
    return result;
}

DWORD WINAPI RasDeleteEntryA(const char* phoneBook, const char* name)
{
    DWORD result = 0;
    {
        Guard guard;
        auto& entries = S().entries;
        auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const Entry& e) { return name && lstrcmpiA(e.name.c_str(), name) == 0; });
        if (Failing("RasDeleteEntryA", &result))
            ;
        else if (it == entries.end())
            result = kErrorCannotFindPhonebookEntry;
        else {
            entries.erase(it);
            SavePhoneBook();
        }
    }
    Log("RasDeleteEntryA", result, {{"entry", Json(name)}, {"phonebook", Json(phoneBook)}});
    return result;
}

DWORD WINAPI RasSetEntryPropertiesA(const char* phoneBook, const char* name, PhoneBookEntry* entry, DWORD bytes,
                                    BYTE*, DWORD)
{
    DWORD result = 0;
    std::string number, deviceName, areaCode;
    DWORD options = 0, protocols = 0, framing = 0;
    {
        Guard guard;
        if (!name || !entry)
            result = ERROR_INVALID_PARAMETER;
        else if (Failing("RasSetEntryPropertiesA", &result))
            ;
        else if (entry->size != sizeof(PhoneBookEntry) || bytes < sizeof(PhoneBookEntry))
            result = kErrorInvalidSize;
        else {
            Entry* e = FindEntry(name);
            if (!e) {
                S().entries.push_back(Entry{});
                e = &S().entries.back();
                e->name = name;
            }
            e->deviceType = Field(entry->deviceType);
            e->deviceName = deviceName = Field(entry->deviceName);
            e->number = number = Field(entry->localPhoneNumber);
            e->areaCode = areaCode = Field(entry->areaCode);
            e->options = options = entry->options;
            e->countryCode = entry->countryCode;
            e->netProtocols = protocols = entry->netProtocols;
            e->framing = framing = entry->framingProtocol;
            SavePhoneBook();
        }
    }
    Log("RasSetEntryPropertiesA", result,
        {{"entry", Json(name)}, {"phonebook", Json(phoneBook)}, {"phone", Json(number.c_str())},
         {"device", Json(deviceName.c_str())}, {"area", Json(areaCode.c_str())}, {"options", Int(options)},
         {"protocols", Int(protocols)}, {"framing", Int(framing)}});
    return result;
}

DWORD WINAPI RasGetEntryPropertiesA(const char* phoneBook, const char* name, PhoneBookEntry* entry, DWORD* bytes,
                                    BYTE*, DWORD* deviceBytes)
{
    DWORD result = 0;
    {
        Guard guard;
        Entry* e = FindEntry(name);
        if (!bytes)
            result = ERROR_INVALID_PARAMETER;
        else if (Failing("RasGetEntryPropertiesA", &result))
            ;
        else if (!e)
            result = kErrorCannotFindPhonebookEntry;
        else if (!entry || *bytes < sizeof(PhoneBookEntry)) {
            *bytes = sizeof(PhoneBookEntry);
            result = kErrorBufferTooSmall;
        } else if (entry->size != sizeof(PhoneBookEntry))
            result = kErrorInvalidSize;
        else {
            std::memset(entry, 0, sizeof *entry);
            entry->size = sizeof *entry;
            entry->options = e->options;
            entry->countryCode = entry->countryId = e->countryCode;
            entry->netProtocols = e->netProtocols;
            entry->framingProtocol = e->framing;
            Put(entry->areaCode, e->areaCode);
            Put(entry->localPhoneNumber, e->number);
            Put(entry->deviceType, e->deviceType);
            Put(entry->deviceName, e->deviceName);
            if (deviceBytes)
                *deviceBytes = 0;
        }
    }
    Log("RasGetEntryPropertiesA", result, {{"entry", Json(name)}, {"phonebook", Json(phoneBook)}});
    return result;
}

DWORD WINAPI RasSetEntryDialParamsA(const char* phoneBook, DialParams* params, BOOL removePassword)
{
    DWORD result = 0;
    std::string name, user;
    {
        Guard guard;
        if (!params)
            result = ERROR_INVALID_PARAMETER;
        else if (Failing("RasSetEntryDialParamsA", &result))
            ;
        else if (params->size != sizeof(DialParams))
            result = kErrorInvalidSize;
        else if (Entry* e = FindEntry((name = Field(params->entryName)).c_str())) {
            e->user = user = Field(params->userName);
            e->password = removePassword ? std::string() : Field(params->password);
            SavePhoneBook();
        } else
            result = kErrorCannotFindPhonebookEntry;
    }
    Log("RasSetEntryDialParamsA", result,
        {{"entry", Json(name.c_str())}, {"user", Json(user.c_str())}, {"phonebook", Json(phoneBook)},
         {"remove_password", removePassword ? "true" : "false"}});
    return result;
}

DWORD WINAPI RasGetEntryDialParamsA(const char* phoneBook, DialParams* params, BOOL* passwordReturned)
{
    DWORD result = 0;
    std::string name;
    {
        Guard guard;
        if (!params)
            result = ERROR_INVALID_PARAMETER;
        else if (Failing("RasGetEntryDialParamsA", &result))
            ;
        else if (params->size != sizeof(DialParams))
            result = kErrorInvalidSize;
        else if (Entry* e = FindEntry((name = Field(params->entryName)).c_str())) {
            Put(params->phoneNumber, e->number);
            Put(params->userName, e->user);
            Put(params->password, e->password);
            if (passwordReturned)
                *passwordReturned = !e->password.empty();
        } else
            result = kErrorCannotFindPhonebookEntry;
    }
    Log("RasGetEntryDialParamsA", result, {{"entry", Json(name.c_str())}, {"phonebook", Json(phoneBook)}});
    return result;
}

DWORD WINAPI RasGetProjectionInfoA(ConnectionHandle handle, DWORD projection, void* buffer, DWORD* bytes)
{
    DWORD result = 0;
    {
        Guard guard;
        auto link = FindLink(handle);
        auto* ip = static_cast<PppIpProjection*>(buffer);
        if (!bytes)
            result = ERROR_INVALID_PARAMETER;
        else if (Failing("RasGetProjectionInfoA", &result))
            ;
        else if (!link)
            result = kErrorInvalidHandle;
        else if (projection != kProjectionPppIp)
            result = kProtocolNotConfigured;
        else if (link->state != kStateConnected || link->hungUp)
            result = kNotConnected;
        else if (!ip || *bytes < sizeof(PppIpProjection)) {
            *bytes = sizeof(PppIpProjection);
            result = kErrorBufferTooSmall;
        } else if (ip->size != sizeof(PppIpProjection))
            result = kErrorInvalidSize;
        else {
            ip->error = 0;
            Put(ip->ipAddress, S().address);
            Put(ip->serverIpAddress, "127.0.0.2");
        }
    }
    Log("RasGetProjectionInfoA", result, {{"handle", Int(static_cast<DWORD>(handle))}, {"projection", Int(projection)}});
    return result;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        Guard guard;
        LoadScript();
    }
    return TRUE;
}

} // extern "C"
