// The sign-up program: the application object running the sign-up wizard.
#include "signup/app/SignupApp.h"
#include "signup/wizard/SignStart.h"

namespace {

CSignupWizard g_wizard;
CSignupApp theApp(&g_wizard);

} // namespace
