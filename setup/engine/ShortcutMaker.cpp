#include "engine/ShortcutMaker.h"

#include "engine/AcadProfiles.h"
#include "engine/InstallJob.h"
#include "engine/RegistryAccess.h"
#include "installlog/Contract.h"
#include "installlog/InstallLog.h"
#include "winlib/Path.h"
#include "runfront/RunSupport.h"
#include "winlib/Handles.h"
#include "winlib/StringUtil.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

namespace engine {
namespace {

const char kShellFoldersKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kShellFoldersNtKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Explorer\\Shell Folders";

// One place the desktop and Programs folders may be read from.
struct ShellFolderSource {
    Hive hive;
    const char* key;
    const char* desktop;
    const char* programs;
};

// Tried in order: the user's folders, then the all-users ones.
const ShellFolderSource kShellFolderSources[] = {
    {Hive::User, kShellFoldersKey, "Desktop", "Programs"},
    {Hive::User, kShellFoldersNtKey, "Desktop", "Programs"},
    {Hive::Machine, kShellFoldersKey, "Common Desktop", "Common Programs"},
    {Hive::Machine, kShellFoldersNtKey, "Common Desktop", "Common Programs"},
};

// Reads one shell folder value, trimmed. A value that is blank counts as
// missing: a shortcut folder of "" would put the shortcuts wherever the
// current folder happens to be. So does a value that is not a plain path
// (a line break, a zero byte or another control character, or a log
// prefix, anywhere in it): the per-user values can be written by any program the user runs,
// and the folder ends up in the log the elevated uninstaller replays.
bool ReadShellFolder(Hive hive, const char* key, const char* name, std::string& folder)
{
    const HKEY root = hive == Hive::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    if (!QueryWholeString(root, key, name, folder))
        return false;
    if (folder.find_first_not_of(' ') == std::string::npos || !installlog::IsRecordableText(folder))
        return false;
    folder = winlib::Trim(folder);
    winlib::AppendBackslash(folder);
    return true;
}

// Saves the shortcut at folder + name and records it when saved. A
// shortcut left by an earlier installation is put aside (and comes back
// if the run is undone); one that is a link, or a folder that is one, is
// left out like a shortcut that cannot be saved.
void MakeShortcut(InstallJob& job, const std::string& folder, const char* name, const std::string& target,
                  const char* arguments, const char* icon)
{
    const std::string path = winlib::JoinPath(folder, name);
    if (!installlog::IsRecordableText(path))
        return;
    PinnedFolder parent;
    if (parent.Pin(folder, nullptr) != ERROR_SUCCESS)
        return;
    const bool existed = ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    std::string backupPath;
    if (existed && job.backups.PutAside(path, parent, backupPath) != ERROR_SUCCESS)
        return;
    if (!ShortcutMaker::CreateShortcut(job.installDir.c_str(), path.c_str(), target.c_str(), arguments, icon)) {
        if (existed)
            Backups::Restore(backupPath, path);
        return;
    }
    if (existed)
        job.record.Journal().FileReplaced(path, backupPath);
    job.record.FileWritten(path, existed);
}

}  // namespace

std::string ShortcutMaker::Describe(const InstallJob&) const
{
    return "创建快捷方式";
}

StepResult ShortcutMaker::Run(InstallJob& job)
{
    if (!CreateShortcuts(job))
        runfront::AppRunLog().Step("没有找到桌面和程序菜单的文件夹，没有创建快捷方式");
    return StepResult::kDone;
}

BOOL ShortcutMaker::CreateShortcuts(InstallJob& job)
{
    std::string desktop;
    std::string programs;
    bool found = false;
    for (const ShellFolderSource& source : kShellFolderSources) {
        // For all users only the machine's all-users folders serve.
        if (job.audience.allUsers && source.hive != Hive::Machine)
            continue;
        if (ReadShellFolder(source.hive, source.key, source.desktop, desktop) &&
            ReadShellFolder(source.hive, source.key, source.programs, programs)) {
            found = true;
            break;
        }
    }
    if (!found)
        return FALSE;
    // The shell link object lives in this thread's apartment while the
    // step runs.
    const winlib::ScopedComInit com;

    // When the sub-folder cannot be made, the shortcuts that belong in it
    // fail to save and are left out of the log.
    const std::string subFolder = winlib::JoinPath(programs, installlog::kMenuFolderName);
    job.copier.CreateFolderPath(subFolder);

    const std::string& install = job.installDir;
    const std::string program = winlib::JoinPath(install, "ZEMLO.exe");
    MakeShortcut(job, desktop, "土方计算地形分析.LNK", program, nullptr, nullptr);
    MakeShortcut(job, subFolder, "ZEMLO V8.0.LNK", program, nullptr, nullptr);

    const std::string icon = winlib::JoinPath(install, installlog::kIconFileName);
    // One shortcut per release, to the acad.exe of the installation found
    // first (in the 64-bit view before the 32-bit one): the folder of the
    // view it was found in, never one view's path with the other's keys.
    const AcadRelease* last = nullptr;
    for (const AcadInstallation& found : AcadProfiles::FindInstallations()) {
        if (found.release == last)
            continue;
        last = found.release;
        MakeShortcut(job, install, found.release->shortcutName, winlib::JoinPath(found.folder, "acad.exe"),
                     kAcadShortcutArguments, icon.c_str());
    }

    MakeShortcut(job, subFolder, "官方网站.LNK", winlib::JoinPath(install, "zemlo.url"), nullptr, nullptr);
    MakeShortcut(job, subFolder, "ZEMLO V8.0 卸载程序.LNK", winlib::JoinPath(install, installlog::kUninstallerFileName),
                 nullptr, nullptr);
    return TRUE;
}

BOOL ShortcutMaker::CreateShortcut(const char* workingDir, const char* path, const char* target,
                                   const char* arguments, const char* icon)
{
    winlib::ScopedComPtr<IShellLinkA> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.receive_void())))
        return FALSE;
    // The target need not exist yet (SetPath then answers S_FALSE); only
    // the save decides.
    link->SetPath(target);
    if (arguments != nullptr)
        link->SetArguments(arguments);
    if (icon != nullptr)
        link->SetIconLocation(icon, 0);
    link->SetWorkingDirectory(workingDir);

    winlib::ScopedComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.receive_void())))
        return FALSE;
    // A path that does not fit the buffer is a failed save, never a
    // truncated one.
    WCHAR widePath[MAX_PATH];
    if (::MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH) == 0)
        return FALSE;
    return SUCCEEDED(file->Save(widePath, TRUE)) ? TRUE : FALSE;
}

}  // namespace engine
