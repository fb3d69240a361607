#include "engine/TreeCopier.h"

#include "engine/Destination.h"

#include "installlog/Contract.h"
#include "installlog/InstallLog.h"
#include "winlib/FileFind.h"
#include "winlib/Path.h"
#include "winlib/StringUtil.h"
#include "winlib/SysError.h"
#include "winlib/Path.h"

namespace engine {
namespace {

// The source folder of a product tree is missing: Abort, Retry or Ignore.
const char kMissingFolderText[] =
    "%s\n找不到安装文件的路径 %s，\n点击“重试”按钮试图重新查找该安装文件路径；\n"
    "点击“忽略”按钮将跳过该路径下的操作并继续执行；\n点击“取消”按钮将终止程序运行。";
// A folder of the destination path cannot be created: Retry or Cancel.
const char kCreateFailedText[] =
    "%s\n不能创建文件夹 %s ，\n点击“重试”按钮试图重新创建文件夹；\n点击“取消”按钮将终止程序运行。";
// A file cannot be copied: Abort, Retry or Ignore.
const char kCopyFailedText[] =
    "%s\n不能复制文件 %s\n到 %s，\n点击“重试”按钮试图重新复制该文件；\n"
    "点击“忽略”按钮将跳过该文件并继续执行；\n点击“取消”按钮将终止程序运行。";

// Folder paths are built in a buffer of MAX_PATH characters, terminator
// included; a longer prefix cannot be made. Characters, not bytes: a GBK
// character takes two bytes and one character of the system's limit.
bool PrefixFits(const std::string& prefix)
{
    return PathCharacters(prefix) < MAX_PATH;
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

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// For a network path "\\server\share\...", the index of the separator that
// ends the share name (or the length, when nothing follows it): server and
// share are never created. 0 for any other path.
std::size_t ShareEnd(const std::string& path)
{
    if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1]))
        return 0;
    int separators = 0;
    for (std::size_t i = 2; i < path.size(); i += winlib::CharLength(path, i))
        if (IsSeparator(path[i]) && ++separators == 2)
            return i;
    return path.size();
}

}  // namespace

bool TreeCopier::PinAsking(const std::string& folder, const PinnedFolder* parent, PinnedFolder& pinned)
{
    for (;;) {
        const DWORD error = pinned.Pin(folder, parent);
        if (error == ERROR_SUCCESS)
            return true;
        m_host.ReportFailure("不能写入文件夹 " + folder, error);
        const std::string text = winlib::Format(kCreateFailedText, ErrorText(error).c_str(), folder.c_str());
        if (m_host.AskUser(text, MB_RETRYCANCEL | MB_ICONQUESTION) != IDRETRY)
            return false;
    }
}

BOOL TreeCopier::CopyFolderTree(const std::string& source, const std::string& destination)
{
    // The folder the tree goes into is held while the tree is copied; it
    // must be itself, no link.
    const std::string parentPath = winlib::ParentFolder(winlib::StripTrailingBackslashes(destination));
    if (!CreateFolderPath(parentPath, false))
        return FALSE;
    PinnedFolder parent;
    if (!PinAsking(parentPath, nullptr, parent))
        return FALSE;
    return CopyTree(source, destination, parent);
}

BOOL TreeCopier::CopyTree(const std::string& source, const std::string& destination, const PinnedFolder& parent)
{
    std::string root = source;
    winlib::AppendBackslash(root);
    const std::string pattern = root + "*.*";

    CFileFind finder;
    bool ignored = false;
    while (!finder.FindFile(pattern.c_str())) {
        const DWORD error = ::GetLastError();
        m_host.ReportFailure("找不到安装文件的路径 " + root, error);
        const std::string text = winlib::Format(kMissingFolderText, winlib::FormatSystemMessage(error).c_str(),
                                                root.c_str());
        const int answer = m_host.AskUser(text, MB_ABORTRETRYIGNORE | MB_ICONQUESTION);
        if (answer == IDRETRY)
            continue;
        if (answer == IDIGNORE) {
            ignored = true;
            break;
        }
        return FALSE;
    }

    // The destination is made (and recorded) even when the user chose to
    // skip the source, then held while its entries are copied.
    if (!CreateFolderPath(destination))
        return FALSE;
    PinnedFolder folder;
    if (!PinAsking(destination, &parent, folder))
        return FALSE;
    if (ignored)
        return TRUE;

    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots())
            continue;

        const std::string entrySource = finder.GetFilePath();
        const std::string entryDestination = winlib::JoinPath(destination, finder.GetFileName());
        if (finder.IsDirectory()) {
            if (!CopyTree(entrySource, entryDestination, folder))
                return FALSE;
        } else {
            const FileResult result = CopyOneFile(entrySource, entryDestination, finder.GetLength(), folder);
            if (result == FileResult::Aborted)
                return FALSE;
            // A read-only flag taken over from the medium is cleared.
            if (result == FileResult::Copied)
                ::SetFileAttributesA(entryDestination.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        m_host.NotifyFileCopied(entrySource, entryDestination);
        if (m_host.IsCancelled())
            return FALSE;
    }
    return TRUE;
}

DWORD TreeCopier::TryCopy(const std::string& source, const std::string& destination, const PinnedFolder& parent,
                          bool& existed, std::string& backupPath)
{
    // The copy never overwrites: on a fresh destination (the usual case)
    // that one call also says the file is new. A file that is there is
    // put aside first (after its checks), and the copy made fresh.
    existed = false;
    if (::CopyFileA(source.c_str(), destination.c_str(), TRUE))
        return ERROR_SUCCESS;
    DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS &&
        ::GetFileAttributesA(destination.c_str()) == INVALID_FILE_ATTRIBUTES)
        return error;
    existed = true;
    error = m_backups.PutAside(destination, parent, backupPath);
    if (error != ERROR_SUCCESS)
        return error;
    if (::CopyFileA(source.c_str(), destination.c_str(), TRUE))
        return ERROR_SUCCESS;
    // Not copied after all: the file that was there goes back at once.
    error = ::GetLastError();
    Backups::Restore(backupPath, destination);
    backupPath.clear();
    return error;
}

TreeCopier::FileResult TreeCopier::CopyOneFile(const std::string& source, const std::string& destination,
                                               ULONGLONG size, const PinnedFolder& parent)
{
    bool existed = false;
    std::string backupPath;
    for (;;) {
        // A destination that could not stand in the log is never made, nor
        // one too long for the uninstaller to delete (some systems copy to
        // such a path all the same).
        DWORD error = !installlog::IsRecordableText(destination)       ? static_cast<DWORD>(ERROR_INVALID_NAME)
                      : PathCharacters(destination) >= MAX_PATH ? static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE)
                                                                : ERROR_SUCCESS;
        if (error == ERROR_SUCCESS)
            error = TryCopy(source, destination, parent, existed, backupPath);
        if (error == ERROR_SUCCESS)
            break;
        m_host.ReportFailure("不能复制文件 " + source + " 到 " + destination, error);
        const std::string text =
            winlib::Format(kCopyFailedText, ErrorText(error).c_str(), source.c_str(), destination.c_str());
        const int answer = m_host.AskUser(text, MB_ABORTRETRYIGNORE | MB_ICONQUESTION);
        if (answer == IDRETRY)
            continue;
        if (answer == IDIGNORE) {
            ++m_ignored;
            return FileResult::Ignored;
        }
        return FileResult::Aborted;
    }
    m_bytesCopied += size;
    if (existed)
        m_record.Journal().FileReplaced(destination, backupPath);
    m_record.FileWritten(destination, existed);
    if (!m_watched.empty() && destination.size() > m_watched.size() &&
        destination.compare(0, m_watched.size(), m_watched) == 0 &&
        winlib::FindLastBackslash(destination) == m_watched.size() - 1) {
        m_copied.insert(destination);
        if (existed)
            m_replaced.insert(destination);
    }
    return FileResult::Copied;
}

BOOL TreeCopier::CreateFolderPath(const std::string& path, bool record)
{
    // Every separator is a check point, and so is the end unless the path
    // ends in a separator. Prefixes are tested in order, so D:\A\B makes
    // D:\A before D:\A\B. Only whole characters are looked at: the second
    // byte of a GBK character may be 0x5C.
    const bool endsInSeparator = winlib::EndsWithSeparator(path);
    const std::size_t shareEnd = ShareEnd(path);
    bool afterSeparator = false;  // the previous whole character is one
    for (std::size_t i = 0;; i += winlib::CharLength(path, i)) {
        const bool atEnd = i >= path.size();
        const bool separator = !atEnd && winlib::CharLength(path, i) == 1 && IsSeparator(path[i]);
        const bool checkPoint = atEnd ? !endsInSeparator : separator;
        // A drive such as "C:", the server and share of a network path and
        // the empty name between two separators are never created.
        // (':' cannot be the second byte of a GBK character.)
        const bool skipped = i == 0 || (shareEnd != 0 && i <= shareEnd) || afterSeparator || path[i - 1] == ':';
        afterSeparator = separator;
        if (checkPoint && !skipped) {
            const std::string prefix = path.substr(0, i);
            if (!PathExists(prefix)) {
                BOOL made = CreateOneFolder(prefix);
                while (!made) {
                    const DWORD error = ::GetLastError();
                    m_host.ReportFailure("不能创建文件夹 " + prefix, error);
                    const std::string text =
                        winlib::Format(kCreateFailedText, winlib::FormatSystemMessage(error).c_str(), prefix.c_str());
                    if (m_host.AskUser(text, MB_RETRYCANCEL | MB_ICONQUESTION) != IDRETRY)
                        return FALSE;
                    made = CreateOneFolder(prefix);
                }
                m_record.Journal().FolderMade(prefix);
            }
        }
        if (atEnd)
            break;
    }
    // Recorded once it exists, whether made now or found.
    if (record)
        m_record.Log().Add(installlog::kMadeDir, path);
    return TRUE;
}

BOOL TreeCopier::CopyTopLevelFiles(const std::string& sourceDir, const std::string& installDir)
{
    std::vector<std::string> names;
    ListFiles(sourceDir, "*.*", names);
    PinnedFolder folder;
    if (!names.empty() && (!CreateFolderPath(installDir, false) || !PinAsking(installDir, nullptr, folder)))
        return FALSE;
    for (const std::string& name : names) {
        if (winlib::EqualNoCase(name, "setup.exe"))
            continue;
        const std::string source = sourceDir + name;
        const std::string destination = installDir + name;
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        const ULONGLONG size = ::GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &data)
                                   ? (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow
                                   : 0;
        const FileResult result = CopyOneFile(source, destination, size, folder);
        if (result == FileResult::Aborted)
            return FALSE;
        if (result == FileResult::Copied && winlib::EqualNoCase(name, installlog::kIconFileName))
            ::SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_HIDDEN);
    }
    return TRUE;
}

void TreeCopier::ListFiles(const std::string& folder, const char* pattern, std::vector<std::string>& list)
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

}  // namespace engine
