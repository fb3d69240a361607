// The application object of Setup.
#pragma once

#include "winlib/WinApp.h"

class CSetupApp : public CWinApp {
public:
    CSetupApp();
    BOOL InitInstance() override;
};
