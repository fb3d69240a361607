#include "FolderBrowser.h"

#include "winlib/Handles.h"
#include "winlib/WinApp.h"
#include "winlib/Wnd.h"

#include <cstring>

CFolderBrowserBase::CFolderBrowserBase(CWnd* pOwner, LPCITEMIDLIST pidlRoot, UINT nIDTitle)
{
    std::memset(&m_bi, 0, sizeof(m_bi));
    std::memset(m_szDisplayName, 0, sizeof(m_szDisplayName));
    m_bi.hwndOwner = pOwner != nullptr ? pOwner->m_hWnd : nullptr;
    m_bi.pidlRoot = pidlRoot;
    m_bi.pszDisplayName = m_szDisplayName;
    m_bi.lpfn = &CFolderBrowserBase::BrowseCallback;
    m_bi.lParam = reinterpret_cast<LPARAM>(this);
    SetTitle(nIDTitle);
}

CFolderBrowserBase::~CFolderBrowserBase() = default;

void CFolderBrowserBase::SetOwner(CWnd* pOwner)
{
    if (m_hDialog == nullptr)
        m_bi.hwndOwner = pOwner != nullptr ? pOwner->m_hWnd : nullptr;
}

void CFolderBrowserBase::SetRoot(LPCITEMIDLIST pidlRoot)
{
    if (m_hDialog == nullptr)
        m_bi.pidlRoot = pidlRoot;
}

void CFolderBrowserBase::SetTitle(UINT nIDTitle)
{
    if (m_hDialog != nullptr)
        return;
    char text[512] = {};
    if (nIDTitle != 0)
        ::LoadStringA(AfxGetInstanceHandle(), nIDTitle, text, sizeof(text));
    SetTitle(text);
}

void CFolderBrowserBase::SetTitle(LPCSTR lpszTitle)
{
    if (m_hDialog != nullptr)
        return;
    m_strTitle = lpszTitle != nullptr ? lpszTitle : "";
    m_bi.lpszTitle = m_strTitle.c_str();
}

void CFolderBrowserBase::SetFlags(UINT ulFlags)
{
    if (m_hDialog == nullptr)
        m_bi.ulFlags = ulFlags;
}

BOOL CFolderBrowserBase::Browse()
{
    m_strFolderPath.clear();
    m_szDisplayName[0] = '\0';
    // The item list comes from the shell's task allocator.
    const winlib::ScopedCoMem<ITEMIDLIST> pidl(::SHBrowseForFolderA(&m_bi));
    m_hDialog = nullptr;
    if (!pidl)
        return FALSE;
    const BOOL hasPath = ::SHGetPathFromIDListA(pidl.get(), m_szDisplayName);
    if (hasPath)
        m_strFolderPath = m_szDisplayName;
    return hasPath;
}

void CFolderBrowserBase::SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (m_hDialog != nullptr)
        ::SendMessageA(m_hDialog, message, wParam, lParam);
}

int CALLBACK CFolderBrowserBase::BrowseCallback(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData)
{
    auto* self = reinterpret_cast<CFolderBrowserBase*>(lpData);
    if (self == nullptr)
        return 0;
    self->m_hDialog = hwnd;
    if (uMsg == BFFM_INITIALIZED)
        self->OnBrowseInitialized();
    else if (uMsg == BFFM_SELCHANGED)
        self->OnBrowseSelChanged(reinterpret_cast<LPCITEMIDLIST>(lParam));
    return 0;
}

CFolderBrowser::CFolderBrowser(CWnd* pOwner, LPCITEMIDLIST pidlRoot, UINT nIDTitle)
    : CFolderBrowserBase(pOwner, pidlRoot, nIDTitle)
{
}

CFolderBrowser::~CFolderBrowser() = default;

void CFolderBrowser::OnBrowseInitialized()
{
    const LPARAM path = reinterpret_cast<LPARAM>(m_strInitialFolder.c_str());
    SendToDialog(BFFM_SETSELECTIONA, TRUE, path);
    SendToDialog(BFFM_SETSTATUSTEXTA, 0, path);
}

void CFolderBrowser::OnBrowseSelChanged(LPCITEMIDLIST pidl)
{
    char path[MAX_PATH] = {};
    if (pidl == nullptr || !::SHGetPathFromIDListA(pidl, path))
        path[0] = '\0';
    SendToDialog(BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
}
