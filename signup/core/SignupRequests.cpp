#include "signup/core/SignupRequests.h"

#include "signup/core/SignupRules.h"

namespace {

// Pending slots of the secrets: "04:" login password, "13:" mail password, "18:" communication
// password.
const int kSecretSlots[] = {4, 13, 18};

} // namespace

bool CSignupRequests::PendingSecretsFit() const
{
    for (int slot : kSecretSlots) {
        if (static_cast<std::size_t>(m_forms.PendingValue(slot).GetLength()) > kSecretLimit)
            return false;
    }
    return true;
}

int CSignupRequests::Finish(int result)
{
    m_lastResult = result;
    return result;
}

int CSignupRequests::PostSignupForm(const SignupRecord& record)
{
    CString reply;
    m_forms.ClearPending();
    if (!m_forms.PostToServer("SignupPage", "/signup_pc/signup_pc.cgi", signup::BuildSignupForm(record, ""), &reply))
        return Finish(-1);
    const int result = m_forms.ParseServiceReply(reply);
    if (result != 0)
        return Finish(result);
    if (!PendingSecretsFit())
        return Finish(kSecretTooLong);
    m_forms.ApplyServiceFields();
    return Finish(0);
}

int CSignupRequests::PostRecovery()
{
    const int result = m_forms.PostRecovery(m_net.m_LoginID, m_net.m_LoginPasswd);
    if (result != 0)
        return Finish(result);
    if (!PendingSecretsFit())
        return Finish(kSecretTooLong);
    m_forms.ApplyServiceFields();
    return Finish(0);
}

int CSignupRequests::RequestCommunicationId(const CString& name)
{
    const CString oldId = m_net.m_Comm_id, oldData = m_net.m_Comm_data, oldName = m_net.m_Comm_name;
    int result = m_forms.PostAccountChange("", "", m_net.m_LoginID, m_net.m_LoginPasswd, name, false);
    if (result == 0 && m_forms.PendingValue(17).IsEmpty())
        result = kNoCommunicationId;
    else if (result == 0 && !PendingSecretsFit())
        result = kSecretTooLong;
    if (result != 0) {
        m_net.m_Comm_id = oldId;
        m_net.m_Comm_data = oldData;
        m_net.m_Comm_name = oldName;
    }
    return Finish(result);
}

CSignupRequests::Outcome CSignupRequests::VerifyAccount(int mode, const CString& name,
                                                       const std::function<void()>& beforeCommunicationId)
{
    Outcome out;
    out.nextPage = 4;
    auto shown = [this](int result) { return result == -1 ? static_cast<int>(LastError()) : result; };
    int result = PostRecovery();
    if (result != 0) {
        out.result = result;
        out.code = shown(result);
        out.textId = result > 0 ? 0 : (mode == 2 ? kTextRecoveryFailed : kTextRegistrationFailed);
        return out;
    }
    if (m_net.m_Comm_id.IsEmpty()) {
        out.askedCommunicationId = true;
        if (beforeCommunicationId)
            beforeCommunicationId();
        result = RequestCommunicationId(name);
        if (result != 0) {
            out.result = result;
            out.code = shown(result);
            out.textId = result > 0 ? 0 : kTextNoCommunicationId;
            return out;
        }
    }
    out.save = true;
    out.nextPage = 6;
    return out;
}
