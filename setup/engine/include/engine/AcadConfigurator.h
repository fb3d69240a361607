// AcadConfigurator: finds the installed AutoCAD releases of the release
// table and gives each one the product's profile. Every value it writes
// goes through the recorder, so that a rollback puts the old one back.
#pragma once

#include "engine/AcadRelease.h"
#include "engine/InstallRecorder.h"

#include <windows.h>

#include <string>

namespace engine {

class AcadConfigurator {
public:
    AcadConfigurator(InstallRecorder& recorder, const std::string& installDir)
        : m_recorder(recorder), m_installDir(installDir)
    {
    }

    // Finds the folder of one release; TRUE with the folder (ending in a
    // backslash) in acadFolder, FALSE with acadFolder empty. Reads only:
    // no key is created.
    static BOOL FindAcadFolder(const AcadRelease& release, std::string& acadFolder);
    // Writes the installation's profile for one release. acadFolder (ending
    // in a backslash) is used only by releases without a default profile
    // (R15.0).
    void ConfigureAcadProfile(const AcadRelease& release, const std::string& acadFolder);
    // Every release found gets its profile.
    void ConfigureAll();

private:
    InstallRecorder& m_recorder;
    const std::string& m_installDir;  // ends in a backslash
};

}  // namespace engine
