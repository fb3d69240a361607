/* A control module for the registration tests, built once per behaviour
 * (PROBE_BEHAVIOUR): 0 registers (a marker file), 1 fails, 2 crashes,
 * 3 hangs. Markers go to the folder named by ZEMLO_PROBE_MARKERS:
 * "<module name>.registered" while registered, "<module name>.started" once
 * a registration has begun. */
#include <windows.h>

static HINSTANCE g_module;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

/* The marker path for this module with the given ending; FALSE without a
 * marker folder. */
static BOOL MarkerPath(const char* ending, char* path, DWORD size)
{
    char module[MAX_PATH];
    const char* name;
    const char* p;
    DWORD length = GetEnvironmentVariableA("ZEMLO_PROBE_MARKERS", path, size);
    if (length == 0 || length >= size)
        return FALSE;
    if (GetModuleFileNameA(g_module, module, MAX_PATH) == 0)
        return FALSE;
    name = module;
    for (p = module; *p != '\0'; p = CharNextA(p))
        if (*p == '\\')
            name = p + 1;
    if (length + 1 + lstrlenA(name) + lstrlenA(ending) + 1 > size)
        return FALSE;
    lstrcatA(path, "\\");
    lstrcatA(path, name);
    lstrcatA(path, ending);
    return TRUE;
}

static void Touch(const char* ending)
{
    char path[MAX_PATH];
    HANDLE file;
    if (!MarkerPath(ending, path, MAX_PATH))
        return;
    file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

#if PROBE_BEHAVIOUR == 2
static LONG WINAPI DieAtOnce(EXCEPTION_POINTERS* exception)
{
    (void)exception;
    return EXCEPTION_EXECUTE_HANDLER;
}
#endif

__declspec(dllexport) HRESULT WINAPI DllRegisterServer(void)
{
    Touch(".started");
#if PROBE_BEHAVIOUR == 1
    return E_FAIL;
#elif PROBE_BEHAVIOUR == 2
    /* The process dies of the access violation at once: no debugger is
     * offered (Wine would start one and keep the process until it ends). */
    SetUnhandledExceptionFilter(DieAtOnce);
    *(volatile int*)0 = 1;
    return S_OK;
#elif PROBE_BEHAVIOUR == 3
    Sleep(INFINITE);
    return S_OK;
#else
    Touch(".registered");
    return S_OK;
#endif
}

__declspec(dllexport) HRESULT WINAPI DllUnregisterServer(void)
{
    char path[MAX_PATH];
    if (MarkerPath(".registered", path, MAX_PATH))
        DeleteFileA(path);
    return S_OK;
}
