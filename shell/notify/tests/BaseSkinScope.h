// The build's base skin unpacked into a scratch folder and registered with the toolkit for the
// duration of a test (NV_UNLHA32 and NV_BASESKIN name the archiver and the archive).
#pragma once

#include "shell/common/skin/SkinManager.h"
#include "shell/common/skin/SkinSource.h"
#include "shell/common/skin/UnlhaArchiver.h"
#include "shell/common/skin/tests/RecordingSkinHost.h"
#include "tests/support/WinTestSupport.h"

#include <windows.h>

class CBaseSkinScope {
public:
    // folderName: the scratch folder under the temporary folder (the process id is appended).
    bool Start(const char* folderName, IToolkitHost* host)
    {
        CUnlhaArchiver::SetLibraryPath(nvtest::UnixToWindowsPath(nvtest::Env("NV_UNLHA32")).c_str());
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        m_root.Format("%s%s %lu", temp, folderName, ::GetCurrentProcessId());
        nvtest::RemoveTree(m_root.GetString());
        ::CreateDirectoryA(m_root, nullptr);
        ::CreateDirectoryA(m_root + "\\Skin", nullptr);
        ::CreateDirectoryA(m_root + "\\tmp", nullptr);
        m_host.programFolder = m_root;
        m_host.tempFolder = m_root + "\\tmp\\";
        auto archive = nvtest::ReadFileBytes(nvtest::UnixToWindowsPath(nvtest::Env("NV_BASESKIN")).c_str());
        if (archive.empty() || !nvtest::WriteFileBytes(m_root + "\\Skin\\baseskin.csz", archive) || !m_skins.InitSkins())
            return false;
        toolkit::SetSkinSource(&m_source);
        toolkit::SetHost(host);
        return true;
    }
    void Stop()
    {
        toolkit::SetSkinSource(nullptr);
        toolkit::SetHost(nullptr);
        m_skins.CleanupSkinFolders();
        nvtest::RemoveTree(m_root.GetString());
        CUnlhaArchiver::SetLibraryPath(nullptr);
    }
    const CString& Root() const { return m_root; }
    ISkinSource& Source() { return m_source; }

private:
    CString m_root;
    RecordingSkinHost m_host;
    CSkinManager m_skins{&m_host};
    CSkinManagerSource m_source{m_skins};
};
