// The steps of an installation, in the order the worker runs them: the
// seven product folders, the root files, the controls, the product's
// registration, the AutoCAD profiles, the shortcuts and, last, the log.
// Each says what it does (for the run log) and reports whether it did it;
// a step that could not do its work (the user gave up at a question, a
// write failed) ends the run, which is then undone.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace engine {

struct InstallJob;

enum class StepResult { kDone, kFailed };

class InstallStep {
public:
    virtual ~InstallStep() = default;
    // The run log's record as the step starts.
    virtual std::string Describe(const InstallJob& job) const = 0;
    virtual StepResult Run(InstallJob& job) = 0;
    // True for the step that completes the installation: from its start
    // on, the run can no longer be cancelled.
    virtual bool Completes() const { return false; }
};

// Every step of an installation, in order.
std::vector<std::unique_ptr<InstallStep>> InstallSteps();

// The seven product folders of the medium, in the order in which they are
// copied (and counted by the progress page).
const std::array<const char*, 7>& ProductFolders();

}  // namespace engine
