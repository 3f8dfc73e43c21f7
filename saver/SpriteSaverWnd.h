// The sprite saver: up to five pictures moving over a black screen, switching to the arrival
// picture once the main program reports waiting messages.
#pragma once

#include "saver/ScreenSaverWnd.h"
#include "saver/SpriteField.h"

#include <commctrl.h>

#include <functional>

class CSpriteSaverWnd : public CScreenSaverWnd {
public:
    CSpriteSaverWnd();
    ~CSpriteSaverWnd() override;

    int GetCount() const { return m_count; }
    int GetSpeed() const { return m_speed; }
    // Both clamp (see SpriteField.h) and restart the animation when the window exists.
    void SetCount(int count);
    void SetSpeed(int speed);
    bool IsSwitched() const { return m_watch.Switched(); }
    const saver::SpriteField& Sprites() const { return m_sprites; }
    HIMAGELIST ImageList() const { return m_images; }
    UINT FramePeriod() const { return static_cast<UINT>(saver::FramePeriodMs(m_speed)); }

    void DrawFrame(HDC dc) override;
    void StartAnimation() override;
    void WriteSettings() override;
    void ReadSettings() override;

    // Seams: where the number of waiting messages comes from (the main program's registry
    // value by default), the random source, and the period of the message check.
    void SetMessageArriveReader(std::function<unsigned()> reader) { m_readMessageArrive = std::move(reader); }
    void SetRandom(saver::IRandom* random);
    void SetCheckPeriod(int periodMs) { m_watch = saver::ArrivalWatch(periodMs); }

    // The number of waiting messages the main program keeps in the registry (0 when missing).
    static unsigned ReadMessageArrive();

protected:
    void OnTimer(UINT_PTR id);
    DECLARE_MESSAGE_MAP()

private:
    bool LoadPicture(UINT bitmapId);

    class CRuntimeRandom : public saver::IRandom {
    public:
        int Next() override;
    };

    int m_count = saver::kDefaultSetting;
    int m_speed = saver::kDefaultSetting;
    saver::ArrivalWatch m_watch;
    HIMAGELIST m_images = nullptr;
    CRuntimeRandom m_runtimeRandom;
    saver::SpriteField m_sprites;
    std::function<unsigned()> m_readMessageArrive = &CSpriteSaverWnd::ReadMessageArrive;
};
