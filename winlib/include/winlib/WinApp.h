// CWinApp: the one application object of a program. The program's WinMain
// hands over to AfxWinMain, which runs InitInstance and, when that returns
// TRUE, the message loop.
#pragma once

#include "winlib/WinThread.h"

#include <string>

class CWinApp : public CWinThread {
public:
    // lpszAppName: the name shown as the caption of message boxes; when
    // null, the program file's name without its extension.
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;

    HICON LoadIcon(UINT nIDResource) const;

    const char* m_pszAppName = nullptr;
    HINSTANCE m_hInstance = nullptr;

private:
    std::string m_strAppName;
};

CWinApp* AfxGetApp();
// The application's name, or the program file's base name when there is no
// application object.
const char* AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
// The full path of the running program file, however long it is.
std::string AfxGetModuleFileName();
int AfxWinMain(HINSTANCE hInstance);
