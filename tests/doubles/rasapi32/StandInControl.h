// The tests' side of the stand-in dial-up service: its control export and its JSON call log.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace nvtest {

class StandInRas {
public:
    // Loads the stand-in by name (it stays loaded while this object lives) and logs to a file of
    // this process.
    StandInRas()
    {
        m_module = LoadLibraryA("rasapi32.dll");
        if (m_module)
            m_control = reinterpret_cast<Control>(reinterpret_cast<void*>(GetProcAddress(m_module, "NvRasControl")));
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        m_logPath = std::string(temp) + "nv_ras_" + std::to_string(GetCurrentProcessId()) + ".jsonl";
    }
    ~StandInRas()
    {
        if (m_control)
            m_control("reset");
        DeleteFileA(m_logPath.c_str());
        if (m_module)
            FreeLibrary(m_module);
    }
    StandInRas(const StandInRas&) = delete;
    StandInRas& operator=(const StandInRas&) = delete;

    // False when the loaded rasapi32.dll is not the stand-in.
    bool Loaded() const { return m_control != nullptr; }
    // One script line; 0 when it was understood.
    DWORD Script(const std::string& line) const { return m_control ? m_control(line.c_str()) : ERROR_INVALID_FUNCTION; }
    // Forgets everything and starts an empty log.
    void Reset() const
    {
        Script("reset");
        DeleteFileA(m_logPath.c_str());
        Script("log|" + m_logPath);
    }
    // The log lines of one function ("notify" for the notifier's calls); all lines for null.
    std::vector<std::string> Log(const char* fn = nullptr) const
    {
        std::vector<std::string> lines;
        HANDLE file = CreateFileA(m_logPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return lines;
        std::string text;
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got)
            text.append(buffer, got);
        CloseHandle(file);
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!fn || line.find(std::string("\"fn\":\"") + fn + "\"") != std::string::npos)
                lines.push_back(line);
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        return lines;
    }
    // A text as the log writes it (bytes outside printable ASCII as \u00XX).
    static std::string Logged(const std::string& text)
    {
        std::string out;
        for (unsigned char c : text) {
            char escaped[8];
            if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
                out += static_cast<char>(c);
            } else {
                wsprintfA(escaped, "\\u%04x", c);
                out += escaped;
            }
        }
        return out;
    }

private:
    using Control = DWORD(WINAPI*)(const char*);
    HMODULE m_module = nullptr;
    Control m_control = nullptr;
    std::string m_logPath;
};

} // namespace nvtest
