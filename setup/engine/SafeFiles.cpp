#include "engine/SafeFiles.h"

#include "winlib/FileSecurity.h"

#include "winlib/Path.h"
#include "winlib/StringUtil.h"
#include "winlib/SysError.h"

#include <sddl.h>

#include <ntsecapi.h>

#include <vector>

namespace engine {
namespace {

// The last name of a path (after its last backslash, whole characters).
std::string LastName(const std::string& path)
{
    const std::string trimmed = winlib::StripTrailingBackslashes(path);
    const std::size_t slash = winlib::FindLastBackslash(trimmed);
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

// True when the final path is the parent's final path and name.
bool IsChildOf(const std::string& finalPath, const std::string& parentFinal, const std::string& name)
{
    return !finalPath.empty() && winlib::EqualNoCase(finalPath, winlib::JoinPath(parentFinal, name));
}

std::wstring Wide(const std::string& text)
{
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

// Renames the open file (opened with DELETE access) to target, which must
// not exist.
bool RenameByHandle(HANDLE file, const std::string& target)
{
    const std::wstring wide = Wide(target);
    std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + wide.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
    wide.copy(info->FileName, wide.size());
    return ::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != FALSE;
}

// Copies what the open file holds into a new file at target, with its
// attributes and times; for a move to another volume.
bool CopyByHandle(HANDLE file, const BY_HANDLE_FILE_INFORMATION& info, const std::string& target)
{
    winlib::ScopedHandle copy(::CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy)
        return false;
    LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    std::vector<char> block(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr))
            return false;
        if (got == 0)
            break;
        DWORD written = 0;
        if (!::WriteFile(copy.get(), block.data(), got, &written, nullptr) || written != got)
            return false;
    }
    ::SetFileTime(copy.get(), &info.ftCreationTime, &info.ftLastAccessTime, &info.ftLastWriteTime);
    copy.reset();
    return ::SetFileAttributesA(target.c_str(), info.dwFileAttributes) != FALSE;
}

// Deletes the open file (opened with DELETE access) through its handle,
// clearing a read-only flag through the same handle first.
bool DeleteByHandle(HANDLE file, DWORD attributes)
{
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        FILE_BASIC_INFO basic = {};
        basic.FileAttributes = (attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL;
        if (!::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof(basic)))
            return false;
    }
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
}

}  // namespace

std::string ErrorText(DWORD error)
{
    if (error == kErrorLinkFound)
        return "目标是一个链接，或者它的路径中有链接：安装程序不会通过链接写入文件。";
    return winlib::FormatSystemMessage(error);
}

DWORD PinnedFolder::Pin(const std::string& path, const PinnedFolder* parent)
{
    m_handle.reset();
    m_finalPath.clear();
    winlib::ScopedHandle folder(::CreateFileA(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder)
        return ::GetLastError();
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(folder.get(), &info))
        return ::GetLastError();
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return ERROR_DIRECTORY;
    const std::string finalPath = winlib::FinalPathOf(folder.get());
    const std::string name = LastName(path);
    // A link opened as itself (Windows) carries the attribute; one that
    // the system followed (Wine follows every link) resolves elsewhere.
    const bool itself = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
                        (parent != nullptr ? IsChildOf(finalPath, parent->FinalPath(), name)
                                           : !finalPath.empty() && winlib::EqualNoCase(LastName(finalPath), name));
    if (!itself)
        return kErrorLinkFound;
    m_handle = std::move(folder);
    m_finalPath = winlib::StripTrailingBackslashes(finalPath);
    return ERROR_SUCCESS;
}

DWORD Backups::MakeFolder()
{
    if (!m_folder.empty())
        return ERROR_SUCCESS;
    const std::string parent = winlib::ParentFolder(winlib::StripTrailingBackslashes(m_besideFolder));
    // A name nobody can guess ahead, made new: nothing already there is
    // used. Only administrators may write in it.
    SECURITY_ATTRIBUTES security = {sizeof(security), ProtectedFolderSecurity(), FALSE};
    for (int attempt = 0; attempt < 4; ++attempt) {
        unsigned long long value = 0;
        if (!RtlGenRandom(&value, sizeof(value)))
            return ERROR_GEN_FAILURE;
        const std::string folder = winlib::JoinPath(parent, winlib::Format("~ZEMLO-backup-%016llx", value));
        if (::CreateDirectoryA(folder.c_str(), &security)) {
            ::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_HIDDEN);
            m_folder = folder;
            return ERROR_SUCCESS;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return ::GetLastError();
    }
    return ERROR_ALREADY_EXISTS;
}

DWORD Backups::PutAside(const std::string& path, const PinnedFolder& parent, std::string& backupPath)
{
    winlib::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file)
        return ::GetLastError();
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(file.get(), &info))
        return ::GetLastError();
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return ERROR_DIRECTORY;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        !IsChildOf(winlib::FinalPathOf(file.get()), parent.FinalPath(), LastName(path)))
        return kErrorLinkFound;
    const DWORD made = MakeFolder();
    if (made != ERROR_SUCCESS)
        return made;
    const std::string target = winlib::JoinPath(m_folder, winlib::Format("%05u", m_nextName++));
    if (RenameByHandle(file.get(), target)) {
        backupPath = target;
        return ERROR_SUCCESS;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_NOT_SAME_DEVICE)
        return error;
    // Another volume (a shortcut on another drive): the bytes are copied
    // through the checked handle, then the file goes through it.
    if (!CopyByHandle(file.get(), info, target) || !DeleteByHandle(file.get(), info.dwFileAttributes)) {
        const DWORD failed = ::GetLastError();
        ::DeleteFileA(target.c_str());
        return failed != ERROR_SUCCESS ? failed : ERROR_GEN_FAILURE;
    }
    backupPath = target;
    return ERROR_SUCCESS;
}

bool Backups::Restore(const std::string& backupPath, const std::string& path)
{
    // What the run made in its place goes first (read-only or not).
    if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!::DeleteFileA(path.c_str()))
            return false;
    }
    return ::MoveFileExA(backupPath.c_str(), path.c_str(), MOVEFILE_COPY_ALLOWED) != FALSE;
}

bool Backups::Discard()
{
    if (m_folder.empty())
        return true;
    bool whole = true;
    for (unsigned i = 0; i < m_nextName; ++i) {
        const std::string file = winlib::JoinPath(m_folder, winlib::Format("%05u", i));
        if (::GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        whole = ::DeleteFileA(file.c_str()) != FALSE && whole;
    }
    whole = ::RemoveDirectoryA(m_folder.c_str()) != FALSE && whole;
    if (whole)
        m_folder.clear();
    return whole;
}

PSECURITY_DESCRIPTOR ProtectedFolderSecurity()
{
    // P: protected from the parent's entries; OICI: inherited by files and
    // folders below. 0x1200a9 is read and execute.
    static const PSECURITY_DESCRIPTOR descriptor = [] {
        PSECURITY_DESCRIPTOR made = nullptr;
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(
                "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)", SDDL_REVISION_1, &made, nullptr))
            return PSECURITY_DESCRIPTOR(nullptr);
        return made;
    }();
    return descriptor;
}

}  // namespace engine
