#include "shell/common/services/MessageBoxSeam.h"

#include "shell/common/services/ErrorTable.h"

#include "framework/win/WinApp.h"

// The portable error table names the system box's flags without windows.h.
static_assert(errortable::kFlagError == (MB_OK | MB_ICONHAND), "error flags are the stop icon");
static_assert(errortable::kFlagWarning == (MB_OK | MB_ICONEXCLAMATION), "warning flags are the warning icon");

namespace {

class CSystemMessageBox : public IMessageBoxPresenter {
public:
    int Show(HWND owner, const char* text, UINT flags, bool /*styled*/) override
    {
        // The skinned box of the toolkit takes the styled case once the main window exists.
        CWinApp* app = AfxGetApp();
        const char* caption = app && !app->m_appName.IsEmpty() ? app->m_appName.GetString() : "NimboVandrell";
        return ::MessageBoxA(owner, text, caption, flags);
    }
};

CSystemMessageBox g_systemBox;
IMessageBoxPresenter* g_presenter = nullptr;

} // namespace

IMessageBoxPresenter* SetMessageBoxPresenter(IMessageBoxPresenter* presenter)
{
    IMessageBoxPresenter* previous = g_presenter;
    g_presenter = presenter;
    return previous;
}

IMessageBoxPresenter* GetMessageBoxPresenter() { return g_presenter ? g_presenter : &g_systemBox; }

int CancelAnswer(UINT flags)
{
    switch (flags & MB_TYPEMASK) {
    case MB_OK:
        return IDOK;
    case MB_YESNO:
        return IDNO;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
    case MB_CANCELTRYCONTINUE:
    default:
        return IDCANCEL;
    }
}

int PresentMessageBox(HWND owner, const char* text, UINT flags, bool styled)
{
    return GetMessageBoxPresenter()->Show(owner, text, flags, styled);
}

int PresentMessageBoxId(HWND owner, UINT textId, UINT flags)
{
    CString text;
    text.LoadString(textId);
    return PresentMessageBox(owner, text, flags);
}
