// CTabbedDlg: a skinned dialog that shows one of several child pages at a time (the settings
// dialog: its skin draws the tab strip and its buttons choose the page). The pages belong to the
// caller, usually as members of the derived dialog. Unlike other skinned dialogs, Escape closes it.
#pragma once

#include "toolkit/win/SkinDialog.h"
#include "toolkit/win/TabPage.h"

#include <vector>

class CTabbedDlg : public CSkinDialog {
public:
    CTabbedDlg(UINT templateId, CWnd* parent);
    ~CTabbedDlg() override;

    BOOL OnInitDialog() override;
    void OnCancel() override { CDialog::OnCancel(); }

    // Adds the page and creates it from its template (the low 16 bits of templateId) as a child of
    // parent; returns whether it was created. A null page adds nothing.
    BOOL AddPage(CTabPage* page, UINT templateId, CWnd* parent);
    // Places every page at (x, y, cx, cy) on top and shows the chosen one, hiding the others. An
    // index outside the pages (negative, or at or beyond the count) shows page 0; no pages, nothing.
    void ShowPage(int index, int x, int y, int cx, int cy);
    // Shows the chosen page at the place of the last ShowPage, keeping the pages' sizes. An index
    // outside the pages hides them all (until a tab is pressed).
    void SelectPage(int index);
    // -1 gives the tabbed dialog itself; an index outside the pages gives null.
    CWnd* GetPage(int index);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }

    DECLARE_MESSAGE_MAP()

protected:
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT type);

private:
    struct Page {
        CTabPage* page;
        UINT templateId;
    };
    std::vector<Page> m_pages;
    POINT m_pagePosition = {0, 0};
    CBrush m_whiteBrush;
};
