// The base skin that the build draws and packs: a window asking for any key of the tables gets an
// answer, the stored shapes are sound, and every bitmap is a readable BMP.
#include "platform/unlha32/codec/Lha.h"
#include "shell/common/skin/SkinInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

namespace {

class BaseSkinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* path = std::getenv("NV_BASESKIN");
        ASSERT_NE(path, nullptr);
        std::ifstream in(path, std::ios::binary);
        std::vector<std::uint8_t> archive((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<lha::UnpackedFile> files;
        ASSERT_EQ(lha::UnpackAll(archive.data(), archive.size(), files), lha::Status::Ok);
        for (auto& f : files)
            m_files[f.name] = std::move(f.data);
        ASSERT_EQ(m_files.count("NVPCINFO.TXT"), 1u);
        const auto& info = m_files["NVPCINFO.TXT"];
        m_lines = ParseSkinInfo(reinterpret_cast<const char*>(info.data()), info.size());
    }
    bool HasExact(const char* key, CString& value)
    {
        CString k = CString(key) + "=";
        for (const CString& line : m_lines)
            if (line.Left(k.GetLength()) == k) {
                value = line.Mid(k.GetLength());
                return true;
            }
        return false;
    }
    // Width and height of a 24-bit BMP, or false.
    bool BitmapSize(const std::string& name, int& w, int& h)
    {
        auto it = m_files.find(name);
        if (it == m_files.end() || it->second.size() < 54)
            return false;
        const auto& b = it->second;
        auto le32 = [&](std::size_t o) { return b[o] | (b[o + 1] << 8) | (b[o + 2] << 16) | (b[o + 3] << 24); };
        w = le32(18);
        h = le32(22);
        std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t(3);
        return b[0] == 'B' && b[1] == 'M' && (b[28] | (b[29] << 8)) == 24 &&
               b.size() == 54 + stride * static_cast<std::size_t>(h) && static_cast<std::size_t>(le32(2)) == b.size();
    }

    std::map<std::string, std::vector<std::uint8_t>> m_files;
    std::vector<CString> m_lines;
};

TEST_F(BaseSkinTest, AnswersEveryKeyOfTheTables)
{
    CString value;
    ASSERT_TRUE(HasExact("FILE_VERSION", value));
    EXPECT_TRUE(IsSupportedSkinVersion(value));
    for (const SkinIdKey* t = SkinControlKeyTable; t->id; ++t) {
        SCOPED_TRACE(t->key);
        ASSERT_TRUE(HasExact(t->key, value));
        SkinRect r;
        EXPECT_TRUE(ParseSkinRect(value.SpanExcluding(":"), r));
        EXPECT_GT(r.right, r.left);
        EXPECT_GT(r.bottom, r.top);
    }
    for (const SkinIdKey* t : {SkinDockKeyTable, SkinTitleKeyTable})
        for (; t->id; ++t)
            EXPECT_TRUE(HasExact(t->key, value)) << t->key;
    for (const SkinFileKey* t = SkinResizeKeyTable; t->file[0]; ++t)
        EXPECT_TRUE(HasExact(t->key, value)) << t->key;
    // The base skin names no key colour: windows use the default one.
    EXPECT_FALSE(HasExact("WBG_TRANSEPARENT", value));
}

TEST_F(BaseSkinTest, BitmapsAndStoredShapesAgree)
{
    for (const SkinFileKey* t = SkinRegionKeyTable; t->file[0]; ++t) {
        SCOPED_TRACE(t->file);
        int w = 0, h = 0;
        ASSERT_TRUE(BitmapSize(t->file, w, h));
        CString value;
        if (FindSkinKey(SkinResizeKeyTable, t->file)) {
            EXPECT_FALSE(HasExact(t->key, value));  // resizable: shaped from the window size
            continue;
        }
        ASSERT_TRUE(HasExact(t->key, value));
        std::vector<SkinRect> rects;
        ASSERT_TRUE(ParseSkinRegion(value, rects));
        long maxRight = 0, maxBottom = 0;
        for (const SkinRect& r : rects) {
            EXPECT_TRUE(r.left >= 0 && r.left < r.right && r.top >= 0 && r.top < r.bottom);
            maxRight = std::max(maxRight, r.right);
            maxBottom = std::max(maxBottom, r.bottom);
        }
        EXPECT_EQ(maxRight, w);
        EXPECT_EQ(maxBottom, h);
    }
}

TEST_F(BaseSkinTest, MainWindowButtonsAreStripsOfFourFrames)
{
    const std::map<std::string, const char*> buttons = {
        {"main_cls.bmp", "MAIN_CLS"},     {"main_login.bmp", "MAIN_LOGIN"}, {"main_logout.bmp", "MAIN_LOGOUT"},
        {"main_help.bmp", "MAIN_HELP"},   {"main_set.bmp", "MAIN_SET"},     {"main_menu.bmp", "MAIN_MENU"},
        {"main_browser.bmp", "MAIN_BROWSER"}, {"main_chat.bmp", "MAIN_CHAT"},
        {"main_vyrntalk.bmp", "MAIN_VYRNTALK"}, {"main_mail.bmp", "MAIN_MAIL"},
        {"main_address.bmp", "MAIN_ADDRESS"}, {"main_cast.bmp", "MAIN_CAST"},
        {"main_phone.bmp", "MAIN_PHONE"}, {"main_cdplay.bmp", "MAIN_CD"}};
    int mainW = 0, mainH = 0;
    ASSERT_TRUE(BitmapSize("main.bmp", mainW, mainH));
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.first);
        int w = 0, h = 0;
        ASSERT_TRUE(BitmapSize(b.first, w, h));
        CString value;
        ASSERT_TRUE(HasExact(b.second, value));
        SkinRect r;
        ASSERT_TRUE(ParseSkinRect(value, r));
        EXPECT_EQ(w, 4 * (r.right - r.left));
        EXPECT_EQ(h, r.bottom - r.top);
        EXPECT_LE(r.right, mainW);
        EXPECT_LE(r.bottom, mainH);
    }
}

} // namespace

namespace {

// The received-message window refuses a skin whose 468 x 60 banner leaves the window or crosses
// its buttons, its text or its list, and the base skin is the one it falls back to.
TEST_F(BaseSkinTest, ReceivedWindowHoldsTheBannerClearAndItsStrips)
{
    int windowW = 0, windowH = 0;
    ASSERT_TRUE(BitmapSize("vyrntalk_rcv.bmp", windowW, windowH));
    CString value;
    ASSERT_TRUE(HasExact("VYRNTALK_RCV_BANNER", value));
    SkinRect banner;
    ASSERT_TRUE(ParseSkinRect(value, banner));
    EXPECT_EQ(468, banner.right - banner.left);
    EXPECT_EQ(60, banner.bottom - banner.top);
    EXPECT_GE(banner.left, 0);
    EXPECT_GE(banner.top, 0);
    EXPECT_LE(banner.right, windowW);
    EXPECT_LE(banner.bottom, windowH);
    const std::map<const char*, const char*> controls = {
        {"VYRNTALK_RCV_CLS", "vyrntalk_rcv_cls.bmp"},     {"VYRNTALK_RCV_PLAY", "vyrntalk_rcv_play.bmp"},
        {"VYRNTALK_RCV_NEW", "vyrntalk_rcv_new.bmp"},     {"VYRNTALK_RCV_REPLY", "vyrntalk_rcv_reply.bmp"},
        {"VYRNTALK_RCV_RELOAD", "vyrntalk_rcv_reload.bmp"}, {"VYRNTALK_RCV_LOG", "vyrntalk_rcv_log.bmp"},
        {"VYRNTALK_RCV_EXCANCEL", "vyrntalk_rcv_cancel.bmp"}, {"VYRNTALK_RCV_FILE", "vyrntalk_rcv_save.bmp"},
        {"VYRNTALK_RCV_LIST", ""},                        {"VYRNTALK_RCV_VIEW", ""},
        {"VYRNTALK_RCV_STATE", ""}};
    for (const auto& control : controls) {
        SCOPED_TRACE(control.first);
        ASSERT_TRUE(HasExact(control.first, value));
        SkinRect r;
        ASSERT_TRUE(ParseSkinRect(value, r));
        EXPECT_LE(r.right, windowW);
        EXPECT_LE(r.bottom, windowH);
        const bool apart = r.right <= banner.left || banner.right <= r.left || r.bottom <= banner.top ||
                           banner.bottom <= r.top;
        EXPECT_TRUE(apart);
        if (*control.second) {
            int w = 0, h = 0;
            ASSERT_TRUE(BitmapSize(control.second, w, h));
            EXPECT_EQ(w, 4 * (r.right - r.left));
            EXPECT_EQ(h, r.bottom - r.top);
        }
    }
}

} // namespace
