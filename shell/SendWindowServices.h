// The program's side of the message send window: a host over the application object (session,
// message client, request lock, settings, message boxes, balloon, tray) and the window's
// creation for the main window's peers.
#pragma once

class CWnd;

// Makes the send window (hidden, the main window as parent) and joins it to the window registry;
// null on failure.
CWnd* CreateSendWindow(CWnd* parent);
// After a skin change.
bool RelayoutSendWindow(CWnd* window);
// The main window's close of the send window.
bool CloseSendWindow(CWnd* window);
// The voice-clip panel was hidden: the send window lets go of a recording it was waiting for.
void NotifySendWindowRecorderClosed();
