// The account of CNetInfo as the service forms see it, and the network access operations of
// CNetInfo that post forms: the call-partner look-up, the web-mail form and the account summary.
// Portable; the main and the sign-up program both use them.
#pragma once

#include "net/forms/ServiceForms.h"
#include "shell/common/settings/NetInfo.h"

#include <functional>

// Texts of the string table (LoadString in the programs, a table in tests).
class ITextSource {
public:
    virtual ~ITextSource() = default;
    virtual CString Text(unsigned id) const = 0;
};

// IServiceAccount over CNetInfo's account record; server roots come from the Servers section.
class CNetInfoAccount : public IServiceAccount {
public:
    using ServerLookup = std::function<CString(const char* name)>;
    CNetInfoAccount(CNetInfo& info, ServerLookup servers) : m_info(info), m_servers(std::move(servers)) {}

    CString GetAccountField(AccountField field) const override;
    void SetAccountField(AccountField field, const CString& value) override;
    CString GetServerUrl(const char* name) const override { return m_servers ? m_servers(name) : CString(); }

    // The member of the record that holds field.
    static CString& Field(CNetInfo& info, AccountField field);

private:
    CNetInfo& m_info;
    ServerLookup m_servers;
};

class CNetAccess {
public:
    CNetAccess(CNetInfo& info, CServiceForms& forms, const ITextSource& texts)
        : m_info(info), m_forms(forms), m_texts(texts)
    {
    }

    // The telephone call ID of a communication ID (byCommId) or the communication ID of a call ID.
    // The user's own known call ID and cached partners are answered without a post. Returns 0 with
    // *result set, -1 without a reply, else the reply's result.
    int LookupCallPartner(bool byCommId, const CString& id, CString* result);
    // Web-mail log-in (empty mail address) or address creation. -1 without a reply; otherwise the
    // reply's result (0 when its status is "OK"), the reply in *reply.
    int PostMailForm(const CString& mailAddress, CString* reply);
    // The text of the account summary (strings 14021 and 14034 filled in).
    CString AccountSummary() const;

private:
    CNetInfo& m_info;
    CServiceForms& m_forms;
    const ITextSource& m_texts;
};
