// The program's side of the phone window: the application's identity and telephone settings,
// the call-ID forms of the portal, the sound-device lock, the error balloon, the main window's
// phone button and skin command and the browser pages, registered for the phone
// (phone::SetHost). The main window's peers create the phone through CreatePhoneWindow.
#pragma once

#include "phone_media/phone/win/PhoneHost.h"

class CClientApp;
class CPhoneDlg;
class CWnd;

// Registers the services (once) and creates the phone hidden; null when it could not be created.
CPhoneDlg* CreatePhoneWindow(CWnd* parent);
