#include "engine/ControlRegistrar.h"

#include "engine/InstallJob.h"
#include "runfront/RunSupport.h"
#include "winlib/ControlProcess.h"

#include "winlib/StringUtil.h"

#include <algorithm>
#include <vector>

namespace engine {

std::string ControlRegistrar::Describe(const InstallJob&) const
{
    return "注册控件";
}

StepResult ControlRegistrar::Run(InstallJob& job)
{
    const std::string folder = job.ControlsFolder();
    std::vector<std::string> names;
    TreeCopier::ListFiles(folder, "*.ocx", names);
    for (const std::string& name : names) {
        const std::string path = folder + name;
        // Only what this run put there from the medium: a file that was in
        // the folder before is nobody's to load.
        if (!job.copier.WasCopied(path))
            continue;
        // A control the earlier installation registered, whose file this
        // run replaced, is registered again if the run is undone (after its
        // file is back).
        if (job.copier.WasReplaced(path) &&
            std::any_of(job.earlierControls.begin(), job.earlierControls.end(),
                        [&](const std::string& earlier) { return winlib::EqualNoCase(earlier, path); }))
            job.record.Journal().ReregisterAtTheEnd(path);
        winlib::ModuleMachine machine = winlib::ModuleMachine::NotAModule;
        const winlib::ControlCallResult result = winlib::RunControlServer(path, false, job.controlTimeoutMs, &machine);
        if (result == winlib::ControlCallResult::Succeeded) {
            job.record.Journal().ControlRegistered(path);
            runfront::AppRunLog().Step("已注册控件 " + path);
        } else {
            ++job.failedControls;
            runfront::AppRunLog().Step("控件未能注册 " + path + "：" + winlib::DescribeControlCall(result, machine));
        }
        // Recorded whatever the registration gave: Uninstall unregisters
        // and deletes every control file it finds in the log.
        job.record.Log().Add(installlog::kRegCtrl, path);
    }
    return StepResult::kDone;
}

}  // namespace engine
