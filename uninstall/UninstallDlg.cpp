#include "UninstallDlg.h"

#include "Installation.h"
#include "UninstallIds.h"
#include "runfront/ExitCodes.h"
#include "installlog/InstallLog.h"
#include "winlib/StringUtil.h"
#include "winlib/WinApp.h"

#include <io.h>

CUninstallDlg::CUninstallDlg(CWnd* pParent) : CDialog(IDD_UNINSTALL_DIALOG, pParent)
{
    if (CWinApp* app = AfxGetApp())
        m_hIcon = app->LoadIcon(IDR_MAINFRAME);
    else
        m_hIcon = ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CUninstallDlg::~CUninstallDlg()
{
    // The window is gone by now, so the worker's reports fail at once
    // instead of waiting; serving messages meanwhile answers any report
    // that was already on its way.
    if (m_thread.GetThreadHandle() != nullptr)
        winlib::WaitPumpingMessages(m_thread.GetThreadHandle());
}

void CUninstallDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_UNINSTALL_FINISHED, m_ctlFinished);
    DDX_Control(pDX, IDC_UNINSTALL_GROUP, m_ctlGroup);
    DDX_Control(pDX, IDC_UNINSTALL_THANKS, m_ctlThanks);
    DDX_Control(pDX, IDOK, m_btnFinish);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
    DDX_Control(pDX, IDC_UNINSTALL_STATUS, m_ctlStatus);
    DDX_Control(pDX, IDC_UNINSTALL_PROGRESS, m_ctlProgress);
}

int CUninstallDlg::WaitForExitCode()
{
    if (m_thread.GetThreadHandle() == nullptr)
        return runfront::kExitFailed;
    winlib::WaitPumpingMessages(m_thread.GetThreadHandle());
    return m_thread.Outcome().ExitCode();
}

BOOL CUninstallDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    // The About box on the system menu.
    if (HMENU menu = ::GetSystemMenu(m_hWnd, FALSE)) {
        char text[128] = {};
        if (::LoadStringA(AfxGetInstanceHandle(), IDS_UNINSTALL_ABOUTBOX, text, sizeof(text)) > 0) {
            ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(menu, MF_STRING, IDM_UNINSTALL_ABOUTBOX, text);
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_ctlThanks.EnableShadow(TRUE);
    m_btnFinish.ApplyShading(7, 8, 10, 0, 0);
    m_btnCancel.ApplyShading(6, 8, 10, 0, 0);

    m_btnFinish.EnableWindow(FALSE);
    m_ctlFinished.ShowWindow(SW_HIDE);

    const std::string logPath = installation::LogPath();

    if (::_access(logPath.c_str(), 0) != 0) {
        // Nothing recorded here: close without a word.
        PostMessage(WM_CLOSE);
        return FALSE;
    }

    m_thread.m_pMainWnd = this;
    m_thread.m_bAutoDelete = FALSE;
    if (!m_thread.ReadLog(logPath.c_str())) {
        PostMessage(WM_CLOSE);
        return TRUE;
    }

    m_ctlProgress.EnableText(TRUE);
    m_ctlProgress.SetRange(0, m_thread.CountEntries(installlog::kFileCopy));
    m_ctlProgress.SetStep(1);

    m_thread.CreateThread(0, 0, nullptr);
    return TRUE;
}

LRESULT CUninstallDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_UNINSTALL_ABOUTBOX) {
            OnSysCommand(static_cast<UINT>(wParam), lParam);
            return 0;
        }
        break;
    case WM_PAINT:
        if (::IsIconic(m_hWnd)) {
            OnPaint();
            return 0;
        }
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_UNINSTALL_FILE:
        return OnFileDeleted(wParam, lParam);
    case WM_UNINSTALL_FILES_DONE:
        return OnFilesDone(wParam, lParam);
    case WM_UNINSTALL_DONE:
        return OnUninstallDone(wParam, lParam);
    case WM_UNINSTALL_FAILED:
        return OnUninstallFailed(wParam, lParam);
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == m_ctlStatus.GetSafeHwnd() && lParam != 0)
            return OnStatusColour(wParam, lParam);
        break;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
    case WM_SETTINGCHANGE:
        m_nStatusAnswers = 0;
        break;
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

LRESULT CUninstallDlg::OnStatusColour(WPARAM wParam, LPARAM lParam)
{
    const HDC dc = reinterpret_cast<HDC>(wParam);
    if (m_nStatusAnswers >= 2) {
        ::SetTextColor(dc, m_statusColours.text);
        ::SetBkColor(dc, m_statusColours.back);
        ::SetBkMode(dc, m_statusColours.mode);
        return m_statusColours.brush;
    }
    StatusColours answer;
    answer.brush = CDialog::WindowProc(WM_CTLCOLORSTATIC, wParam, lParam);
    answer.text = ::GetTextColor(dc);
    answer.back = ::GetBkColor(dc);
    answer.mode = ::GetBkMode(dc);
    m_nStatusAnswers = answer == m_statusColours ? m_nStatusAnswers + 1 : 1;
    m_statusColours = answer;
    return answer.brush;
}

void CUninstallDlg::OnSysCommand(UINT, LPARAM)
{
    CUninstallAboutDlg about(this);
    about.DoModal();
}

void CUninstallDlg::OnPaint()
{
    PaintMinimizedIcon(m_hIcon);
}

LRESULT CUninstallDlg::OnFileDeleted(WPARAM, LPARAM lParam)
{
    const char* path = reinterpret_cast<const char*>(lParam);
    m_ctlStatus.SetWindowText(winlib::Format("%s ... ", path != nullptr ? path : "").c_str());
    m_ctlProgress.StepIt();
    return 1;
}

LRESULT CUninstallDlg::OnFilesDone(WPARAM, LPARAM)
{
    m_ctlStatus.SetWindowText("");
    return 1;
}

void CUninstallDlg::OnOK()
{
    // The finish button: what is left, so the user can remove it.
    if (m_bFinished && m_thread.Outcome().Listed())
        MessageBox(m_thread.Outcome().LeftListText().c_str(), AfxGetAppName(), MB_OK | MB_ICONWARNING);
    CDialog::OnOK();
}

LRESULT CUninstallDlg::OnUninstallDone(WPARAM, LPARAM)
{
    m_bFinished = true;
    const UninstallOutcome& outcome = m_thread.Outcome();
    if (outcome.Listed()) {
        // The longer text gets the room of the progress area, wrapped.
        RECT area = {16, 48, 16 + 219, 48 + 40};
        ::MapDialogRect(m_hWnd, &area);
        ::MoveWindow(m_ctlFinished.m_hWnd, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     FALSE);
    }
    m_ctlFinished.SetWindowText(outcome.FinishedText().c_str());
    m_ctlStatus.SetWindowText("");
    // The status line lies over the completion label; hidden, it cannot
    // paint its background over the label.
    m_ctlStatus.ShowWindow(SW_HIDE);
    m_ctlProgress.ShowWindow(SW_HIDE);
    m_ctlGroup.ShowWindow(SW_HIDE);
    m_ctlFinished.ShowWindow(SW_SHOW);
    m_btnFinish.EnableWindow(TRUE);
    // Through the dialog manager, so the finish button also becomes the
    // default button.
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_btnFinish.m_hWnd), TRUE);
    return 1;
}

LRESULT CUninstallDlg::OnUninstallFailed(WPARAM, LPARAM)
{
    MessageBox("ZEMLO V8.0 卸载未能完成!", AfxGetAppName(), MB_OK | MB_ICONINFORMATION);
    EndDialog(IDCANCEL);
    return 1;
}

CUninstallAboutDlg::CUninstallAboutDlg(CWnd* pParent) : CDialog(IDD_UNINSTALL_ABOUTBOX, pParent)
{
}
