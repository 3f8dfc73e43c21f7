// The browser window's rules without a window: opener bodies, the post split, the status cut,
// typed addresses, the saved position, the history keys and the favourites walk.
#include "chat_web/browser/core/BrowserLogic.h"

#include <gtest/gtest.h>

#include <map>

using namespace browser;

namespace {

TEST(BrowserLogicTest, OpenerBodiesEncodeEachValueAndKeepTheRest)
{
    const struct {
        const char* name;
        const char* format;
        std::vector<CString> values;
        const char* body;
    } cases[] = {
        {"profile search", "id=%s&password=%s&r_url=%s", {"user01", "p&w=d+%", "http://h/a?b=c"},
         "id=user01&password=p%26w%3Dd%2B%25&r_url=http://h/a?b%3Dc"},
        {"profile", "id=%s&password=%s&t_id=%s", {"u", "pw", "ABCDEFGH12345678"}, "id=u&password=pw&t_id=ABCDEFGH12345678"},
        {"edit, blank and double-byte", "id=%s&password=%s", {"a b", "\x83\x5C"}, "id=a%20b&password=%83%5C"},
        {"call service keeps its fixed tail", "login_id=%s&template=from_client.htm", {"L&1"}, "login_id=L%261&template=from_client.htm"},
        {"missing value fills empty", "id=%s&password=%s", {"u"}, "id=u&password="},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CString body;
        switch (c.values.size()) {
        case 1: body = ComposeFormBody(c.format, {c.values[0]}); break;
        case 2: body = ComposeFormBody(c.format, {c.values[0], c.values[1]}); break;
        default: body = ComposeFormBody(c.format, {c.values[0], c.values[1], c.values[2]}); break;
        }
        EXPECT_STREQ(c.body, body);
    }
}

TEST(BrowserLogicTest, PostDataCarriesTheBodyAndItsZeroByte)
{
    std::vector<std::uint8_t> bytes = PostDataBytes("a=1&b=2");
    ASSERT_EQ(8u, bytes.size());
    EXPECT_EQ('a', bytes[0]);
    EXPECT_EQ('2', bytes[6]);
    EXPECT_EQ(0, bytes[7]);
    EXPECT_EQ(std::vector<std::uint8_t>{0}, PostDataBytes(""));
}

TEST(BrowserLogicTest, AddressWithQueryIsSplitWithoutABlank)
{
    CString address, body;
    ASSERT_TRUE(SplitForPost("http://h/cgi?x=1&y=2?z", &address, &body));
    EXPECT_STREQ("http://h/cgi", address);
    EXPECT_STREQ("x=1&y=2?z", body);
    ASSERT_TRUE(SplitForPost("http://h/cgi?", &address, &body));
    EXPECT_STREQ("", body);
    EXPECT_FALSE(SplitForPost("http://h/cgi", &address, &body));
}

TEST(BrowserLogicTest, StatusTextIsCutAt255BytesOnACharacterBoundary)
{
    EXPECT_EQ(255, CutStatusText(CString('a', 300)).GetLength());
    EXPECT_EQ(10, CutStatusText(CString('a', 10)).GetLength());
    // 127 kanji fill 254 bytes; the 128th would leave its lead byte alone at byte 255.
    std::string text;
    for (int i = 0; i < 130; ++i)
        text += "\x88\x9f";
    CString cut = CutStatusText(text);
    EXPECT_EQ(254, cut.GetLength());
    EXPECT_EQ(static_cast<char>(0x9f), cut[253]);
    // One byte ahead of them, the cut falls between two characters at 255.
    EXPECT_EQ(255, CutStatusText("x" + text).GetLength());
}

TEST(BrowserLogicTest, TypedAddressesAreCompletedUnlessTheyNameAScheme)
{
    EXPECT_STREQ("http://example.jp", CompleteTypedAddress("example.jp"));
    EXPECT_STREQ("https://example.jp", CompleteTypedAddress("https://example.jp"));
    EXPECT_STREQ("mailto:a@b.jp", CompleteTypedAddress("mailto:a@b.jp"));
    EXPECT_STREQ("MailTo:a@b.jp", CompleteTypedAddress("MailTo:a@b.jp"));
    EXPECT_STREQ("http://file:x", CompleteTypedAddress("file:x"));
}

TEST(BrowserLogicTest, SavedPositionIsClampedToTheWorkArea)
{
    const PixelRect work{0, 0, 1024, 738};
    const PixelRect bar{100, 50, 600, 80};
    const PixelRect barOffLeft{-154, 0, 206, 28};
    const PixelRect barLow{900, 600, 1260, 628};
    const struct {
        const char* name;
        int x, y, w, h;
        const PixelRect* bar;
        PixelRect expected;
    } cases[] = {
        {"kept", 10, 20, 500, 400, nullptr, {10, 20, 510, 420}},
        {"never saved: below the bar, own size", -1, -1, 500, 400, &bar, {100, 80, 600, 480}},
        {"never saved, bar off the left: shifted in", -1, -1, 480, 360, &barOffLeft, {0, 28, 480, 388}},
        {"never saved, bar low: shifted up", -1, -1, 480, 360, &barLow, {900 - 356, 738 - 360, 1024, 738}},
        {"too wide and too high", 10, 20, 2000, 900, nullptr, {10, 20, 410, 320}},
        {"too small", 10, 20, 50, 50, nullptr, {10, 20, 410, 320}},
        {"x at the edge", 0, 20, 500, 400, nullptr, {262, 20, 762, 420}},
        {"x beyond", 1025, 20, 500, 400, nullptr, {262, 20, 762, 420}},
        {"y beyond", 10, 739, 500, 400, nullptr, {10, 169, 510, 569}},
        {"x at the width", 1024, 20, 500, 400, nullptr, {1024, 20, 1524, 420}},
        {"never saved, no bar", -1, -1, 500, 400, nullptr, {262, 169, 762, 569}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PixelRect r = ClampSavedPosition(c.x, c.y, c.w, c.h, 400, 300, work, c.bar);
        EXPECT_EQ(c.expected.left, r.left);
        EXPECT_EQ(c.expected.top, r.top);
        EXPECT_EQ(c.expected.right, r.right);
        EXPECT_EQ(c.expected.bottom, r.bottom);
    }
}

TEST(BrowserLogicTest, HistorySavesAtMostTwentyWithoutHomeOrBlanks)
{
    std::vector<CString> entries;
    for (int i = 1; i <= 21; ++i)
        entries.push_back(CString("http://h/") + CString(std::to_string(i)));
    std::vector<CString> saved = HistoryToSave(entries, "http://none/");
    ASSERT_EQ(20u, saved.size());
    EXPECT_STREQ("http://h/1", saved.front());
    EXPECT_STREQ("http://h/20", saved.back());

    entries[0] = "http://home/";
    entries[1] = "";
    saved = HistoryToSave(entries, "http://home/");
    ASSERT_EQ(19u, saved.size()) << "the 21st entry moves up, nothing beyond 21 is taken";
    EXPECT_STREQ("http://h/3", saved.front());
    EXPECT_STREQ("http://h/21", saved.back());
}

// A folder tree in memory: folders by path, each with files (name -> URL) and sub-folders; a
// sub-folder may name another path (a link) to make loops.
struct FakeTree : IFavoritesFileSystem {
    struct Folder {
        std::map<std::string, std::string> files;
        std::map<std::string, std::string> links; // name -> target path
    };
    std::map<std::string, Folder> folders;
    int lists = 0;

    std::string Resolve(const CString& path) const
    {
        std::string p = path.str();
        if (!p.empty() && p.back() == '\\')
            p.pop_back();
        // Follow folder links component by component.
        std::string resolved;
        size_t start = 0;
        while (start <= p.size()) {
            size_t end = p.find('\\', start);
            std::string part = p.substr(start, end == std::string::npos ? std::string::npos : end - start);
            std::string next = resolved.empty() ? part : resolved + "\\" + part;
            auto f = folders.find(resolved);
            if (!resolved.empty() && f != folders.end() && f->second.links.count(part))
                next = f->second.links.at(part);
            resolved = next;
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        return resolved;
    }
    bool List(const CString& folder, std::vector<CString>* files, std::vector<CString>* subs) override
    {
        ++lists;
        auto f = folders.find(Resolve(folder));
        if (f == folders.end())
            return false;
        for (auto& e : f->second.files)
            files->push_back(e.first);
        for (auto& e : f->second.links)
            subs->push_back(e.first);
        subs->push_back(".");
        subs->push_back("..");
        return true;
    }
    CString ReadShortcutUrl(const CString& path) override
    {
        std::string p = path.str();
        size_t cut = p.rfind('\\');
        auto f = folders.find(Resolve(p.substr(0, cut)));
        return f == folders.end() ? CString() : CString(f->second.files[p.substr(cut + 1)]);
    }
    CString FolderIdentity(const CString& folder) override { return Resolve(folder); }
};

std::string Shape(const FavoritesNode& node, const std::vector<CString>& urls)
{
    std::string s;
    for (const FavoritesNode& c : node.children) {
        if (c.IsFolder())
            s += "[" + c.label.str() + ":" + Shape(c, urls) + "]";
        else
            s += c.label.str() + "=" + urls[static_cast<size_t>(c.urlIndex)].str() + "#" + std::to_string(c.urlIndex) + " ";
    }
    return s;
}

TEST(BrowserLogicTest, FavouritesListFoldersFirstThenLinksEachSortedWithoutCase)
{
    FakeTree tree;
    tree.folders["C:\\Fav"].files = {{"beta.url", "http://b/"}, {"Alpha.url", "http://a/"},
                                     {"UPPER.URL", "http://u/"}, {"notes.txt", ""}, {".url", "http://x/"}};
    tree.folders["C:\\Fav"].links = {{"zoo", "C:\\Fav\\zoo"}, {"Apps", "C:\\Fav\\Apps"}};
    tree.folders["C:\\Fav\\zoo"].files = {{"lion.url", "http://l/"}};
    tree.folders["C:\\Fav\\Apps"].files = {{"mail.url", "http://m/"}};
    std::vector<CString> urls;
    FavoritesNode root = BuildFavoritesTree(tree, "C:\\Fav", &urls);
    EXPECT_EQ("[Apps:mail=http://m/#2 ][zoo:lion=http://l/#3 ]Alpha=http://a/#0 beta=http://b/#1 ", Shape(root, urls));
}

TEST(BrowserLogicTest, FavouritesWalkSurvivesLoopsAndDepth)
{
    FakeTree tree;
    tree.folders["C:\\Fav"].files = {{"a.url", "http://a/"}};
    tree.folders["C:\\Fav"].links = {{"loop", "C:\\Fav"}, {"deep", "C:\\D0"}};
    for (int i = 0; i < 40; ++i) {
        std::string name = "C:\\D" + std::to_string(i);
        tree.folders[name].files = {{"d.url", "http://d/"}};
        tree.folders[name].links = {{"next", "C:\\D" + std::to_string(i + 1)}};
    }
    std::vector<CString> urls;
    FavoritesNode root = BuildFavoritesTree(tree, "C:\\Fav\\", &urls);
    ASSERT_EQ(3u, root.children.size());
    EXPECT_TRUE(root.children[1].children.empty()) << "the folder that leads back is empty";
    int depth = 0;
    for (const FavoritesNode* n = &root.children[0]; n && !n->children.empty(); ++depth) {
        const FavoritesNode* next = nullptr;
        for (const FavoritesNode& c : n->children)
            if (c.IsFolder())
                next = &c;
        n = next;
    }
    EXPECT_LE(depth, kMaxFavoritesDepth + 1);
    EXPECT_LT(tree.lists, 60);
}

} // namespace
