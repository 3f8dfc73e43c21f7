#include "saver/SpriteSaverWnd.h"

#include "saver/SaverIds.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

const char kIniFile[] = "vyrnsaver.ini";
const char kIniSection[] = "VyrnScreenSaver";
const UINT_PTR kFrameTimer = 1;
// The pictures' transparent colour.
const COLORREF kKeyColour = RGB(128, 0, 128);

} // namespace

BEGIN_MESSAGE_MAP(CSpriteSaverWnd, CScreenSaverWnd)
    ON_WM_TIMER()
END_MESSAGE_MAP()

int CSpriteSaverWnd::CRuntimeRandom::Next() { return std::rand(); }

CSpriteSaverWnd::CSpriteSaverWnd() : m_sprites(m_runtimeRandom)
{
    std::srand(static_cast<unsigned>(std::time(nullptr)));
}

CSpriteSaverWnd::~CSpriteSaverWnd()
{
    if (m_images)
        ImageList_Destroy(m_images);
}

void CSpriteSaverWnd::SetRandom(saver::IRandom* random)
{
    m_sprites.SetRandom(random ? *random : m_runtimeRandom);
}

void CSpriteSaverWnd::SetCount(int count)
{
    m_count = saver::ClampCount(count);
    StartAnimation();
}

void CSpriteSaverWnd::SetSpeed(int speed)
{
    m_speed = saver::ClampSpeed(speed);
    StartAnimation();
}

void CSpriteSaverWnd::ReadSettings()
{
    SetCount(static_cast<int>(GetPrivateProfileIntA(kIniSection, "Count", saver::kDefaultSetting, kIniFile)));
    SetSpeed(static_cast<int>(GetPrivateProfileIntA(kIniSection, "Speed", saver::kDefaultSetting, kIniFile)));
}

void CSpriteSaverWnd::WriteSettings()
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", m_count);
    WritePrivateProfileStringA(kIniSection, "Count", text, kIniFile);
    std::snprintf(text, sizeof text, "%d", m_speed);
    WritePrivateProfileStringA(kIniSection, "Speed", text, kIniFile);
}

unsigned CSpriteSaverWnd::ReadMessageArrive()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Qelo\\NimboVandrell", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    DWORD type = 0, value = 0, size = sizeof value;
    LONG rc = RegQueryValueExA(key, "MessageArrive", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        return 0;
    return value;
}

bool CSpriteSaverWnd::LoadPicture(UINT bitmapId)
{
    // The picture, the cell and the mask have one size and one key colour, so the key colour is
    // transparent in every picture the list ever holds.
    HBITMAP picture = static_cast<HBITMAP>(
        LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, saver::kSpriteWidth,
                   saver::kSpriteHeight, 0));
    if (!picture)
        return false;
    ImageList_Remove(m_images, -1);
    bool ok = ImageList_AddMasked(m_images, picture, kKeyColour) >= 0;
    DeleteObject(picture);
    return ok;
}

void CSpriteSaverWnd::StartAnimation()
{
    if (!m_hWnd)
        return;
    KillTimer(kFrameTimer);
    m_sprites.Clear();
    if (m_images)
        ImageList_Destroy(m_images);
    m_images = ImageList_Create(saver::kSpriteWidth, saver::kSpriteHeight, ILC_COLOR16 | ILC_MASK, 1, 1);
    if (!m_images || !LoadPicture(m_watch.Switched() ? IDB_SPRITE_ARRIVAL : IDB_SPRITE_NORMAL))
        return;
    RECT client;
    GetClientRect(&client);
    m_sprites.Start(m_count, ImageList_GetImageCount(m_images), GetSystemMetrics(SM_CXSCREEN),
                    GetSystemMetrics(SM_CYSCREEN), saver::Rect{client.left, client.top, client.right, client.bottom});
    if (m_speed <= 0)
        m_speed = 1;
    SetTimer(kFrameTimer, FramePeriod());
}

void CSpriteSaverWnd::OnTimer(UINT_PTR)
{
    Default();
    Invalidate(FALSE);
}

void CSpriteSaverWnd::DrawFrame(HDC dc)
{
    if (!m_images)
        return;
    if (m_watch.OnFrame(saver::FramePeriodMs(m_speed), m_readMessageArrive))
        LoadPicture(IDB_SPRITE_ARRIVAL);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (int i = 0; i < m_sprites.Count(); ++i) {
        saver::Rect r = m_sprites.SpriteRect(i);
        RECT old = {r.left, r.top, r.right, r.bottom};
        FillRect(dc, &old, black);
        m_sprites.Step(i);
        const saver::SpriteRecord& s = m_sprites.Sprite(i);
        IMAGELISTDRAWPARAMS draw = {};
        draw.cbSize = sizeof draw;
        draw.himl = m_images;
        draw.i = s.image;
        draw.hdcDst = dc;
        draw.x = s.x;
        draw.y = s.y;
        draw.cx = saver::kSpriteWidth;
        draw.cy = saver::kSpriteHeight;
        draw.rgbBk = CLR_DEFAULT;
        draw.rgbFg = CLR_DEFAULT;
        draw.fStyle = ILD_NORMAL;
        draw.dwRop = SRCCOPY;
        ImageList_DrawIndirect(&draw);
    }
}
