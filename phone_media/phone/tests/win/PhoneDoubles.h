// Doubles for the phone window's tests under Wine: the base skin from its drawn files (with
// control rectangles that a test may override), the message-box presenter that answers from a
// script, and a recording host with a call-ID directory.
#pragma once

#include "framework/win/Wnd.h"
#include "phone_media/phone/win/PhoneHost.h"
#include "shell/common/services/ErrorSink.h"
#include "shell/common/services/MessageBoxSeam.h"
#include "shell/common/skin/SkinInfo.h"
#include "toolkit/win/SkinHost.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace phonetest {

// Pumps like the program's loop (pre-translation first) until done() or the deadline.
inline bool PumpWithPreTranslate(const std::function<bool()>& done, DWORD timeoutMs = 5000)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!CWnd::WalkPreTranslateTree(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        if (done())
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return done();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// A string-table text (code page 932).
inline std::string Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.GetString();
}


// Everything the doubles saw, in order, as text lines ("BOX <text>", "HOST Blink", ...).
class CRecord {
public:
    void Add(const std::string& line)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_lines.push_back(line);
    }
    std::vector<std::string> Lines()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_lines;
    }
    int Count(const std::string& prefix)
    {
        int count = 0;
        for (const std::string& line : Lines())
            count += line.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
        return count;
    }
    void Clear()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_lines.clear();
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_lines;
};

class CFolderSkin : public ISkinSource, public IToolkitHost {
public:
    CFolderSkin(std::string folder, CRecord& record) : m_folder(std::move(folder)), m_record(record)
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
    // Rectangles that replace the skin's (left, top, right, bottom).
    std::map<UINT, RECT> overrides;
    std::vector<std::string> missingBitmaps;
    bool baseSkin = true;

    HBITMAP LoadSkinBitmap(const char* fileName) override
    {
        for (const std::string& missing : missingBitmaps)
            if (missing == fileName)
                return nullptr;
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
        auto over = overrides.find(controlId);
        if (over != overrides.end()) {
            *rect = over->second;
            return 0;
        }
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
    bool IsBaseSkin() override { return baseSkin; }
    void FlushSkinCache(HWND) override { m_record.Add("SKIN Flush"); }

    HWND GetMainWindow() override { return nullptr; }
    HCURSOR GetHoverCursor() override { return ::LoadCursor(nullptr, IDC_HAND); }
    void SetModalState(bool modal) override { m_record.Add(std::string("HOST ModalState ") + (modal ? "1" : "0")); }

private:
    std::string m_folder;
    std::string m_info;
    CSkinLines m_lines;
    CRecord& m_record;
};

// Answers boxes from a queue of answers (IDOK when empty), recording each text and its flags.
class CScriptedBoxes : public IMessageBoxPresenter {
public:
    explicit CScriptedBoxes(CRecord& record) : m_record(record) {}
    std::vector<int> answers;
    int Show(HWND, const char* text, UINT flags, bool) override
    {
        m_record.Add("BOX " + std::to_string(flags) + " " + (text ? text : ""));
        if (answers.empty())
            return IDOK;
        int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }

private:
    CRecord& m_record;
};

class CRecordingHost : public IPhoneHost, public IErrorSink {
public:
    explicit CRecordingHost(CRecord& record) : m_record(record) {}

    CString commId = "0300111122220001";
    CString country = "81";
    CString area = "03";
    unsigned connectionFlags = 1;
    bool serviceOff = false;
    // The call-ID service: communication ID to call ID (kind 1) and back (kind 0).
    std::map<std::string, std::string> callIds;
    int registrationResult = 0;
    std::string registeredCallId;
    bool soundFree = true;
    bool soundHeld = false;
    std::string installFolder;

    CString OwnCommId() override { return commId; }
    CString SecondIdentity() override { return "second"; }
    CString CountryCode() override { return country; }
    CString AreaCode() override { return area; }
    unsigned ConnectionFlags() override { return connectionFlags; }
    bool CallServiceOff() override { return serviceOff; }
    int SearchCallService(int kind, const char* id, CString* result) override
    {
        m_record.Add("SEARCH " + std::to_string(kind) + " " + id + " thread " + std::to_string(::GetCurrentThreadId()));
        result->Empty();
        for (const auto& pair : callIds) {
            if (kind == 1 && pair.first == id)
                *result = pair.second.c_str();
            if (kind == 0 && pair.second == id)
                *result = pair.first.c_str();
        }
        return 0;
    }
    int RegisterCallId(int mode, const char* argument, CString* callId) override
    {
        m_record.Add("REGISTER " + std::to_string(mode) + " " + argument);
        *callId = registeredCallId.c_str();
        return registrationResult;
    }
    bool LockSoundDevice(CWnd*, bool acquire) override
    {
        m_record.Add(acquire ? "LOCK acquire" : "LOCK release");
        if (acquire) {
            if (!soundFree)
                return false;
            soundHeld = true;
            return true;
        }
        bool held = soundHeld;
        soundHeld = false;
        return held;
    }
    IErrorSink& Errors() override { return *this; }
    void LogError(unsigned, const CString& text) override { m_record.Add(std::string("LOG ") + text.GetString()); }
    void ShowErrorBalloon(const CString& text, unsigned flags) override
    {
        m_record.Add("BALLOON " + std::to_string(flags) + " " + text.GetString());
    }
    bool HasMainWindow() override { return true; }
    void BlinkPhoneButton() override { m_record.Add("HOST Blink"); }
    void StopPhoneBlink() override { m_record.Add("HOST StopBlink"); }
    void SwitchToBaseSkin() override { m_record.Add("HOST BaseSkin"); }
    void EndProgram(int code) override { m_record.Add("HOST End " + std::to_string(code)); }
    void OpenCreditPage() override { m_record.Add("HOST CreditPage"); }
    void OpenFriendPage(const char* id) override { m_record.Add(std::string("HOST FriendPage ") + id); }
    void OpenUserRoom(const char* id) override { m_record.Add(std::string("HOST UserRoom ") + id); }
    CString InstallFolder() override { return installFolder.c_str(); }
    CString UserName() override { return "tester"; }
    IPhoneBanner* CreateBanner(CWnd*, UINT) override { return nullptr; }
    CString BannerUrl() override { return "http://127.0.0.1/message/pc/flash2.html"; }

private:
    CRecord& m_record;
};

} // namespace phonetest
