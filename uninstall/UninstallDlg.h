// CUninstallDlg: the uninstaller's window. It finds "Uninstall.log" (see
// Installation.h), has its worker read it, sizes the progress bar by the
// recorded files and starts the worker; then it shows the worker's progress
// and the outcome.
#pragma once

#include "controls/ImageButton.h"
#include "controls/Label.h"
#include "controls/PercentProgressCtrl.h"
#include "UninstallThread.h"
#include "winlib/Dialog.h"

#include <string>

class CUninstallDlg : public CDialog {
public:
    explicit CUninstallDlg(CWnd* pParent = nullptr);
    // Waits for a worker that is still running (the window was closed during
    // the run), serving its messages meanwhile, so the run reaches its end
    // and the worker never outlives the object it belongs to.
    ~CUninstallDlg() override;

    // After the window has closed: waits (serving messages) for a worker
    // that still runs, then gives the program's exit code for the run:
    // failed when no run was started (no log, or one that cannot be read),
    // else the outcome's.
    int WaitForExitCode();

    CWnd m_ctlFinished;                // 1003 "卸载完成!"
    CWnd m_ctlGroup;                   // 1004 "删除文件"
    CLabel m_ctlThanks;                // 1002
    CImageButton m_btnFinish;          // IDOK "完成"
    CImageButton m_btnCancel;          // IDCANCEL "取消"
    CWnd m_ctlStatus;                  // 1001 the path being deleted
    CPercentProgressCtrl m_ctlProgress;  // 1000
    HICON m_hIcon = nullptr;
    CUninstallThread m_thread;
    // True once the worker has reported the end of the run.
    bool m_bFinished = false;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    LRESULT OnFileDeleted(WPARAM wParam, LPARAM lParam);
    LRESULT OnFilesDone(WPARAM wParam, LPARAM lParam);
    LRESULT OnUninstallDone(WPARAM wParam, LPARAM lParam);
    LRESULT OnUninstallFailed(WPARAM wParam, LPARAM lParam);
    LRESULT OnStatusColour(WPARAM wParam, LPARAM lParam);

private:
    // The system's answer to the status line's WM_CTLCOLORSTATIC: the line
    // repaints once per file, and under some systems asking the dialog's
    // default handler each time costs several window-server round trips
    // (theme and display look-ups) for the same answer. Kept once two
    // answers in a row agree; forgotten when colours or theme change.
    struct StatusColours {
        LRESULT brush = 0;
        COLORREF text = CLR_INVALID;
        COLORREF back = CLR_INVALID;
        int mode = 0;
        bool operator==(const StatusColours& other) const
        {
            return brush == other.brush && text == other.text && back == other.back && mode == other.mode;
        }
    };
    StatusColours m_statusColours;
    int m_nStatusAnswers = 0;  // the same answer this many times in a row
};

// The About box, offered through the window's system menu.
class CUninstallAboutDlg : public CDialog {
public:
    explicit CUninstallAboutDlg(CWnd* pParent = nullptr);
};
