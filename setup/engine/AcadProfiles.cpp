#include "engine/AcadProfiles.h"

#include "engine/InstallJob.h"

#include "engine/RegistryAccess.h"
#include "winlib/RegistryView.h"
#include "winlib/StringUtil.h"

#include <utility>

namespace engine {
namespace {

// AutoCAD reads its release keys machine-wide and per user under the same
// path; the profiles live under the per-user one (key names ignore case).
const char kReleaseKeyRoot[] = "SOFTWARE\\Autodesk\\AutoCAD\\";
const char kProfileKeyRoot[] = "Software\\Autodesk\\AutoCAD\\";

BOOL QueryString(Hive hive, const std::string& key, const char* name, std::string& text, winlib::RegKey::View view)
{
    return hive == Hive::Machine ? QueryMachineString(key, name, text, view) : QueryUserString(key, name, text);
}

// Reads "CurVer" of the release key from the hives in order (the machine's
// in view); TRUE at the first one that has it.
BOOL ReadProductCode(const HiveOrder& order, const std::string& releaseKey, std::string& code,
                     winlib::RegKey::View view)
{
    code.clear();
    for (std::size_t i = 0; i < order.count; ++i)
        if (QueryString(order.hives[i], releaseKey, "CurVer", code, view))
            return TRUE;
    return FALSE;
}

}  // namespace

BOOL AcadProfiles::FindAcadFolder(const AcadRelease& release, View view, std::string& acadFolder)
{
    acadFolder.clear();
    const std::string releaseKey = std::string(kReleaseKeyRoot) + release.name;

    std::string code;
    if (!ReadProductCode(release.detectCurVer, releaseKey, code, view)) {
        if (release.defaultProductCode == nullptr)
            return FALSE;
        code = release.defaultProductCode;
    }

    // The installation folder is kept machine-wide under the product code.
    // Only the text counts, not whether the read succeeded.
    const std::string productKey = releaseKey + "\\" + code;
    for (std::size_t i = 0; i < release.folderValues.count && acadFolder.empty(); ++i)
        QueryMachineString(productKey, release.folderValues.names[i], acadFolder, view);
    if (acadFolder.empty())
        return FALSE;
    winlib::AppendBackslash(acadFolder);
    return TRUE;
}

std::vector<AcadInstallation> AcadProfiles::FindInstallations()
{
    std::vector<AcadInstallation> found;
    std::string folder;
    for (const AcadRelease& release : AcadReleases()) {
        const std::size_t first = found.size();
        for (const View view : winlib::MachineViews()) {
            if (!FindAcadFolder(release, view, folder))
                continue;
            bool again = false;
            for (std::size_t i = first; i < found.size() && !again; ++i)
                again = winlib::EqualNoCase(found[i].folder, folder);
            if (!again)
                found.push_back({&release, view, folder});
        }
    }
    return found;
}

bool AcadProfiles::ProfileCode(const AcadRelease& release, View view, std::string& code)
{
    const std::string releaseKey = std::string(kReleaseKeyRoot) + release.name;
    if (ReadProductCode(release.profileCurVer, releaseKey, code, view))
        return true;
    // Without a product code there is no profile root to write under: keys
    // with an empty code would land beside AutoCAD's own.
    if (release.defaultProductCode == nullptr)
        return false;
    code = release.defaultProductCode;
    return true;
}

bool AcadProfiles::ConfigureAcadProfile(const AcadRelease& release, const std::string& acadFolder, View view)
{
    std::string code;
    return !ProfileCode(release, view, code) || WriteProfile(release, code, acadFolder);
}

bool AcadProfiles::WriteProfile(const AcadRelease& release, const std::string& code, const std::string& acadFolder)
{
    const std::string profiles = std::string(kProfileKeyRoot) + release.name + "\\" + code + "\\Profiles\\";
    const std::string ours = profiles + kAcadProfileName;

    std::string searchPath;
    if (release.defaultProfiles.count == 0) {
        // The AutoCAD folder's own support folders follow the product's.
        const char* folder = acadFolder.c_str();
        const char* install = m_installDir.c_str();
        searchPath = winlib::Format(release.supportPathFormat, install, install, folder, folder, folder, folder);
    } else {
        // The support paths of the user's default profile follow the
        // product's; empty when there is none.
        std::string defaultPath;
        for (std::size_t i = 0; i < release.defaultProfiles.count; ++i)
            if (QueryUserString(profiles + release.defaultProfiles.names[i] + "\\General", "ACAD", defaultPath))
                break;
        const char* install = m_installDir.c_str();
        searchPath = winlib::Format(release.supportPathFormat, install, install, defaultPath.c_str());
    }

    const HKEY user = HKEY_CURRENT_USER;
    return m_writer.String(user, ours + "\\General", "ACAD", searchPath) &&
           (release.menuFile == nullptr ||
            m_writer.String(user, ours + "\\General Configuration", "MenuFile", m_installDir + release.menuFile)) &&
           m_writer.String(user, ours, "", kAcadProfileName);
}

bool AcadProfiles::ConfigureAll()
{
    // Each release's product codes already given a profile.
    std::vector<std::pair<const AcadRelease*, std::string>> done;
    std::string code;
    for (const AcadInstallation& found : FindInstallations()) {
        if (!ProfileCode(*found.release, found.view, code))
            continue;
        bool again = false;
        for (const auto& d : done)
            again = again || (d.first == found.release && winlib::EqualNoCase(d.second, code));
        if (again)
            continue;
        if (!WriteProfile(*found.release, code, found.folder))
            return false;
        done.emplace_back(found.release, code);
    }
    return true;
}

namespace {

// The host of a step nobody watches: nothing to report, no cancel, and a
// question is answered by giving up.
class QuietHost : public InstallHost {
public:
    int AskUser(const std::string&, UINT type) override { return UnattendedAnswer(type); }
    void NotifyFileCopied(const std::string&, const std::string&) override {}
    BOOL IsCancelled() const override { return FALSE; }
};

}  // namespace

bool ConfigureRunningUser(const std::string& installDir)
{
    QuietHost host;
    // What the writes replace is noted, as in an installation, but never
    // undone: a profile written is the user's setting.
    ChangeJournal journal;
    RegistryWriter writer(host, journal);
    return AcadProfiles(writer, installDir).ConfigureAll();
}

std::string AcadProfilesStep::Describe(const InstallJob& job) const
{
    return job.audience.configureRunningUser ? "写入 AutoCAD 配置"
                                             : "本帐户不是用户的帐户，AutoCAD 配置在每个用户登录时写入";
}

StepResult AcadProfilesStep::Run(InstallJob& job)
{
    // LocalSystem's own hive reaches no person: each user gets the
    // profiles at logon instead.
    if (!job.audience.configureRunningUser)
        return StepResult::kDone;
    RegistryWriter writer(job.host, job.record.Journal());
    return AcadProfiles(writer, job.installDir).ConfigureAll() ? StepResult::kDone : StepResult::kFailed;
}

}  // namespace engine
