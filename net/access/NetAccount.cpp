#include "net/access/NetAccount.h"

#include "resources/ids/net.h"

namespace {

constexpr unsigned kCallIdVersion = 0x220;

} // namespace

CString& CNetInfoAccount::Field(CNetInfo& info, AccountField field)
{
    switch (field) {
    case ACCOUNT_LoginID: return info.m_LoginID;
    case ACCOUNT_LoginPasswd: return info.m_LoginPasswd;
    case ACCOUNT_PrimaryDNS: return info.m_PrimaryDNS;
    case ACCOUNT_SecondaryDNS: return info.m_SecondaryDNS;
    case ACCOUNT_PhoneNumber: return info.m_PhoneNumber;
    case ACCOUNT_PhoneNumber2: return info.m_PhoneNumber2;
    case ACCOUNT_PhoneNumber3: return info.m_PhoneNumber3;
    case ACCOUNT_E_mail: return info.m_E_mail;
    case ACCOUNT_Pop_id: return info.m_Pop_id;
    case ACCOUNT_Pop_host: return info.m_Pop_host;
    case ACCOUNT_Pop_password: return info.m_Pop_password;
    case ACCOUNT_Smtp_host: return info.m_Smtp_host;
    case ACCOUNT_Comm_id: return info.m_Comm_id;
    case ACCOUNT_Comm_data: return info.m_Comm_data;
    case ACCOUNT_Comm_name: return info.m_Comm_name;
    case ACCOUNT_Comm_data2:
    default: return info.m_Comm_data2;
    }
}

CString CNetInfoAccount::GetAccountField(AccountField field) const
{
    return Field(m_info, field);
}

void CNetInfoAccount::SetAccountField(AccountField field, const CString& value)
{
    if (field >= 0 && field < ACCOUNT_FIELD_COUNT)
        Field(m_info, field) = value;
}

int CNetAccess::LookupCallPartner(bool byCommId, const CString& id, CString* result)
{
    const bool own = byCommId && id == m_info.m_Comm_id;
    if (byCommId) {
        if (own && m_info.m_ownCallIdKnown && !m_info.m_Comm_data2.IsEmpty()) {
            *result = m_info.m_Comm_data2;
            return 0;
        }
        CString cached;
        if (!own && m_info.CommCache().Lookup(false, id, cached)) {
            m_info.CommCache().Update(id, cached);
            *result = cached;
            return 0;
        }
    }
    // Every value is encoded on its own, so an ID with "&" or "=" can't end its field.
    CString body;
    const CString format = m_texts.Text(byCommId ? IDS_LOOKUP_BY_COMM_BODY : IDS_LOOKUP_BY_CALL_BODY);
    body.Format(format, kCallIdVersion, UrlEncodeFormValue(m_info.m_Comm_id).GetString(),
                UrlEncodeFormValue(m_info.m_Comm_data).GetString(), UrlEncodeFormValue(id).GetString());
    CString reply;
    if (!m_forms.PostToServer("SearchPage", m_texts.Text(byCommId ? IDS_LOOKUP_BY_COMM_PATH : IDS_LOOKUP_BY_CALL_PATH),
                              body, &reply))
        return -1;
    CString found;
    const int code = m_forms.ParseCallReply(reply, !byCommId, &found);
    if (code == 0 && !found.IsEmpty()) {
        if (own) {
            m_info.m_Comm_data2 = found;
            m_info.m_ownCallIdKnown = true;
        }
        if (byCommId)
            m_info.CommCache().Update(id, found);
        else
            m_info.CommCache().Update(found, id);
        *result = found;
    }
    return code;
}

int CNetAccess::PostMailForm(const CString& mailAddress, CString* reply)
{
    CString body;
    const bool login = mailAddress.IsEmpty();
    if (login)
        body.Format(m_texts.Text(IDS_MAIL_LOGIN_BODY), UrlEncodeFormValue(m_info.m_E_mail).GetString(),
                    UrlEncodeFormValue(m_info.m_LoginPasswd).GetString());
    else
        body.Format(m_texts.Text(IDS_MAIL_CREATE_BODY), UrlEncodeFormValue(m_info.m_E_mail).GetString(),
                    UrlEncodeFormValue(m_info.m_LoginPasswd).GetString(), UrlEncode(mailAddress, 2).GetString());
    if (!m_forms.PostToServer("MailPage", m_texts.Text(login ? IDS_MAIL_LOGIN_PATH : IDS_MAIL_CREATE_PATH), body,
                              reply))
        return -1;
    m_forms.ClearPending();
    return m_forms.ParseServiceReply(*reply);
}

CString CNetAccess::AccountSummary() const
{
    const CString format = m_texts.Text(IDS_ACCOUNT_SUMMARY_1) + m_texts.Text(IDS_ACCOUNT_SUMMARY_2);
    const CString* values[] = {&m_info.m_LoginID,     &m_info.m_LoginPasswd, &m_info.m_PrimaryDNS,
                               &m_info.m_SecondaryDNS, &m_info.m_PhoneNumber, &m_info.m_PhoneNumber2,
                               &m_info.m_PhoneNumber3, &m_info.m_E_mail,      &m_info.m_Pop_id,
                               &m_info.m_Pop_password, &m_info.m_Pop_host,    &m_info.m_Smtp_host,
                               &m_info.m_Comm_id,      &m_info.m_Comm_name};
    // The format is the program's own; only %s conversions are filled, each with its value, so a
    // text of the account can never act as a format.
    CString text;
    std::size_t next = 0;
    const CString& f = format;
    for (int i = 0; i < f.GetLength(); ++i) {
        if (f[i] == '%' && i + 1 < f.GetLength() && f[i + 1] == 's') {
            if (next < sizeof values / sizeof values[0])
                text += *values[next++];
            ++i;
        } else {
            text += f[i];
        }
    }
    return text;
}
