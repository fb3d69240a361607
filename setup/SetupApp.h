// The application object of Setup: shows the wizard frame and ends the
// program when it closes.
#pragma once

#include "winlib/WinApp.h"

class CSetupApp : public CWinApp {
public:
    CSetupApp();
    // Runs the wizard frame; always FALSE, so that no message loop follows.
    BOOL InitInstance() override;
    // The program's exit code: non-zero when an installation was started
    // and did not complete (it was undone).
    int ExitInstance() override;

private:
    int m_nExitCode = 0;
};
