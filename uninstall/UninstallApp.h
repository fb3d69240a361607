// The application object of Uninstall: asks for confirmation, then runs the
// uninstall window and ends the program when it returns.
#pragma once

#include "winlib/WinApp.h"

class CUninstallApp : public CWinApp {
public:
    CUninstallApp();
    // Always FALSE: the program ends instead of running a message loop.
    BOOL InitInstance() override;
};
