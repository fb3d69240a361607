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

}  // namespace engine
