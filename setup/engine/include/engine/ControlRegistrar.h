// ControlRegistrar: registers the product's ActiveX controls, the "*.ocx"
// files directly in the installed "Controls" folder that this run copied
// there, each by the system's regsvr32 in a child process with a time
// limit, so that a control that crashes or hangs cannot take Setup with
// it. Each one is recorded for the uninstaller whether or not it
// registered; one that registered is noted for the undo.
#pragma once

#include "engine/InstallStep.h"

#include <string>

namespace engine {

class ControlRegistrar : public InstallStep {
public:
    std::string Describe(const InstallJob& job) const override;
    // Never fails: a control that does not register is counted.
    StepResult Run(InstallJob& job) override;
};

}  // namespace engine
