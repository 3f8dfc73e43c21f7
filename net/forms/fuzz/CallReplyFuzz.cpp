// Call-ID replies from the search server: the reply parser on its own, then as the server's
// answer in every registration mode.
#include "net/forms/ServiceForms.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class MemoryAccount : public IServiceAccount {
public:
    CString GetAccountField(AccountField field) const override { return field == ACCOUNT_Comm_data2 ? stored : "10001"; }
    void SetAccountField(AccountField field, const CString& value) override
    {
        if (field == ACCOUNT_Comm_data2)
            stored = value;
    }
    CString GetServerUrl(const char*) const override { return "http://127.0.0.1"; }
    CString stored = "81099999";
};

class ReplyPoster : public IFormPoster {
public:
    explicit ReplyPoster(const char* reply) : m_reply(reply) {}
    bool PostForm(const char*, const char*, const CString&, CString* reply, std::uint32_t*) override
    {
        *reply = m_reply;
        return true;
    }

private:
    const char* m_reply;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    MemoryAccount account;
    ReplyPoster poster(text.c_str());
    CServiceForms forms(account, poster);
    CString callId;
    const int code = forms.ParseCallReply(text.c_str(), size % 2 == 0, &callId);
    if (code < -2)
        std::abort();
    for (int mode = 0; mode < 3; ++mode) {
        account.stored = "81099999";
        CString registered;
        const int result = forms.PostCallRegistration(mode, "03", &registered);
        // With an answer from the server the stored call ID is what it registered: the new ID after
        // a success, none after a refusal. Leaving only, a success clears it.
        if (mode != 2 ? account.stored != registered : (result == 0 && !account.stored.IsEmpty()))
            std::abort();
    }
    return 0;
}
