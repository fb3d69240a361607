// The removal of an earlier installation that a move replaces: Setup runs
// the uninstaller's own replay of that installation's log (the same code
// and the same rules as Uninstall.exe: only what Setup can have put there,
// each object checked where it lies and deleted through the handle that
// checked it), with no window, under the lock that keeps a second
// uninstaller of that installation out.
#pragma once

#include "engine/InstallOutcome.h"

#include <string>

// Removes the installation in folder (which holds its "Uninstall.log").
// The run log gets the replay's records; when something stays, also each
// entry the replay did remove. Busy, touching nothing, while an
// uninstaller of that installation runs.
engine::EarlierRemoval RemoveEarlierInstallation(const std::string& folder);
