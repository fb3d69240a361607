#include "UninstallApp.h"

#include "resource.h"
#include "winlib/Dialog.h"

CUninstallApp theApp;

CUninstallApp::CUninstallApp() = default;

BOOL CUninstallApp::InitInstance()
{
    // The uninstaller's window, still without its controls and its worker.
    CDialog window(IDD_UNINSTALL_DIALOG);
    m_pMainWnd = &window;
    window.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return AfxWinMain(hInstance);
}
