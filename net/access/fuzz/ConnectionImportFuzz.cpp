// Any bytes as a connection-information file, imported into an account: a file that is refused
// or brings only a service message leaves the account and the profile as they were; an applied
// file saves only when something changed.
#include "net/access/AccountImport.h"
#include "net/access/NetAccount.h"
#include "resources/ids/net.h"

#include <cstdlib>
#include <string>

namespace {

class NoPoster : public IFormPoster {
public:
    bool PostForm(const char*, const char*, const CString&, CString*, std::uint32_t* error) override
    {
        *error = 1;
        return false;
    }
};

class CountingHost : public IAccountChangeHost {
public:
    int ShowMessage(unsigned id, unsigned) override
    {
        last = id;
        ++shown;
        return 1;
    }
    void ShowLoggedText(const CString&, unsigned) override { ++shown, serviceText = true; }
    void LogOut() override {}
    void UpdateOwnName(const CString&, const CString&, const CString&, const CString&) override {}
    void RefreshSettingsPage() override {}
    unsigned last = 0;
    int shown = 0;
    bool serviceText = false;
};

class Info : public CNetInfo {
public:
    bool HasServiceSession() const override { return m_state != 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CMemoryProfile profile;
    Info info;
    info.SetProfileStore(&profile);
    info.m_LoginID = "before";
    info.m_state = size & 1 ? 0x0100 : 0;
    CNetInfoAccount account(info, nullptr);
    NoPoster poster;
    CServiceForms forms(account, poster);
    CountingHost host;
    CAccountImport import(info, forms, &host);
    import.ImportBytes(reinterpret_cast<const char*>(data), size);

    if (host.shown == 0)
        std::abort(); // every import tells the user something
    const bool refused = host.last == IDS_IMPORT_UNUSABLE || host.serviceText;
    if (refused && (info.m_LoginID != "before" || !profile.WriteLog().empty()))
        std::abort(); // nothing half-applied
    if (host.last == IDS_ACCOUNT_UNCHANGED && !profile.WriteLog().empty())
        std::abort();
    return 0;
}
