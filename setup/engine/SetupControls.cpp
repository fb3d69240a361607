// Registration of the product's ActiveX controls.
#include "engine/SetupThread.h"

#include "winlib/ControlEntry.h"

#include <vector>

void CSetupThread::RegisterControls()
{
    const std::string folder = m_strInstallDir + "Controls\\";
    std::vector<std::string> names;
    ListFiles(folder, "*.ocx", names);
    for (const std::string& name : names) {
        const std::string path = folder + name;
        RegisterControl(path);
        // Recorded whatever the registration gave: Uninstall unregisters
        // and deletes every control file it finds in the log.
        LogRegCtrl(path);
    }
}

BOOL CSetupThread::RegisterControl(const std::string& path)
{
    return winlib::CallControlEntry(path, winlib::ControlEntry::Register) == winlib::ControlCallResult::Succeeded;
}
