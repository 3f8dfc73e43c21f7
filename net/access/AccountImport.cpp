#include "net/access/AccountImport.h"

#include "net/access/NetAccount.h"
#include "resources/ids/net.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Comparison order and weight: the identity first (a change means logging in again), then the
// network values. The call ID counts as a network value: a file that only brings it is a change.
const struct {
    AccountField field;
    int change;
} kCompared[] = {
    {ACCOUNT_LoginID, 2},    {ACCOUNT_LoginPasswd, 2},  {ACCOUNT_Comm_name, 2},    {ACCOUNT_Comm_id, 2},
    {ACCOUNT_Comm_data, 2},  {ACCOUNT_PrimaryDNS, 1},   {ACCOUNT_SecondaryDNS, 1}, {ACCOUNT_PhoneNumber, 1},
    {ACCOUNT_PhoneNumber2, 1}, {ACCOUNT_PhoneNumber3, 1}, {ACCOUNT_E_mail, 1},     {ACCOUNT_Pop_id, 1},
    {ACCOUNT_Pop_host, 1},   {ACCOUNT_Pop_password, 1}, {ACCOUNT_Smtp_host, 1},    {ACCOUNT_Comm_data2, 1},
};

constexpr int kStatusSlot = 1;
constexpr int kLoginIdSlot = 3;

} // namespace

int CAccountImport::ImportConnectionInfo(const char* path)
{
    std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) {
        if (m_host)
            m_host->ShowMessage(IDS_IMPORT_UNUSABLE, kWarningFlags);
        return -1;
    }
    // One byte over the limit tells a file that is too long from one that fits.
    std::string data;
    char buffer[4096];
    std::size_t got;
    while (data.size() <= kMaxFileBytes && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        data.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        if (m_host)
            m_host->ShowMessage(IDS_IMPORT_UNUSABLE, kWarningFlags);
        return -1;
    }
    ImportBytes(data.data(), data.size());
    return 0;
}

CAccountImport::Staged CAccountImport::Stage(const char* data, std::size_t size)
{
    Staged staged;
    m_forms.ClearPending();
    // A text file of at most 64 KiB: a NUL would hide the rest of the file from the parsers.
    if (!data || size > kMaxFileBytes || std::memchr(data, '\0', size))
        return staged;
    const std::string text(data, size);
    const int kind = m_forms.CheckServiceFile(text.c_str());
    if (kind == 1) {
        CString id, password;
        const int result = m_forms.ParseServiceFile(text.c_str(), &id, &password);
        if (result > 0) {
            staged.kind = ConnectionFileKind::CallClient;
            staged.serviceResult = result;
        } else if (result == 0 && !id.IsEmpty() && !password.IsEmpty()) {
            staged.kind = ConnectionFileKind::CallClient;
            staged.callId = id;
            staged.callPassword = password;
        }
        return staged;
    }
    if (kind == 0) {
        const int result = m_forms.ParseServiceReply(text.c_str());
        if (result > 0) {
            staged.kind = ConnectionFileKind::PcClient;
            staged.serviceResult = result;
        } else if (result == 0 && IsOkStatus(m_forms.PendingValue(kStatusSlot)) &&
                   !m_forms.PendingValue(kLoginIdSlot).IsEmpty()) {
            staged.kind = ConnectionFileKind::PcClient;
        } else {
            m_forms.ClearPending();
        }
    }
    return staged;
}

void CAccountImport::ImportBytes(const char* data, std::size_t size)
{
    Staged staged = Stage(data, size);
    if (staged.kind == ConnectionFileKind::Unusable) {
        if (m_host)
            m_host->ShowMessage(IDS_IMPORT_UNUSABLE, kWarningFlags);
        return;
    }
    if (staged.serviceResult > 0) {
        if (m_host)
            m_host->ShowLoggedText(m_forms.GetServiceMessage(), kWarningFlags);
        return;
    }
    if (staged.kind == ConnectionFileKind::CallClient) {
        // Stored whether or not the phone window was ever opened: it reads them at its next log-in.
        m_info.WriteProfileSecret("UID", staged.callId, "NimboCall");
        m_info.WriteProfileSecret("UP", staged.callPassword, "NimboCall");
        if (m_host)
            m_host->ShowMessage(IDS_CALL_ACCOUNT_RESTORED, kWarningFlags);
        return;
    }
    SnapshotAccount();
    m_forms.ApplyServiceFields();
    ApplyAccountChange();
    if (m_host)
        m_host->RefreshSettingsPage();
}

void CAccountImport::SnapshotAccount()
{
    for (int i = 0; i < ACCOUNT_FIELD_COUNT; ++i)
        m_before[i] = CNetInfoAccount::Field(m_info, static_cast<AccountField>(i));
}

int CAccountImport::CompareAccount() const
{
    for (const auto& compared : kCompared)
        if (CNetInfoAccount::Field(m_info, compared.field).Compare(m_before[compared.field]) != 0)
            return compared.change;
    return 0;
}

void CAccountImport::ApplyAccountChange()
{
    const int change = CompareAccount();
    if (change == 2 && m_info.IsLoggedInForSettings()) {
        if (m_host) {
            m_host->ShowMessage(IDS_ACCOUNT_RELOGIN, kWarningFlags);
            m_host->LogOut();
        }
    } else if (change != 0 && m_host) {
        m_host->ShowMessage(IDS_ACCOUNT_CHANGED, kWarningFlags);
    }
    if (change == 2 && m_host)
        m_host->UpdateOwnName(m_info.m_Comm_id, m_info.m_Comm_name, m_info.m_Comm_data, m_before[ACCOUNT_Comm_id]);
    if (change != 0)
        m_info.Save("NetInfo");
    else if (m_host)
        m_host->ShowMessage(IDS_ACCOUNT_UNCHANGED, kWarningFlags);
}
