// A stand-in control for the tests: registering it creates a marker key
// named after the module's file under HKEY_CURRENT_USER, unregistering it
// deletes that key. The tests see through the marker that the uninstaller
// really called DllUnregisterServer.
#include <windows.h>

namespace {
HMODULE g_module = nullptr;

// "Software\ZemloMarker\<file name of this module>"
bool MarkerKey(char* key, DWORD size)
{
    char path[MAX_PATH];
    const DWORD got = ::GetModuleFileNameA(g_module, path, MAX_PATH);
    if (got == 0 || got >= MAX_PATH)
        return false;
    const char* name = path;
    for (const char* p = path; *p != '\0'; p = ::CharNextA(p))
        if (*p == '\\')
            name = p + 1;
    return ::wsprintfA(key, "Software\\ZemloMarker\\%s", name) > 0 && ::lstrlenA(key) < static_cast<int>(size);
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer()
{
    char key[MAX_PATH + 32];
    if (!MarkerKey(key, sizeof(key)))
        return E_FAIL;
    HKEY created = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr) !=
        ERROR_SUCCESS)
        return E_FAIL;
    ::RegCloseKey(created);
    return S_OK;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    char key[MAX_PATH + 32];
    if (!MarkerKey(key, sizeof(key)))
        return E_FAIL;
    return ::RegDeleteKeyA(HKEY_CURRENT_USER, key) == ERROR_SUCCESS ? S_OK : S_FALSE;
}
