// Registration of the product's ActiveX controls, each in a child process.
#include "engine/SetupThread.h"

#include "winlib/RunSupport.h"

#include "winlib/ControlProcess.h"

#include <vector>

std::string CSetupThread::ControlsFolder() const
{
    return m_strInstallDir + "Controls\\";
}

void CSetupThread::RegisterControls()
{
    const std::string folder = ControlsFolder();
    std::vector<std::string> names;
    ListFiles(folder, "*.ocx", names);
    for (const std::string& name : names) {
        const std::string path = folder + name;
        // Only what this run put there from the medium: a file that was in
        // the folder before is nobody's to load.
        if (!m_copier.WasCopied(path))
            continue;
        std::string reason;
        if (RegisterControl(path, &reason)) {
            m_recorder.ControlRegistered(path);
            winlib::AppRunLog().Step("已注册控件 " + path);
        } else {
            ++m_nFailedControls;
            winlib::AppRunLog().Step("控件未能注册 " + path + "：" + reason);
        }
        // Recorded whatever the registration gave: Uninstall unregisters
        // and deletes every control file it finds in the log.
        LogRegCtrl(path);
    }
}

BOOL CSetupThread::RegisterControl(const std::string& path, std::string* reason)
{
    winlib::ModuleMachine machine = winlib::ModuleMachine::NotAModule;
    const winlib::ControlCallResult result = winlib::RunControlServer(path, false, m_nControlTimeoutMs, &machine);
    if (reason != nullptr)
        *reason = winlib::DescribeControlCall(result, machine);
    return result == winlib::ControlCallResult::Succeeded;
}
