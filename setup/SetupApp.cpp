#include "SetupApp.h"

#include "SetupDlg.h"
#include "SetupRun.h"
#include "runfront/RunSupport.h"
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

    const std::string_view arguments = runfront::SkipProgramName(
        ::GetCommandLineA(), [](unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; });
    m_nExitCode = RunSetup(arguments, runfront::HasAdministratorRights(),
                           [this](const std::string& installDir, const engine::Audience& audience) {
        CSetupDlg dlg;
        dlg.m_strStartDir = installDir;
        dlg.m_audience = audience;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
        return dlg.Outcome().ExitCode();
    });
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
