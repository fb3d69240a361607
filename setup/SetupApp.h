// The application object of Setup: reads the command line, then shows the
// wizard frame or installs unattended, and ends the program when done.
#pragma once

#include "winlib/WinApp.h"

class CSetupApp : public CWinApp {
public:
    CSetupApp();
    // Runs the wizard frame; always FALSE, so that no message loop follows.
    BOOL InitInstance() override;
    // The program's exit code (runfront::ExitCode).
    int ExitInstance() override;

private:
    int m_nExitCode = 0;
};
