// The screen saver program: its single saver window and settings dialog, run by the
// screen-saver library's entry point.
#include "saver/SaverSettingsDlg.h"
#include "saver/ScreenSaverLibrary.h"
#include "saver/SpriteSaverWnd.h"

#include <cstdlib>

namespace {

CSpriteSaverWnd g_saver;
CSaverSettingsDlg g_settings(g_saver);

// Tests shorten the 30-second message check (NV_SAVER_CHECK_PERIOD_MS) so that the picture
// switch comes at once.
void ApplyTestSettings()
{
    if (const char* period = std::getenv("NV_SAVER_CHECK_PERIOD_MS")) {
        int ms = std::atoi(period);
        if (ms > 0)
            g_saver.SetCheckPeriod(ms);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    ApplyTestSettings();
    return scrnsave::RunScreenSaver(instance, commandLine);
}
