// The application object of Uninstall: reads the command line, then asks
// for confirmation and runs the uninstall window, or removes the
// installation unattended, and ends the program when done.
#pragma once

#include "winlib/WinApp.h"

class CUninstallApp : public CWinApp {
public:
    CUninstallApp();
    // Always FALSE: the program ends instead of running a message loop.
    BOOL InitInstance() override;
    // The program's exit code (runfront::ExitCode).
    int ExitInstance() override;

private:
    int m_nExitCode = 0;
};
