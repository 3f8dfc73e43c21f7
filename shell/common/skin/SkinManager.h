// CSkinManager: the one object that knows where skin archives lie, unpacks the base skin and the
// chosen skin into folders under the temporary folder, answers every window's lookups (bitmaps by
// file name, control rectangles, dock placements, titles, regions, resize parts) and writes the
// region data learned during a run back into the chosen skin's archive.
#pragma once

#include "framework/core/Arrays.h"
#include "framework/core/CString.h"
#include "shell/common/skin/SkinHost.h"
#include "shell/common/skin/SkinInfo.h"

#include <windows.h>

class CSkinManager {
public:
    static constexpr UINT kBaseSkinCommand = 3584;
    static constexpr UINT kDownloadCommand = 3585;
    static constexpr UINT kFirstSkinCommand = 3586;

    // Detail codes of string 295 (shown in hexadecimal).
    static constexpr DWORD kNoUnpackFolder = 2008001;
    static constexpr DWORD kNoSkinFolder = 2008002;
    static constexpr DWORD kCannotOpenInstallFile = 2008003;
    static constexpr DWORD kCannotCreateInstallTarget = 2008004;
    static constexpr DWORD kNoSkinFolderForMenu = 2008005;
    static constexpr DWORD kNoArchiverObject = 4000000;
    static constexpr DWORD kArchiverCode = 0x1000000;

    explicit CSkinManager(ISkinHost* host = nullptr);
    virtual ~CSkinManager();
    CSkinManager(const CSkinManager&) = delete;
    CSkinManager& operator=(const CSkinManager&) = delete;

    void SetHost(ISkinHost* host) { m_host = host; }

    // Start-up: ends the program (through the host) on a missing or bad base skin and then
    // returns false.
    bool InitSkins();
    void CleanupSkinFolders();
    int BuildSkinMenu(HMENU parent, bool downloadEnabled, UINT position);
    HMENU GetSkinMenu() const { return m_skinMenu; }
    bool SelectSkin(HWND owner, UINT command);
    bool LoadSkinArchive(HWND owner, CString& nameOrPath, bool isPath);
    bool InstallSkinFile(CString& path);
    bool UnpackBaseSkin(HWND owner);
    bool CheckSkinVersion(bool base);
    bool BaseSkinExists();
    void SetCurrentSkin(const CString& name);
    void ReadSkinInfo();
    const CString& GetCurrentSkinName() const { return m_lines.GetCurrentName(); }
    bool IsBaseSkin() const { return m_lines.IsBaseSkin(); }
    const CString& GetKeyColorText() const { return m_keyColor; }
    bool IsArchiverReady();
    bool GetSkinValue(const char* key, CString& value) { return m_lines.GetSkinValue(key, value); }
    bool GetBaseSkinValue(const char* key, CString& value) { return m_lines.GetBaseSkinValue(key, value); }
    void SetInfoValue(const CString& line) { m_lines.SetInfoValue(line); }
    void FlushSkinCache(HWND owner);
    int WriteBackSkin(HWND owner);
    bool RepackSkinArchive(HWND owner);
    const CString& GetErrorText() const { return m_errorText; }
    const CStringArray& GetSkinNames() const { return m_skinNames; }

    const CString& GetSkinFolder();
    const CString& GetTempFolder();
    const CString& GetSkinTempFolder();
    const CString& GetBaseSkinTempFolder();

    // Lookups by control id, dialog id and bitmap file name.
    int GetControlRect(UINT controlId, RECT& rect);
    void GetControlFields(UINT controlId, CString& a, CString& b) { m_lines.GetControlFields(controlId, a, b); }
    bool GetDockInfo(UINT dialogId, CString& value) { return m_lines.GetDockInfo(dialogId, value); }
    bool GetTitleInfo(UINT dialogId, CString& value) { return m_lines.GetTitleInfo(dialogId, value); }
    bool GetResizeInfo(const char* bitmapFile, CString& value) { return m_lines.GetResizeInfo(bitmapFile, value); }
    bool GetRegionInfo(const char* bitmapFile, CString& value, bool fallBack)
    {
        return m_lines.GetRegionInfo(bitmapFile, value, fallBack);
    }
    CString GetRegionCacheKey(const char* bitmapFile) const { return m_lines.GetRegionCacheKey(bitmapFile); }
    // A DIB section of the bitmap file from the current skin, else the base skin; the caller owns it.
    HBITMAP LoadBitmap(const char* bitmapFile);

    // Deletes the plain files of a folder and, when asked, the folder itself. The process's
    // current folder is left alone.
    static void DeleteFolderFiles(const CString& folder, bool removeFolder);

private:
    CString UnpackFolder(const char* prefix);
    // Sets the error text of a missing, busy or broken archiver answer.
    bool CheckArchive(const CString& archive);
    bool ExtractInto(HWND owner, const CString& archive, const CString& folder, WORD& code);
    void SetError(DWORD detailCode);
    void SetErrorText(UINT id, const char* insert);
    CString LoadText(UINT id);
    bool ReadInfoFile(bool base, std::string& content);

    ISkinHost* m_host;
    CSkinLines m_lines;
    CString m_keyColor;
    HMENU m_skinMenu = nullptr;
    bool m_archiverReady = false;
    WORD m_archiverVersion = 0;
    CString m_skinFolder, m_tempFolder, m_skinTempFolder, m_baseSkinTempFolder;
    CString m_errorText;
    CStringArray m_skinNames;
};
