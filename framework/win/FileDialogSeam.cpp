#include "framework/win/FileDialogSeam.h"

#include "framework/win/FileDialog.h"

namespace nvwin {

namespace {
SaveFileChooser& Chooser()
{
    static SaveFileChooser chooser;
    return chooser;
}
} // namespace

void SetSaveFileChooser(SaveFileChooser chooser) { Chooser() = std::move(chooser); }

CString ChooseSaveFile(HWND owner, const CString& fileName, const CString& filter)
{
    if (Chooser())
        return Chooser()(owner, fileName, filter);
    CFileDialog dialog(FALSE, nullptr, fileName, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter);
    dialog.m_ofn.hwndOwner = owner;
    return dialog.DoModal() == IDOK ? dialog.GetPathName() : CString();
}

} // namespace nvwin
