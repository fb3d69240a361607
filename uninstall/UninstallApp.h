// The application object of Uninstall.
#pragma once

#include "winlib/WinApp.h"

class CUninstallApp : public CWinApp {
public:
    CUninstallApp();
    BOOL InitInstance() override;
};
