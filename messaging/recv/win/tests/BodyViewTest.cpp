// The message body over Wine's real rich edit control: underlines read back with
// EM_GETCHARFORMAT at the positions Python's cp932 codec gives, the text as typed, and the
// address found under a click.
#include "messaging/recv/win/RecvBodyView.h"

#include "framework/win/Controls.h"
#include "framework/win/Wnd.h"
#include "tests/support/WinTestSupport.h"

#include "BodyCases.h"

#include <gtest/gtest.h>

#include <richedit.h>

#include <cstring>
#include <set>
#include <string>

namespace {

struct BodyWindow {
    CWnd parent;
    CRichEditCtrl body;
    BodyWindow()
    {
        const char* cls = CWnd::RegisterWindowClass("NvBodyViewTest", 0, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
        EXPECT_TRUE(parent.CreateEx(0, cls, "body", WS_POPUP | WS_VISIBLE, 30, 30, 420, 220, nullptr, nullptr));
        RECT rect = {0, 0, 400, 200};
        EXPECT_TRUE(body.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL, rect, &parent, 1025));
    }
    ~BodyWindow() { parent.DestroyWindow(); }
    // Once the control has painted its white page, the screen is saved.
    void Shoot(const std::string& name)
    {
        ::InvalidateRect(body.m_hWnd, nullptr, TRUE);
        nvtest::PumpUntil([&] {
            HDC dc = ::GetDC(body.m_hWnd);
            const COLORREF corner = ::GetPixel(dc, 398, 198);
            ::ReleaseDC(body.m_hWnd, dc);
            return corner != RGB(0, 0, 0) && corner != CLR_INVALID;
        }, 3000);
        nvtest::SaveWindowScreenshot(parent.m_hWnd, name);
    }
    long Length()
    {
        GETTEXTLENGTHEX length = {GTL_NUMCHARS | GTL_PRECISE, 1200};
        return static_cast<long>(body.SendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
    }
    std::set<long> UnderlinedPositions()
    {
        std::set<long> out;
        const long length = Length();
        for (long i = 0; i < length; ++i) {
            CHARRANGE range = {i, i + 1};
            body.SendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
            CHARFORMATA format = {};
            format.cbSize = sizeof format;
            body.SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
            if ((format.dwMask & CFM_UNDERLINE) && (format.dwEffects & CFE_UNDERLINE))
                out.insert(i);
        }
        return out;
    }
    std::string Text()
    {
        // The length may count characters: room for two bytes each.
        const int n = 2 * static_cast<int>(body.SendMessage(WM_GETTEXTLENGTH)) + 1;
        std::string text(static_cast<std::size_t>(n), '\0');
        body.SendMessage(WM_GETTEXT, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(std::strlen(text.c_str()));
        return text;
    }
};

TEST(BodyView, AddressesAreUnderlinedAtTheControlsCharacterPositions)
{
    BodyWindow w;
    for (const BodyCase& c : kBodyCases) {
        SCOPED_TRACE(c.name);
        const CString text(c.text);
        ShowMessageText(w.body.m_hWnd, text);
        const bool crOnly = RichEditPositionRules(w.body.m_hWnd, text).crlfIsOne;
        std::set<long> expected;
        for (const auto& span : crOnly ? c.spansCrOnly : c.spans) {
            for (long i = span.first; i < span.second; ++i)
                expected.insert(i);
        }
        // Line-break marks have no glyph: whether a run's format reaches them is not looked at.
        std::set<long> underlined = w.UnderlinedPositions();
        for (long mark : crOnly ? c.breaksCrOnly : c.breaks)
            underlined.erase(mark);
        EXPECT_EQ(expected, underlined);
        // The text is what was typed: no RTF was read, CR LF may come back as CR alone.
        std::string shown = w.Text();
        std::string typed = c.text;
        if (crOnly) {
            for (std::size_t at; (at = typed.find("\r\n")) != std::string::npos;)
                typed.erase(at + 1, 1);
        }
        EXPECT_EQ(typed, shown.substr(0, typed.size()));
        EXPECT_TRUE(w.body.GetStyle() & ES_READONLY);
        w.Shoot(std::string("body_") + c.name);
    }
}

TEST(BodyView, ClickFindsTheAddressUnderTheCaretOnly)
{
    BodyWindow w;
    const BodyCase& c = kBodyCases[0];
    const CString text(c.text);
    ShowMessageText(w.body.m_hWnd, text);
    const bool crOnly = RichEditPositionRules(w.body.m_hWnd, text).crlfIsOne;
    const auto& spans = crOnly ? c.spansCrOnly : c.spans;
    ASSERT_EQ(3u, spans.size());
    const char* addresses[] = {"http://a.example.jp/x", "https://b.jp:8080/p?q=1", "http://c.jp/\xC3\xBD\xC4"};
    for (std::size_t i = 0; i < spans.size(); ++i) {
        SCOPED_TRACE(i);
        for (long at : {spans[i].first, (spans[i].first + spans[i].second) / 2, spans[i].second - 1}) {
            CHARRANGE caret = {at, at};
            w.body.SendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
            EXPECT_STREQ(addresses[i], AddressAtCaret(w.body.m_hWnd, text)) << "at " << at;
        }
    }
    for (long at : {0L, 2L, spans[1].first - 1}) {
        CHARRANGE caret = {at, at};
        w.body.SendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
        EXPECT_STREQ("", AddressAtCaret(w.body.m_hWnd, text)) << "at " << at;
    }
}

} // namespace
