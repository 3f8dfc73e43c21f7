#include "chat_web/browser/core/BrowserLogic.h"

#include "framework/core/UrlParse.h"
#include "net/forms/ServiceForms.h"
#include "toolkit/core/SkinGeometry.h"

#include <algorithm>
#include <set>

namespace browser {

CString ComposeFormBody(const char* format, std::initializer_list<CString> values)
{
    std::string out;
    auto value = values.begin();
    for (const char* p = format ? format : ""; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            if (value != values.end())
                out += UrlEncodeFormValue(*value++).str();
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            out += "%%";
            ++p;
        } else {
            out += *p;
        }
    }
    return CString(out);
}

std::vector<std::uint8_t> PostDataBytes(const CString& body)
{
    std::vector<std::uint8_t> bytes(body.str().begin(), body.str().end());
    bytes.push_back(0);
    return bytes;
}

bool SplitForPost(const char* url, CString* address, CString* body)
{
    CString text(url);
    int mark = text.Find('?');
    if (mark < 0)
        return false;
    *address = text.Left(mark);
    *body = text.Mid(mark + 1);
    return true;
}

CString CutStatusText(const CString& text) { return text.SafeLeft(255); }

CString CompleteTypedAddress(const CString& text)
{
    if (text.Find("://") >= 0 || HasPrefixNoCase(text, "mailto:"))
        return text;
    return CString("http://") + text;
}

PixelRect ClampSavedPosition(int x, int y, int width, int height, int templateWidth, int templateHeight,
                             const PixelRect& workArea, const PixelRect* barRect)
{
    if (x == -1 && y == -1) {
        if (barRect) {
            skin::Rect below = skin::ShiftIntoWorkArea(
                skin::MakeRectXYWH(barRect->left, barRect->bottom, width, height),
                skin::MakeRect(workArea.left, workArea.top, workArea.right, workArea.bottom));
            return {below.left, below.top, below.right, below.bottom};
        }
        x = y = workArea.left - 1; // centred below
    }
    if (width > workArea.Width() || width < templateWidth)
        width = templateWidth;
    if (height > workArea.Height() || height < templateHeight)
        height = templateHeight;
    if (x <= workArea.left || x > workArea.Width())
        x = workArea.Width() / 2 - width / 2;
    if (y <= workArea.top || y > workArea.Height())
        y = workArea.Height() / 2 - height / 2;
    return {x, y, x + width, y + height};
}

std::vector<CString> HistoryToSave(const std::vector<CString>& entries, const CString& homeAddress)
{
    std::vector<CString> out;
    for (size_t i = 0; i < entries.size() && i < static_cast<size_t>(kHistoryShown); ++i) {
        if (entries[i].IsEmpty() || entries[i] == homeAddress)
            continue;
        if (static_cast<int>(out.size()) == kHistoryKeys)
            break;
        out.push_back(entries[i]);
    }
    return out;
}

namespace {

bool LessNoCase(const CString& a, const CString& b)
{
    int c = a.CompareNoCase(b);
    return c != 0 ? c < 0 : a.Compare(b) < 0;
}

struct Walk {
    IFavoritesFileSystem& fs;
    std::vector<CString>* urls;
    std::set<std::string> onPath;
    int foldersLeft = 4096;

    void Fill(const CString& folder, int depth, FavoritesNode* node)
    {
        CString dir = folder;
        if (dir.IsEmpty() || dir[dir.GetLength() - 1] != '\\')
            dir += '\\';
        CString identity = fs.FolderIdentity(dir);
        // A folder link that leads back to a folder on the way down, or a tree deeper than any
        // real favourites, ends the walk there.
        if (depth > kMaxFavoritesDepth || foldersLeft <= 0 || (!identity.IsEmpty() && onPath.count(identity.str())))
            return;
        --foldersLeft;
        if (!identity.IsEmpty())
            onPath.insert(identity.str());
        std::vector<CString> files, folders;
        if (fs.List(dir, &files, &folders)) {
            std::vector<CString> links;
            for (const CString& f : files)
                if (f.GetLength() > 4 && f.Right(4) == ".url")
                    links.push_back(f);
            std::sort(links.begin(), links.end(), LessNoCase);
            std::vector<FavoritesNode> linkNodes;
            for (const CString& f : links) {
                FavoritesNode link;
                link.label = f.Left(f.GetLength() - 4);
                link.urlIndex = static_cast<int>(urls->size());
                urls->push_back(fs.ReadShortcutUrl(dir + f));
                linkNodes.push_back(link);
            }
            std::vector<CString> subs;
            for (const CString& s : folders)
                if (s != "." && s != "..")
                    subs.push_back(s);
            std::sort(subs.begin(), subs.end(), LessNoCase);
            for (const CString& s : subs) {
                FavoritesNode sub;
                sub.label = s;
                Fill(dir + s, depth + 1, &sub);
                node->children.push_back(sub);
            }
            for (FavoritesNode& l : linkNodes)
                node->children.push_back(l);
        }
        if (!identity.IsEmpty())
            onPath.erase(identity.str());
    }
};

} // namespace

FavoritesNode BuildFavoritesTree(IFavoritesFileSystem& fs, const CString& folder, std::vector<CString>* urls)
{
    FavoritesNode root;
    Walk walk{fs, urls, {}};
    walk.Fill(folder, 0, &root);
    return root;
}

} // namespace browser
