#include "UninstallDlg.h"

#include "UninstallIds.h"
#include "installlog/Contract.h"
#include "installlog/InstallLog.h"
#include "winlib/Path.h"
#include "winlib/RegKey.h"
#include "winlib/StringUtil.h"
#include "winlib/WinApp.h"

#include <io.h>

#include <vector>

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

BOOL CUninstallDlg::ReadInstalledPath(std::string& out)
{
    winlib::RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, installlog::kProductKey, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return FALSE;
    // A string value of at most 1024 bytes, with or without its terminator.
    std::string path;
    if (!key.ReadString(installlog::kInstallPathValue, path, 1024) || path.empty())
        return FALSE;
    winlib::AppendBackslash(path);
    out = path;
    return TRUE;
}

std::string CUninstallDlg::ProgramFolder()
{
    std::string folder = winlib::ProgramFolder();
    winlib::AppendBackslash(folder);
    return folder;
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

    std::string folder;
    if (!ReadInstalledPath(folder))
        folder = ProgramFolder();
    const std::string logPath = winlib::JoinPath(folder, installlog::kLogFileName);

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
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
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

LRESULT CUninstallDlg::OnUninstallDone(WPARAM, LPARAM)
{
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
