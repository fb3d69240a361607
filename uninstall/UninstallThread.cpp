#include "UninstallThread.h"

#include "runfront/RunSupport.h"

#include "Installation.h"
#include "Ownership.h"
#include "SelfRemoval.h"
#include "installlog/InstallLog.h"
#include "installlog/Contract.h"
#include "runfront/InstalledProduct.h"
#include "winlib/ControlProcess.h"
#include "winlib/Handles.h"
#include "winlib/Path.h"
#include "winlib/RegKey.h"
#include "winlib/StdioFile.h"
#include "winlib/StringUtil.h"
#include "winlib/Wnd.h"

#include <limits>
#include <vector>

namespace {
// What ReadLog reports for a file that is no log: the system's text for a
// file that cannot be read as what it should be.
constexpr LONG kNotALog = ERROR_FILE_CORRUPT;

// A text Setup can have written: no NUL byte (a binary file) and at least
// one entry of a known kind (an empty file, one of only CR bytes, random
// bytes). A stray control character elsewhere only makes its entry refused.
bool LooksLikeLog(const std::string& text)
{
    if (text.find('\0') != std::string::npos)
        return false;
    for (int kind = 0; kind < installlog::kKindCount; ++kind)
        if (installlog::CountEntries(text, kind) > 0)
            return true;
    return false;
}

// The wide form of a path in normal form with the "\\?\" prefix, which
// lifts the 260-character limit of the ANSI functions. (The path is already
// normalised, so the prefix changes nothing but the length it may have.)
std::wstring LongPathOf(const std::string& path)
{
    const int n = ::MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), &wide[0], n);
    return L"\\\\?\\" + wide;
}

bool IsLong(const std::string& path)
{
    return path.size() >= MAX_PATH - 1;
}

bool IsGone(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Deletes a file, clearing its read-only attribute first when that is what
// keeps it (files copied from a CD keep the attribute). The error code, or
// ERROR_SUCCESS.
DWORD DeleteOneFile(const std::string& path)
{
    const bool isLong = IsLong(path);
    const std::wstring wide = isLong ? LongPathOf(path) : std::wstring();
    auto remove = [&] { return isLong ? ::DeleteFileW(wide.c_str()) : ::DeleteFileA(path.c_str()); };
    if (remove())
        return ERROR_SUCCESS;
    DWORD error = ::GetLastError();
    const DWORD attributes = isLong ? ::GetFileAttributesW(wide.c_str()) : ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0)
        return error;
    const DWORD plain = attributes & ~FILE_ATTRIBUTE_READONLY;
    if (isLong ? ::SetFileAttributesW(wide.c_str(), plain) : ::SetFileAttributesA(path.c_str(), plain)) {
        if (remove())
            return ERROR_SUCCESS;
        error = ::GetLastError();
    }
    return error;
}

// Deletes a file or an empty folder at the next restart.
bool RemoveAtRestart(const std::string& path)
{
    if (IsLong(path))
        return ::MoveFileExW(LongPathOf(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    return ::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

// True when the file is a module at all (it starts as every Windows
// module does). Setup records every "*.ocx" it tried to register; a file of
// that name that is no module registered nothing, so there is nothing of it
// to unregister either.
bool IsModuleFile(const std::string& path)
{
    winlib::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return true;  // cannot tell: let the unregistration find out
    char magic[2] = {};
    DWORD got = 0;
    return !::ReadFile(file.get(), magic, sizeof(magic), &got, nullptr) || got != sizeof(magic) ||
           (magic[0] == 'M' && magic[1] == 'Z');
}
// True when a shortcut kept as another installation's lies in the folder:
// the folder is kept for it too.
bool HoldsKeptShortcut(const UninstallOutcome& outcome, const std::string& folder)
{
    for (const LeftEntry& entry : outcome.Left()) {
        std::string path;
        if (entry.reason == LeftReason::ForeignShortcut && NormalizeEntryPath(entry.text, path) &&
            IsPathWithin(path, folder))
            return true;
    }
    return false;
}
}  // namespace

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
    if (ok && !LooksLikeLog(m_strLog)) {
        m_strLog.clear();
        error.Set(kNotALog, path);
        ok = false;
    }
    if (ok) {
        m_strLogFolder = winlib::ParentFolder(path);
        m_scope = CInstallScope(m_strLogFolder);
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
    runfront::RunLog& log = runfront::AppRunLog();
    log.Step("卸载 " + m_strLogFolder);
    log.Step("注销控件");
    UnregisterControls();
    log.Step("删除文件");
    DeleteFiles();
    Report(WM_UNINSTALL_FILES_DONE);
    log.Step("删除文件夹");
    RemoveFolders();
    log.Step("删除注册表项");
    DeleteRegKeys();
    log.Step("删除卸载程序和安装文件夹");
    RemoveSelf();
    for (const std::string& record : m_outcome.RunLogRecords())
        log.Step(record);
    Report(WM_UNINSTALL_DONE);
    return FALSE;
}

bool CUninstallThread::IsSelfRemoving() const
{
    const std::string program = winlib::ProgramFileName();
    return m_strLogFolder.empty() || (!program.empty() && winlib::IsSameFolder(winlib::ParentFolder(program), m_strLogFolder));
}

void CUninstallThread::RemoveSelf()
{
    // The batch removes the running program and its folder: right when the
    // program is the installation's own uninstaller. A copy started from
    // elsewhere (the one on the installation medium, say) is no part of the
    // installation and stays; the install folder, which the passes have
    // emptied, is removed here instead.
    const std::string program = winlib::ProgramFileName();
    const std::string programFolder = program.empty() ? "" : winlib::ParentFolder(program);
    if (IsSelfRemoving()) {
        if (!BeginSelfRemoval())
            m_outcome.SetFolderLeft(programFolder.empty() ? m_strLogFolder : programFolder);
        else if (m_outcome.RestartNeeded() && m_scope.IsValid()) {
            // What is in use keeps the folder until then.
            if (RemoveAtRestart(m_scope.Folder()))
                m_outcome.SetFolderAtRestart(m_scope.Folder());
            else
                m_outcome.SetFolderLeft(m_scope.Folder());
        }
        return;
    }
    LeftReason reason = LeftReason::NotRemoved;
    if (m_scope.IsValid() && !RemoveFolder(m_scope.Folder(), reason)) {
        if (reason == LeftReason::RemovedAtRestart)
            m_outcome.SetFolderAtRestart(m_scope.Folder());
        else
            m_outcome.SetFolderLeft(m_scope.Folder());
    }
}

bool CUninstallThread::BeginSelfRemoval()
{
    return StartSelfRemoval();
}

bool CUninstallThread::RemoveFile(const std::string& path, LeftReason& reason)
{
    const DWORD error = DeleteOneFile(path);
    if (error == ERROR_SUCCESS || IsGone(error))
        return true;
    // In use (a running program, a file held open): gone at the restart.
    if ((error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION) &&
        RemoveAtRestart(path)) {
        m_outcome.SetRestartNeeded();
        reason = LeftReason::RemovedAtRestart;
        return false;
    }
    reason = LeftReason::NotRemoved;
    return false;
}

bool CUninstallThread::RemoveFolder(const std::string& path, LeftReason& reason)
{
    const BOOL removed =
        IsLong(path) ? ::RemoveDirectoryW(LongPathOf(path).c_str()) : ::RemoveDirectoryA(path.c_str());
    if (removed || IsGone(::GetLastError()))
        return true;
    // Still holding what waits for the restart: goes after it, at the
    // restart too (the pending deletions run in the order they were made).
    if (m_outcome.RestartNeeded() && RemoveAtRestart(path)) {
        reason = LeftReason::RemovedAtRestart;
        return false;
    }
    reason = LeftReason::NotRemoved;
    return false;
}

void CUninstallThread::UnregisterControls()
{
    ForEachEntry(installlog::kRegCtrl, [this](const std::string& text) {
        std::string path;
        if (!m_scope.AllowsControl(text, path)) {
            Left(text, LeftReason::Refused);
            return;
        }
        // A control that is gone has nothing left to unregister.
        const bool present = IsLong(path) ? ::GetFileAttributesW(LongPathOf(path).c_str()) != INVALID_FILE_ATTRIBUTES
                                          : ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        const bool unregistered = !present || !IsModuleFile(path) || UnregisterOwnControl(path);
        // The file goes whatever became of its unregistration. A child
        // that crashed may hold the file a moment longer while the system
        // (or a debugger) tears it down: a few short waits first.
        if (!unregistered) {
            for (int attempt = 0; attempt < 15; ++attempt) {
                const DWORD error = DeleteOneFile(path);
                if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
                    break;
                ::Sleep(200);
            }
        }
        LeftReason reason = LeftReason::NotRemoved;
        const bool deleted = RemoveFile(path, reason);
        if (!unregistered)
            Left(text, LeftReason::NotUnregistered);
        else if (!deleted)
            Left(text, reason);
    });
}

void CUninstallThread::DeleteFiles()
{
    // The running uninstaller is one of the installation's files; it cannot
    // go while it runs, and the self-removal takes it once it has ended.
    std::string program;
    NormalizeEntryPath(winlib::ProgramFileName(), program);
    ForEachEntry(installlog::kFileCopy, [this, &program](const std::string& text) {
        std::string path;
        LeftReason reason = LeftReason::Refused;
        if (!m_scope.AllowsFile(text, path))
            Left(text, reason);
        else if (ownership::KeepsShortcut(path, m_scope.Folder()))
            Left(text, LeftReason::ForeignShortcut);
        else if (!(winlib::EqualNoCase(path, program) && IsSelfRemoving()) && !RemoveFile(path, reason))
            Left(text, reason);
        // Reported whether or not the file could be deleted: the bar counts
        // the recorded files.
        Report(WM_UNINSTALL_FILE, reinterpret_cast<LPARAM>(text.c_str()));
    });
}

void CUninstallThread::RemoveFolders()
{
    // A folder's line precedes the lines of everything inside it, so
    // removing from the last to the first takes sub-folders before their
    // parents. A folder that still holds something stays, and is counted.
    std::vector<std::string> folders;
    ForEachEntry(installlog::kMadeDir, [&folders](const std::string& text) { folders.push_back(text); });
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        std::string path;
        LeftReason reason = LeftReason::Refused;
        if (!m_scope.AllowsFolder(*it, path) || !RemoveFolder(path, reason))
            Left(*it, reason == LeftReason::NotRemoved && HoldsKeptShortcut(m_outcome, path) ? LeftReason::HoldsForeign
                                                                                              : reason);
    }
}

bool CUninstallThread::NamesAnotherInstallation(const char* subKey, const char* valueName, bool isProgram) const
{
    std::string value;
    const bool read = std::string(valueName) == installlog::kInstallPathValue
                          ? runfront::ReadInstalledFolder(value)
                          : installation::ReadRecordedString(subKey, valueName, 2048, value);
    if (!read || value.empty())
        return false;
    const std::string folder = isProgram ? winlib::ParentFolder(value) : value;
    return !winlib::IsSameFolder(folder, m_strLogFolder);
}

void CUninstallThread::DeleteRegKeys()
{
    bool productKeyRecorded = false;
    ForEachEntry(installlog::kRegDbKey, [this, &productKeyRecorded](const std::string& text) {
        std::string subKey;
        if (!CInstallScope::AllowsKey(text, subKey)) {
            Left(text, LeftReason::Refused);
            return;
        }
        productKeyRecorded = productKeyRecorded || subKey == installlog::kProductKey;
        // The product key and the uninstall entry name one installation;
        // when that is another one (installed later into another folder),
        // they are its keys, not this one's, and stay.
        if (subKey == installlog::kProductKey
                ? NamesAnotherInstallation(installlog::kProductKey, installlog::kInstallPathValue, false)
                : NamesAnotherInstallation(installlog::kUninstallKey, installlog::kUninstallStringValue, true))
            return;
        const LONG result = winlib::RegKey::DeleteLeafKey(HKEY_LOCAL_MACHINE, subKey);
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
            Left(text, LeftReason::NotRemoved);
    });
    // Setup made the product key's parents with it; they go when nothing
    // else is in them (another installation's product key, another
    // product of the vendor keeps them).
    if (productKeyRecorded)
        for (const std::string& parent : ownership::RemoveEmptyProductParents())
            runfront::AppRunLog().Step("删除空的注册表项 HKLM\\" + parent);
}

BOOL CUninstallThread::UnregisterOwnControl(const std::string& path) const
{
    switch (ownership::FindRegistration(path)) {
    case ownership::ControlRegistration::OthersOnly:
        // Registered last by another installation: its registration stays,
        // and nothing of this one is registered.
        runfront::AppRunLog().Step("控件 " + path + " 的注册属于另一个安装，不注销");
        return TRUE;
    case ownership::ControlRegistration::Shared:
        runfront::AppRunLog().Step("控件 " + path + " 的注册有一部分属于另一个安装，未注销");
        return FALSE;
    case ownership::ControlRegistration::Ours:
    case ownership::ControlRegistration::None:
        break;
    }
    // None: no class names a file of this name, so nothing another
    // installation registered can be undone by it; what the control may
    // have registered besides classes only its own unregistration knows.
    return UnregisterControl(path.c_str(), m_dwControlTimeoutMs);
}

BOOL CUninstallThread::UnregisterControl(LPCSTR path, DWORD timeoutMs)
{
    // Only a full path on a drive: a relative name would be looked for
    // along the search path and could be any file of that name.
    std::string normal;
    if (path == nullptr || !NormalizeEntryPath(path, normal))
        return FALSE;
    winlib::ModuleMachine machine = winlib::ModuleMachine::NotAModule;
    const winlib::ControlCallResult result = winlib::RunControlServer(normal, true, timeoutMs, &machine);
    if (result == winlib::ControlCallResult::Succeeded)
        return TRUE;
    // A module of a kind this Windows cannot run (the 64-bit control of
    // the medium on 32-bit Windows) was never registered here: there is
    // nothing to undo, and its file goes like any other.
    if (result == winlib::ControlCallResult::WrongMachine) {
        runfront::AppRunLog().Step("控件 " + normal + " 在本机从未注册（" + winlib::DescribeControlCall(result, machine) +
                                 "），直接删除");
        return TRUE;
    }
    runfront::AppRunLog().Step("控件未能注销 " + normal + "：" + winlib::DescribeControlCall(result, machine));
    return FALSE;
}
