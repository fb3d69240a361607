// CWinApp: the one application object of a program. The program's WinMain
// hands over to AfxWinMain, which runs InitInstance and, when that returns
// TRUE, the message loop. Constructing it (a global, so before WinMain)
// first confines the process's DLL search to the system folder.
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

// Confines every later DLL load of the process that names no full path to
// the system folder (and the side-by-side assemblies of the manifest): the
// program's own folder, which may be a download folder or a medium someone
// else wrote, and the current folder are no longer searched. Falls back to
// dropping only the current folder where the system lacks
// SetDefaultDllDirectories (Windows 7 without the update KB2533623). In
// both cases SearchPath (which finds the programs a process starts by
// name) looks in the current folder only after the system's. Returns TRUE
// when the full restriction is in force. Safe to call more than once.
BOOL AfxRestrictDllSearch();

namespace winlib {
// SetDefaultDllDirectories, or null where the system has none.
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
// AfxRestrictDllSearch with the function given instead of looked up, so
// that the fallback can be tried on a system that has it.
BOOL RestrictDllSearch(SetDefaultDllDirectoriesFunction setDefaultDllDirectories);
}  // namespace winlib
// Loads a system DLL from the system folder (or its side-by-side version
// when the manifest asks for one), never from the program's or the current
// folder. lpszName is a plain file name such as "comctl32.dll".
HMODULE AfxLoadSystemLibrary(LPCSTR lpszName);
// Registers the common control classes in dwClasses (ICC_*) through
// comctl32, which the programs do not import, so that the loader never
// looks for it beside the program: it is loaded from the system folder on
// first use and stays loaded for the program's life.
BOOL AfxInitCommonControls(DWORD dwClasses);
