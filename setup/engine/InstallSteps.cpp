// The step list of an installation, and the steps that are small enough
// to need no unit of their own: the copies of the medium's product folders
// and root files, and the writing of "Uninstall.log".
#include "engine/InstallStep.h"

#include "engine/AcadProfiles.h"
#include "engine/ControlRegistrar.h"
#include "engine/InstallJob.h"
#include "engine/ProductRegistration.h"
#include "engine/ShortcutMaker.h"
#include "installlog/Contract.h"
#include "winlib/Path.h"
#include "winlib/StdioFile.h"

namespace engine {
namespace {

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
        const bool existed = ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!job.record.FileWritten(path, existed))
            return StepResult::kFailed;
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
      audience(audience_), copier(host_, record)
{
    // The controls are registered only when this run copied them.
    copier.RememberCopiesIn(ControlsFolder());
}

std::string InstallJob::ControlsFolder() const
{
    return installDir + "Controls\\";
}

}  // namespace engine
