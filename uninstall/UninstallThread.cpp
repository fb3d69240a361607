#include "UninstallThread.h"

#include "SelfRemoval.h"
#include "installlog/InstallLog.h"
#include "winlib/ControlEntry.h"
#include "winlib/Path.h"
#include "winlib/RegKey.h"
#include "winlib/RegRoot.h"
#include "winlib/StdioFile.h"
#include "winlib/Wnd.h"

#include <limits>
#include <vector>

CUninstallThread::CUninstallThread() = default;
CUninstallThread::~CUninstallThread() = default;

BOOL CUninstallThread::ReadLog(LPCSTR path)
{
    CFileException error;
    CStdioFile file;
    bool ok = file.Open(path, CStdioFile::modeRead | CStdioFile::typeText, &error) != FALSE;
    if (ok) {
        const LONGLONG length = file.GetLength(&error);
        ok = length >= 0;
        if (ok && length >= std::numeric_limits<int>::max()) {
            // Far beyond any log Setup writes; one read could not take it.
            error.Set(ERROR_FILE_TOO_LARGE, path);
            ok = false;
        }
        if (ok) {
            std::string text(static_cast<std::size_t>(length), '\0');
            const int got = text.empty() ? 0 : file.Read(&text[0], static_cast<UINT>(length), &error);
            ok = got >= 0;
            if (ok) {
                // Text mode returns fewer characters than bytes were read.
                text.resize(static_cast<std::size_t>(got));
                m_strLog.swap(text);
            }
        }
        if (ok)
            ok = file.Close(&error) != FALSE;
    }
    if (ok) {
        m_strLogFolder = winlib::ParentFolder(path);
        return TRUE;
    }

    ReportFileError(error);
    if (m_pMainWnd != nullptr)
        ::PostMessageA(m_pMainWnd->GetSafeHwnd(), WM_UNINSTALL_FAILED, 0, 0);
    return FALSE;
}

void CUninstallThread::ReportFileError(const CFileException& error)
{
    // Owned by the window, as every box of the program is.
    error.ReportError(MB_OK, m_pMainWnd != nullptr ? m_pMainWnd->GetSafeHwnd() : nullptr);
}

BOOL CUninstallThread::FindNextEntry(int kind, int& position, int& start, int& length) const
{
    if (position < 0)
        return FALSE;
    std::size_t pos = static_cast<std::size_t>(position);
    std::size_t from = 0;
    std::size_t count = 0;
    if (!installlog::FindNextEntry(m_strLog, kind, pos, from, count))
        return FALSE;
    position = static_cast<int>(pos);
    start = static_cast<int>(from);
    length = static_cast<int>(count);
    return TRUE;
}

int CUninstallThread::CountEntries(int kind) const
{
    return installlog::CountEntries(m_strLog, kind);
}

template <typename Visit>
void CUninstallThread::ForEachEntry(int kind, Visit visit) const
{
    std::size_t position = 0;
    std::size_t start = 0;
    std::size_t length = 0;
    while (installlog::FindNextEntry(m_strLog, kind, position, start, length))
        visit(m_strLog.substr(start, length));
}

LRESULT CUninstallThread::Report(UINT message, LPARAM lParam) const
{
    if (m_hWndReport == nullptr)
        return 0;
    return ::SendMessageA(m_hWndReport, message, 0, lParam);
}

BOOL CUninstallThread::InitInstance()
{
    m_hWndReport = m_pMainWnd != nullptr ? m_pMainWnd->GetSafeHwnd() : nullptr;
    UnregisterControls();
    DeleteFiles();
    Report(WM_UNINSTALL_FILES_DONE);
    RemoveFolders();
    DeleteRegKeys();
    RemoveSelf();
    Report(WM_UNINSTALL_DONE);
    return FALSE;
}

int CUninstallThread::ExitInstance()
{
    return CWinThread::ExitInstance();
}

void CUninstallThread::RemoveSelf()
{
    // The batch removes the running program and its folder: right when the
    // program is the installation's own uninstaller. A copy started from
    // elsewhere (the one on the installation medium, say) is no part of the
    // installation and stays; the install folder, which the passes have
    // emptied, is removed here instead.
    const std::string program = winlib::ProgramFileName();
    if (m_strLogFolder.empty() ||
        (!program.empty() && IsSameFolder(winlib::ParentFolder(program), m_strLogFolder)))
        StartSelfRemoval();
    else
        ::RemoveDirectoryA(m_strLogFolder.c_str());
}

void CUninstallThread::UnregisterControls()
{
    ForEachEntry(installlog::kRegCtrl, [](const std::string& path) {
        UnregisterControl(path.c_str());
        DeleteFileEvenIfReadOnly(path);
    });
}

void CUninstallThread::DeleteFiles()
{
    ForEachEntry(installlog::kFileCopy, [this](const std::string& path) {
        DeleteFileEvenIfReadOnly(path);
        // Reported whether or not the file could be deleted: the bar counts
        // the recorded files.
        Report(WM_UNINSTALL_FILE, reinterpret_cast<LPARAM>(path.c_str()));
    });
}

void CUninstallThread::RemoveFolders()
{
    // A folder's line precedes the lines of everything inside it, so
    // removing from the last to the first takes sub-folders before their
    // parents. A folder that still holds something stays.
    std::vector<std::string> folders;
    ForEachEntry(installlog::kMadeDir, [&folders](const std::string& path) { folders.push_back(path); });
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        ::RemoveDirectoryA(it->c_str());
}

void CUninstallThread::DeleteRegKeys()
{
    ForEachEntry(installlog::kRegDbKey, [](const std::string& text) {
        installlog::RegRootDigit digit = installlog::kOtherRoot;
        std::string_view subKey;
        // Setup always writes the comma and a sub-key after it. An entry
        // without either names no key of its own; handing an empty sub-key
        // to RegDeleteKeyA would aim at the root itself. Skipped.
        if (!installlog::SplitRegKeyEntry(text, digit, subKey) || subKey.empty())
            return;
        const HKEY root = winlib::RegRootKeyOf(digit);
        if (root != nullptr)
            winlib::RegKey::DeleteLeafKey(root, std::string(subKey));
    });
}

BOOL CUninstallThread::UnregisterControl(LPCSTR path)
{
    if (path == nullptr)
        return FALSE;
    return winlib::CallControlEntry(path, winlib::ControlEntry::Unregister) == winlib::ControlCallResult::Succeeded;
}
