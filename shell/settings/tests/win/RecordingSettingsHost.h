// A settings host for tests: settings in memory, message boxes answered from a table and logged
// ("msg <id>"), and every call to the program's other windows logged by name.
#pragma once

#include "net/access/NetAccount.h"
#include "net/dialup/DialupDlg.h"
#include "shell/settings/win/SettingsHost.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

class RecordingCheckSession : public ICheckSession {
public:
    explicit RecordingCheckSession(std::vector<std::string>& log) : m_log(log) {}
    int Login() override
    {
        m_log.push_back("login");
        if (duringLogin)
            duringLogin(*this);
        return cancelled ? -1 : loginResult;
    }
    int GetLastError() const override { return lastError; }
    bool OpenMessageClient(int resendCount) override
    {
        m_log.push_back("message client " + std::to_string(resendCount));
        return messageServerAnswers;
    }
    void Logout() override { m_log.push_back("logout session"); }
    void Cancel() override
    {
        m_log.push_back("cancel");
        cancelled = true;
    }
    int loginResult = 0;
    int lastError = 0;
    bool messageServerAnswers = true;
    bool cancelled = false;
    std::function<void(RecordingCheckSession&)> duringLogin;

private:
    std::vector<std::string>& m_log;
};

class RecordingSettingsHost : public ISettingsHost, public IServiceAccount {
public:
    CProgramSettings& Settings() override { return settings; }
    CNetInfo& NetInfo() override { return info; }
    IServiceAccount& Account() override { return *this; }
    IFormPoster& FormPoster() override { return *poster; }
    int ShowMessage(UINT textId, UINT flags, HWND, int number) override
    {
        log.push_back("msg " + std::to_string(textId) + (number == kNoNumber ? "" : " #" + std::to_string(number)));
        auto answer = answers.find(textId);
        if (answer != answers.end())
            return answer->second;
        return (flags & MB_TYPEMASK) == MB_OK ? IDOK : IDYES;
    }
    int ShowText(const CString& text, UINT, HWND) override
    {
        log.push_back(std::string("text ") + text.GetString());
        return IDOK;
    }
    bool IsLoggedIn() override { return loggedIn; }
    void LogOut() override
    {
        log.push_back("log out");
        loggedIn = false;
    }
    void UrlSendingChanged(bool on) override { log.push_back(on ? "url sending on" : "url sending off"); }
    void QueryIntervalChanged(unsigned minutes) override { log.push_back("interval " + std::to_string(minutes)); }
    CString CurrentPageUrl() override { return "http://current/"; }
    CString RoomPage() override { return "http://room/"; }
    CString VersionText() override { return "VoIP 1.23"; }
    CString AccountSummary() override { return summary; }
    void OpenChargePage() override { log.push_back("charge page"); }
    void OpenProfileEdit() override { log.push_back("profile edit"); }
    void EndChargePage(bool hungUp) override { log.push_back(hungUp ? "end charge page, hung up" : "end charge page"); }
    void CloseRegisteredWindows() override { log.push_back("close windows"); }
    void EndPhoneSession() override { log.push_back("end phone session"); }
    void SaveAccount() override { log.push_back("save account"); }
    void UpdateOwnName(const CString& id, const CString& name, const CString&, const CString&) override
    {
        log.push_back(std::string("own name ") + id.GetString() + " " + name.GetString());
    }
    CDialupDlg* MakeChargeDialer(CWnd* parent) override
    {
        log.push_back("charge dialer");
        return withDialer ? new CDialupDlg(CDialupDlg::kModeTollFree, parent) : nullptr;
    }
    bool RunDialupDetails(CWnd*, CString* modem) override
    {
        log.push_back(std::string("details ") + modem->GetString());
        *modem = detailsModem;
        return true;
    }
    bool ReadBrowserProxy(CString* host, CString* port) override
    {
        *host = "browser-proxy";
        *port = "3128";
        return true;
    }
    ICheckSession* CreateCheckSession() override
    {
        log.push_back("create session");
        if (!sessionAvailable)
            return nullptr;
        session = new RecordingCheckSession(log);
        if (prepareSession)
            prepareSession(*session);
        return session;
    }
    void DeleteCheckSession(ICheckSession* made) override
    {
        log.push_back("delete session");
        delete made;
        session = nullptr;
    }
    bool ChooseSoundFile(HWND, CString* path) override
    {
        log.push_back("choose sound");
        *path = chosenSound;
        return !chosenSound.IsEmpty();
    }
    bool ChooseColor(HWND, COLORREF* colour) override
    {
        log.push_back("choose colour");
        *colour = chosenColour;
        return true;
    }
    bool IsSoundDeviceBusy() override { return false; }
    void PlaySoundFile(const CString& path) override { log.push_back(std::string("play ") + path.GetString()); }
    void PlayDefaultSound() override { log.push_back("play default"); }
    void SetModalState(bool modal) override { log.push_back(modal ? "modal on" : "modal off"); }

    // IServiceAccount over the test's NetInfo.
    CString GetAccountField(AccountField field) const override
    {
        return CNetInfoAccount::Field(const_cast<CNetInfo&>(info), field);
    }
    void SetAccountField(AccountField field, const CString& value) override { CNetInfoAccount::Field(info, field) = value; }
    CString GetServerUrl(const char*) const override { return serverUrl; }

    // The log from the first entry that starts with prefix on.
    std::vector<std::string> LogFrom(const std::string& prefix) const
    {
        for (std::size_t i = 0; i < log.size(); ++i)
            if (log[i].compare(0, prefix.size(), prefix) == 0)
                return std::vector<std::string>(log.begin() + static_cast<long>(i), log.end());
        return {};
    }

    CProgramSettings settings;
    CNetInfo info;
    IFormPoster* poster = nullptr;
    std::map<UINT, int> answers;
    std::vector<std::string> log;
    bool loggedIn = false;
    bool withDialer = true;
    bool sessionAvailable = true;
    RecordingCheckSession* session = nullptr;
    std::function<void(RecordingCheckSession&)> prepareSession;
    CString summary = "account summary", chosenSound, detailsModem, serverUrl;
    COLORREF chosenColour = RGB(1, 2, 3);
};
