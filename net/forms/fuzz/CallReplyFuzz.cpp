// Call-ID replies from the search server.
#include "net/forms/ServiceForms.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {
class NullAccount : public IServiceAccount {
public:
    CString GetAccountField(AccountField) const override { return CString(); }
    void SetAccountField(AccountField, const CString&) override {}
    CString GetServerUrl(const char*) const override { return CString(); }
};
class NullPoster : public IFormPoster {
public:
    bool PostForm(const char*, const char*, const CString&, CString*, std::uint32_t*) override { return false; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    NullAccount account;
    NullPoster poster;
    CServiceForms forms(account, poster);
    CString callId;
    forms.ParseCallReply(text.c_str(), size % 2 == 0, &callId);
    return 0;
}
