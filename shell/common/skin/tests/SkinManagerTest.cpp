// The skin manager under Wine with a skin folder and a temporary folder of its own, the real
// unlha32.dll and the base skin that the build packs.
#include "resources/StringIds.h"
#include "shell/common/skin/tests/RecordingSkinHost.h"
#include "tests/support/WinTestSupport.h"
#include "platform/unlha32/codec/Lha.h"
#include "shell/common/skin/SkinManager.h"
#include "shell/common/skin/UnlhaArchiver.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;



Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A 24-bit BMP of one colour.
Bytes Bitmap(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    int stride = (w * 3 + 3) & ~3;
    Bytes bmp(54 + static_cast<std::size_t>(stride) * h, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bmp.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    bmp[26] = 1;
    bmp[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::size_t at = 54 + static_cast<std::size_t>(y) * stride + x * 3;
            bmp[at] = b;
            bmp[at + 1] = g;
            bmp[at + 2] = r;
        }
    return bmp;
}

Bytes Archive(const std::map<std::string, Bytes>& files)
{
    lha::Writer writer;
    for (const auto& f : files)
        writer.Add(f.first, f.second.data(), f.second.size(), 0);
    return writer.Finish();
}

std::map<std::string, Bytes> Unpack(const Bytes& archive)
{
    std::vector<lha::UnpackedFile> files;
    std::map<std::string, Bytes> out;
    if (lha::UnpackAll(archive.data(), archive.size(), files) == lha::Status::Ok)
        for (auto& f : files)
            out[f.name] = f.data;
    return out;
}

SIZE BitmapSize(HBITMAP bitmap)
{
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    return SIZE{info.bmWidth, info.bmHeight};
}


CString Load(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}


// The start of text 296 up to the archive path (the system's formatter may change line ends).
CString FormatBroken(const CString& path)
{
    CString pattern = Load(IDS_SKIN_BROKEN);
    int insert = pattern.Find("%1!s!");
    return pattern.Left(insert) + path + " )";
}

const char* const kBlueInfo = "FILE_VERSION=3.20\r\nWBG_TRANSEPARENT=1,2,3\r\n; own layout\r\nMAIN_CLS=1,2,3,4:1";

class SkinManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CUnlhaArchiver::SetLibraryPath(nvtest::UnixToWindowsPath(nvtest::Env("NV_UNLHA32")).c_str());
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_root.Format("%snv skin test %lu", temp, GetCurrentProcessId());
        nvtest::RemoveTree(m_root.GetString());
        CreateDirectoryA(m_root, nullptr);
        CreateDirectoryA(m_root + "\\Skin", nullptr);
        CreateDirectoryA(m_root + "\\tmp", nullptr);
        CreateDirectoryA(m_root + "\\dl", nullptr);
        m_host.programFolder = m_root;
        m_host.tempFolder = m_root + "\\tmp\\";
        m_baseArchive = nvtest::ReadFileBytes(nvtest::UnixToWindowsPath(nvtest::Env("NV_BASESKIN")).c_str());
        ASSERT_FALSE(m_baseArchive.empty());
        ASSERT_TRUE(nvtest::WriteFileBytes(SkinPath("baseskin"), m_baseArchive));
    }
    void TearDown() override
    {
        nvtest::RemoveTree(m_root.GetString());
        CUnlhaArchiver::SetLibraryPath(nullptr);
    }
    CString SkinPath(const char* name) { return m_root + "\\Skin\\" + name + ".csz"; }
    void MakeSkin(const char* name, const std::map<std::string, Bytes>& files)
    {
        ASSERT_TRUE(nvtest::WriteFileBytes(SkinPath(name), Archive(files)));
    }
    void MakeBlue() { MakeSkin("blue", {{"NVPCINFO.TXT", Text(kBlueInfo)}, {"main.bmp", Bitmap(10, 10, 0, 0, 255)}}); }

    CString m_root;
    RecordingSkinHost m_host;
    Bytes m_baseArchive;
};

TEST_F(SkinManagerTest, BaseSkinOnly)
{
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    {
        CSkinManager skins(&m_host);
        ASSERT_TRUE(skins.InitSkins());
        EXPECT_TRUE(m_host.messages.empty());
        EXPECT_TRUE(skins.IsBaseSkin());
        EXPECT_TRUE(skins.GetKeyColorText().IsEmpty());
        EXPECT_EQ(skins.GetBaseSkinTempFolder(), m_host.tempFolder + "_dnvpcskin1");
        EXPECT_EQ(skins.GetSkinTempFolder(), m_host.tempFolder + "_nvpcskin1");

        HBITMAP main = skins.LoadBitmap("main.bmp");
        ASSERT_NE(main, nullptr);
        SIZE size = BitmapSize(main);
        EXPECT_EQ(size.cx, 192);
        EXPECT_EQ(size.cy, 288);
        DeleteObject(main);
        RECT r{};
        EXPECT_EQ(skins.GetControlRect(1016, r), -1);
        EXPECT_EQ(r.left, 168);
        EXPECT_EQ(r.bottom, 19);

        // Learned lines of the base skin never reach its archive.
        skins.SetInfoValue("RGN_CHAT=1:0,0,5,5:");
        CString v;
        EXPECT_TRUE(skins.GetRegionInfo("chat.bmp", v, false));
        skins.FlushSkinCache(nullptr);
        skins.CleanupSkinFolders();
        EXPECT_EQ(m_host.profile["Skin"], "baseskin");
    }
    EXPECT_EQ(nvtest::ReadFileBytes(SkinPath("baseskin")), m_baseArchive);
    EXPECT_EQ(GetFileAttributesA(m_host.tempFolder + "_dnvpcskin1"), INVALID_FILE_ATTRIBUTES);
    char after[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(before, after);
}

TEST_F(SkinManagerTest, ChosenSkinFallsBackToTheBaseSkinForWhatItLacks)
{
    MakeBlue();
    m_host.profile["Skin"] = "blue";
    CSkinManager skins(&m_host);
    ASSERT_TRUE(skins.InitSkins());
    EXPECT_TRUE(m_host.messages.empty());
    EXPECT_EQ(skins.GetCurrentSkinName(), "blue");
    EXPECT_EQ(skins.GetKeyColorText(), "1,2,3");

    struct Row {
        const char* file;
        LONG width;
    } rows[] = {{"main.bmp", 10}, {"chat.bmp", 480}, {"main_login.bmp", 128}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        HBITMAP bitmap = skins.LoadBitmap(row.file);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(BitmapSize(bitmap).cx, row.width);
        DeleteObject(bitmap);
    }
    EXPECT_EQ(skins.LoadBitmap("missing.bmp"), nullptr);
    RECT r{};
    EXPECT_EQ(skins.GetControlRect(1016, r), 1);
    EXPECT_EQ(r.right, 4);
    EXPECT_EQ(skins.GetControlRect(1003, r), -1);  // from the base skin
    EXPECT_EQ(r.left, 10);
}

TEST_F(SkinManagerTest, SavedSkinsThatCannotBeUsedFallBackToTheBaseSkin)
{
    struct Row {
        const char* name;
        const char* info;
        bool present;
        UINT message;
    } rows[] = {
        {"old", "FILE_VERSION=3.1\r\n", true, IDS_SKIN_UNUSABLE},
        {"noversion", "WBG_TRANSEPARENT=1,1,1\r\n", true, IDS_SKIN_UNUSABLE},
        {"gone", "", false, IDS_SKIN_FAILED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.present)
            MakeSkin(row.name, {{"NVPCINFO.TXT", Text(row.info)}});
        m_host.messages.clear();
        m_host.profile["Skin"] = row.name;
        CSkinManager skins(&m_host);
        ASSERT_TRUE(skins.InitSkins());
        EXPECT_TRUE(skins.IsBaseSkin());
        EXPECT_TRUE(skins.GetKeyColorText().IsEmpty());
        ASSERT_EQ(m_host.messages.size(), 1u);
        CString expected = Load(row.message);
        if (row.message == IDS_SKIN_FAILED)
            expected = expected.Left(expected.Find('%'));
        EXPECT_EQ(m_host.messages[0].Left(expected.GetLength()), expected);
        EXPECT_EQ(m_host.profile["Skin"], "baseskin");
    }
    // The base skin's menu caption in the profile means the base skin.
    m_host.messages.clear();
    m_host.profile["Skin"] = Load(IDS_SKIN_BASE).GetString();
    CSkinManager skins(&m_host);
    ASSERT_TRUE(skins.InitSkins());
    EXPECT_TRUE(skins.IsBaseSkin());
    EXPECT_TRUE(m_host.messages.empty());
}

TEST_F(SkinManagerTest, LearnedRegionIsWrittenBackAndFoundAfterARestart)
{
    MakeBlue();  // its NVPCINFO.TXT ends without a line end
    m_host.profile["Skin"] = "blue";
    {
        CSkinManager skins(&m_host);
        ASSERT_TRUE(skins.InitSkins());
        CString v;
        EXPECT_FALSE(skins.GetRegionInfo("main.bmp", v, false));
        skins.SetInfoValue("RGN_MAIN=2:0,0,10,5:2,5,8,10:");
        skins.SetInfoValue("RGN_MAIN=1:0,0,1,1:");
        EXPECT_TRUE(skins.GetRegionInfo("main.bmp", v, false));
        skins.FlushSkinCache(nullptr);
        skins.CleanupSkinFolders();
    }
    std::map<std::string, Bytes> files = Unpack(nvtest::ReadFileBytes(SkinPath("blue")));
    ASSERT_EQ(files.count("NVPCINFO.TXT"), 1u);
    EXPECT_EQ(std::string(files["NVPCINFO.TXT"].begin(), files["NVPCINFO.TXT"].end()),
              std::string(kBlueInfo) + "\r\nRGN_MAIN=2:0,0,10,5:2,5,8,10:\r\n");
    EXPECT_EQ(files.count("main.bmp"), 1u);

    CSkinManager restarted(&m_host);
    ASSERT_TRUE(restarted.InitSkins());
    EXPECT_EQ(restarted.GetCurrentSkinName(), "blue");
    CString v;
    EXPECT_TRUE(restarted.GetRegionInfo("main.bmp", v, false));
    EXPECT_EQ(v, "2:0,0,10,5:2,5,8,10:");
    EXPECT_EQ(nvtest::ReadFileBytes(SkinPath("baseskin")), m_baseArchive);
}

TEST_F(SkinManagerTest, AFailedRebuildKeepsTheOldArchiveAndSaysSo)
{
    MakeBlue();
    m_host.profile["Skin"] = "blue";
    Bytes before = nvtest::ReadFileBytes(SkinPath("blue"));
    CSkinManager skins(&m_host);
    ASSERT_TRUE(skins.InitSkins());
    // Another program holds the archive open: it can't be replaced, and must not be half-replaced.
    HANDLE held = CreateFileA(SkinPath("blue"), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    skins.SetInfoValue("RGN_MAIN=1:0,0,10,10:");
    EXPECT_EQ(skins.WriteBackSkin(nullptr), 0);
    CloseHandle(held);
    EXPECT_EQ(nvtest::ReadFileBytes(SkinPath("blue")), before);
    ASSERT_EQ(m_host.messages.size(), 1u);
    CString expected = Load(IDS_SKIN_WRITE_FAILED);
    expected = expected.Left(expected.Find('('));
    EXPECT_EQ(m_host.messages[0].Left(expected.GetLength()), expected);
    EXPECT_GE(m_host.messages[0].Find("(blue)"), 0);
    EXPECT_EQ(GetFileAttributesA(SkinPath("blue") + ".$$$"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SkinManagerTest, MissingOrUnusableBaseSkinEndsTheProgram)
{
    struct Row {
        const char* name;
        bool removeBase;
        const char* library;
        UINT message;
    } rows[] = {
        {"no base skin archive", true, nullptr, IDS_BASESKIN_MISSING},
        {"no archiver", false, "no-such-unlha32.dll", IDS_BASESKIN_FAILED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.removeBase)
            DeleteFileA(SkinPath("baseskin"));
        else
            nvtest::WriteFileBytes(SkinPath("baseskin"), m_baseArchive);
        if (row.library)
            CUnlhaArchiver::SetLibraryPath(row.library);
        m_host.messages.clear();
        m_host.exitCode = INT_MIN;
        CSkinManager skins(&m_host);
        EXPECT_FALSE(skins.InitSkins());
        EXPECT_EQ(m_host.exitCode, -1);
        ASSERT_EQ(m_host.messages.size(), 1u);
        EXPECT_EQ(m_host.messages[0], Load(row.message));
        if (row.library) {
            EXPECT_FALSE(skins.IsArchiverReady());
        }
    }
}

TEST_F(SkinManagerTest, MenuListsSkinsAndSwitchingLeavesNoStaleBitmaps)
{
    MakeSkin("Zeta", {{"NVPCINFO.TXT", Text("FILE_VERSION=130\r\n")}, {"chat.bmp", Bitmap(7, 7, 9, 9, 9)}});
    MakeSkin("alpha", {{"NVPCINFO.TXT", Text("FILE_VERSION=3.2\r\n")}});
    MoveFileA(SkinPath("alpha"), m_root + "\\Skin\\alpha.CSZ");
    CreateDirectoryA(m_root + "\\Skin\\folder.csz", nullptr);
    nvtest::WriteFileBytes(m_root + "\\Skin\\notes.txt", Text("x"));

    CSkinManager skins(&m_host);
    ASSERT_TRUE(skins.InitSkins());
    HMENU parent = CreatePopupMenu();
    ASSERT_EQ(skins.BuildSkinMenu(parent, true, 0), 2);
    ASSERT_EQ(skins.GetSkinNames().GetSize(), 2);
    EXPECT_EQ(skins.GetSkinNames()[0], "alpha");
    EXPECT_EQ(skins.GetSkinNames()[1], "Zeta");
    HMENU menu = GetSubMenu(parent, 0);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 5);
    EXPECT_EQ(GetMenuState(menu, CSkinManager::kBaseSkinCommand, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(GetMenuState(menu, CSkinManager::kDownloadCommand, MF_BYCOMMAND) & MF_GRAYED, 0u);

    ASSERT_TRUE(skins.SelectSkin(nullptr, CSkinManager::kFirstSkinCommand + 1));
    EXPECT_EQ(skins.GetCurrentSkinName(), "Zeta");
    HBITMAP chat = skins.LoadBitmap("chat.bmp");
    EXPECT_EQ(BitmapSize(chat).cx, 7);
    DeleteObject(chat);

    // alpha has no chat.bmp: the base skin's, not Zeta's left-over one.
    ASSERT_TRUE(skins.SelectSkin(nullptr, CSkinManager::kFirstSkinCommand + 0));
    EXPECT_EQ(skins.GetCurrentSkinName(), "alpha");
    EXPECT_EQ(m_host.profile["Skin"], "alpha");
    chat = skins.LoadBitmap("chat.bmp");
    EXPECT_EQ(BitmapSize(chat).cx, 480);
    DeleteObject(chat);

    // A broken archive is refused with its path in the text.
    nvtest::WriteFileBytes(m_root + "\\Skin\\Zeta.csz", Text("not an archive at all"));
    EXPECT_FALSE(skins.SelectSkin(nullptr, CSkinManager::kFirstSkinCommand + 1));
    EXPECT_GE(skins.GetErrorText().Find(m_root + "\\Skin\\Zeta.csz"), 0);
    EXPECT_FALSE(skins.SelectSkin(nullptr, CSkinManager::kFirstSkinCommand + 7));
    DestroyMenu(parent);
}

TEST_F(SkinManagerTest, ArchiverStatesGiveTheirTexts)
{
    MakeSkin("alpha", {{"NVPCINFO.TXT", Text("FILE_VERSION=3.2\r\n")}});
    CSkinManager skins(&m_host);
    ASSERT_TRUE(skins.InitSkins());
    HMENU parent = CreatePopupMenu();
    ASSERT_EQ(skins.BuildSkinMenu(parent, true, 0), 1);
    DestroyMenu(parent);

    const CString broken = FormatBroken(SkinPath("alpha"));
    struct Row {
        const char* name;
        const char* version;
        const char* busy;
        const char* check;
        const char* result;
        CString expected;
    } rows[] = {
        {"busy", "100", "1", "1", "0", Load(IDS_SKIN_ARCHIVER_BUSY)},
        {"archive called invalid", "100", "0", "0", "0", broken},
        {"command fails", "100", "0", "1", "32773", CString("1008005")},
    };
    CUnlhaArchiver::SetLibraryPath(nvtest::UnixToWindowsPath(nvtest::Env("NV_UNLHA32_FAKE")).c_str());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetEnvironmentVariableA("NV_FAKE_UNLHA_VERSION", row.version);
        SetEnvironmentVariableA("NV_FAKE_UNLHA_BUSY", row.busy);
        SetEnvironmentVariableA("NV_FAKE_UNLHA_CHECK", row.check);
        SetEnvironmentVariableA("NV_FAKE_UNLHA_RESULT", row.result);
        EXPECT_FALSE(skins.SelectSkin(nullptr, CSkinManager::kFirstSkinCommand));
        EXPECT_GE(skins.GetErrorText().Find(row.expected), 0) << skins.GetErrorText().GetString();
        EXPECT_TRUE(skins.IsBaseSkin());
    }
    // The command line quotes both the archive and the folder (temporary folders hold blanks).
    char last[1024] = {};
    GetEnvironmentVariableA("NV_FAKE_UNLHA_LAST", last, sizeof last);
    EXPECT_EQ(CString(last), CString("e -ycngm \"") + SkinPath("alpha") + "\" \"" + skins.GetSkinTempFolder() + "\\\"");

    // Without an archiver: the skin entries and the download entry are grayed, selecting fails.
    CUnlhaArchiver::SetLibraryPath("no-such-unlha32.dll");
    CSkinManager without(&m_host);
    EXPECT_FALSE(without.InitSkins());  // the base skin cannot be unpacked either
    parent = CreatePopupMenu();
    ASSERT_EQ(without.BuildSkinMenu(parent, true, 0), 1);
    HMENU menu = GetSubMenu(parent, 0);
    EXPECT_EQ(GetMenuState(menu, CSkinManager::kDownloadCommand, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(GetMenuState(menu, CSkinManager::kFirstSkinCommand, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    DestroyMenu(parent);
    EXPECT_FALSE(without.SelectSkin(nullptr, CSkinManager::kFirstSkinCommand));
    EXPECT_EQ(without.GetErrorText(), Load(IDS_SKIN_NO_ARCHIVER));
    for (const char* name : {"NV_FAKE_UNLHA_VERSION", "NV_FAKE_UNLHA_BUSY", "NV_FAKE_UNLHA_CHECK", "NV_FAKE_UNLHA_RESULT"})
        SetEnvironmentVariableA(name, nullptr);
}

TEST_F(SkinManagerTest, InstallingASkinOpenedFromTheShell)
{
    Bytes archive = Archive({{"NVPCINFO.TXT", Text("FILE_VERSION=3.2\r\n")}});
    struct Row {
        const char* file;
        bool ok;
        const char* name;
        const char* installed;
    } rows[] = {
        {"myskin[2].csz", true, "myskin", "myskin.csz"},
        {"plain.v2.csz", true, "plain", "plain.v2.csz"},
        {"[1].csz", false, "", nullptr},
        {"BaseSkin.csz", true, "BaseSkin", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        CString path = m_root + "\\dl\\" + row.file;
        ASSERT_TRUE(nvtest::WriteFileBytes(path, archive));
        CSkinManager skins(&m_host);
        EXPECT_EQ(skins.InstallSkinFile(path), row.ok);
        if (!row.ok) {
            EXPECT_EQ(GetFileAttributesA(m_root + "\\Skin\\.csz"), INVALID_FILE_ATTRIBUTES);
            continue;
        }
        EXPECT_EQ(path, row.name);
        if (row.installed) {
            EXPECT_EQ(nvtest::ReadFileBytes(m_root + "\\Skin\\" + row.installed), archive);
        }
    }
    EXPECT_EQ(nvtest::ReadFileBytes(SkinPath("baseskin")), m_baseArchive);
    // A file already in the skin folder is not copied again, and a broken one is refused.
    CSkinManager skins(&m_host);
    CString path = m_root + "\\Skin\\myskin.csz";
    EXPECT_TRUE(skins.InstallSkinFile(path));
    EXPECT_EQ(path, "myskin");
    CString broken = m_root + "\\dl\\broken.csz";
    nvtest::WriteFileBytes(broken, Text("garbage"));
    EXPECT_FALSE(skins.InstallSkinFile(broken));
    EXPECT_GE(skins.GetErrorText().Find("broken.csz"), 0);
}

} // namespace
