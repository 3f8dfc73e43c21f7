// A skin host for tests: folders and profile values set by the test, messages and the end of the
// program recorded instead of shown or done.
#pragma once

#include "shell/common/skin/SkinHost.h"

#include <climits>
#include <map>
#include <string>
#include <vector>

class RecordingSkinHost : public ISkinHost {
public:
    AppPathResult ReadAppPath(CString&) override { return AppPathResult::NoKey; }
    CString GetProgramFolder() override { return programFolder; }
    CString GetTempFolder() override { return tempFolder; }
    CString GetProfileValue(const char* entry, const char* defaultValue) override
    {
        auto it = profile.find(entry);
        return it == profile.end() ? CString(defaultValue) : CString(it->second);
    }
    void WriteProfileValue(const char* entry, const char* value) override { profile[entry] = value; }
    int ShowMessage(HWND, const CString& text, UINT) override
    {
        messages.push_back(text);
        return IDOK;
    }
    void EndProgram(int code) override { exitCode = code; }

    CString programFolder, tempFolder;
    std::map<std::string, std::string> profile;
    std::vector<CString> messages;
    int exitCode = INT_MIN; // INT_MIN: the program was never ended
};
