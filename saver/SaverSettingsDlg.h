// The saver's settings dialog (template 2003): number of sprites, speed, and the web button.
#pragma once

#include "saver/ScreenSaverWnd.h"

#include <functional>
#include <string>

class CSpriteSaverWnd;

class CSaverSettingsDlg : public CScreenSaverDlg {
public:
    explicit CSaverSettingsDlg(CSpriteSaverWnd& saver);

    BOOL OnInitDialog() override;
    void OnOK() override;

    // Seam for opening the web address (the system's shell by default).
    using UrlOpener = std::function<void(const std::string& url, int showCommand)>;
    void SetUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

protected:
    // Loading fills the sliders from the settings; saving stores the sliders' positions.
    void DoDataExchange(bool saving);
    void OnHomepageButton();
    DECLARE_MESSAGE_MAP()

private:
    CSpriteSaverWnd& m_saver;
    UrlOpener m_openUrl;
};
