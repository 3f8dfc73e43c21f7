// The program's side of the settings dialog: ISettingsHost over the application object, the
// main window, the browser and the phone window, and the dialog run modally on a page.
#pragma once

#include "framework/win/Afx.h"

class CWnd;

// Runs the settings dialog (parent: the main window when null) on a page (0..5; another index shows none until a tab is pressed),
// in the window registry as the settings window while it is open. IDOK or IDCANCEL (also when it
// could not be made).
INT_PTR RunSettingsDialog(CWnd* parent, int page);
