// The open and save dialogs: the filter's conversion, and real dialogs answered by a hook.
#include "framework/win/FileDialog.h"

#include <dlgs.h>

#include "tests/support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// ポケット(*.pkt)|*.pkt|すべてのﾌｧｲﾙ(*.*)|*.*|| : the first character's trail byte is '|'.
const char kPocket[] = "\x83|\x83P\x83" "b\x83g(*.pkt)";
const char kAllFiles[] = "\x82\xB7\x82\xD7\x82\xC4\x82\xCC\xCC\xA7\xB2\xD9(*.*)";

std::vector<std::string> FilterParts(const char* filter)
{
    std::vector<std::string> parts;
    for (const char* p = filter; p && *p; p += std::strlen(p) + 1)
        parts.push_back(p);
    return parts;
}

TEST(FileDialog, FilterBarsBecomeSeparatorsButNotInsideCharacters)
{
    std::string filter = std::string(kPocket) + "|*.pkt|" + kAllFiles + "|*.*||";
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, filter.c_str());
    EXPECT_EQ((std::vector<std::string>{kPocket, "*.pkt", kAllFiles, "*.*"}), FilterParts(dialog.m_ofn.lpstrFilter));
    EXPECT_EQ(1u, dialog.m_ofn.nFilterIndex);

    CFileDialog plain(TRUE);
    EXPECT_EQ(nullptr, plain.m_ofn.lpstrFilter);
    EXPECT_EQ("", plain.GetPathName());
    EXPECT_EQ(nullptr, plain.GetStartPosition());
}

// What the hook types into the dialog, and which button it presses.
struct Answer {
    std::string fileName;
    int button = IDOK;
    bool sawDialog = false;
};
Answer g_answer;

UINT_PTR CALLBACK AnswerHook(HWND child, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != CDN_INITDONE)
        return 0;
    g_answer.sawDialog = true;
    HWND dialog = ::GetParent(child);
    // The file name box is an edit or a combo box, by version.
    ::SendMessageA(dialog, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(g_answer.fileName.c_str()));
    ::SendMessageA(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(g_answer.fileName.c_str()));
    ::PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(g_answer.button), 0);
    return 0;
}

void Answered(CFileDialog& dialog, const std::string& fileName, int button)
{
    g_answer = Answer();
    g_answer.fileName = fileName;
    g_answer.button = button;
    dialog.m_ofn.Flags |= OFN_ENABLEHOOK;
    dialog.m_ofn.lpfnHook = &AnswerHook;
}

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = "";
        ::GetTempPathA(MAX_PATH, temp);
        m_temp = temp;
        m_folder = m_temp + "nv_filedialog_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        nvtest::RemoveTree(m_folder);
        ASSERT_TRUE(::CreateDirectoryA(m_folder.c_str(), nullptr));
    }
    void TearDown() override
    {
        // The dialogs make the chosen folder the current one, which can't be removed.
        ::SetCurrentDirectoryA(m_temp.c_str());
        nvtest::RemoveTree(m_folder);
    }
    std::string m_temp;
    std::string m_folder;
};

TEST_F(FileDialogs, OpenGivesThePathAndItsParts)
{
    // 表.txt: the name's first character ends in 0x5C, which is no folder separator.
    std::string path = m_folder + "\\\x95\x5C.txt";
    ASSERT_TRUE(nvtest::WriteFileBytes(path, {'x'}));
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, "all|*.*||");
    Answered(dialog, path, IDOK);
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_TRUE(g_answer.sawDialog);
    EXPECT_EQ(path, dialog.GetPathName().str());
    EXPECT_EQ("\x95\x5C.txt", dialog.GetFileName());
    EXPECT_EQ("txt", dialog.GetFileExt());
    EXPECT_EQ("\x95\x5C", dialog.GetFileTitle());
}

TEST_F(FileDialogs, CancelGivesIdCancel)
{
    CFileDialog dialog(TRUE, nullptr, "start.txt");
    EXPECT_EQ("start.txt", std::string(dialog.m_ofn.lpstrFile)) << "the initial name is in the buffer";
    Answered(dialog, "", IDCANCEL);
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_TRUE(g_answer.sawDialog);
}

TEST_F(FileDialogs, SaveAddsTheDefaultExtension)
{
    CFileDialog dialog(FALSE, "csv", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "CSV|*.csv||");
    Answered(dialog, m_folder + "\\log", IDOK);
    ASSERT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(m_folder + "\\log.csv", dialog.GetPathName().str());
    EXPECT_EQ("csv", dialog.GetFileExt());
}

TEST_F(FileDialogs, SeveralFilesAreWalkedAsFullPaths)
{
    for (const char* name : {"a.txt", "b.txt"})
        ASSERT_TRUE(nvtest::WriteFileBytes(m_folder + "\\" + name, {'x'}));
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT);
    dialog.m_ofn.lpstrInitialDir = m_folder.c_str();
    Answered(dialog, "\"a.txt\" \"b.txt\"", IDOK);
    ASSERT_EQ(IDOK, dialog.DoModal());
    std::vector<std::string> paths;
    for (POSITION pos = dialog.GetStartPosition(); pos;)
        paths.push_back(dialog.GetNextPathName(pos).str());
    EXPECT_EQ((std::vector<std::string>{m_folder + "\\a.txt", m_folder + "\\b.txt"}), paths);
    EXPECT_EQ(m_folder + "\\a.txt", dialog.GetPathName().str());
}

} // namespace
