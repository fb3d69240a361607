// ProductRegistration: the product key (the installation folder and the
// version, which a later Setup and Uninstall read) and the entry of
// Windows' list of installed programs, each recorded for the uninstaller.
#pragma once

#include "engine/InstallStep.h"

#include <windows.h>

#include <string>

namespace engine {

class ProductRegistration : public InstallStep {
public:
    std::string Describe(const InstallJob& job) const override;
    StepResult Run(InstallJob& job) override;

    // The size the list of installed programs shows, in KB (rounded up),
    // for the bytes copied; never wraps.
    static DWORD EstimatedSizeKb(unsigned long long bytes);
};

// In an installation for all users: the Active Setup component that makes
// each user's AutoCAD profiles at their logon (the installation's own
// per-user program with its switch), recorded for the uninstaller.
// Nothing in an installation for the running user alone.
class ActiveSetupRegistration : public InstallStep {
public:
    std::string Describe(const InstallJob& job) const override;
    StepResult Run(InstallJob& job) override;
};

}  // namespace engine
