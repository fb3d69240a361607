// The scenarios of the Setup driver: each starts from Setup's first window
// and works the wizard as a user would, checking what it meets on the way
// (and, after an installation, what was installed). Each returns 0 when
// its checks held.
#pragma once

#include "WizardDrive.h"

#include <windows.h>

#include <string>

namespace wizard {

struct Scenario {
    const char* name;    // on the command line
    int arguments;       // what follows the name: 0, the folder, or the folder and the held file
    DWORD expectedExit;  // the code Setup must end with
    int (*drive)(Run& run);
};

// The scenario of that name, or null.
const Scenario* FindScenario(const std::string& name);

}  // namespace wizard
