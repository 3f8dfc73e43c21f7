// CAboutDlg: the version box (template 100) shaped by a bitmap built into the program (634, key
// colour green), with a close button (1256, bitmap 635) and a round view (1295) in which the
// credits scroll after a Ctrl + click.
#pragma once

#include "shell/common/services/MainWindowLogic.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinDialog.h"

class CAboutDlg : public CSkinDialog {
public:
    static constexpr UINT_PTR kCreditTimer = 150;
    static constexpr UINT kCreditInterval = 40;

    explicit CAboutDlg(CWnd* parent);
    ~CAboutDlg() override;

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // The credit line in a band of the view; false when its bitmap is missing (the line is
    // skipped).
    bool DrawCreditLine(HDC dc, int index, const RECT& band);
    bool IsScrolling() const { return m_started; }
    int CurrentLine() const { return m_scroll.Line(); }
    static int CreditLineCount();
    void OnTimer(UINT_PTR id);

    DECLARE_MESSAGE_MAP()

protected:
    void OnCloseButton();
    void OnPaint();
    void OnLButtonDown(UINT flags, POINT point);
    void OnMouseMove(UINT flags, POINT point);
    void OnLButtonUp(UINT flags, POINT point);

private:
    void StopCredits();
    void PaintCredits();

    CSkinButton m_close;
    HWND m_view = nullptr;
    HWND m_toolTip = nullptr;
    mainwnd::CreditScroll m_scroll;
    int m_scrolled = 0;
    bool m_started = false;
    bool m_pressed = false;
    bool m_dragged = false;
    POINT m_pressAt = {0, 0};
};
