// Numbered-field texts (server replies and .cni files opened from the shell) in every parser.
#include "net/forms/ServiceForms.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

class NullAccount : public IServiceAccount {
public:
    CString GetAccountField(AccountField) const override { return CString(); }
    void SetAccountField(AccountField, const CString& value) override { last = value; }
    CString GetServerUrl(const char*) const override { return CString(); }
    CString last;
};

class NullPoster : public IFormPoster {
public:
    bool PostForm(const char*, const char*, const CString&, CString*, std::uint32_t*) override { return false; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size); // a NUL inside ends the text
    NullAccount account;
    NullPoster poster;
    CServiceForms forms(account, poster);
    forms.ParseServiceReply(text.c_str());
    forms.ApplyServiceFields();
    CString a, b;
    forms.ParseServiceFile(text.c_str(), &a, &b);
    forms.CheckServiceFile(text.c_str());
    GetTaggedLine(text.c_str(), "98:");
    return 0;
}
