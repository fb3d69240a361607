// AcadProfiles: finds the installed AutoCAD releases of the release table
// and gives each one the product's profile "<<enggZEMLO V8>>" in the
// current user's part of the registry, which puts the product's support
// folders on AutoCAD's search path. Every value goes through the writer,
// so a rollback puts the old one back and a failed write is asked about.
//
// On 64-bit Windows a release may be installed as a 32-bit program (its
// machine-wide keys in the 32-bit registry view, as every release up to
// 2007 is) or as a 64-bit one (2008 to 2010, in the 64-bit view), or both:
// every release is looked for in every view (winlib::MachineViews). The
// profiles live per user, where both views share one hive.
#pragma once

#include "engine/AcadRelease.h"
#include "engine/InstallStep.h"
#include "engine/RegistryWriter.h"
#include "winlib/RegKey.h"

#include <windows.h>

#include <string>
#include <vector>

namespace engine {

// One installation found: the release, the registry view its machine-wide
// keys were found in, and its folder (ending in a backslash).
struct AcadInstallation {
    const AcadRelease* release;
    winlib::RegKey::View view;
    std::string folder;
};

class AcadProfiles {
public:
    using View = winlib::RegKey::View;

    AcadProfiles(RegistryWriter& writer, const std::string& installDir) : m_writer(writer), m_installDir(installDir) {}

    // Finds the folder of one release whose machine-wide keys are in view;
    // TRUE with the folder (ending in a backslash) in acadFolder, FALSE
    // with acadFolder empty. Reads only: no key is created.
    static BOOL FindAcadFolder(const AcadRelease& release, View view, std::string& acadFolder);
    // Every installation on this machine: the releases in the table's
    // order, each in the views of winlib::MachineViews in their order. A
    // release found with the same folder in two views (keys both views
    // share) is one installation, listed once.
    static std::vector<AcadInstallation> FindInstallations();
    // The product code the profile of a release found in view is written
    // under; false when it has none (no "CurVer" and no default code).
    static bool ProfileCode(const AcadRelease& release, View view, std::string& code);
    // Writes the installation's profile for one release under its product
    // code in view (nothing when it has none). acadFolder (ending in a
    // backslash) is used only by releases without a default profile
    // (R15.0). False when a value could not be written.
    bool ConfigureAcadProfile(const AcadRelease& release, const std::string& acadFolder, View view = View::Native);
    // Every installation found gets its profile, under each product code
    // found once (two installations of a release under one code share one
    // profile: the first one's). False when a value could not be written.
    bool ConfigureAll();

private:
    bool WriteProfile(const AcadRelease& release, const std::string& code, const std::string& acadFolder);

    RegistryWriter& m_writer;
    const std::string& m_installDir;  // ends in a backslash
};

// The per-user step of an installation for all users, run at each user's
// logon: the same profiles as the installation's step, for the user this
// process runs as, by the same rules. Asks nothing (a value that cannot be
// written ends it) and writes nothing machine-wide. True when every
// release found got its profile.
bool ConfigureRunningUser(const std::string& installDir);

// The installation's step: every release found gets its profile.
class AcadProfilesStep : public InstallStep {
public:
    std::string Describe(const InstallJob& job) const override;
    StepResult Run(InstallJob& job) override;
};

}  // namespace engine
