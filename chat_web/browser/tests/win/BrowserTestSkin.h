// A skin for the browser windows' tests: a bitmap for every name the browser and the address
// bar ask for, and the rectangles of their controls.
#pragma once

#include "resources/StringIds.h"
#include "toolkit/win/tests/FakeSkin.h"

// Every bitmap the browser and the bar ask for, and the rectangles of their controls.
inline void FillBrowserSkin(CFakeSkin& skin)
{
    auto plain = [](std::uint32_t color) { return [color](int, int) { return color; }; };
    skin.AddBitmap("browser.bmp", CFakeSkin::MakeDib(480, 360, plain(0x00C8D8F0)));
    skin.AddBitmap("url.bmp", CFakeSkin::MakeDib(420, 28, plain(0x00E0E0E0)));
    const char* buttons[] = {"browser_back.bmp", "browser_forward.bmp", "browser_stop.bmp", "browser_reload.bmp",
                             "browser_home.bmp", "browser_search.bmp", "browser_favorite.bmp", "browser_cls.bmp",
                             "browser_qelo.bmp", "browser_myroom.bmp", "browser_oem.bmp", "browser_key.bmp"};
    std::uint32_t shade = 0x00406080;
    for (const char* name : buttons) {
        skin.AddBitmap(name, CFakeSkin::MakeDib(96, 20, [shade](int x, int) { return shade + static_cast<std::uint32_t>((x / 24) * 0x101010); }));
        shade += 0x00100804;
    }
    skin.AddBitmap("browser_indicate.bmp", CFakeSkin::MakeDib(300, 20, [](int x, int) { return static_cast<std::uint32_t>(x * 0x000801); }));
    const struct {
        UINT id;
        RECT r;
    } rects[] = {
        {IDC_BROWSER_BACK, {6, 6, 30, 26}},        {IDC_BROWSER_FORWARD, {32, 6, 56, 26}},
        {IDC_BROWSER_STOP, {58, 6, 82, 26}},       {IDC_BROWSER_RELOAD, {84, 6, 108, 26}},
        {IDC_BROWSER_HOME, {110, 6, 134, 26}},     {IDC_BROWSER_SEARCH, {136, 6, 160, 26}},
        {IDC_BROWSER_FAVORITES, {162, 6, 186, 26}}, {IDC_BROWSER_SERVICE_HOME, {188, 6, 212, 26}},
        {IDC_BROWSER_MYROOM, {214, 6, 238, 26}},   {IDC_BROWSER_OEM, {240, 6, 264, 26}},
        {IDC_BROWSER_PADLOCK, {380, 6, 404, 26}},  {IDC_BROWSER_CLOSE, {450, 6, 474, 26}},
        {IDC_BROWSER_INDICATOR, {410, 6, 430, 26}}, {IDC_BROWSER_PAGE, {6, 32, 474, 330}},
        {IDC_BROWSER_STATUS, {6, 336, 474, 352}},  {IDC_URL_COMBO, {4, 4, 416, 24}},
    };
    for (const auto& e : rects)
        skin.controls[e.id] = {e.r, 0};
}
