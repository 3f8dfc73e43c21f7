// The program's side of the service session: CSession over the application object (account,
// state word, lock, client slot, room fields, main window, message boxes) and WinINet, handed to
// the main window as IServiceSession through the session factory that start-up registers, with
// the message client made through the messaging folder's factory.
#pragma once

#include "shell/ServiceSeams.h"

class CClientApp;

// Registers the session factory on the application and the message-client factory for the
// session; RemoveSessionServices takes both back.
void InstallSessionServices(CClientApp& app);
void RemoveSessionServices(CClientApp& app);
