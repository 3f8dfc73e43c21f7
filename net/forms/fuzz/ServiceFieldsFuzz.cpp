// Numbered-field texts (server replies and .cni files opened from the shell) in every parser, and
// as the account server's reply to both account forms.
#include "net/forms/ServiceForms.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class RecordingAccount : public IServiceAccount {
public:
    CString GetAccountField(AccountField) const override { return "10001"; }
    void SetAccountField(AccountField, const CString& value) override
    {
        // A field value ends at its line: no stored value may carry a line break.
        if (value.Find('\n') >= 0 || value.Find('\r') >= 0 || value.GetLength() > 256)
            std::abort();
    }
    CString GetServerUrl(const char*) const override { return "http://127.0.0.1"; }
};

// Answers every form with the input, as the server would.
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
    std::string text(reinterpret_cast<const char*>(data), size); // a NUL inside ends the text
    RecordingAccount account;
    ReplyPoster poster(text.c_str());
    CServiceForms forms(account, poster);
    forms.ParseServiceReply(text.c_str());
    forms.ApplyServiceFields();
    CString a, b;
    forms.ParseServiceFile(text.c_str(), &a, &b);
    forms.CheckServiceFile(text.c_str());
    GetTaggedLine(text.c_str(), "98:");
    CString value;
    GetTaggedValue(text.c_str(), "01:", &value);
    // The whole exchange of both account forms with this reply.
    forms.PostAccountChange("10001", "pw", "login", "secret", "taro", (size & 1) != 0);
    return 0;
}
