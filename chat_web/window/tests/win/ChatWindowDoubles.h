// Recording doubles of what the chat window needs of the program, shared by the window's driver
// and its benchmark: the registry profile, the base skin from its drawn files, the message box,
// the banner and the application. Each call they record is printed as a line (see Say).
#pragma once

#include "chat_web/engine/ChatEngine.h"
#include "chat_web/window/win/ChatWindowHost.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/skin/SkinInfo.h"
#include "toolkit/win/SkinHost.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace chatdoubles {

// Lines go to standard output unless quiet (the benchmark).
inline bool& Quiet()
{
    static bool quiet = false;
    return quiet;
}

inline void Say(const std::string& line)
{
    if (Quiet())
        return;
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

inline std::string Hex(const std::string& s)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out.empty() ? "-" : out;
}

inline std::string Unhex(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2)
        out += static_cast<char>(std::strtol(s.substr(i, 2).c_str(), nullptr, 16));
    return out;
}

// The profile in the program's registry key, so that reg.exe reads back what the window wrote.
class CRegistryProfile : public IProfileStore {
public:
    CString GetString(const char* section, const char* key, const char* defaultValue) override
    {
        HKEY k = Open(section, false);
        char buffer[4096];
        DWORD size = sizeof buffer - 1, type = 0;
        CString value = defaultValue ? defaultValue : "";
        if (k && ::RegQueryValueExA(k, key, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            buffer[size] = '\0';
            value = buffer;
        }
        if (k)
            ::RegCloseKey(k);
        return value;
    }
    unsigned GetInt(const char* section, const char* key, int defaultValue) override
    {
        HKEY k = Open(section, false);
        DWORD value = static_cast<DWORD>(defaultValue), size = sizeof value, type = 0;
        DWORD got = 0;
        if (k && ::RegQueryValueExA(k, key, nullptr, &type, reinterpret_cast<BYTE*>(&got), &size) == ERROR_SUCCESS &&
            type == REG_DWORD)
            value = got;
        if (k)
            ::RegCloseKey(k);
        return value;
    }
    void WriteString(const char* section, const char* key, const char* value) override
    {
        if (HKEY k = Open(section, true)) {
            ::RegSetValueExA(k, key, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(std::strlen(value) + 1));
            ::RegCloseKey(k);
        }
    }
    void WriteInt(const char* section, const char* key, int value) override
    {
        if (HKEY k = Open(section, true)) {
            DWORD v = static_cast<DWORD>(value);
            ::RegSetValueExA(k, key, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
            ::RegCloseKey(k);
        }
    }

private:
    static HKEY Open(const char* section, bool create)
    {
        std::string path = std::string("Software\\Qelo\\NimboVandrell\\") + section;
        HKEY k = nullptr;
        LONG rc = create ? ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr)
                         : ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &k);
        return rc == ERROR_SUCCESS ? k : nullptr;
    }
};

// The base skin from its drawn files.
class CFolderSkin : public ISkinSource, public IToolkitHost {
public:
    explicit CFolderSkin(std::string folder) : m_folder(std::move(folder))
    {
        std::ifstream in(m_folder + "\\NVPCINFO.TXT", std::ios::binary);
        m_info.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        m_lines.SetLoader([this](bool, std::string& content) {
            content = m_info;
            return true;
        });
        m_lines.SetCurrentName(kBaseSkinName);
    }
    bool Loaded() const { return !m_info.empty(); }
    HBITMAP LoadSkinBitmap(const char* fileName) override
    {
        return static_cast<HBITMAP>(::LoadImageA(nullptr, (m_folder + "\\" + fileName).c_str(), IMAGE_BITMAP, 0, 0,
                                                 LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    }
    CString GetKeyColorText() override
    {
        CString v;
        m_lines.GetSkinValue("KEY_COLOR", v);
        return v;
    }
    bool GetRegionInfo(const char* bitmapName, CString* value, bool fallBack) override
    {
        return m_lines.GetRegionInfo(bitmapName, *value, fallBack);
    }
    CString GetRegionCacheKey(const char*) override { return CString(); }
    void SetInfoValue(const char*) override {}
    bool GetResizeInfo(const char* bitmapName, CString* value) override { return m_lines.GetResizeInfo(bitmapName, *value); }
    bool GetTitleInfo(UINT dialogId, CString* value) override { return m_lines.GetTitleInfo(dialogId, *value); }
    int GetControlRect(UINT controlId, RECT* rect) override
    {
        SkinRect r;
        int anchor = m_lines.GetControlRect(controlId, r);
        ::SetRect(rect, static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
                  static_cast<int>(r.bottom));
        return anchor;
    }
    bool GetDockInfo(UINT dialogId, CString* value) override { return m_lines.GetDockInfo(dialogId, *value); }
    void GetControlFields(UINT controlId, CString* first, CString* second) override
    {
        m_lines.GetControlFields(controlId, *first, *second);
    }
    bool IsBaseSkin() override { return true; }

    HWND GetMainWindow() override { return nullptr; }
    HCURSOR GetHoverCursor() override { return ::LoadCursor(nullptr, IDC_HAND); }
    void SetModalState(bool modal) override { Say(std::string("HOST ModalState ") + (modal ? "1" : "0")); }
    void AddTrayWindow(HWND) override { Say("HOST AddTray"); }
    void RemoveTrayWindow(HWND) override { Say("HOST RemoveTray"); }

private:
    std::string m_folder;
    std::string m_info;
    CSkinLines m_lines;
};

class CRecordingBoxes : public IMessageBoxPresenter {
public:
    int Show(HWND, const char* text, UINT, bool) override
    {
        Say("BOX " + Hex(text ? text : ""));
        return IDOK;
    }
};

class CRecordingBanner : public IChatBanner {
public:
    void Navigate(const char* url) override { Say(std::string("HOST BannerNavigate ") + Hex(url)); }
    IDispatch* GetApplication() override { return nullptr; }
};

class CDriverHost : public IChatWindowHost {
public:
    CProgramSettings settings;
    CRegistryProfile profile;
    ChatRoomRecord room;
    ChatRoomRecord next;
    int refuseCode = 0;
    std::string proxyHost, proxyUser, proxyPassword;
    std::uint16_t proxyPort = 0;
    COLORREF colour = 0xFF0000;
    CDialog* modal = nullptr;
    CChatEngine* engine = nullptr;

    bool IsLoggedIn() override { return true; }
    int EnterRoom(const std::string& url) override
    {
        Say("HOST EnterRoom " + Hex(url));
        if (refuseCode)
            return 0;
        room = next;
        return 1;
    }
    void LeaveRoom() override { Say("HOST LeaveRoom"); }
    int LastResult() override { return refuseCode; }
    ChatRoomRecord& Room() override { return room; }
    std::string Nickname() override { return settings.m_ircNick.str(); }
    void SetNickname(const std::string& n) override { settings.m_ircNick = n.c_str(); }
    std::string RoomName() override { return settings.m_chatRoomId.str(); }
    void SetRoomName(const std::string& r) override { settings.m_chatRoomId = r.c_str(); }
    std::string ScrambledAccountName() override { return "0A1B2C3D"; }
    void ProxySettings(std::string* host, std::uint16_t* port, std::string* user, std::string* password) override
    {
        *host = proxyHost;
        *port = proxyPort;
        *user = proxyUser;
        *password = proxyPassword;
    }
    void ShowChatBalloon(int event) override { Say("HOST Balloon " + std::to_string(event)); }
    CProgramSettings& Settings() override { return settings; }
    IProfileStore& Profile() override { return profile; }
    COLORREF GetChatColor() override { return colour; }
    void SetChatColor(COLORREF c) override { colour = c; }
    void SetChatEngine(CChatEngine* e) override
    {
        engine = e;
        Say(std::string("HOST Engine ") + (e ? "1" : "0"));
    }
    CDialog* GetCurrentModalDialog() override { return modal; }
    void SetCurrentModalDialog(CDialog* d) override
    {
        modal = d;
        Say(std::string("HOST ModalDialog ") + (d ? "1" : "0"));
    }
    bool HasMainWindow() override { return true; }
    void OpenUrl(const char* url) override { Say(std::string("HOST OpenUrl ") + Hex(url)); }
    void SwitchToBaseSkin() override { Say("HOST SwitchToBaseSkin"); }
    void EndProgram(int code) override { Say("HOST EndProgram " + std::to_string(code)); }
    IDispatch* OpenBannerTarget() override { return nullptr; }
    bool GetBrowserRect(RECT*) override { return false; }
    IChatBanner* CreateBanner(CWnd*, UINT) override { return new CRecordingBanner; }
    CString BannerUrl() override { return CString("http://127.0.0.1/banner/banner2.html"); }
};

} // namespace chatdoubles
