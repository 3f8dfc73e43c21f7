// CDialupDlg: makes the dial-up connection to the service. It builds the phone-book entry from
// the account, dials it with a notifier, shows the states as they come and lets the user hang up
// or cancel; mode 1 dials through the system's Internet dialer without showing itself.
#pragma once

#include "framework/win/Dialog.h"
#include "net/ras/win/RasApi.h"
#include "resources/ids/net.h"

#include <atomic>
#include <cstdint>

// The template and control ids; the sign-up program has its own template with other ids.
struct DialupDlgIds {
    UINT templateId = IDD_DIALUP;
    int info = IDC_DIALUP_INFO;
    int status = IDC_DIALUP_STATUS;
    int dial = IDC_DIALUP_DIAL;
    int hangUp = IDC_DIALUP_HANGUP;
    int phs = IDC_DIALUP_PHS;
    int note = IDC_DIALUP_NOTE;
};

class CDialupDlg : public CDialog, public CRasApi {
public:
    enum Mode : std::uint16_t { kModeTollFree = 0, kModeInternetDialer = 1, kModeStoredEntry = 2 };
    // BuildEntry's own results besides those of the service.
    static constexpr int kModemMissing = -1;
    static constexpr int kNoDialupDevice = -2;

    CDialupDlg(std::uint16_t mode, CWnd* parent, const DialupDlgIds& ids = DialupDlgIds());
    ~CDialupDlg() override;

    // Builds the entry first when asked (false when that fails), then runs the dialog modally in
    // the application's modal state; true when it connected.
    bool DoDial(const CString& entryName, bool buildFirst);
    int BuildEntry(CString* entryName);
    int UpdateEntry(CString* entryName, const CString& accessPoint, const CString& userName,
                    const CString& password, const CString& modemName);
    DWORD DeleteOwnEntry(const CString& entryName);
    // Connects to the charge server over the toll-free access point with the charge account; the
    // entry is removed again afterwards (the connection stays). A missing modem opens the details
    // dialog, and its OK tries again.
    bool ConnectForCharge();
    // The details dialog, modally in the application's modal state; true on OK.
    bool RunDetailsDialog();
    // Dials and follows the states: 1 connected, 0 failed, hung up or cancelled.
    int Connect();
    bool InternetDialUp(const CString& entryName);
    void InternetHangUpConn();

    // The dialog whose dial loop is running, or null. While it runs, nothing that arrives through
    // its message pump may destroy it or its owner: exit and log-out ask it to cancel (as Cancel
    // does) and run again once the loop has returned.
    static CDialupDlg* RunningDial() { return s_running; }
    void RequestCancel();

    // The notifier handed to the service; keeps the first error and its extended code.
    static void WINAPI RasDialNotify(ras::ConnectionHandle connection, UINT message, DWORD state, DWORD error,
                                     DWORD extendedError);
    // Dispatches this thread's messages for ms milliseconds (0: one pass).
    void PumpDialMessages(DWORD ms);

    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnOK() override {}
    void OnDial();
    void OnHangUp();
    HBRUSH OnCtlColor(HDC dc, HWND window, UINT kind);

    const CString& GetEntryName() const { return m_entryName; }
    const CString& GetAccessPoint() const { return m_accessPoint; }
    const CString& GetLastStateText() const { return m_lastState; }
    bool IsCancelled() const { return m_cancel != 0; }

    DECLARE_MESSAGE_MAP()

private:
    int MakeEntry(CString* entryName, const CString& baseName, const CString& accessPoint, const CString& user,
                  const CString& password, const CString& modemName, bool premiumChoice);
    bool FieldsFit(const CString& entryName, const CString& number, const CString& user, const CString& password,
                   const CString& areaCode);
    void ShowStatus(const CString& text);
    static void ClearFirstError();
    static bool TakeFirstError(DWORD* error, DWORD* extended);

    DialupDlgIds m_ids;
    CString m_lastState, m_entryName, m_accessPoint, m_userName, m_password, m_deviceName;
    int m_cancel = 0;
    std::uint16_t m_mode;
    DWORD_PTR m_internetConnection = 0;
    bool m_internetDialled = false;
    HBRUSH m_background = nullptr;

    static CDialupDlg* s_running;
    // The notifier's first error and extended code, as one word so that they are taken together.
    static std::atomic<std::uint64_t> s_firstError;
};
