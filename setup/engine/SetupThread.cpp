#include "engine/SetupThread.h"

#include "installlog/Contract.h"
#include "installlog/InstallLog.h"
#include "winlib/FileFind.h"
#include "winlib/Path.h"
#include "winlib/RegRoot.h"
#include "winlib/StdioFile.h"
#include "winlib/StringUtil.h"
#include "winlib/SysError.h"
#include "winlib/Wnd.h"
#include "winlib/WinApp.h"

#include <vector>

namespace {

// The source folder of a product tree is missing: Abort, Retry or Ignore.
const char kMissingFolderText[] =
    "%s\n找不到安装文件的路径 %s，\n点击“重试”按钮试图重新查找该安装文件路径；\n"
    "点击“忽略”按钮将跳过该路径下的操作并继续执行；\n点击“取消”按钮将终止程序运行。";
// A folder of the destination path cannot be created: Retry or Cancel.
const char kCreateFailedText[] =
    "%s\n不能创建文件夹 %s ，\n点击“重试”按钮试图重新创建文件夹；\n点击“取消”按钮将终止程序运行。";

// Folder paths are built in a buffer of MAX_PATH characters, terminator
// included; a longer prefix cannot be made.
bool PrefixFits(const std::string& prefix)
{
    return prefix.size() < MAX_PATH;
}

// True when a file or folder of that name exists (a search for the name
// itself, no wildcard).
bool PathExists(const std::string& path)
{
    if (!PrefixFits(path))
        return false;
    CFileFind finder;
    return finder.FindFile(path.c_str()) != FALSE;
}

BOOL CreateOneFolder(const std::string& prefix)
{
    if (!PrefixFits(prefix)) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    return ::CreateDirectoryA(prefix.c_str(), nullptr);
}

}  // namespace

CSetupThread::CSetupThread() = default;

CSetupThread::~CSetupThread() = default;

const std::array<const char*, 7>& CSetupThread::ProductFolders()
{
    static const std::array<const char*, 7> folders = {
        "Support", "Controls", "图框", "模板", "Database", "Data", "Temp",
    };
    return folders;
}

void CSetupThread::Cancel()
{
    m_bCancel.store(TRUE);
}

BOOL CSetupThread::IsCancelled() const
{
    return m_bCancel.load();
}

BOOL CSetupThread::InitInstance()
{
    return TRUE;
}

int CSetupThread::Run()
{
    BOOL copied = TRUE;
    for (const char* name : ProductFolders()) {
        // Both folders end in a backslash: plain concatenation.
        const std::string source = m_strSourceDir + name;
        const std::string destination = m_strInstallDir + name;
        if (!CopyFolderTree(source, destination)) {
            if (m_pMainWnd != nullptr)
                ::PostMessageA(m_pMainWnd->m_hWnd, WM_SETUP_FAILED, 0, 0);
            copied = FALSE;
            break;
        }
    }

    if (copied) {
        CopyTopLevelFiles();
        RegisterControls();
        RegisterProduct();
        CreateShortcuts();
        WriteUninstallLog();
        NotifyFinished();
        if (m_pMainWnd != nullptr)
            ::PostMessageA(m_pMainWnd->m_hWnd, WM_SETUP_DONE, 0, 0);
    }

    ::PostThreadMessageA(m_nThreadID, WM_QUIT, 0, 0);
    return CWinThread::Run();
}

std::string CSetupThread::FormatPrompt(const char* format, DWORD error, const std::string& path)
{
    const std::string system = winlib::FormatSystemMessage(error);
    return winlib::Format(format, system.c_str(), path.c_str());
}

int CSetupThread::AskUser(const std::string& text, UINT type)
{
    if (m_pMainWnd != nullptr)
        return m_pMainWnd->MessageBox(text.c_str(), nullptr, type);
    return ::MessageBoxA(nullptr, text.c_str(), AfxGetAppName(), type);
}

void CSetupThread::ReportFileError(const CFileException& error)
{
    // The standard file-error box: OK only, with the exclamation icon.
    AskUser(error.GetErrorMessage(), MB_OK | MB_ICONEXCLAMATION);
}

BOOL CSetupThread::CopyFolderTree(const std::string& source, const std::string& destination)
{
    std::string root = source;
    winlib::AppendBackslash(root);
    const std::string pattern = root + "*.*";

    CFileFind finder;
    bool ignored = false;
    while (!finder.FindFile(pattern.c_str())) {
        const std::string text = FormatPrompt(kMissingFolderText, ::GetLastError(), root);
        const int answer = AskUser(text, MB_ABORTRETRYIGNORE | MB_ICONQUESTION);
        if (answer == IDRETRY)
            continue;
        if (answer == IDIGNORE) {
            ignored = true;
            break;
        }
        return FALSE;
    }

    // The destination is made (and recorded) even when the user chose to
    // skip the source.
    if (!CreateFolderPath(destination))
        return FALSE;
    if (ignored)
        return TRUE;

    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots())
            continue;

        const std::string entrySource = finder.GetFilePath();
        const std::string entryDestination = MakePath(destination, finder.GetFileName());
        if (finder.IsDirectory()) {
            if (!CopyFolderTree(entrySource, entryDestination))
                return FALSE;
        } else if (::CopyFileA(entrySource.c_str(), entryDestination.c_str(), FALSE)) {
            // A read-only flag taken over from the medium is cleared.
            ::SetFileAttributesA(entryDestination.c_str(), FILE_ATTRIBUTE_NORMAL);
            LogFileCopy(entryDestination);
        }
        NotifyFileCopied(entrySource, entryDestination);
        if (IsCancelled())
            return FALSE;
    }
    return TRUE;
}

BOOL CSetupThread::CreateFolderPath(const std::string& path)
{
    LogMadeDir(path);

    // Every separator is a check point, and so is the end unless the path
    // ends in a separator. Prefixes are tested in order, so D:\A\B makes
    // D:\A before D:\A\B. Only whole characters are looked at: the second
    // byte of a GBK character may be 0x5C.
    const bool endsInSeparator = winlib::EndsWithSeparator(path);
    for (std::size_t i = 0;; i += winlib::CharLength(path, i)) {
        const bool atEnd = i >= path.size();
        const bool checkPoint = atEnd ? !endsInSeparator : (path[i] == '\\' || path[i] == '/');
        // A drive such as "C:" is never created.
        if (checkPoint && i > 0 && path[i - 1] != ':') {
            const std::string prefix = path.substr(0, i);
            if (!PathExists(prefix) && !CreateOneFolder(prefix)) {
                for (;;) {
                    const std::string text = FormatPrompt(kCreateFailedText, ::GetLastError(), prefix);
                    if (AskUser(text, MB_RETRYCANCEL | MB_ICONQUESTION) != IDRETRY)
                        return FALSE;
                    if (CreateOneFolder(prefix))
                        break;
                }
            }
        }
        if (atEnd)
            break;
    }
    return TRUE;
}

void CSetupThread::CopyTopLevelFiles()
{
    std::vector<std::string> names;
    ListFiles(m_strSourceDir, "*.*", names);
    for (const std::string& name : names) {
        if (winlib::EqualNoCase(name, "setup.exe"))
            continue;
        const std::string destination = m_strInstallDir + name;
        ::CopyFileA((m_strSourceDir + name).c_str(), destination.c_str(), FALSE);
        // Recorded whether or not the copy succeeded: Uninstall tries to
        // delete it either way.
        LogFileCopy(destination);
        if (winlib::EqualNoCase(name, "ZEMLOV8.0.ico"))
            ::SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_HIDDEN);
    }
}

void CSetupThread::ListFiles(const std::string& folder, const char* pattern,
                             std::vector<std::string>& list)
{
    list.clear();

    const winlib::CurrentFolderKeeper keeper;
    // A folder that cannot be entered has nothing to list; searching the
    // unchanged current folder instead would list the wrong files.
    if (!keeper.saved() || !::SetCurrentDirectoryA(folder.c_str()))
        return;

    CFileFind finder;
    BOOL more = finder.FindFile(pattern);
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots() || finder.IsDirectory())
            continue;
        list.push_back(finder.GetFileName());
    }
    finder.Close();
}

std::string CSetupThread::MakePath(const std::string& folder, const std::string& name)
{
    if (folder.size() <= 2)
        return name;
    std::string path = folder;
    if (!winlib::EndsWithSeparator(path))
        path += '\\';
    return path + name;
}

void CSetupThread::LogFileCopy(const std::string& path)
{
    installlog::AppendEntry(m_strLog, installlog::kFileCopy, path);
}

void CSetupThread::LogMadeDir(const std::string& path)
{
    installlog::AppendEntry(m_strLog, installlog::kMadeDir, path);
}

void CSetupThread::LogRegCtrl(const std::string& path)
{
    installlog::AppendEntry(m_strLog, installlog::kRegCtrl, path);
}

void CSetupThread::LogRegKey(HKEY root, const std::string& subKey)
{
    installlog::AppendRegKeyEntry(m_strLog, winlib::RegRootDigitOf(root), subKey);
}

BOOL CSetupThread::WriteUninstallLog()
{
    const std::string path = MakePath(m_strInstallDir, installlog::kLogFileName);
    // The log records itself, last, so that Uninstall deletes it too.
    LogFileCopy(path);

    // A log of an earlier installation into this folder is replaced, never
    // merged. (A hidden file cannot be truncated by a plain create.)
    if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        ::DeleteFileA(path.c_str());

    CStdioFile file;
    CFileException error;
    if (!file.Open(path.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText,
                   &error) ||
        !file.Write(m_strLog.data(), static_cast<UINT>(m_strLog.size()), &error) ||
        !file.Close(&error)) {
        ReportFileError(error);
        return FALSE;
    }
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    return TRUE;
}

void CSetupThread::NotifyFileCopied(const std::string& source, const std::string& destination)
{
    if (m_pMainWnd != nullptr)
        ::SendMessageA(m_pMainWnd->m_hWnd, WM_SETUP_PROGRESS, reinterpret_cast<WPARAM>(source.c_str()),
                       reinterpret_cast<LPARAM>(destination.c_str()));
}

void CSetupThread::NotifyFinished()
{
    if (m_pMainWnd != nullptr)
        ::SendMessageA(m_pMainWnd->m_hWnd, WM_SETUP_CONFIGURING, 0, 0);
}
