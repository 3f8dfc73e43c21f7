#include "shell/settings/CommNameChange.h"

int CCommNameChange::Number(int result) const
{
    return result == -1 ? static_cast<int>(m_forms.GetLastFormError()) : result;
}

NameChangeResult CCommNameChange::Run(const CString& newName)
{
    NameChangeResult outcome;
    const CString oldName = m_info.m_Comm_name, oldId = m_info.m_Comm_id, oldData = m_info.m_Comm_data;
    const CString oldCallId = m_info.m_Comm_data2;

    bool stopped = false;
    if (!m_info.m_Comm_data2.IsEmpty()) {
        m_host.EndPhoneSession();
        outcome.phoneSessionEnded = true;
        // The call ID is cleared by the forms only when the server confirmed the withdrawal.
        const int withdrawn = m_forms.PostCallRegistration(2, "", nullptr);
        if (withdrawn != 0) {
            outcome.result = withdrawn;
            m_host.ShowMessage(kFailedText, Number(withdrawn), kStopIcon);
            stopped = true;
        }
    }

    if (!stopped) {
        const int result = m_forms.PostAccountChange(oldId, oldData, m_info.m_LoginID, m_info.m_LoginPasswd, newName, true);
        outcome.result = result;
        if (result == 0) {
            outcome.changed = m_info.m_Comm_name != oldName || m_info.m_Comm_id != oldId || m_info.m_Comm_data != oldData;
            if (!outcome.changed)
                m_host.ShowMessage(kFailedText, INameChangeHost::kNoNumber, kStopIcon);
        } else if (result < 0) {
            m_host.ShowMessage(kFailedText, Number(result), kStopIcon);
        } else {
            m_host.ShowServiceText(m_forms.GetServiceMessage(), kWarningIcon);
        }
    }

    if (outcome.changed || m_info.m_Comm_data2 != oldCallId)
        m_host.SaveAccount();
    if (outcome.changed) {
        m_host.UpdateOwnName(m_info.m_Comm_id, m_info.m_Comm_name, m_info.m_Comm_data, oldId);
        m_host.RefreshNetworkInfo();
    }
    if ((outcome.changed || outcome.phoneSessionEnded) && m_host.IsLoggedIn()) {
        m_host.ShowMessage(kReloginText, INameChangeHost::kNoNumber, kWarningIcon);
        m_host.LogOut();
        outcome.loggedOut = true;
    }
    return outcome;
}
