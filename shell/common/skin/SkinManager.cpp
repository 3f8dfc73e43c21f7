#include "shell/common/skin/SkinManager.h"

#include "resources/StringIds.h"
#include "shell/common/skin/UnlhaArchiver.h"

#include "framework/core/Cp932.h"

#include <memory>

namespace {

const char* const kInfoFile = "NVPCINFO.TXT";
const char* const kArchiveExtension = ".csz";
const char* const kCurrentPrefix = "_nvpcskin";
const char* const kBasePrefix = "_dnvpcskin";
constexpr DWORD kMaxInfoFile = 4u << 20;

// Formats a string-table text with %1!..! inserts as the system's message formatter does.
CString FormatInserts(const CString& pattern, DWORD_PTR insert)
{
    char* buffer = nullptr;
    DWORD_PTR args[1] = {insert};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY |
                                      FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  pattern.GetString(), 0, 0, reinterpret_cast<char*>(&buffer), 0,
                                  reinterpret_cast<va_list*>(args));
    if (length == 0 || !buffer)
        return pattern;
    CString text(buffer, static_cast<int>(length));
    LocalFree(buffer);
    return text;
}

bool IsDirectory(const CString& path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The file name part of a path.
CString FileTitle(const CString& path)
{
    int cut = -1;
    for (int i = path.GetLength() - 1; i >= 0; --i) {
        char c = path.GetAt(i);
        if ((c == '\\' || c == '/' || c == ':') && cp932::IsBoundary(path.GetString(), path.GetLength(), i)) {
            cut = i;
            break;
        }
    }
    return path.Mid(cut + 1).SafeLeft(1024);
}

} // namespace

CSkinManager::CSkinManager(ISkinHost* host) : m_host(host)
{
    m_lines.SetCurrentName(kBaseSkinName);
    m_lines.SetLoader([this](bool base, std::string& content) { return ReadInfoFile(base, content); });
}

CSkinManager::~CSkinManager()
{
    if (m_skinMenu && IsMenu(m_skinMenu))
        DestroyMenu(m_skinMenu);
}

CString CSkinManager::LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

void CSkinManager::SetError(DWORD detailCode)
{
    m_errorText = FormatInserts(LoadText(IDS_SKIN_FAILED), detailCode);
}

void CSkinManager::SetErrorText(UINT id, const char* insert)
{
    m_errorText = insert ? FormatInserts(LoadText(id), reinterpret_cast<DWORD_PTR>(insert)) : LoadText(id);
}

const CString& CSkinManager::GetSkinFolder()
{
    if (!m_skinFolder.IsEmpty() || !m_host)
        return m_skinFolder;
    CString path;
    switch (m_host->ReadAppPath(path)) {
    case ISkinHost::AppPathResult::Found:
        m_skinFolder.Format("%s%s", path.GetString(), "\\Skin\\");
        break;
    case ISkinHost::AppPathResult::NoKey:
        m_skinFolder = m_host->GetProgramFolder() + "\\Skin\\";
        break;
    case ISkinHost::AppPathResult::Unreadable:
        break;  // not kept: the next call asks again
    }
    return m_skinFolder;
}

const CString& CSkinManager::GetTempFolder()
{
    if (m_tempFolder.IsEmpty() && m_host) {
        CString folder = m_host->GetTempFolder();
        if (folder.GetLength() <= MAX_PATH)
            m_tempFolder = folder;
    }
    return m_tempFolder;
}

CString CSkinManager::UnpackFolder(const char* prefix)
{
    const CString& temp = GetTempFolder();
    if (temp.IsEmpty())
        return CString();
    for (int n = 1; n <= 9; ++n) {
        CString folder;
        folder.Format("%s%s%d", temp.GetString(), prefix, n);
        if (CreateDirectoryA(folder, nullptr) || (GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(folder)))
            return folder;
    }
    return CString();
}

const CString& CSkinManager::GetSkinTempFolder()
{
    if (m_skinTempFolder.IsEmpty())
        m_skinTempFolder = UnpackFolder(kCurrentPrefix);
    return m_skinTempFolder;
}

const CString& CSkinManager::GetBaseSkinTempFolder()
{
    if (m_baseSkinTempFolder.IsEmpty())
        m_baseSkinTempFolder = UnpackFolder(kBasePrefix);
    return m_baseSkinTempFolder;
}

bool CSkinManager::ReadInfoFile(bool base, std::string& content)
{
    const CString& folder = base ? GetBaseSkinTempFolder() : GetSkinTempFolder();
    if (folder.IsEmpty())
        return false;
    HANDLE file = CreateFileA(folder + "\\" + kInfoFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, nullptr);
    bool ok = size != INVALID_FILE_SIZE;
    if (ok) {
        // A skin is outside data: an oversized file is read only up to the limit.
        content.resize(size < kMaxInfoFile ? size : kMaxInfoFile);
        DWORD got = 0;
        ok = content.empty() || ReadFile(file, &content[0], static_cast<DWORD>(content.size()), &got, nullptr);
        content.resize(got);
    }
    CloseHandle(file);
    return ok;
}

bool CSkinManager::BaseSkinExists()
{
    const CString& folder = GetSkinFolder();
    if (folder.IsEmpty())
        return false;
    HANDLE file = CreateFileA(folder + kBaseSkinName + kArchiveExtension, GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool CSkinManager::ExtractInto(HWND owner, const CString& archive, const CString& folder, WORD& code)
{
    // Another skin's files must not survive in the folder: a bitmap this skin lacks would be
    // taken from the old one instead of the base skin.
    DeleteFolderFiles(folder, false);
    CUnlhaArchiver archiver;
    bool ok = archiver.Extract(owner, archive, folder + "\\");
    code = archiver.GetLastResult();
    return ok;
}

bool CSkinManager::InitSkins()
{
    GetSkinFolder();
    if (!GetTempFolder().IsEmpty()) {
        GetSkinTempFolder();
        GetBaseSkinTempFolder();
    }
    if (!BaseSkinExists()) {
        if (m_host) {
            m_host->ShowMessage(nullptr, LoadText(IDS_BASESKIN_MISSING), MB_ICONEXCLAMATION);
            m_host->EndProgram(-1);
        }
        return false;
    }
    m_lines.SetCurrentName(kBaseSkinName);
    if (!UnpackBaseSkin(nullptr) || !CheckSkinVersion(true)) {
        if (m_host) {
            m_host->ShowMessage(nullptr, LoadText(IDS_BASESKIN_FAILED), MB_ICONEXCLAMATION);
            m_host->EndProgram(-1);
        }
        return false;
    }
    CString saved = m_host ? m_host->GetProfileValue("Skin", kBaseSkinName) : CString(kBaseSkinName);
    if (saved == LoadText(IDS_SKIN_BASE))
        saved = kBaseSkinName;
    if (saved == kBaseSkinName)
        return true;
    CString name = saved;
    if (!LoadSkinArchive(nullptr, name, false)) {
        if (m_host)
            m_host->ShowMessage(nullptr, m_errorText, MB_ICONEXCLAMATION);
        SetCurrentSkin(kBaseSkinName);
    } else if (!CheckSkinVersion(false)) {
        if (m_host)
            m_host->ShowMessage(nullptr, LoadText(IDS_SKIN_UNUSABLE), MB_ICONEXCLAMATION);
        SetCurrentSkin(kBaseSkinName);
    }
    return true;
}

bool CSkinManager::UnpackBaseSkin(HWND owner)
{
    const CString& folder = GetBaseSkinTempFolder();
    const CString& skins = GetSkinFolder();
    if (folder.IsEmpty() || skins.IsEmpty())
        return false;
    WORD code = 0;
    bool ok = ExtractInto(owner, skins + kBaseSkinName + kArchiveExtension, folder, code);
    m_lines.ResetBase();
    if (!ok)
        SetError(kArchiverCode + code);
    return ok;
}

bool CSkinManager::CheckSkinVersion(bool base)
{
    CString version;
    bool found = base ? m_lines.GetBaseSkinValue("FILE_VERSION", version)
                      : m_lines.GetSkinValue("FILE_VERSION", version);
    return found && IsSupportedSkinVersion(version);
}

void CSkinManager::SetCurrentSkin(const CString& name)
{
    m_lines.SetCurrentName(name);
    if (m_host)
        m_host->WriteProfileValue("Skin", name);
    ReadSkinInfo();
}

void CSkinManager::ReadSkinInfo()
{
    m_lines.ResetCurrent();
    m_keyColor.Empty();
    if (!IsBaseSkin())
        m_lines.GetSkinValue("WBG_TRANSEPARENT", m_keyColor);
}

bool CSkinManager::IsArchiverReady()
{
    if (!m_archiverReady) {
        CUnlhaArchiver archiver;
        m_archiverVersion = archiver.GetVersion();
        m_archiverReady = m_archiverVersion != 0;
    }
    return m_archiverReady;
}

bool CSkinManager::CheckArchive(const CString& archive)
{
    CUnlhaArchiver checker;
    switch (checker.CheckArchive(archive)) {
    case CUnlhaArchiver::kNoArchiver: SetErrorText(IDS_SKIN_NO_ARCHIVER, nullptr); return false;
    case CUnlhaArchiver::kInvalid: SetErrorText(IDS_SKIN_BROKEN, archive); return false;
    case CUnlhaArchiver::kBusy: SetErrorText(IDS_SKIN_ARCHIVER_BUSY, nullptr); return false;
    default: return true;
    }
}

bool CSkinManager::SelectSkin(HWND owner, UINT command)
{
    FlushSkinCache(owner);
    const CString& folder = GetSkinTempFolder();
    if (folder.IsEmpty()) {
        SetError(kNoUnpackFolder);
        return false;
    }
    if (command < kFirstSkinCommand)
        return false;
    if (GetSkinFolder().IsEmpty()) {
        SetError(kNoSkinFolder);
        return false;
    }
    int index = static_cast<int>(command - kFirstSkinCommand);
    if (index >= m_skinNames.GetSize())
        return false;
    CString name = m_skinNames[index];
    CString archive = GetSkinFolder() + name + kArchiveExtension;
    if (!CheckArchive(archive))
        return false;
    WORD code = 0;
    if (!ExtractInto(owner, archive, folder, code)) {
        SetError(kArchiverCode + code);
        return false;
    }
    SetCurrentSkin(name);
    return true;
}

bool CSkinManager::LoadSkinArchive(HWND owner, CString& nameOrPath, bool isPath)
{
    FlushSkinCache(owner);
    CString archive = nameOrPath;
    if (!isPath) {
        if (GetSkinFolder().IsEmpty()) {
            SetError(kNoSkinFolder);
            return false;
        }
        archive = GetSkinFolder() + nameOrPath + kArchiveExtension;
    }
    const CString& folder = GetSkinTempFolder();
    if (folder.IsEmpty()) {
        SetError(kNoUnpackFolder);
        return false;
    }
    WORD code = 0;
    if (!ExtractInto(owner, archive, folder, code)) {
        SetError(kArchiverCode + code);
        return false;
    }
    if (isPath) {
        CString title = FileTitle(nameOrPath);
        int dot = title.Find('.');
        nameOrPath = dot >= 0 ? title.Left(dot) : title;
    }
    SetCurrentSkin(nameOrPath);
    return true;
}

bool CSkinManager::InstallSkinFile(CString& path)
{
    if (!CheckArchive(path))
        return false;
    CString title = FileTitle(path);
    CString name, targetName;
    int bracket = title.Find('[');
    if (bracket >= 0) {
        name = title.Left(bracket);
        targetName = name + kArchiveExtension;
    } else {
        int dot = title.Find('.');
        name = dot >= 0 ? title.Left(dot) : title;
        targetName = title;
    }
    // "[1].csz" would install as ".csz" under an empty name: refuse before copying anything.
    if (name.IsEmpty()) {
        SetError(kCannotCreateInstallTarget);
        return false;
    }
    const CString& skins = GetSkinFolder();
    if (skins.IsEmpty())
        return false;
    CString target = skins + targetName;
    if (target.CompareNoCase(path) == 0 || name.CompareNoCase(kBaseSkinName) == 0) {
        path = name;
        return true;
    }
    HANDLE source = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE) {
        SetError(kCannotOpenInstallFile);
        return false;
    }
    // Copied beside the target first: the skin folder never holds a half-copied archive.
    CString temporary = target + ".tmp";
    HANDLE copy = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (copy == INVALID_HANDLE_VALUE) {
        CloseHandle(source);
        SetError(kCannotCreateInstallTarget);
        return false;
    }
    bool ok = true;
    char block[1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source, block, sizeof block, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        DWORD wrote = 0;
        if (!WriteFile(copy, block, got, &wrote, nullptr) || wrote != got) {
            ok = false;
            break;
        }
    }
    CloseHandle(source);
    ok = CloseHandle(copy) && ok;
    if (ok)
        ok = MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) {
        DeleteFileA(temporary);
        SetError(kCannotCreateInstallTarget);
        return false;
    }
    path = name;
    return true;
}

int CSkinManager::BuildSkinMenu(HMENU parent, bool downloadEnabled, UINT position)
{
    bool ready = IsArchiverReady();
    if (m_skinMenu && IsMenu(m_skinMenu))
        DestroyMenu(m_skinMenu);
    m_skinMenu = nullptr;
    m_skinNames.RemoveAll();
    HMENU menu = CreatePopupMenu();
    if (!menu) {
        SetErrorText(IDS_RESOURCES_SHORT, nullptr);
        return 0;
    }
    AppendMenuA(menu, MF_STRING | (IsBaseSkin() ? MF_CHECKED : 0), kBaseSkinCommand, LoadText(IDS_SKIN_BASE));
    AppendMenuA(menu, MF_STRING | (downloadEnabled && ready ? 0 : MF_GRAYED), kDownloadCommand,
                LoadText(IDS_SKIN_OTHER));
    const CString& skins = GetSkinFolder();
    if (skins.IsEmpty()) {
        DestroyMenu(menu);
        SetError(kNoSkinFolderForMenu);
        return 0;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(skins + "*" + kArchiveExtension, &found);
    bool any = false;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
                continue;
            CString file = found.cFileName;
            if (file.GetLength() < 4 || file.Right(4).CompareNoCase(kArchiveExtension) != 0)
                continue;
            any = true;
            CString name = file.Left(file.GetLength() - 4);
            if (name == kBaseSkinName)
                continue;
            int at = 0;
            while (at < m_skinNames.GetSize() && m_skinNames[at].CompareNoCase(name) <= 0)
                ++at;
            m_skinNames.InsertAt(at, name);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (any) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        for (int i = 0; i < m_skinNames.GetSize(); ++i) {
            UINT flags = MF_STRING;
            if (m_skinNames[i] == GetCurrentSkinName())
                flags |= MF_CHECKED;
            if (!ready)
                flags |= MF_GRAYED;
            AppendMenuA(menu, flags, kFirstSkinCommand + static_cast<UINT>(i), m_skinNames[i]);
        }
    }
    InsertMenuA(parent, position, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu),
                LoadText(IDS_SKIN_MENU));
    m_skinMenu = menu;
    return m_skinNames.GetSize();
}

void CSkinManager::FlushSkinCache(HWND owner)
{
    const CString& folder = GetSkinTempFolder();
    if (folder.IsEmpty())
        return;
    WriteBackSkin(owner);
    DeleteFolderFiles(folder, false);
    m_lines.ClearPendingLines();
}

int CSkinManager::WriteBackSkin(HWND owner)
{
    const std::vector<CString>& pending = m_lines.GetPendingLines();
    const CString& folder = GetSkinTempFolder();
    // The base skin's archive is never rewritten (its learned lines are not even queued).
    if (pending.empty() || folder.IsEmpty() || IsBaseSkin())
        return 0;
    HANDLE file = CreateFileA(folder + "\\" + kInfoFile, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    int written = 0;
    bool ok = true;
    // A file whose last line has no line end would glue the first new line onto it.
    DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE && size > 0) {
        char last = 0;
        DWORD got = 0;
        SetFilePointer(file, -1, nullptr, FILE_END);
        if (ReadFile(file, &last, 1, &got, nullptr) && got == 1 && last != '\n') {
            DWORD wrote = 0;
            SetFilePointer(file, 0, nullptr, FILE_END);
            ok = WriteFile(file, "\r\n", 2, &wrote, nullptr) && wrote == 2;
        }
    }
    SetFilePointer(file, 0, nullptr, FILE_END);
    for (const CString& line : pending) {
        if (!ok)
            break;
        if (line.IsEmpty())
            continue;
        CString text = line + "\r\n";
        DWORD wrote = 0;
        ok = WriteFile(file, text.GetString(), static_cast<DWORD>(text.GetLength()), &wrote, nullptr) &&
             wrote == static_cast<DWORD>(text.GetLength());
        if (ok)
            ++written;
    }
    ok = CloseHandle(file) && ok;
    // Only a completely written file goes back into the archive.
    if (!ok || written == 0)
        return 0;
    if (!RepackSkinArchive(owner)) {
        if (m_host)
            m_host->ShowMessage(owner, m_errorText, MB_ICONEXCLAMATION);
        return 0;
    }
    return written;
}

bool CSkinManager::RepackSkinArchive(HWND owner)
{
    const CString& folder = GetSkinTempFolder();
    if (folder.IsEmpty()) {
        SetError(kNoUnpackFolder);
        return false;
    }
    if (GetSkinFolder().IsEmpty()) {
        SetError(kNoSkinFolder);
        return false;
    }
    if (IsBaseSkin())
        return false;
    CUnlhaArchiver archiver;
    if (!archiver.Compress(owner, GetSkinFolder() + GetCurrentSkinName() + kArchiveExtension, folder + "\\")) {
        m_errorText.Format(LoadText(IDS_SKIN_WRITE_FAILED), GetCurrentSkinName().GetString(),
                           static_cast<unsigned>(kArchiverCode + archiver.GetLastResult()));
        return false;
    }
    return true;
}

void CSkinManager::DeleteFolderFiles(const CString& folder, bool removeFolder)
{
    if (folder.IsEmpty())
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folder + "\\*.*", &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
                continue;
            DeleteFileA(folder + "\\" + found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (removeFolder)
        RemoveDirectoryA(folder);
}

void CSkinManager::CleanupSkinFolders()
{
    if (m_host)
        m_host->WriteProfileValue("Skin", GetCurrentSkinName());
    const CString& temp = GetTempFolder();
    if (temp.IsEmpty())
        return;
    for (const char* prefix : {kCurrentPrefix, kBasePrefix}) {
        for (int n = 1; n <= 9; ++n) {
            CString folder;
            folder.Format("%s%s%d", temp.GetString(), prefix, n);
            DeleteFolderFiles(folder, true);
        }
    }
}

int CSkinManager::GetControlRect(UINT controlId, RECT& rect)
{
    SkinRect r;
    int anchor = m_lines.GetControlRect(controlId, r);
    rect.left = r.left;
    rect.top = r.top;
    rect.right = r.right;
    rect.bottom = r.bottom;
    return anchor;
}

HBITMAP CSkinManager::LoadBitmap(const char* bitmapFile)
{
    auto load = [&](const CString& folder) -> HBITMAP {
        if (folder.IsEmpty() || !bitmapFile)
            return nullptr;
        CString path;
        path.Format("%s\\%s", folder.GetString(), bitmapFile);
        return static_cast<HBITMAP>(
            LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    };
    if (IsBaseSkin())
        return load(GetBaseSkinTempFolder());
    HBITMAP bitmap = load(GetSkinTempFolder());
    return bitmap ? bitmap : load(GetBaseSkinTempFolder());
}
