/* A sample ActiveX control module of the product. It carries no control
 * yet; its self-registration records, under
 * HKEY_LOCAL_MACHINE\SOFTWARE\Kestrova\ZemloSampleControls\<name>, that it
 * was registered and from where, and registers its class as every control
 * does: HKEY_CLASSES_ROOT\CLSID\<class>\InprocServer32 names this file.
 * Unregistration removes both, whichever file the class names (as real
 * controls do). Built once per control name (CONTROL_NAME) with its class
 * (CONTROL_CLSID). */
#include <windows.h>

#define VENDOR_KEY "SOFTWARE\\Kestrova"
#define CONTROLS_KEY VENDOR_KEY "\\ZemloSampleControls"
#define CONTROL_KEY CONTROLS_KEY "\\" CONTROL_NAME
#define CLASS_KEY "CLSID\\" CONTROL_CLSID
#define SERVER_KEY CLASS_KEY "\\InprocServer32"

static HINSTANCE g_module;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

__declspec(dllexport) HRESULT WINAPI DllRegisterServer(void)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(g_module, path, MAX_PATH);
    HKEY key;
    LONG rc;
    if (length == 0 || length >= MAX_PATH)
        return E_FAIL;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, CONTROL_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return E_FAIL;
    rc = RegSetValueExA(key, "Module", 0, REG_SZ, (const BYTE*)path, length + 1);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return E_FAIL;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, SERVER_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return E_FAIL;
    rc = RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE*)path, length + 1);
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, (const BYTE*)"Apartment", sizeof("Apartment"));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? S_OK : E_FAIL;
}

__declspec(dllexport) HRESULT WINAPI DllUnregisterServer(void)
{
    HKEY key;
    LONG rc;
    /* The class first: a control whose marker key is gone already may
     * still have registered it. */
    RegDeleteKeyA(HKEY_CLASSES_ROOT, SERVER_KEY);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, CLASS_KEY);
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, CONTROL_KEY) != ERROR_SUCCESS)
        return E_FAIL;
    /* The parent goes with the last control, and the vendor's key with it
     * when nothing else is in it (the registration made both). */
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, CONTROLS_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD subKeys = 0;
        rc = RegQueryInfoKeyA(key, NULL, NULL, NULL, &subKeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
        RegCloseKey(key);
        if (rc == ERROR_SUCCESS && subKeys == 0)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, CONTROLS_KEY);
    }
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, VENDOR_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD subKeys = 0, values = 0;
        rc = RegQueryInfoKeyA(key, NULL, NULL, NULL, &subKeys, NULL, NULL, &values, NULL, NULL, NULL, NULL);
        RegCloseKey(key);
        if (rc == ERROR_SUCCESS && subKeys == 0 && values == 0)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, VENDOR_KEY);
    }
    return S_OK;
}
