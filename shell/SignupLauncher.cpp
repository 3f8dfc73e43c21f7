#include "shell/SignupLauncher.h"

#include "shell/AppMessages.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/utilities/WinUtil.h"

#include "resources/StringIds.h"

namespace {

bool AccountComplete(CNetInfo& netInfo)
{
    IProfileStore* profile = netInfo.GetProfileStore();
    if (!profile)
        return false;
    netInfo.m_LoginID = profile->GetString("NetInfo", "LoginID", "");
    netInfo.m_Comm_id = profile->GetString("NetInfo", "Comm_id", "");
    return !netInfo.m_LoginID.IsEmpty() && !netInfo.m_Comm_id.IsEmpty();
}

} // namespace

int LaunchSignup(const CString& exeFolder, CNetInfo& netInfo)
{
    if (HWND signup = ::FindWindowA(NV_SIGNUP_CLASS, nullptr)) {
        PresentMessageBoxId(nullptr, IDS_SIGNUP_RUNNING, MB_ICONSTOP | MB_TOPMOST);
        ::PostMessageA(signup, WM_APP_COME_TO_FRONT, 0, 0);
        return 0;
    }
    if (AccountComplete(netInfo))
        return 1;
    for (;;) {
        CString commandLine = exeFolder + "\\VyrnSign.exe";
        // A folder with spaces must reach the system as one program name.
        CString quoted = "\"" + commandLine + "\"";
        if (!winutil::RunProcessWait(quoted, nullptr, true)) {
            PresentMessageBoxId(nullptr, IDS_SIGNUP_NOT_STARTED, MB_ICONSTOP | MB_TOPMOST);
            return 0;
        }
        if (AccountComplete(netInfo))
            return 1;
        if (PresentMessageBoxId(nullptr, IDS_SIGNUP_RETRY, MB_YESNO | MB_TOPMOST) != IDYES)
            return 0;
    }
}
