#include "UninstallApp.h"

#include "UninstallDlg.h"
#include "UninstallRun.h"

#include "runfront/CommandLine.h"
#include "runfront/ExitCodes.h"
#include "runfront/RunSupport.h"
#include "winlib/WinApp.h"

#include <commctrl.h>

CUninstallApp theApp;

CUninstallApp::CUninstallApp() = default;

BOOL CUninstallApp::InitInstance()
{
    // The progress bar class of the window's template.
    AfxInitCommonControls(ICC_PROGRESS_CLASS);

    const std::string_view arguments = runfront::SkipProgramName(
        ::GetCommandLineA(), [](unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; });
    m_nExitCode = RunUninstall(arguments, runfront::HasAdministratorRights(), [this]() {
        const char question[] = "真要卸载 ZEMLO V8.0吗?";
        const int answer =
            runfront::LogAnswer(question, ::MessageBoxA(nullptr, question, "卸载软件", MB_YESNO | MB_ICONQUESTION));
        if (answer != IDYES)
            return static_cast<int>(runfront::kExitCancelled);
        CUninstallDlg window;
        m_pMainWnd = &window;
        window.DoModal();
        m_pMainWnd = nullptr;
        return window.WaitForExitCode();
    });
    return FALSE;
}

int CUninstallApp::ExitInstance()
{
    return m_nExitCode;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return AfxWinMain(hInstance);
}
