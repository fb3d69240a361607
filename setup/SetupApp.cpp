#include "SetupApp.h"

#include "SetupDlg.h"
#include "winlib/Handles.h"
#include "winlib/WinApp.h"

#include <commctrl.h>

CSetupApp theApp;

CSetupApp::CSetupApp() = default;

BOOL CSetupApp::InitInstance()
{
    // The pages use the common controls; decoding the background pictures
    // and hosting controls need COM on this thread.
    AfxInitCommonControls(ICC_WIN95_CLASSES);
    const winlib::ScopedComInit com;

    CSetupDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_nExitCode = dlg.m_nExitCode;
    m_pMainWnd = nullptr;
    // The program ends when the frame does: no message loop of its own.
    return FALSE;
}

int CSetupApp::ExitInstance()
{
    return m_nExitCode;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return AfxWinMain(hInstance);
}
