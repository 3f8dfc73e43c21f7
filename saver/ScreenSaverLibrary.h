// The screen-saver library: the program entry of a .scr, its command-line switches, the
// full-screen or preview window of class "WindowsScreenSaverClass", and the default procedure that
// ends the saver on input. The saver itself supplies the three hooks declared below.
//
// Switches: /s (or -s) runs the saver full screen; /p <hwnd> (or /l) runs it as a child of the
// preview window; /c[:hwnd] shows the settings dialog (template 2003); no switch does the same; /a
// (password change) does nothing.
#pragma once

#include <windows.h>

#define DLG_SCRNSAVECONFIGURE 2003
#define IDS_DESCRIPTION 1

extern "C" {
// Supplied by the saver.
LRESULT WINAPI ScreenSaverProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI ScreenSaverConfigureDialog(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI RegisterDialogClasses(HANDLE instance);

// Supplied by the library.
LRESULT WINAPI DefScreenSaverProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
}

namespace scrnsave {

enum class Mode { Run, Preview, Configure, Password };

struct Switches {
    Mode mode = Mode::Configure;
    HWND window = nullptr; // the preview parent, or the settings dialog's owner
};

Switches ParseSwitches(const char* commandLine);

// Whether the saver runs in a preview window (it then never ends on input).
bool IsPreview();

// The saver's settings procedure as a dialog procedure. The hook returns BOOL, as the
// screen-saver interface declares it, but a dialog procedure returns INT_PTR: cast to DLGPROC,
// a 64-bit caller would read the result's upper half from whatever the register held.
INT_PTR CALLBACK ConfigureDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the saver as the switches say and returns the program's exit code.
int RunScreenSaver(HINSTANCE instance, const char* commandLine);

} // namespace scrnsave
