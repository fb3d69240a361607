// The application object of Setup: shows the wizard frame and ends the
// program when it closes.
#pragma once

#include "winlib/WinApp.h"

class CSetupApp : public CWinApp {
public:
    CSetupApp();
    // Runs the wizard frame; always FALSE, so that no message loop follows.
    BOOL InitInstance() override;
};
