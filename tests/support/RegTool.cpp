#include "RegTool.h"

#include <windows.h>

namespace nvtest {

std::string RunTool(std::string command)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return "<pipe>";
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = nullptr;
    PROCESS_INFORMATION pi = {};
    BOOL started = ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    ::CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char buffer[512];
        DWORD got = 0;
        while (::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got)
            output.append(buffer, got);
        ::WaitForSingleObject(pi.hProcess, 20000);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    ::CloseHandle(readEnd);
    return output;
}

std::string RegQueryData(const std::string& key, const std::string& name)
{
    const std::string output = RunTool("reg.exe query \"" + key + "\" /v " + name);
    if (output == "<pipe>")
        return output;
    // "    <name>    REG_xxx    <data>"
    const std::string marker = "    " + name + "    ";
    std::size_t at = output.find(marker);
    if (at == std::string::npos)
        return "";
    std::size_t data = output.find("    ", at + marker.size());
    if (data == std::string::npos)
        return "";
    std::size_t end = output.find_first_of("\r\n", data);
    return output.substr(data + 4, end == std::string::npos ? std::string::npos : end - data - 4);
}

} // namespace nvtest
