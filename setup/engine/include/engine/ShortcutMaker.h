// ShortcutMaker: the shortcuts on the desktop, in the Programs menu and,
// one per AutoCAD release found (AcadProfiles::FindInstallations: a
// release installed in both registry views gets the 64-bit one's), in the
// install folder. The shell folders
// come from the registry and are checked before use; every shortcut saved
// is recorded.
#pragma once

#include "engine/InstallStep.h"

#include <windows.h>

#include <string>

namespace engine {

class ShortcutMaker : public InstallStep {
public:
    std::string Describe(const InstallJob& job) const override;
    // Makes every shortcut. A shortcut that cannot be saved is left out,
    // and so is every one when no pair of shell folders is found (the run
    // log says so): the step never fails.
    StepResult Run(InstallJob& job) override;

    // Makes every shortcut; FALSE when no pair of shell folders was found
    // (then nothing is made).
    static BOOL CreateShortcuts(InstallJob& job);

    // Saves one shell link at path. arguments and icon may be null. TRUE
    // when the file was saved; a path that does not fit MAX_PATH is a
    // failed save. The calling thread must be initialised for COM.
    static BOOL CreateShortcut(const char* workingDir, const char* path, const char* target, const char* arguments,
                               const char* icon);
};

}  // namespace engine
