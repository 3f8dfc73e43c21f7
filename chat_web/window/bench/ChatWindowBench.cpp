// Run by hand under Wine: nv_chat_window_bench SKINFOLDER [LINES]
// The chat window's log writer and member list against the bare control calls they are made of:
//   2,000 Japanese lines with links written as chat lines, against one EM_REPLACESEL per line of the
//   same text into the same rich edit;
//   a 500-member name list shown, against a bare LVM_INSERTITEM loop into the same list view.
// Prints the time per line and per list, and the ratios.
#include "chat_web/window/tests/win/ChatWindowDoubles.h"
#include "chat_web/window/win/ChatDlg.h"
#include "resources/ids/chat_web.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void ClearLog(CRichEditCtrl& log)
{
    log.SetReadOnly(FALSE);
    log.SetSel(0, -1);
    log.ReplaceSel("");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    chatdoubles::Quiet() = true;
    chatdoubles::CFolderSkin skin(argv[1]);
    if (!skin.Loaded())
        return 3;
    toolkit::SetSkinSource(&skin);
    toolkit::SetHost(&skin);
    chatdoubles::CRecordingBoxes boxes;
    SetMessageBoxPresenter(&boxes);
    chatdoubles::CDriverHost host;
    host.settings.m_flags |= kFlagChatTimeStamps;
    chat::SetWindowHost(&host);
    CChatDlg chat(nullptr);
    if (!chat.Create())
        return 4;
    chat.ShowWindow(SW_SHOW);
    chat::IChatRoomView& view = chat;
    CRichEditCtrl& log = chat.LogView();

    // "<hanako> " + a Japanese line with a link, as the engine hands them over.
    std::string text = "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x81\x41\x8a\x46\x82\xb3\x82\xf1 "
                       "http://example.jp/page?id=42 \x82\xdc\x82\xbd\x82\xcb";
    const int lines = argc > 2 ? std::atoi(argv[2]) : 2000;
    const int rounds = 3;
    std::vector<double> window, bare;
    for (int round = 0; round < rounds; ++round) {
        ClearLog(log);
        double start = Now();
        for (int i = 0; i < lines; ++i)
            view.WriteChatLine("hanako", text);
        window.push_back((Now() - start) / lines);

        ClearLog(log);
        std::string line = "00:00 <hanako> " + text + "\r\n";
        start = Now();
        for (int i = 0; i < lines; ++i) {
            log.SetSel(-1, -1);
            log.SendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
        }
        bare.push_back((Now() - start) / lines);
    }
    std::sort(window.begin(), window.end());
    std::sort(bare.begin(), bare.end());
    std::printf("log: %d lines, median of %d: window %.1f us/line, bare EM_REPLACESEL %.1f us/line, ratio %.2f\n",
                lines, rounds, window[rounds / 2] * 1e6, bare[rounds / 2] * 1e6, window[rounds / 2] / bare[rounds / 2]);

    std::vector<std::string> names;
    std::string joined;
    for (int i = 0; i < 500; ++i) {
        names.push_back("member" + std::to_string(i));
        joined += "@member" + std::to_string(i) + " ";
    }
    HWND list = chat.GetDlgItem(IDC_CHAT_USERLIST);
    std::vector<double> shown, inserted;
    for (int round = 0; round < 5; ++round) {
        double start = Now();
        view.ShowMembers(chat::SplitMembers(joined));
        shown.push_back(Now() - start);
        ListView_DeleteAllItems(list);
        start = Now();
        for (int i = 0; i < 500; ++i) {
            LVITEMA item = {};
            item.mask = LVIF_TEXT | LVIF_IMAGE;
            item.iItem = i;
            item.pszText = const_cast<char*>(names[static_cast<std::size_t>(i)].c_str());
            ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
        inserted.push_back(Now() - start);
        ListView_DeleteAllItems(list);
    }
    std::sort(shown.begin(), shown.end());
    std::sort(inserted.begin(), inserted.end());
    std::printf("members: 500 names, median of 5: window %.2f ms, bare LVM_INSERTITEM loop %.2f ms, ratio %.2f\n",
                shown[2] * 1e3, inserted[2] * 1e3, shown[2] / inserted[2]);
    chat.DestroyWindow();
    return 0;
}
