// The application's side of the browser windows and the address bar: the browser host
// interface over the application object and the main window, the creation of the bar and the
// application's browser (CreateUrlWindows, CreateBrowser), and the addresses another program
// hands over (0x40D).
#pragma once

#include "framework/win/Afx.h"

class CBrowserDlg;
class CWnd;

namespace shellbrowser {

// Registers the application's browser host (once; later calls do nothing).
void RegisterBrowserHost();
// The browser window with the main window (or parent) as parent; null when it could not be
// made or has no skin. flag: the registry kind it is made for.
CBrowserDlg* CreateBrowser(CWnd* parent, int flag);
// Creates the address bar (hidden, parent: the host dialog) and the application's browser;
// false (and neither kept) when one of them fails. The main window calls it once its skin is
// in place (both windows need their skin bitmaps); on false it shows string 213 with
// "\n(Create URL Faild)" unless IsEndRequested (a browser without its control has shown its
// own message and asked for the program's end).
bool CreateUrlWindows(CWnd* host);
// Whether a window of the browser asked for the program's end (it showed its own message).
bool IsEndRequested();
// An address handed over by 0x40D: wParam 0 to the address bar, 1 to the browser's filter.
void ShowHandedOverUrl(WPARAM target, const CString& url);

} // namespace shellbrowser
