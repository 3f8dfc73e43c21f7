// Test double of the sign-up program for the start-up tests: records each run and, when asked,
// writes the account values that the main program waits for.
//   NV_SIGNUP_STANDIN_LOG   file that gets one line per run
//   NV_SIGNUP_STANDIN_MODE  "write" to store LoginID and Comm_id, anything else to store nothing
#include <windows.h>

#include <cstdio>
#include <cstring>

int main()
{
    char log[MAX_PATH] = {};
    char mode[32] = {};
    ::GetEnvironmentVariableA("NV_SIGNUP_STANDIN_LOG", log, sizeof log);
    ::GetEnvironmentVariableA("NV_SIGNUP_STANDIN_MODE", mode, sizeof mode);
    if (*log) {
        if (FILE* f = std::fopen(log, "ab")) {
            std::fprintf(f, "run %s\n", mode);
            std::fclose(f);
        }
    }
    if (std::strcmp(mode, "write") == 0) {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Qelo\\NimboVandrell\\NetInfo", 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr) == ERROR_SUCCESS) {
            const char id[] = "login-standin";
            const char comm[] = "0123456789ABCDEF";
            ::RegSetValueExA(key, "LoginID", 0, REG_SZ, reinterpret_cast<const BYTE*>(id), sizeof id);
            ::RegSetValueExA(key, "Comm_id", 0, REG_SZ, reinterpret_cast<const BYTE*>(comm), sizeof comm);
            ::RegCloseKey(key);
        }
    }
    return 0;
}
