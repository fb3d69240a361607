// The product key, the uninstall entry, AutoCAD profiles and shortcuts:
// the steps after the copy, each handed to its unit.
#include "engine/SetupThread.h"

#include "engine/AcadConfigurator.h"
#include "engine/ShortcutMaker.h"
#include "installlog/Contract.h"
#include "winlib/StringUtil.h"

namespace {

const char kDisplayName[] = "direveradi ZEMLO V8.0";
const char kVersion[] = "8.00";
const char kDisplayVersion[] = "8.0";
const char kPublisher[] = "Kestrova";
const char kIconFile[] = "ZEMLOV8.0.ico";

// Today's date as the list of installed programs reads it: yyyymmdd.
std::string Today()
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return winlib::Format("%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
}

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
    WriteUninstallDetails(uninstaller);
    LogRegKey(HKEY_LOCAL_MACHINE, kUninstallKey);
}

DWORD CSetupThread::EstimatedSizeKb(unsigned long long bytes)
{
    const unsigned long long kb = (bytes + 1023) / 1024;
    return kb > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(kb);
}

void CSetupThread::WriteUninstallDetails(const std::string& uninstaller)
{
    using namespace installlog;
    // The folder without its trailing backslash, a drive's root aside.
    std::string location = m_strInstallDir;
    if (location.size() > 3 && winlib::EndsWithBackslash(location))
        location.pop_back();
    const HKEY root = HKEY_LOCAL_MACHINE;
    m_recorder.SetString(root, kUninstallKey, kDisplayVersionValue, kDisplayVersion);
    m_recorder.SetString(root, kUninstallKey, kPublisherValue, kPublisher);
    m_recorder.SetString(root, kUninstallKey, kDisplayIconValue, MakePath(m_strInstallDir, kIconFile));
    m_recorder.SetString(root, kUninstallKey, kInstallLocationValue, location);
    m_recorder.SetDword(root, kUninstallKey, kEstimatedSizeValue, EstimatedSizeKb(m_copier.BytesCopied()));
    m_recorder.SetDword(root, kUninstallKey, kNoModifyValue, 1);
    m_recorder.SetDword(root, kUninstallKey, kNoRepairValue, 1);
    // Quoted: the folder may hold blanks.
    m_recorder.SetString(root, kUninstallKey, kQuietUninstallStringValue, "\"" + uninstaller + "\" /S");
    m_recorder.SetString(root, kUninstallKey, kInstallDateValue, Today());
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
