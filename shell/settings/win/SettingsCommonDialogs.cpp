#include "shell/settings/win/SettingsCommonDialogs.h"

#include "framework/win/FileDialog.h"
#include "resources/StringIds.h"

#include <commdlg.h>

namespace settingsui {

bool ChooseSoundFile(HWND owner, CString* path)
{
    CString filter;
    filter.LoadString(IDS_SET_SOUND_FILTER);
    CFileDialog dialog(TRUE, "wav", "*.wav", OFN_HIDEREADONLY, filter, CWnd::FromHandlePermanent(owner));
    if (dialog.DoModal() != IDOK)
        return false;
    *path = dialog.GetPathName();
    return true;
}

bool ChooseColour(HWND owner, COLORREF* colour)
{
    // The user's own colours stay for the program's run, as the dialog's custom row expects.
    static COLORREF custom[16] = {};
    CHOOSECOLORA choose = {};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = owner;
    choose.rgbResult = *colour;
    choose.lpCustColors = custom;
    choose.Flags = CC_RGBINIT;
    if (!::ChooseColorA(&choose))
        return false;
    *colour = choose.rgbResult;
    return true;
}

} // namespace settingsui
