// The sign-up program's server requests over the service forms: the sign-up form, the recovery
// of the connection information and the communication ID, and what the verification page makes
// of their results. Replies are checked before anything reaches the account: a secret longer
// than 31 bytes (what the programs' password fields hold) is refused rather than stored cut, and
// an accepted communication-ID reply must carry the ID.
#pragma once

#include "net/forms/ServiceForms.h"
#include "shell/common/settings/NetInfo.h"
#include "signup/core/SignupRecord.h"

#include <cstddef>
#include <cstdint>
#include <functional>

class CSignupRequests {
public:
    static constexpr int kSecretTooLong = -3;
    static constexpr int kNoCommunicationId = -4;
    static constexpr std::size_t kSecretLimit = 31;

    CSignupRequests(CNetInfo& netInfo, CServiceForms& forms) : m_net(netInfo), m_forms(forms) {}

    // Posts the sign-up form (record.MachineId set) and takes the accepted account over. Returns
    // the last result: 0 accepted, -1 no reply (LastError has why), -2 malformed, a positive
    // server code (the server's text in ServerMessage), or kSecretTooLong.
    int PostSignupForm(const SignupRecord& record);
    // Recovers the connection information of LoginID and LoginPasswd; results as above.
    int PostRecovery();
    // A new communication ID for the account (name: the communication name); results as above,
    // or kNoCommunicationId when an accepted reply carries none. The account keeps its values
    // unless the request succeeds.
    int RequestCommunicationId(const CString& name);

    // The verification step: recovery, then, when the account has no communication ID yet, the
    // communication-ID request. mode 2 is a recovery, 0 a new registration.
    struct Outcome {
        int result = 0;           // 0 when both steps succeeded
        int code = 0;             // the result shown, -1 replaced by the transport error
        unsigned textId = 0;      // the message's string id; 0 shows the server's text
        bool save = false;        // NetInfo is to be saved
        int nextPage = 0;         // where the wizard goes: 6 on success, else 4
        bool askedCommunicationId = false;
    };
    // beforeCommunicationId runs between the two requests (the page shows its progress there).
    Outcome VerifyAccount(int mode, const CString& name, const std::function<void()>& beforeCommunicationId = {});

    int LastResult() const { return m_lastResult; }
    std::uint32_t LastError() const { return m_forms.GetLastFormError(); }
    const CString& ServerMessage() const { return m_forms.GetServiceMessage(); }

    // String ids of the verification texts.
    static constexpr unsigned kTextRecoveryFailed = 173;
    static constexpr unsigned kTextRegistrationFailed = 134;
    static constexpr unsigned kTextNoCommunicationId = 150;

private:
    bool PendingSecretsFit() const;
    int Finish(int result);

    CNetInfo& m_net;
    CServiceForms& m_forms;
    int m_lastResult = 0;
};
