// CErrorLogDlg: the error log window. Numbered failures of the servers and the network are
// listed newest first with their kind, time and message, and kept in errorlog.dat in the log
// folder across runs (entries older than ErrorLogDate days are dropped when it is read). The file
// is rewritten through a temporary file soon after each new entry and when the window goes.
#pragma once

#include "shell/common/services/ErrorSink.h"
#include "shell/notify/ErrorLogFile.h"
#include "toolkit/win/SkinButton.h"
#include "toolkit/win/SkinFrameDialog.h"

#include <ctime>

class IProfileStore;

// What the error log needs of the program.
class IErrorLogHost {
public:
    virtual ~IErrorLogHost() = default;
    // The application's host dialog, the window's parent.
    virtual CWnd* GetParentWindow() = 0;
    virtual IProfileStore& GetProfile() = 0;
    // The ErrorLogDate setting.
    virtual long long GetKeepDays() = 0;
    // The folder of errorlog.dat (the message store's log folder).
    virtual CString GetLogFolder() = 0;
    virtual std::time_t Now() = 0;
    // The window is set up: the application keeps it as its error log window.
    virtual void OnErrorLogReady(CWnd* window) { (void)window; }
};

class CErrorLogDlg : public CSkinFrameDialog {
public:
    static constexpr UINT_PTR kSaveTimer = 40001;
    static constexpr UINT kSaveDelayMs = 1500;

    // Make it with new: the window deletes its object when it is destroyed.
    CErrorLogDlg(CWnd* parent, IErrorLogHost& host);

    BOOL Create();
    // A row at the top; FALSE when the list refused it.
    BOOL AddEntry(unsigned flags, const CString& text);
    void Show(bool show);
    void ApplySkin();
    // Writes errorlog.dat now (through a temporary file); FALSE when it could not be written.
    BOOL SaveNow();
    // Deletes every row after the user agreed (string 528); FALSE when nothing was deleted.
    BOOL DeleteAll();

    int GetEntryCount() const;
    const CString& GetLogPath() const { return m_logPath; }
    HWND GetList() const { return m_list; }

    DECLARE_MESSAGE_MAP()

protected:
    ~CErrorLogDlg() override;
    BOOL OnInitDialog() override;
    void OnCancel() override {}
    BOOL PreTranslateMessage(MSG* msg) override;
    void PostNcDestroy() override { delete this; }
    void OnSize(UINT type, int cx, int cy);
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    void OnCloseButton();
    void OnDeleteButton();

private:
    bool LayOut();
    void SetColumnWidths();
    bool InsertRow(int at, const errorlog::Entry& entry);
    std::vector<errorlog::Entry> CollectRows() const;
    void LoadFile();
    void RestorePosition();
    void SavePosition();
    errorlog::Labels Labels() const;

    IErrorLogHost& m_host;
    CWnd* m_parent;
    HWND m_list = nullptr;
    HIMAGELIST m_images = nullptr;
    HWND m_tooltip = nullptr;
    CString m_logPath;
    CSkinButton m_closeButton;
    CSkinButton m_deleteButton;
    bool m_saveDue = false;
};

// What failures reach: the error log and the error balloon. The main window registers one with
// the application (CClientApp::SetErrorSink) once both windows exist.
class IErrorTextTarget {
public:
    virtual ~IErrorTextTarget() = default;
    virtual void ShowErrorText(const CString& text) = 0;
};

class CNotifyErrorSink : public IErrorSink {
public:
    // The error log is held by its window handle (the window deletes its object when it goes);
    // either part may be missing and is then left out.
    CNotifyErrorSink(HWND errorLog, IErrorTextTarget* balloon) : m_errorLog(errorLog), m_balloon(balloon) {}
    void LogError(unsigned flags, const CString& text) override;
    void ShowErrorBalloon(const CString& text, unsigned flags) override;
    void SetErrorLog(HWND errorLog) { m_errorLog = errorLog; }
    void SetBalloon(IErrorTextTarget* balloon) { m_balloon = balloon; }

private:
    HWND m_errorLog;
    IErrorTextTarget* m_balloon;
};
