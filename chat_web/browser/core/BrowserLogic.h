// The browser window's rules that need no window: form bodies of the page openers, the split of
// an address for posting, the post data's bytes, the status line's cut, the saved position's
// clamp, the address history's keys and the favourites walk.
#pragma once

#include "framework/core/CString.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace browser {

// Fills each "%s" of a form format (a string-table text such as "id=%s&password=%s") with the
// next value, URL-encoded as a form value; names, order and every other byte stay. Missing
// values fill as empty; "%%" stays "%%" (the formats hold none).
CString ComposeFormBody(const char* format, std::initializer_list<CString> values);

// The bytes a form post sends: the body and its terminating zero byte.
std::vector<std::uint8_t> PostDataBytes(const CString& body);

// "address?query": the address and the text after "?" (without the blank that once replaced it).
// False when there is no "?".
bool SplitForPost(const char* url, CString* address, CString* body);

// The status line's text: at most 255 bytes, never half a double-byte character.
CString CutStatusText(const CString& text);

// A typed address as the address bar completes it: "http://" in front unless it names a scheme
// ("://" or a "mailto:" address).
CString CompleteTypedAddress(const CString& text);

struct PixelRect {
    int left, top, right, bottom;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// The browser's saved position against the work area (BrowseX/Y/Width/Height): a size larger
// than the work area or smaller than the template's becomes the template's; a coordinate not
// greater than the work area's edge or beyond its size is centred. Both X and Y -1: below the
// address bar at its left edge when barRect is given, width x height (the window's own size)
// kept and shifted into the work area where it would stick out; else centred.
PixelRect ClampSavedPosition(int x, int y, int width, int height, int templateWidth, int templateHeight,
                             const PixelRect& workArea, const PixelRect* barRect);

// The address history: at most this many entries are shown, and these keys url1..url20 of
// section "Browse" are read, cleared and written.
const int kHistoryShown = 21;
const int kHistoryKeys = 20;
// The values to write as url1..urlN from the list's entries top first: non-empty entries that
// are not the portal's home address, at most kHistoryKeys.
std::vector<CString> HistoryToSave(const std::vector<CString>& entries, const CString& homeAddress);

// The favourites menu: links of a folder sorted by label without case, its sub-folders before
// them sorted by name; links numbered in walk order (a folder's links, then its sub-folders').
struct FavoritesNode {
    CString label;
    int urlIndex = -1; // links: index into the URL list; folders: -1
    std::vector<FavoritesNode> children;
    bool IsFolder() const { return urlIndex < 0; }
};

// How the walk sees the file system (the Windows folders, or a test's tree).
class IFavoritesFileSystem {
public:
    virtual ~IFavoritesFileSystem() = default;
    // Names of the files and of the sub-folders (without "." and "..") of a folder.
    virtual bool List(const CString& folder, std::vector<CString>* files, std::vector<CString>* folders) = 0;
    // The "URL" value of section "InternetShortcut" of a shortcut file.
    virtual CString ReadShortcutUrl(const CString& path) = 0;
    // A text that names the folder itself (volume and file index), so that a link that loops
    // back to a folder on the way is seen; empty when unknown.
    virtual CString FolderIdentity(const CString& folder) = 0;
};

const int kMaxFavoritesDepth = 16;
const int kMaxFavoriteCommands = 512;

// Walks the folder (a "\" is added when missing). The URLs of the links land in urls.
FavoritesNode BuildFavoritesTree(IFavoritesFileSystem& fs, const CString& folder, std::vector<CString>* urls);

} // namespace browser
