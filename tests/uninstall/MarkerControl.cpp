// Stand-in controls for the tests. Each leaves marker files in the folder
// named by the environment variable ZEMLO_PROBE_MARKERS (which the
// uninstaller's child processes inherit): "<file name>.loaded" when it is
// loaded into a process and "<file name>.unregistered" when its
// DllUnregisterServer runs. The tests see through them whether the
// uninstaller loaded or unregistered it at all. Like a real control, its
// DllRegisterServer registers its class, kMarkerClass, with this very file
// as the class's InprocServer32 (under HKEY_CLASSES_ROOT\CLSID), and the
// answering build's DllUnregisterServer deletes that class whichever file
// it names. What DllUnregisterServer does next depends on the build:
//   PROBE_ANSWER  answers S_OK (the default)
//   PROBE_FAIL    answers E_FAIL
//   PROBE_CRASH   writes through a null pointer
//   PROBE_HANG    never returns
#include <windows.h>

#include <string>

namespace {
HMODULE g_module = nullptr;

// The class every build registers (the tests spell it out too).
const char kMarkerClassKey[] = "CLSID\\{6C1B7E52-3A0F-4D8B-9E27-5B4F0A6D1C93}";

void LeaveMarker(const char* suffix)
{
    char folder[MAX_PATH] = {};
    const DWORD got = ::GetEnvironmentVariableA("ZEMLO_PROBE_MARKERS", folder, MAX_PATH);
    if (got == 0 || got >= MAX_PATH)
        return;
    char module[MAX_PATH] = {};
    if (::GetModuleFileNameA(g_module, module, MAX_PATH) == 0)
        return;
    const char* name = module;
    for (const char* p = module; *p != '\0'; p = ::CharNextA(p))
        if (*p == '\\')
            name = p + 1;
    const std::string marker = std::string(folder) + "\\" + name + suffix;
    HANDLE file = ::CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (file != INVALID_HANDLE_VALUE)
        ::CloseHandle(file);
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        LeaveMarker(".loaded");
    }
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    LeaveMarker(".unregistered");
#if defined(PROBE_FAIL)
    return E_FAIL;
#elif defined(PROBE_CRASH)
    *static_cast<volatile int*>(nullptr) = 1;
    return S_OK;
#elif defined(PROBE_HANG)
    for (;;)
        ::Sleep(1000);
#else
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(kMarkerClassKey) + "\\InprocServer32").c_str());
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, kMarkerClassKey);
    return S_OK;
#endif
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer()
{
    LeaveMarker(".registered");
    char module[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(g_module, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return E_FAIL;
    const std::string server = std::string(kMarkerClassKey) + "\\InprocServer32";
    if (::RegSetKeyValueA(HKEY_CLASSES_ROOT, server.c_str(), nullptr, REG_SZ, module, length + 1) != ERROR_SUCCESS)
        return E_FAIL;
    return ::RegSetKeyValueA(HKEY_CLASSES_ROOT, server.c_str(), "ThreadingModel", REG_SZ, "Apartment", 10) ==
                   ERROR_SUCCESS
               ? S_OK
               : E_FAIL;
}
