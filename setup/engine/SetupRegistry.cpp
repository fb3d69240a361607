// The product key, the uninstall entry, and AutoCAD detection and profiles.
#include "engine/SetupThread.h"

#include "engine/RegistryAccess.h"
#include "installlog/Contract.h"
#include "winlib/StringUtil.h"

namespace {

const char kDisplayName[] = "direveradi ZEMLO V8.0";
const char kVersion[] = "8.00";

// AutoCAD reads its release keys machine-wide and per user under the same
// path; the profiles live under the per-user one (key names ignore case).
const char kReleaseKeyRoot[] = "SOFTWARE\\Autodesk\\AutoCAD\\";
const char kProfileKeyRoot[] = "Software\\Autodesk\\AutoCAD\\";

BOOL QueryString(engine::Hive hive, const std::string& key, const char* name, std::string& text)
{
    return hive == engine::Hive::Machine ? engine::QueryMachineString(key, name, text)
                                         : engine::QueryUserString(key, name, text);
}

// Reads "CurVer" of the release key from the hives in order; TRUE at the
// first one that has it.
BOOL ReadProductCode(const engine::HiveOrder& order, const std::string& releaseKey, std::string& code)
{
    code.clear();
    for (std::size_t i = 0; i < order.count; ++i)
        if (QueryString(order.hives[i], releaseKey, "CurVer", code))
            return TRUE;
    return FALSE;
}

}  // namespace

void CSetupThread::RegisterProduct()
{
    engine::SetMachineString(installlog::kProductKey, installlog::kInstallPathValue, m_strInstallDir);
    engine::SetMachineString(installlog::kProductKey, installlog::kVersionValue, kVersion);
    LogRegKey(HKEY_LOCAL_MACHINE, installlog::kProductKey);

    // One folder string shared by all releases; each detection empties it.
    std::string acadFolder;
    for (const engine::AcadRelease& release : engine::AcadReleases())
        if (FindAcadFolder(release, acadFolder))
            ConfigureAcadProfile(release, acadFolder);

    const std::string uninstaller = MakePath(m_strInstallDir, "Uninstall.exe");
    engine::SetMachineString(installlog::kUninstallKey, installlog::kDisplayNameValue, kDisplayName);
    engine::SetMachineString(installlog::kUninstallKey, installlog::kUninstallStringValue, uninstaller);
    LogRegKey(HKEY_LOCAL_MACHINE, installlog::kUninstallKey);
}

BOOL CSetupThread::FindAcadFolder(const engine::AcadRelease& release, std::string& acadFolder)
{
    acadFolder.clear();
    const std::string releaseKey = std::string(kReleaseKeyRoot) + release.name;

    std::string code;
    if (!ReadProductCode(release.detectCurVer, releaseKey, code)) {
        if (release.defaultProductCode == nullptr)
            return FALSE;
        code = release.defaultProductCode;
    }

    // The installation folder is kept machine-wide under the product code.
    // Only the text counts, not whether the read succeeded.
    const std::string productKey = releaseKey + "\\" + code;
    for (std::size_t i = 0; i < release.folderValues.count && acadFolder.empty(); ++i)
        engine::QueryMachineString(productKey, release.folderValues.names[i], acadFolder);
    if (acadFolder.empty())
        return FALSE;
    winlib::AppendBackslash(acadFolder);
    return TRUE;
}

void CSetupThread::ConfigureAcadProfile(const engine::AcadRelease& release, const std::string& acadFolder)
{
    const std::string releaseKey = std::string(kReleaseKeyRoot) + release.name;
    std::string code;
    if (!ReadProductCode(release.profileCurVer, releaseKey, code)) {
        // Without a product code there is no profile root to write under:
        // keys with an empty code would land beside AutoCAD's own.
        if (release.defaultProductCode == nullptr)
            return;
        code = release.defaultProductCode;
    }
    const std::string profiles = std::string(kProfileKeyRoot) + release.name + "\\" + code + "\\Profiles\\";
    const std::string ours = profiles + engine::kAcadProfileName;

    std::string searchPath;
    if (release.defaultProfiles.count == 0) {
        // The AutoCAD folder's own support folders follow the product's.
        const char* folder = acadFolder.c_str();
        const char* install = m_strInstallDir.c_str();
        searchPath = winlib::Format(release.supportPathFormat, install, install, folder, folder, folder, folder);
    } else {
        // The support paths of the user's default profile follow the
        // product's; empty when there is none.
        std::string defaultPath;
        for (std::size_t i = 0; i < release.defaultProfiles.count; ++i)
            if (engine::QueryUserString(profiles + release.defaultProfiles.names[i] + "\\General", "ACAD",
                                        defaultPath))
                break;
        const char* install = m_strInstallDir.c_str();
        searchPath = winlib::Format(release.supportPathFormat, install, install, defaultPath.c_str());
    }

    engine::SetUserString(ours + "\\General", "ACAD", searchPath);
    if (release.menuFile != nullptr)
        engine::SetUserString(ours + "\\General Configuration", "MenuFile", m_strInstallDir + release.menuFile);
    engine::SetUserString(ours, "", engine::kAcadProfileName);
}
