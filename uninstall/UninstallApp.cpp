#include "UninstallApp.h"

#include "UninstallDlg.h"

#include "winlib/WinApp.h"

#include <commctrl.h>

CUninstallApp theApp;

CUninstallApp::CUninstallApp() = default;

BOOL CUninstallApp::InitInstance()
{
    // The progress bar class of the window's template.
    AfxInitCommonControls(ICC_PROGRESS_CLASS);

    if (::MessageBoxA(nullptr, "真要卸载 ZEMLO V8.0吗?", "卸载软件", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return FALSE;

    {
        CUninstallDlg window;
        m_pMainWnd = &window;
        window.DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return AfxWinMain(hInstance);
}
