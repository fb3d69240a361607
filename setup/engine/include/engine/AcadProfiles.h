// AcadProfiles: finds the installed AutoCAD releases of the release table
// and gives each one the product's profile "<<enggZEMLO V8>>" in the
// current user's part of the registry, which puts the product's support
// folders on AutoCAD's search path. Every value goes through the writer,
// so a rollback puts the old one back and a failed write is asked about.
#pragma once

#include "engine/AcadRelease.h"
#include "engine/InstallStep.h"
#include "engine/RegistryWriter.h"

#include <windows.h>

#include <string>

namespace engine {

class AcadProfiles {
public:
    AcadProfiles(RegistryWriter& writer, const std::string& installDir) : m_writer(writer), m_installDir(installDir) {}

    // Finds the folder of one release; TRUE with the folder (ending in a
    // backslash) in acadFolder, FALSE with acadFolder empty. Reads only:
    // no key is created.
    static BOOL FindAcadFolder(const AcadRelease& release, std::string& acadFolder);
    // Writes the installation's profile for one release. acadFolder (ending
    // in a backslash) is used only by releases without a default profile
    // (R15.0). False when a value could not be written.
    bool ConfigureAcadProfile(const AcadRelease& release, const std::string& acadFolder);
    // Every release found gets its profile. False when a value could not
    // be written.
    bool ConfigureAll();

private:
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
