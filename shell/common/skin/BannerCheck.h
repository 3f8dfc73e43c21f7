// The banner check of skinned windows that carry a banner: after a skin's layout the banner must
// lie wholly inside the window's client area and overlap none of the window's other controls.
// When it does not, the window says so, and the program falls back to the base skin (or ends,
// when the base skin itself is at fault).
#pragma once

#include "shell/common/services/MessageBoxSeam.h"
#include "toolkit/win/SkinHost.h"

#include <windows.h>

#include <vector>

namespace skin_banner {

// Whether the banner control of the dialog lies inside its client area, not empty, and clear of
// every control listed in others (ids of controls the dialog lacks are passed over).
inline bool BannerFits(HWND dialog, UINT bannerId, const std::vector<UINT>& others)
{
    HWND bannerWindow = ::GetDlgItem(dialog, static_cast<int>(bannerId));
    RECT banner = {0, 0, 0, 0}, client;
    if (bannerWindow) {
        ::GetWindowRect(bannerWindow, &banner);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&banner), 2);
    }
    ::GetClientRect(dialog, &client);
    RECT inside;
    if (::IsRectEmpty(&banner) || !::IntersectRect(&inside, &banner, &client) || !::EqualRect(&inside, &banner))
        return false;
    for (UINT id : others) {
        HWND control = ::GetDlgItem(dialog, static_cast<int>(id));
        if (!control)
            continue;
        RECT rect, overlap;
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        if (::IntersectRect(&overlap, &rect, &banner))
            return false;
    }
    return true;
}

// Runs the check; on failure shows the message brokenTextId and asks the window's host
// (anything with SwitchToBaseSkin() and EndProgram(int)) to fall back. Returns whether the banner fits.
template <class Host>
bool CheckBanner(HWND dialog, UINT bannerId, const std::vector<UINT>& others, UINT brokenTextId, Host& host)
{
    if (BannerFits(dialog, bannerId, others))
        return true;
    PresentMessageBoxId(dialog, brokenTextId, MB_OK | MB_ICONEXCLAMATION);
    if (toolkit::Skins().IsBaseSkin()) {
        host.EndProgram(-1);
    } else {
        toolkit::Skins().FlushSkinCache(dialog);
        host.SwitchToBaseSkin();
    }
    return false;
}

} // namespace skin_banner
