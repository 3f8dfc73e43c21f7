// The program's side of the CD player and the voice-clip panel: the panel's host (the
// application's sound-device lock, the send window) registered once, and both windows created
// hidden with the host dialog as their parent.
#pragma once

class CWnd;
class CCdPlayerDlg;
class CVoiceClipDlg;

// Null when the window could not be created.
CCdPlayerDlg* CreateCdPlayerWindow(CWnd* hostDialog);
CVoiceClipDlg* CreateVoiceClipWindow(CWnd* hostDialog);
