// A window object and a dialog object bound to the screen-saver library's window and settings
// dialog. There is no application object: the library's hooks hand every message to the single
// instance of each.
#pragma once

#include "framework/win/Dialog.h"

class CScreenSaverWnd : public CWnd {
public:
    CScreenSaverWnd();
    ~CScreenSaverWnd() override;

    static CScreenSaverWnd* Instance();

    virtual void DrawFrame(HDC dc);
    virtual void StartAnimation() {}
    virtual void WriteSettings() {}
    virtual void ReadSettings() {}

    HPALETTE GetPalette() const { return m_palette; }
    // Returns the old palette; the new one is realized at once.
    HPALETTE SetPalette(HPALETTE palette);
    BOOL GetAutoBlack() const { return m_autoBlack; }
    void SetAutoBlack(BOOL autoBlack) { m_autoBlack = autoBlack; }

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    int OnCreate(LPCREATESTRUCT create);
    BOOL OnEraseBkgnd(HDC dc);
    void OnPaint();
    LRESULT OnQueryNewPalette(WPARAM, LPARAM);
    LRESULT OnPaletteChanged(WPARAM changer, LPARAM);

    DECLARE_MESSAGE_MAP()

private:
    void RealizePalette(HDC dc);

    HPALETTE m_palette = nullptr;
    BOOL m_autoBlack = TRUE;
};

// The settings dialog run by the library (a system modal box, not the framework's own loop).
class CScreenSaverDlg : public CDialog {
public:
    explicit CScreenSaverDlg(UINT templateId);
    ~CScreenSaverDlg() override;

    static CScreenSaverDlg* Instance();

    BOOL OnInitDialog() override;
    // End the library's dialog with IDOK or IDCANCEL.
    void OnOK() override;
    void OnCancel() override;
};
