#include "winlib/WinApp.h"

#include "winlib/StringUtil.h"

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
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD got = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got < buffer.size())
            return std::string(buffer.data(), got);
        // A longer path than the buffer holds: grow it rather than work on
        // a cut-off name.
        buffer.resize(buffer.size() * 2);
    }
}
