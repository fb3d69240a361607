#include "SetupApp.h"

#include "resource.h"
#include "winlib/Dialog.h"

CSetupApp theApp;

CSetupApp::CSetupApp() = default;

BOOL CSetupApp::InitInstance()
{
    // The wizard frame, still without its pages and pictures.
    CDialog frame(IDD_SETUP_DIALOG);
    m_pMainWnd = &frame;
    frame.DoModal();
    m_pMainWnd = nullptr;
    // The program ends when the frame does: no message loop of its own.
    return FALSE;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return AfxWinMain(hInstance);
}
