#include "signup/core/SignupImport.h"

#include "resources/ids/net.h"

#include <cstdio>
#include <string>

bool ImportSignupConnectionFile(CNetInfo& netInfo, CServiceForms& forms, const char* path,
                                const SignupImportMessages& messages)
{
    auto showId = [&](unsigned id) {
        if (messages.showId)
            messages.showId(id, CAccountImport::kWarningFlags);
    };
    std::FILE* file = path && *path ? std::fopen(path, "rb") : nullptr;
    if (!file) {
        showId(IDS_IMPORT_UNUSABLE);
        return false;
    }
    std::string data;
    char buffer[4096];
    std::size_t got;
    while (data.size() <= CAccountImport::kMaxFileBytes && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        data.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        showId(IDS_IMPORT_UNUSABLE);
        return false;
    }
    CAccountImport import(netInfo, forms, nullptr);
    const CAccountImport::Staged staged = import.Stage(data.data(), data.size());
    if (staged.serviceResult > 0) {
        if (messages.showText)
            messages.showText(forms.GetServiceMessage(), CAccountImport::kWarningFlags);
        forms.ClearPending();
        return false;
    }
    if (staged.kind != ConnectionFileKind::PcClient) {
        showId(IDS_IMPORT_UNUSABLE);
        forms.ClearPending();
        return false;
    }
    forms.ApplyServiceFields();
    return true;
}
