// The sign-up program: the application object running the sign-up wizard.
#include "signup/app/SignupApp.h"
#include "signup/wizard/SignStart.h"
#include "signup/wizard/SystemBrowser.h"

namespace {

CComSystemBrowser g_browser;
CSignupWizard g_wizard(&g_browser);
CSignupApp theApp(&g_wizard);

} // namespace
