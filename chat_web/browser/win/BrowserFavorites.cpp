// The favourites menu: the user's Favorites folder walked through the Windows file system.
#include "chat_web/browser/core/BrowserLogic.h"
#include "chat_web/browser/win/BrowserDlg.h"
#include "framework/win/Menu.h"
#include "resources/StringIds.h"

namespace {

class CWindowsFavorites : public browser::IFavoritesFileSystem {
public:
    bool List(const CString& folder, std::vector<CString>* files, std::vector<CString>* folders) override
    {
        WIN32_FIND_DATAA found;
        HANDLE search = ::FindFirstFileA(folder + "*.*", &found);
        if (search == INVALID_HANDLE_VALUE)
            return false;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                folders->push_back(found.cFileName);
            else
                files->push_back(found.cFileName);
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
        return true;
    }
    CString ReadShortcutUrl(const CString& path) override
    {
        char buffer[2048] = "";
        ::GetPrivateProfileStringA("InternetShortcut", "URL", "", buffer, sizeof buffer, path);
        return CString(buffer);
    }
    CString FolderIdentity(const CString& folder) override
    {
        HANDLE handle = ::CreateFileA(folder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return CString();
        BY_HANDLE_FILE_INFORMATION info;
        CString identity;
        if (::GetFileInformationByHandle(handle, &info))
            identity.Format("%08lx:%08lx%08lx", static_cast<unsigned long>(info.dwVolumeSerialNumber),
                            static_cast<unsigned long>(info.nFileIndexHigh),
                            static_cast<unsigned long>(info.nFileIndexLow));
        ::CloseHandle(handle);
        return identity;
    }
};

void FillMenu(HMENU menu, const browser::FavoritesNode& node)
{
    for (const browser::FavoritesNode& child : node.children) {
        if (child.IsFolder()) {
            HMENU sub = ::CreatePopupMenu();
            FillMenu(sub, child);
            ::AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), child.label);
        } else if (child.urlIndex < browser::kMaxFavoriteCommands) {
            ::AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(ID_FAVORITE_FIRST + child.urlIndex), child.label);
        } else {
            ::AppendMenuA(menu, MF_STRING | MF_GRAYED, 0, child.label);
        }
    }
}

CString ReadFolderValue(const char* key, bool expand)
{
    HKEY handle;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return CString();
    char buffer[MAX_PATH * 2] = "";
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    CString value;
    if (::RegQueryValueExA(handle, "Favorites", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        buffer[size < sizeof buffer ? size : sizeof buffer - 1] = '\0';
        value = buffer;
        if (expand) {
            char expanded[MAX_PATH * 2] = "";
            DWORD n = ::ExpandEnvironmentStringsA(buffer, expanded, sizeof expanded);
            if (n > 0 && n <= sizeof expanded)
                value = expanded;
        }
    }
    ::RegCloseKey(handle);
    return value;
}

} // namespace

CString CBrowserDlg::FindFavoritesFolder()
{
    CString folder = ReadFolderValue("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", true);
    if (folder.IsEmpty())
        folder = ReadFolderValue("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", false);
    return folder;
}

HMENU CBrowserDlg::BuildFavoritesMenu(const CString& folder)
{
    m_favoriteUrls.RemoveAll();
    HMENU menu = ::CreatePopupMenu();
    if (folder.IsEmpty())
        return menu;
    CWindowsFavorites fs;
    std::vector<CString> urls;
    browser::FavoritesNode root = browser::BuildFavoritesTree(fs, folder, &urls);
    for (const CString& url : urls)
        m_favoriteUrls.Add(url);
    FillMenu(menu, root);
    return menu;
}

void CBrowserDlg::OnFavorites()
{
    CMenu resource;
    HMENU menu = BuildFavoritesMenu(FindFavoritesFolder());
    if (::GetMenuItemCount(menu) == 0 && resource.LoadMenu(IDR_FAVORITES_MENU)) {
        // An empty folder shows the menu resource's one blank item.
        ::DestroyMenu(menu);
        menu = ::GetSubMenu(resource, 0);
    }
    POINT cursor;
    ::GetCursorPos(&cursor);
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, m_hWnd, nullptr);
    if (menu != ::GetSubMenu(resource, 0))
        ::DestroyMenu(menu);
}
