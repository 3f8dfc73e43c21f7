#include "net/dialup/DialUp.h"

#include "net/dialup/NetDialogHost.h"
#include "resources/StringIds.h"

#include <new>

CDialupDlg* DialUp(std::uint16_t mode, CWnd* parent)
{
    HWND owner = parent ? parent->m_hWnd : nullptr;
    CDialupDlg* dialog = new (std::nothrow) CDialupDlg(mode, parent);
    if (!dialog) {
        netui::ShowMessageId(owner, IDS_RESOURCES_SHORT, MB_ICONSTOP, true);
        return nullptr;
    }
    UINT problem = 0;
    if (!dialog->IsAvailable())
        problem = IDS_NO_DIALUP_LIBRARY;
    else if (dialog->CountModems() < 1)
        problem = IDS_NO_DIALUP_DEVICE;
    if (problem) {
        netui::ShowMessageId(owner, problem, MB_ICONWARNING, true);
        delete dialog;
        return nullptr;
    }
    return dialog;
}
