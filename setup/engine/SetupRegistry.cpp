// The product key, the uninstall entry, AutoCAD profiles and shortcuts:
// the steps after the copy, each handed to its unit.
#include "engine/SetupThread.h"

#include "engine/AcadConfigurator.h"
#include "engine/ShortcutMaker.h"
#include "installlog/Contract.h"

namespace {

const char kDisplayName[] = "direveradi ZEMLO V8.0";
const char kVersion[] = "8.00";

}  // namespace

void CSetupThread::RegisterProduct()
{
    using namespace installlog;
    m_recorder.SetString(HKEY_LOCAL_MACHINE, kProductKey, kInstallPathValue, m_strInstallDir);
    m_recorder.SetString(HKEY_LOCAL_MACHINE, kProductKey, kVersionValue, kVersion);
    LogRegKey(HKEY_LOCAL_MACHINE, kProductKey);

    engine::AcadConfigurator(m_recorder, m_strInstallDir).ConfigureAll();

    const std::string uninstaller = MakePath(m_strInstallDir, "Uninstall.exe");
    m_recorder.SetString(HKEY_LOCAL_MACHINE, kUninstallKey, kDisplayNameValue, kDisplayName);
    m_recorder.SetString(HKEY_LOCAL_MACHINE, kUninstallKey, kUninstallStringValue, uninstaller);
    LogRegKey(HKEY_LOCAL_MACHINE, kUninstallKey);
}

BOOL CSetupThread::FindAcadFolder(const engine::AcadRelease& release, std::string& acadFolder)
{
    return engine::AcadConfigurator::FindAcadFolder(release, acadFolder);
}

void CSetupThread::ConfigureAcadProfile(const engine::AcadRelease& release, const std::string& acadFolder)
{
    engine::AcadConfigurator(m_recorder, m_strInstallDir).ConfigureAcadProfile(release, acadFolder);
}

BOOL CSetupThread::CreateShortcuts()
{
    return engine::ShortcutMaker(m_copier, m_recorder, m_strInstallDir).CreateShortcuts();
}

BOOL CSetupThread::CreateShortcut(const char* workingDir, const char* path, const char* target,
                                  const char* arguments, const char* icon)
{
    return engine::ShortcutMaker::CreateShortcut(workingDir, path, target, arguments, icon);
}
