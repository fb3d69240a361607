/* A program that imports, statically, functions that Windows 7 SP1 without
 * updates does not have: the import check of the shipped programs must
 * refuse it (floor-test.sh). It is never run. */
#include <windows.h>

/* Declared here: the headers hide them from a build for Windows 7. */
WINBASEAPI BOOL WINAPI SetDefaultDllDirectories(DWORD DirectoryFlags);
WINBASEAPI PVOID WINAPI AddDllDirectory(PCWSTR NewDirectory);
WINBASEAPI VOID WINAPI GetSystemTimePreciseAsFileTime(LPFILETIME lpSystemTimeAsFileTime);
WINUSERAPI UINT WINAPI GetDpiForWindow(HWND hwnd);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show)
{
    FILETIME now;
    (void)instance;
    (void)previous;
    (void)line;
    (void)show;
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    AddDllDirectory(L"C:\\");
    GetSystemTimePreciseAsFileTime(&now);
    return (int)GetDpiForWindow(NULL) + (int)now.dwLowDateTime;
}
