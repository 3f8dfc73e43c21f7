// CProgressDlg: the transfer progress dialog (template 191): a bar and a percentage that follow
// the bytes done of a message body's transfer, and the line "ﾎﾞｲｽﾒｯｾｰｼﾞ通信中..". The message
// client that shows it adds the bytes of each block (from any thread) and marks the end; the
// dialog reads them on its timer. Cancel asks the owner (the client's window) to cancel the
// transfer with 0x406 (1000).
#pragma once

#include "framework/win/Controls.h"
#include "framework/win/Dialog.h"

#include <atomic>
#include <cstdint>

constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressTimerMs = 100;

class CProgressDlg : public CDialog {
public:
    CProgressDlg();
    BOOL Create(HWND ownerHandle, CWnd* owner);
    // Starts showing a transfer of total bytes.
    void StartTimer(double total);
    // The client's side: bytes of a block just sent, and the end (marker -1).
    void AddBytesDone(std::int64_t bytes) { m_bytesDone.fetch_add(bytes); }
    void MarkEnd() { m_endMarker.store(-1); }
    std::int64_t GetBytesDone() const { return m_bytesDone.load(); }
    int GetShownPercent() const { return m_shownPercent; }
    // Reads the counters and updates the bar and the percentage now.
    void Refresh();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    void SetGreenOnBlack(CRichEditCtrl& edit);

    HWND m_ownerHandle = nullptr;
    double m_total = 0.0;
    std::atomic<std::int64_t> m_bytesDone{0};
    std::atomic<int> m_endMarker{0};
    int m_shownPercent = -1;
    CString m_percentText;
    CRichEditCtrl m_percent;
    CRichEditCtrl m_line;
};
