#include "winlib/WinApp.h"

#include "winlib/Path.h"
#include "winlib/StringUtil.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {
CWinApp* g_pApp = nullptr;

std::string ModuleBaseName()
{
    const std::string path = AfxGetModuleFileName();
    const std::size_t slash = winlib::FindLastBackslash(path);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}
}  // namespace

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_strAppName(lpszAppName != nullptr ? lpszAppName : ModuleBaseName())
{
    // The application object is a global: this runs before WinMain and
    // before the program loads any DLL of its own accord.
    AfxRestrictDllSearch();
    m_pszAppName = m_strAppName.c_str();
    m_hInstance = ::GetModuleHandleA(nullptr);
    m_bAutoDelete = FALSE;
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return ::LoadIconA(m_hInstance, MAKEINTRESOURCEA(nIDResource));
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

const char* AfxGetAppName()
{
    if (g_pApp != nullptr)
        return g_pApp->m_pszAppName;
    static const std::string name = ModuleBaseName();
    return name.c_str();
}

HINSTANCE AfxGetInstanceHandle()
{
    return g_pApp != nullptr ? g_pApp->m_hInstance : ::GetModuleHandleA(nullptr);
}

int AfxWinMain(HINSTANCE hInstance)
{
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return -1;
    app->m_hInstance = hInstance;
    app->m_nThreadID = ::GetCurrentThreadId();
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}

std::string AfxGetModuleFileName()
{
    return winlib::ProgramFileName();
}

BOOL AfxRestrictDllSearch()
{
    // Looked up rather than imported: Windows 7 has it only with an update,
    // and an import the loader cannot resolve would stop the program from
    // starting at all.
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return winlib::RestrictDllSearch(
        kernel == nullptr ? nullptr
                          : reinterpret_cast<winlib::SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(
                                ::GetProcAddress(kernel, "SetDefaultDllDirectories"))));
}

namespace winlib {

BOOL RestrictDllSearch(SetDefaultDllDirectoriesFunction setDefaultDllDirectories)
{
    // Permanent: a later call fails with ERROR_ACCESS_DENIED, and the mode
    // stays as it is.
    ::SetSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
    if (setDefaultDllDirectories != nullptr && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return TRUE;
    ::SetDllDirectoryA("");
    return FALSE;
}

}  // namespace winlib

HMODULE AfxLoadSystemLibrary(LPCSTR lpszName)
{
    if (lpszName == nullptr || *lpszName == '\0')
        return nullptr;
    // A plain name keeps the side-by-side redirection of the manifest (the
    // Common Controls 6 assembly) while the search itself covers only the
    // system folder.
    HMODULE module = ::LoadLibraryExA(lpszName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || ::GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    // A system without the search flags: the full path in the system folder.
    std::vector<char> folder(MAX_PATH);
    for (;;) {
        const UINT got = ::GetSystemDirectoryA(folder.data(), static_cast<UINT>(folder.size()));
        if (got == 0)
            return nullptr;
        if (got < folder.size())
            break;
        folder.resize(got + 1);
    }
    std::string path = folder.data();
    winlib::AppendBackslash(path);
    path += lpszName;
    return ::LoadLibraryA(path.c_str());
}

BOOL AfxInitCommonControls(DWORD dwClasses)
{
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    // Never freed: the window classes it registers live in the module.
    static const HMODULE comctl = AfxLoadSystemLibrary("comctl32.dll");
    if (comctl == nullptr)
        return FALSE;
    const auto init = reinterpret_cast<InitFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(comctl, "InitCommonControlsEx")));
    if (init == nullptr)
        return FALSE;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), dwClasses};
    return init(&controls);
}
