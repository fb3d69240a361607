// A stand-in control for the tests: unregistering it deletes the key
// HKEY_CURRENT_USER\Software\ZemloMarker, answering S_OK when there was
// one to delete and S_FALSE otherwise. The tests see through the key that
// the uninstaller really called DllUnregisterServer.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\ZemloMarker") == ERROR_SUCCESS ? S_OK : S_FALSE;
}
