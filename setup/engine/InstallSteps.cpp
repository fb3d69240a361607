// The step list of an installation, and the steps that are small enough
// to need no unit of their own: the copies of the medium's product folders
// and root files, and the writing of "Uninstall.log".
#include "engine/InstallStep.h"

#include "engine/AcadProfiles.h"
#include "engine/ControlRegistrar.h"
#include "engine/Destination.h"
#include "engine/InstallJob.h"
#include "engine/ProductRegistration.h"
#include "engine/ShortcutMaker.h"
#include "installlog/Contract.h"
#include "winlib/Path.h"
#include "winlib/StdioFile.h"
#include "winlib/StringUtil.h"

#include <aclapi.h>

#include <cstring>

namespace engine {
namespace {

// The installation folder: made when missing (its missing parents as any
// folder) with the protection Program Files has, so that ordinary users can
// write nothing in it; an empty folder that is there gets the same
// protection (its old one noted for the rollback); one with files in it (an
// earlier installation, or a folder the user chose to install into) keeps
// its own. Then it is held for the whole run: nobody can rename it or put a
// link in its place while Setup writes below it.
class PrepareInstallFolder : public InstallStep {
public:
    std::string Describe(const InstallJob& job) const override { return "准备安装文件夹 " + job.installDir; }
    StepResult Run(InstallJob& job) override
    {
        const std::string folder = winlib::StripTrailingBackslashes(job.installDir);
        const DWORD attributes = ::GetFileAttributesA(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            if (!job.copier.CreateFolderPath(winlib::ParentFolder(folder), false) || !MakeProtected(job, folder))
                return StepResult::kFailed;
        } else if (IsEmptyFolder(folder)) {
            Protect(job, folder);
        }
        for (;;) {
            const DWORD error = job.installFolder.Pin(folder, nullptr);
            if (error == ERROR_SUCCESS)
                break;
            job.host.ReportFailure("不能写入安装文件夹 " + folder, error);
            const std::string text = ErrorText(error) + "\n不能写入安装文件夹 " + folder +
                                     " ，\n点击“重试”按钮试图重新打开该文件夹；\n点击“取消”按钮将终止程序运行。";
            if (job.host.AskUser(text, MB_RETRYCANCEL | MB_ICONQUESTION) != IDRETRY)
                return StepResult::kFailed;
        }
        ReadEarlierControls(job);
        return StepResult::kDone;
    }

private:
    static bool IsEmptyFolder(const std::string& folder)
    {
        WIN32_FIND_DATAA data;
        const winlib::ScopedFindHandle find(::FindFirstFileA(winlib::JoinPath(folder, "*").c_str(), &data));
        if (!find)
            return false;
        do {
            if (std::strcmp(data.cFileName, ".") != 0 && std::strcmp(data.cFileName, "..") != 0)
                return false;
        } while (::FindNextFileA(find.get(), &data));
        return true;
    }

    static bool MakeProtected(InstallJob& job, const std::string& folder)
    {
        SECURITY_ATTRIBUTES security = {sizeof(security), ProtectedFolderSecurity(), FALSE};
        while (!::CreateDirectoryA(folder.c_str(), &security)) {
            const DWORD error = ::GetLastError();
            job.host.ReportFailure("不能创建文件夹 " + folder, error);
            const std::string text = ErrorText(error) + "\n不能创建文件夹 " + folder +
                                     " ，\n点击“重试”按钮试图重新创建文件夹；\n点击“取消”按钮将终止程序运行。";
            if (job.host.AskUser(text, MB_RETRYCANCEL | MB_ICONQUESTION) != IDRETRY)
                return false;
        }
        job.record.Journal().FolderMade(folder);
        return true;
    }

    // The folder's owner is kept; only its DACL becomes the installation's.
    static void Protect(InstallJob& job, const std::string& folder)
    {
        winlib::ScopedHandle handle(::CreateFileA(folder.c_str(), READ_CONTROL | WRITE_DAC,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        PSECURITY_DESCRIPTOR old = nullptr;
        if (!handle || ::GetSecurityInfo(handle.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                         nullptr, nullptr, &old) != ERROR_SUCCESS)
            return;
        const winlib::ScopedLocalMem owned(old);
        PACL dacl = nullptr;
        BOOL present = FALSE, defaulted = FALSE;
        if (!::GetSecurityDescriptorDacl(ProtectedFolderSecurity(), &present, &dacl, &defaulted))
            return;
        job.record.Journal().SecurityChanged(
            folder, std::string(static_cast<const char*>(old), ::GetSecurityDescriptorLength(old)));
        if (::SetSecurityInfo(handle.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, dacl, nullptr) != ERROR_SUCCESS)
            job.host.ReportFailure("不能保护安装文件夹 " + folder, ::GetLastError());
    }

    // The controls the earlier installation in this folder recorded.
    static void ReadEarlierControls(InstallJob& job)
    {
        std::string earlier;
        if (!FindEarlierInstallation(earlier) || !winlib::IsSameFolder(earlier, job.installDir))
            return;
        CStdioFile file;
        CFileException error;
        if (!file.Open((earlier + installlog::kLogFileName).c_str(),
                       CStdioFile::modeRead | CStdioFile::typeText | CStdioFile::shareDenyWrite, &error))
            return;
        const LONGLONG length = file.GetLength(&error);
        if (length <= 0 || length > 64 * 1024 * 1024)
            return;
        std::string text(static_cast<std::size_t>(length), '\0');
        const int got = file.Read(&text[0], static_cast<UINT>(length), &error);
        if (got <= 0)
            return;
        text.resize(static_cast<std::size_t>(got));
        std::size_t position = 0, start = 0, count = 0;
        while (installlog::FindNextEntry(text, installlog::kRegCtrl, position, start, count))
            job.earlierControls.push_back(text.substr(start, count));
    }
};

// One product folder tree of the medium into the installation.
class CopyProductFolder : public InstallStep {
public:
    explicit CopyProductFolder(const char* name) : m_name(name) {}
    std::string Describe(const InstallJob& job) const override
    {
        // Both folders end in a backslash: plain concatenation.
        return "复制文件夹 " + job.sourceDir + m_name;
    }
    StepResult Run(InstallJob& job) override
    {
        return job.copier.CopyFolderTree(job.sourceDir + m_name, job.installDir + m_name) ? StepResult::kDone
                                                                                           : StepResult::kFailed;
    }

private:
    const char* m_name;
};

// The loose files of the medium's root, all but Setup itself.
class CopyRootFiles : public InstallStep {
public:
    std::string Describe(const InstallJob&) const override { return "复制安装文件夹中的文件"; }
    StepResult Run(InstallJob& job) override
    {
        return job.copier.CopyTopLevelFiles(job.sourceDir, job.installDir) ? StepResult::kDone : StepResult::kFailed;
    }
};

// "Uninstall.log" in the installation folder, hidden, replacing an older
// one. It records itself, last, so that Uninstall deletes it too. Without
// it the installation could never be removed, so a log that cannot be
// written fails the run (the user is shown the file error).
class WriteUninstallLog : public InstallStep {
public:
    std::string Describe(const InstallJob&) const override
    {
        return std::string("写入卸载日志 ") + installlog::kLogFileName;
    }
    bool Completes() const override { return true; }
    StepResult Run(InstallJob& job) override
    {
        const std::string path = winlib::JoinPath(job.installDir, installlog::kLogFileName);
        if (!installlog::IsRecordableText(path))
            return StepResult::kFailed;
        // An earlier installation's log is put aside, never merged into or
        // written through; it comes back if this run is undone.
        const bool existed = ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        std::string backupPath;
        if (existed) {
            const DWORD error = job.backups.PutAside(path, job.installFolder, backupPath);
            if (error != ERROR_SUCCESS) {
                job.host.ReportFailure("不能写入卸载日志 " + path, error);
                job.host.AskUser(ErrorText(error) + "\n" + path, MB_OK | MB_ICONEXCLAMATION);
                return StepResult::kFailed;
            }
            job.record.Journal().FileReplaced(path, backupPath);
        }
        job.record.FileWritten(path, existed);
        CFileException error;
        if (!job.record.Log().WriteTo(path, error)) {
            // The standard file-error box: OK only, with the exclamation icon.
            job.host.AskUser(error.GetErrorMessage(), MB_OK | MB_ICONEXCLAMATION);
            return StepResult::kFailed;
        }
        return StepResult::kDone;
    }
};

}  // namespace

const std::array<const char*, 7>& ProductFolders()
{
    static const std::array<const char*, 7> folders = {
        "Support", "Controls", "图框", "模板", "Database", "Data", "Temp",
    };
    return folders;
}

std::vector<std::unique_ptr<InstallStep>> InstallSteps()
{
    std::vector<std::unique_ptr<InstallStep>> steps;
    steps.push_back(std::make_unique<PrepareInstallFolder>());
    for (const char* name : ProductFolders())
        steps.push_back(std::make_unique<CopyProductFolder>(name));
    steps.push_back(std::make_unique<CopyRootFiles>());
    steps.push_back(std::make_unique<ControlRegistrar>());
    steps.push_back(std::make_unique<ProductRegistration>());
    steps.push_back(std::make_unique<AcadProfilesStep>());
    steps.push_back(std::make_unique<ActiveSetupRegistration>());
    steps.push_back(std::make_unique<ShortcutMaker>());
    steps.push_back(std::make_unique<WriteUninstallLog>());
    return steps;
}

InstallJob::InstallJob(InstallHost& host_, const std::string& sourceDir_, const std::string& installDir_,
                       DWORD controlTimeoutMs_, const Audience& audience_)
    : host(host_), sourceDir(sourceDir_), installDir(installDir_), controlTimeoutMs(controlTimeoutMs_),
      audience(audience_), backups(installDir_), copier(host_, record, backups)
{
    // The controls are registered only when this run copied them.
    copier.RememberCopiesIn(ControlsFolder());
}

std::string InstallJob::ControlsFolder() const
{
    return installDir + "Controls\\";
}

}  // namespace engine
