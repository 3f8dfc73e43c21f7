#include "voip/win/Settings.h"

#include "voip/win/LibraryContext.h"
#include "voip/win/LibraryLog.h"
#include "voip/win/ResourceText.h"
#include "voip/win/UiPolicy.h"
#include "voip/core/LogFormat.h"

#include <windows.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace qelo {

namespace {

// The machine key lives in the 32-bit view of HKEY_LOCAL_MACHINE\Software, where the 32-bit
// library keeps it: the 64-bit build asks for that view, the 32-bit one has it anyway (and older
// systems refuse the flag).
#ifdef _WIN64
constexpr REGSAM kMachineKeyView = KEY_WOW64_32KEY;
#else
constexpr REGSAM kMachineKeyView = 0;
#endif

struct SettingsStore {
    std::mutex lock;
    HKEY key = nullptr;
    bool opened = false;
    bool rootChosen = false;
    bool perUser = false;
};

SettingsStore& Store()
{
    static SettingsStore store;
    return store;
}

// The key opens at the first access and stays on the root chosen then for the life of the process.
HKEY OpenKey()
{
    SettingsStore& store = Store();
    std::unique_lock<std::mutex> guard(store.lock);
    if (store.opened)
        return store.key;
    if (!store.rootChosen) {
        store.rootChosen = true;
        store.perUser = Context().perUserRoot;
    }
    HKEY root = store.perUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    LibLog(kLogSetup, "%s registry=%X", store.perUser ? "private" : "public",
           static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(root)));
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG result = RegCreateKeyExA(root, kRegistryKeyPath, 0, const_cast<char*>("nimbocall"), REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS | (store.perUser ? 0 : kMachineKeyView), nullptr, &key, &disposition);
    if (result != ERROR_SUCCESS) {
        guard.unlock();
        // The key stays unopened, so the next access tries again.
        StopBox(BoundedFormat(1024, ResourceText(kTextRegistryKeyFailed).c_str(), kRegistryKeyPath));
        return nullptr;
    }
    store.key = key;
    store.opened = true;
    return key;
}

} // namespace

void UsePerUserRoot()
{
    Context().perUserRoot = true;
}

bool RegistryRead(const char* name, void* buffer, std::size_t size)
{
    HKEY key = OpenKey();
    if (!key)
        return false;
    DWORD type = 0;
    DWORD length = static_cast<DWORD>(size);
    return RegQueryValueExA(key, name, nullptr, &type, static_cast<BYTE*>(buffer), &length) == ERROR_SUCCESS;
}

bool RegistryReadZeroed(const char* name, void* buffer, std::size_t size)
{
    std::memset(buffer, 0, size);
    return RegistryRead(name, buffer, size);
}

long RegistryWrite(const char* name, const void* bytes, std::size_t size)
{
    HKEY key = OpenKey();
    if (!key)
        return ERROR_INVALID_HANDLE;
    return RegSetValueExA(key, name, 0, REG_BINARY, static_cast<const BYTE*>(bytes), static_cast<DWORD>(size));
}

int RegistryFlag(const char* name)
{
    std::int32_t value = 0;
    RegistryReadZeroed(name, &value, sizeof value);
    return value;
}

std::string RegistryText(const char* name, std::size_t size)
{
    // One byte more than the stored field, so a text that fills it still ends.
    std::vector<char> buffer(size + 1, '\0');
    RegistryRead(name, buffer.data(), size);
    return std::string(buffer.data());
}

std::string IniPath()
{
    std::string folder = Context().workingFolder;
    if (folder.empty()) {
        char current[MAX_PATH] = "";
        GetCurrentDirectoryA(sizeof current, current);
        folder = current;
    }
    return folder + "\\nimbocall.ini";
}

std::string IniString(const char* key, const char* defaultText)
{
    char buffer[256] = "";
    GetPrivateProfileStringA("nimbocall", key, defaultText, buffer, sizeof buffer, IniPath().c_str());
    return buffer;
}

void CloseRegistryKey()
{
    SettingsStore& store = Store();
    std::lock_guard<std::mutex> guard(store.lock);
    if (store.key)
        RegCloseKey(store.key);
    store.key = nullptr;
    store.opened = false;
}

} // namespace qelo
