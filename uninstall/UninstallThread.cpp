#include "UninstallThread.h"

#include "runfront/RunSupport.h"

#include "Installation.h"
#include "Ownership.h"
#include "SelfRemoval.h"
#include "installlog/InstallLog.h"
#include "installlog/Contract.h"
#include "runfront/InstalledProduct.h"
#include "winlib/ControlProcess.h"
#include "winlib/FileSecurity.h"
#include "winlib/Handles.h"
#include "winlib/Path.h"
#include "winlib/RegKey.h"
#include "winlib/StdioFile.h"
#include "winlib/StringUtil.h"
#include "winlib/Wnd.h"

#include <algorithm>
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

// The component's command, which the shell runs at each user's logon.
const char kStubPathValue[] = "StubPath";

// The program a command line names: the text between its first pair of
// quotes when it starts with one, else up to the first blank. Neither byte
// is ever a GBK trail byte.
std::string ProgramOfCommandLine(const std::string& commandLine)
{
    if (!commandLine.empty() && commandLine[0] == '"') {
        const std::size_t close = commandLine.find('"', 1);
        return commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return commandLine.substr(0, commandLine.find(' '));
}

bool IsGone(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Opens what an entry names without following a final link (a link is
// opened as itself where the system can: Wine follows it anyway, and the
// object's location then tells), folders too.
HANDLE OpenEntry(const std::string& path, DWORD access, DWORD share, bool fileOnly = false)
{
    // Without backup semantics only a file opens: a folder is refused as
    // access denied, and the object needs no asking whether it is one.
    return ::CreateFileW(LongPathOf(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                         (fileOnly ? 0 : FILE_FLAG_BACKUP_SEMANTICS) | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool IsInUse(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

// Deletes the object the handle holds (opened with DELETE and
// FILE_WRITE_ATTRIBUTES access) through the handle: a read-only attribute
// (files copied from a CD keep it) is cleared through it first. The object
// goes when its last handle closes. The error code, or ERROR_SUCCESS.
DWORD DeleteThrough(HANDLE object)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (::SetFileInformationByHandle(object, FileDispositionInfo, &disposition, sizeof(disposition)))
        return ERROR_SUCCESS;
    // Refused for a read-only file: the attribute goes first, then again.
    const DWORD refused = ::GetLastError();
    FILE_BASIC_INFO basic = {};
    if (!::GetFileInformationByHandleEx(object, FileBasicInfo, &basic, sizeof(basic)) ||
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) == 0)
        return refused;
    FILE_BASIC_INFO plain = {};  // zero times: left as they are
    plain.FileAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (plain.FileAttributes == 0)
        plain.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(object, FileBasicInfo, &plain, sizeof(plain)) ||
        !::SetFileInformationByHandle(object, FileDispositionInfo, &disposition, sizeof(disposition)))
        return ::GetLastError();
    return ERROR_SUCCESS;
}

// Deletes a file or an empty folder at the next restart.
bool RemoveAtRestart(const std::string& path)
{
    return ::MoveFileExW(LongPathOf(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

// The wide form of a text (GBK).
std::wstring Wide(const std::string& text)
{
    const std::wstring prefixed = LongPathOf(text);
    return prefixed.substr(4);
}

// Whether a control counts as unregistered after its server's call: it
// did, or it is a module of a kind this Windows cannot run (the 64-bit
// control of the medium on 32-bit Windows), which was never registered
// here, so there is nothing to undo and its file goes like any other.
// Logs what became of it otherwise.
BOOL Unregistered(winlib::ControlCallResult result, winlib::ModuleMachine machine, const std::string& path)
{
    if (result == winlib::ControlCallResult::Succeeded)
        return TRUE;
    if (result == winlib::ControlCallResult::WrongMachine) {
        runfront::AppRunLog().Step("控件 " + path + " 在本机从未注册（" + winlib::DescribeControlCall(result, machine) +
                                 "），直接删除");
        return TRUE;
    }
    runfront::AppRunLog().Step("控件未能注销 " + path + "：" + winlib::DescribeControlCall(result, machine));
    return FALSE;
}

// Unregisters the control the handle holds (checked, and held without
// write or delete sharing), named by path, as UnregisterControl does by path.
BOOL UnregisterHeld(HANDLE control, const std::string& path, DWORD timeoutMs)
{
    // What was opened is what regsvr32 is told to load: its final path
    // where the system gives one.
    std::string load = winlib::FinalPathOf(control);
    if (load.empty())
        load = path;
    winlib::ModuleMachine machine = winlib::ModuleMachine::NotAModule;
    const winlib::ControlCallResult result = winlib::RunControlServerHeld(control, load, true, timeoutMs, &machine);
    return Unregistered(result, machine, path);
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
    // Held from here to the end of the run.
    HoldFolder();
    FolderProtected();
    log.Step("注销控件");
    UnregisterControls();
    log.Step("删除文件");
    DeleteFiles();
    Report(WM_UNINSTALL_FILES_DONE);
    log.Step("删除文件夹");
    RemoveFolders();
    log.Step("删除注册表项");
    DeleteRegKeys();
    FinishRun();
    m_folder.reset();
    for (const std::string& record : m_outcome.RunLogRecords())
        log.Step(record);
    Report(WM_UNINSTALL_DONE);
    return FALSE;
}

void CUninstallThread::FinishRun()
{
    runfront::RunLog& log = runfront::AppRunLog();
    if (m_registrationKept) {
        // Programs and Features still offers the removal: its uninstaller
        // and the log it replays stay with the folder, so that another run
        // can finish the job once what kept it has gone.
        log.Step("卸载程序和卸载日志保留，以便再次卸载");
        if (m_scope.IsValid())
            m_outcome.SetFolderLeft(m_scope.Folder());
        return;
    }
    log.Step("删除卸载程序和安装文件夹");
    std::string path;
    LeftReason reason = LeftReason::NotRemoved;
    if (!m_strLogEntry.empty() && m_scope.AllowsFile(m_strLogEntry, path) && !RemoveFile(path, reason))
        Left(m_strLogEntry, reason);
    RemoveSelf();
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
        else if (m_outcome.RestartNeeded() && m_scope.IsValid() && FolderProtected()) {
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

bool CUninstallThread::HoldFolder()
{
    if (!m_folderTried) {
        m_folderTried = true;
        // Without delete sharing: nobody renames the folder or puts a link
        // in its place while the run lasts. No delete access either: a
        // process whose current folder it is (this one, started there)
        // shares no deleting with it.
        if (m_scope.IsValid())
            m_folder.reset(OpenEntry(m_scope.Folder(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL |
                                                           SYNCHRONIZE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE));
        BY_HANDLE_FILE_INFORMATION info = {};
        winlib::ObjectLocation location;
        // A folder that is itself a link (opened as the link) leads elsewhere;
        // held again, it must be where it was found first.
        if (m_folder && (!::GetFileInformationByHandle(m_folder.get(), &info) ||
                         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
                         (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
                         !winlib::LocateObject(m_folder.get(), location) ||
                         (m_folderLocation.Known() && !winlib::IsSameLocation(location, m_folderLocation))))
            m_folder.reset();
        if (m_folder && !m_folderLocation.Known())
            m_folderLocation = location;
        // The folder's object name counts only when it names the place
        // found: the same folder, spelt the way the system spells it.
        if (m_folder && m_folderObjectName.empty()) {
            const std::wstring name = winlib::ObjectNameOf(m_folder.get());
            if (name.size() >= location.path.size() &&
                winlib::IsSameLocation(location, winlib::ObjectLocation{location.volume, name.substr(name.size() - location.path.size())}))
                m_folderObjectName = name;
        }
        if (!m_folder && m_scope.IsValid())
            runfront::AppRunLog().Step("不能打开并确认安装文件夹 " + m_scope.Folder() + "，其中的项目都不删除");
    }
    return m_folder.valid();
}

bool CUninstallThread::FolderProtected()
{
    if (m_folderProtected < 0) {
        m_folderProtected = HoldFolder() && winlib::OnlyAdministratorsMayChange(m_folder.get()) ? 1 : 0;
        if (m_folderProtected == 0)
            runfront::AppRunLog().Step("安装文件夹可被普通用户修改：正在使用的文件不安排在重新启动后删除");
    }
    return m_folderProtected == 1;
}

CUninstallThread::Place CUninstallThread::PlaceOf(const std::string& path, bool folder) const
{
    if (m_scope.Holds(path))
        return Place::Inside;
    if (!folder)
        return Place::Shortcut;
    return m_scope.IsValid() && winlib::EqualNoCase(path, m_scope.Folder()) ? Place::InstallFolder
                                                                               : Place::MenuFolder;
}

bool CUninstallThread::IsAllowedObject(HANDLE object, Place place, bool folder, bool openedAsFile)
{
    // The attributes alone (the full information would also ask for the
    // volume's serial number, which costs Wine more than the delete
    // itself); not at all for a handle that only a file can be.
    FILE_BASIC_INFO basic = {};
    if (!(openedAsFile && !folder) &&
        (!::GetFileInformationByHandleEx(object, FileBasicInfo, &basic, sizeof(basic)) ||
         ((basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder))
        return false;
    // An object inside, named below the held folder's own object name, is
    // where it must be: one cheap question per file. Any other answer is
    // judged by where the object really lies.
    if (place == Place::Inside && HoldFolder() && !m_folderObjectName.empty() &&
        winlib::IsNamedWithin(winlib::ObjectNameOf(object), m_folderObjectName))
        return true;
    // Where the object opened lies, links on the way followed: what cannot
    // be located cannot be judged, and stays.
    winlib::ObjectLocation location;
    if (!winlib::LocateObject(object, location))
        return false;
    switch (place) {
    case Place::Inside:
        return HoldFolder() && winlib::IsLocatedWithin(location, m_folderLocation);
    case Place::InstallFolder:
        return winlib::IsSameLocation(location, m_folderLocation);
    case Place::Shortcut:
        // A real shortcut file: its long name ends in ".lnk" (an entry's
        // short name, "REPO~ICJ.LNK", may stand for any long one).
        return winlib::EndsWithNoCase(winlib::LastNameOf(location), L".lnk");
    case Place::MenuFolder: {
        const std::wstring name = winlib::LastNameOf(location);
        const std::wstring menu = Wide(installlog::kMenuFolderName);
        return ::CompareStringOrdinal(name.c_str(), -1, menu.c_str(), -1, TRUE) == CSTR_EQUAL;
    }
    }
    return false;
}

bool CUninstallThread::ScheduleAtRestart(const std::string& path, LeftReason& reason)
{
    // By path, at a time nobody watches: only where nobody but an
    // administrator can re-point the path meanwhile.
    if (!FolderProtected()) {
        reason = LeftReason::InUseUnprotected;
        return false;
    }
    if (!RemoveAtRestart(path)) {
        reason = LeftReason::NotRemoved;
        return false;
    }
    m_outcome.SetRestartNeeded();
    reason = LeftReason::RemovedAtRestart;
    return true;
}

bool CUninstallThread::RemoveFile(const std::string& path, LeftReason& reason)
{
    const Place place = PlaceOf(path, false);
    // A shortcut outside is read through the handle too (whose it is).
    const DWORD read = place == Place::Shortcut ? FILE_READ_DATA : 0;
    winlib::ScopedHandle file(OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE | read,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true));
    DWORD error = file ? ERROR_SUCCESS : ::GetLastError();
    // Opened as only a file can be; a folder (refused as access denied) is
    // opened again below and judged like an object in use.
    const bool openedAsFile = error == ERROR_SUCCESS;
    if (!file && IsGone(error))
        return true;
    if (!file && IsInUse(error)) {
        // Held by someone who shares no deleting: looked at only.
        file.reset(OpenEntry(path, FILE_READ_ATTRIBUTES | SYNCHRONIZE | read,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
        if (!file) {
            reason = LeftReason::NotRemoved;
            return false;
        }
    } else if (!file) {
        reason = LeftReason::NotRemoved;
        return false;
    }
    if (!IsAllowedObject(file.get(), place, false, openedAsFile)) {
        reason = LeftReason::Refused;
        return false;
    }
    // A shortcut outside that leads elsewhere is another installation's
    // (the same names, another folder): it stays.
    if (place == Place::Shortcut && ownership::KeepsHeldShortcut(file.get(), m_scope.Folder())) {
        reason = LeftReason::ForeignShortcut;
        return false;
    }
    if (error == ERROR_SUCCESS) {
        error = DeleteThrough(file.get());
        if (error == ERROR_SUCCESS)
            return true;
    }
    // In use (a running program, a file held open): gone at the restart.
    if (IsInUse(error)) {
        ScheduleAtRestart(path, reason);
        return false;
    }
    reason = LeftReason::NotRemoved;
    return false;
}

bool CUninstallThread::RemoveFolder(const std::string& path, LeftReason& reason)
{
    const Place place = PlaceOf(path, true);
    DWORD error = ERROR_SUCCESS;
    if (place == Place::InstallFolder) {
        if (m_folderRemoved)
            return true;
        if (!HoldFolder()) {
            reason = LeftReason::Refused;
            return false;
        }
        // The held handle shares no deleting: it goes for the moment of the
        // delete, which goes through a handle found to be the same folder.
        m_folder.reset();
        winlib::ScopedHandle folder(OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
        const bool allowed = !folder || IsAllowedObject(folder.get(), place, true);
        error = !folder ? ::GetLastError() : allowed ? DeleteThrough(folder.get()) : ERROR_ACCESS_DENIED;
        folder.reset();
        if (error == ERROR_SUCCESS || IsGone(error)) {
            m_folderRemoved = true;
            return true;
        }
        // Still there: held again for the rest of the run.
        m_folderTried = false;
        HoldFolder();
        if (!allowed) {
            reason = LeftReason::Refused;
            return false;
        }
    } else {
        winlib::ScopedHandle folder(OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
        if (!folder) {
            if (IsGone(::GetLastError()))
                return true;
            reason = LeftReason::NotRemoved;
            return false;
        }
        if (!IsAllowedObject(folder.get(), place, true)) {
            reason = LeftReason::Refused;
            return false;
        }
        error = DeleteThrough(folder.get());
        if (error == ERROR_SUCCESS)
            return true;
    }
    // Still holding what waits for the restart: goes after it, at the
    // restart too (the pending deletions run in the order they were made).
    if (m_outcome.RestartNeeded() && FolderProtected() && RemoveAtRestart(path)) {
        reason = LeftReason::RemovedAtRestart;
        return false;
    }
    reason = LeftReason::NotRemoved;
    return false;
}

void CUninstallThread::RemoveControl(const std::string& text, const std::string& path)
{
    // Read and delete access, shared for reading only: nobody changes,
    // renames or replaces the file from the check to its deletion, and
    // regsvr32 can still load it.
    winlib::ScopedHandle control(OpenEntry(
        path, GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ));
    if (!control) {
        const DWORD error = ::GetLastError();
        // A control that is gone has nothing left to unregister.
        if (!IsGone(error))
            Left(text, IsInUse(error) ? LeftReason::NotUnregistered : LeftReason::NotRemoved);
        return;
    }
    // A link is never loaded: only the file that lies inside is.
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!IsAllowedObject(control.get(), Place::Inside, false) || !::GetFileInformationByHandle(control.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        Left(text, LeftReason::Refused);
        return;
    }
    // Setup records every "*.ocx" it tried to register; a file of that name
    // that is no module registered nothing, so there is nothing to undo.
    const bool unregistered = winlib::ReadModuleMachine(control.get()) == winlib::ModuleMachine::NotAModule ||
                              UnregisterOwnControl(control.get(), path);
    // The file goes whatever became of its unregistration. A child that
    // crashed may hold the file a moment longer while the system (or a
    // debugger) tears it down: a few short waits first.
    DWORD error = DeleteThrough(control.get());
    for (int attempt = 0; !unregistered && IsInUse(error) && attempt < 15; ++attempt) {
        ::Sleep(200);
        error = DeleteThrough(control.get());
    }
    LeftReason reason = LeftReason::NotRemoved;
    const bool deleted = error == ERROR_SUCCESS;
    if (!deleted && IsInUse(error)) {
        control.reset();
        ScheduleAtRestart(path, reason);
    }
    if (!unregistered)
        Left(text, LeftReason::NotUnregistered);
    else if (!deleted)
        Left(text, reason);
}

void CUninstallThread::UnregisterControls()
{
    ForEachEntry(installlog::kRegCtrl, [this](const std::string& text) {
        std::string path;
        if (!m_scope.AllowsControl(text, path))
            Left(text, LeftReason::Refused);
        else
            RemoveControl(text, path);
    });
}

void CUninstallThread::DeleteFiles()
{
    // The running uninstaller is one of the installation's files; it cannot
    // go while it runs, and the self-removal takes it once it has ended.
    std::string program;
    NormalizeEntryPath(winlib::ProgramFileName(), program);
    // The log being replayed goes last (FinishRun): while something is left
    // it stays with the registration, for the next run.
    const std::string log = m_scope.IsValid() ? m_scope.Folder() + "\\" + installlog::kLogFileName : std::string();
    ForEachEntry(installlog::kFileCopy, [this, &program, &log](const std::string& text) {
        std::string path;
        LeftReason reason = LeftReason::Refused;
        if (!m_scope.AllowsFile(text, path))
            Left(text, reason);
        else if (winlib::EqualNoCase(path, log)) {
            if (m_strLogEntry.empty())
                m_strLogEntry = text;
        }
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
        const bool allowed = m_scope.AllowsFolder(*it, path);
        // The installation folder goes last, after its log (FinishRun).
        if (allowed && PlaceOf(path, true) == Place::InstallFolder)
            continue;
        if (!allowed || !RemoveFolder(path, reason))
            Left(*it, reason == LeftReason::NotRemoved && HoldsKeptShortcut(m_outcome, path) ? LeftReason::HoldsForeign
                                                                                              : reason);
    }
}

bool CUninstallThread::InsideByText(const std::string& entryText) const
{
    std::string path;
    return NormalizeEntryPath(entryText, path) &&
           (m_scope.Holds(path) || (m_scope.IsValid() && winlib::EqualNoCase(path, m_scope.Folder())));
}

bool CUninstallThread::NamesAnotherInstallation(const char* subKey, const char* valueName, bool isProgram) const
{
    std::string value;
    const bool read = std::string(valueName) == installlog::kInstallPathValue
                          ? runfront::ReadInstalledFolder(value)
                          : installation::ReadRecordedString(subKey, valueName, 2048, value);
    if (!read || value.empty())
        return false;
    // The uninstall entry's value is the program's path alone; the
    // component's is a command line, the program quoted.
    if (std::string(valueName) == kStubPathValue)
        value = ProgramOfCommandLine(value);
    const std::string folder = isProgram ? winlib::ParentFolder(value) : value;
    return !winlib::IsSameFolder(folder, m_strLogFolder);
}

void CUninstallThread::DeleteRegKeys()
{
    // The product key and the uninstall entry are how Programs and Features
    // offers the removal again: while something of the installation that
    // another run could still remove is left, they stay. What counts: an
    // entry that was not removed (in use where nothing goes at the restart,
    // not empty, refused once its object was found elsewhere). Not: entries
    // refused that do not name a path inside the installation (a tampered
    // log's), what goes at the restart, controls whose file went although
    // their unregistration failed, and what was kept as another
    // installation's.
    const bool keep = std::any_of(m_outcome.Left().begin(), m_outcome.Left().end(), [this](const LeftEntry& entry) {
        return entry.reason != LeftReason::RemovedAtRestart && entry.reason != LeftReason::NotUnregistered &&
               !IsKeptReason(entry.reason) && !(entry.reason == LeftReason::Refused && !InsideByText(entry.text));
    });
    m_registrationKept = keep && CountEntries(installlog::kRegDbKey) > 0;
    if (m_registrationKept)
        runfront::AppRunLog().Step("有项目未能删除，产品注册和卸载项保留，以便再次卸载");
    bool productKeyRecorded = false;
    bool componentDeleted = false;
    ForEachEntry(installlog::kRegDbKey, [this, keep, &productKeyRecorded, &componentDeleted](const std::string& text) {
        std::string subKey;
        if (!CInstallScope::AllowsKey(text, subKey)) {
            Left(text, LeftReason::Refused);
            return;
        }
        productKeyRecorded = productKeyRecorded || subKey == installlog::kProductKey;
        // The Active Setup component goes whatever is left: a user who logs
        // on after the removal gets nothing run.
        if (keep && subKey != installlog::kActiveSetupKey)
            return;
        // The product key, the uninstall entry and the Active Setup
        // component name one installation; when that is another one
        // (installed later into another folder), they are its keys, not
        // this one's, and stay.
        const bool another =
            subKey == installlog::kProductKey
                ? NamesAnotherInstallation(installlog::kProductKey, installlog::kInstallPathValue, false)
            : subKey == installlog::kUninstallKey
                ? NamesAnotherInstallation(installlog::kUninstallKey, installlog::kUninstallStringValue, true)
                : NamesAnotherInstallation(installlog::kActiveSetupKey, kStubPathValue, true);
        if (another)
            return;
        const LONG result = winlib::RegKey::DeleteLeafKey(HKEY_LOCAL_MACHINE, subKey, runfront::ProductKeyView());
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
            Left(text, LeftReason::NotRemoved);
        else if (subKey == installlog::kActiveSetupKey)
            componentDeleted = true;
    });
    if (componentDeleted)
        for (const std::string& parent : ownership::RemoveEmptyComponentParents())
            runfront::AppRunLog().Step("删除空的注册表项 HKLM\\" + parent);
    // Setup made the product key's parents with it; they go when nothing
    // else is in them (another installation's product key, another
    // product of the vendor keeps them).
    if (productKeyRecorded)
        for (const std::string& parent : ownership::RemoveEmptyProductParents())
            runfront::AppRunLog().Step("删除空的注册表项 HKLM\\" + parent);
}

BOOL CUninstallThread::UnregisterOwnControl(HANDLE control, const std::string& path) const
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
    return UnregisterHeld(control, path, m_dwControlTimeoutMs);
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
    return Unregistered(result, machine, normal);
}
