// CFolderBrowserBase wraps the shell's folder dialog (SHBrowseForFolder):
// it keeps the browse record, the title and the chosen folder's path, and
// routes the dialog's callback to two virtual operations. CFolderBrowser
// adds an initial folder, selected when the dialog opens, and shows the
// selected folder's path as the dialog's status text.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

class CWnd;

class CFolderBrowserBase {
public:
    // pOwner may be null; pidlRoot null starts the tree at the desktop;
    // nIDTitle is a string resource (0: no title).
    CFolderBrowserBase(CWnd* pOwner, LPCITEMIDLIST pidlRoot, UINT nIDTitle);
    virtual ~CFolderBrowserBase() = 0;
    CFolderBrowserBase(const CFolderBrowserBase&) = delete;
    CFolderBrowserBase& operator=(const CFolderBrowserBase&) = delete;

    // The setters change nothing while the dialog is open.
    void SetOwner(CWnd* pOwner);
    void SetRoot(LPCITEMIDLIST pidlRoot);
    void SetTitle(UINT nIDTitle);
    void SetTitle(LPCSTR lpszTitle);
    void SetFlags(UINT ulFlags);

    // Shows the dialog modally. TRUE when the user chose a folder that has
    // a file-system path, which GetFolderPath then returns.
    BOOL Browse();
    const std::string& GetFolderPath() const { return m_strFolderPath; }
    // The dialog's window while it is open, else null.
    HWND GetSafeHwnd() const { return m_hDialog; }
    const BROWSEINFOA& GetBrowseInfo() const { return m_bi; }

protected:
    virtual void OnBrowseInitialized() {}
    virtual void OnBrowseSelChanged(LPCITEMIDLIST pidl) { (void)pidl; }

    // Sends a message to the open dialog; does nothing while it is closed.
    void SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) const;

private:
    static int CALLBACK BrowseCallback(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

    std::string m_strTitle;  // the object's own copy; the record points at it
    BROWSEINFOA m_bi;
    char m_szDisplayName[MAX_PATH];
    std::string m_strFolderPath;
    HWND m_hDialog = nullptr;
};

class CFolderBrowser : public CFolderBrowserBase {
public:
    CFolderBrowser(CWnd* pOwner, LPCITEMIDLIST pidlRoot, UINT nIDTitle);
    ~CFolderBrowser() override;

    void SetInitialFolder(const std::string& folder) { m_strInitialFolder = folder; }

protected:
    // Selects the initial folder in the tree and shows it as status text.
    void OnBrowseInitialized() override;
    // Shows the newly selected folder's path (empty for an item without
    // one) as status text.
    void OnBrowseSelChanged(LPCITEMIDLIST pidl) override;

private:
    std::string m_strInitialFolder;
};
