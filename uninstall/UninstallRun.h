// Uninstall as a program: its command line, the rights it needs, and the
// two ways it runs, the confirmation with the window, or the unattended
// removal an administrator's deployment tool starts with /S.
#pragma once

#include <functional>
#include <string_view>

// Removes the installation the program belongs to (the log beside it, else
// the recorded one) with no window and no question; the self-removal
// follows as usual. Returns the exit code: failed when there is no log or
// it cannot be read (nothing was removed), else the run's outcome's.
int RunUnattendedUninstall();

// The whole program for the arguments of its command line: reads them (a
// bad switch: its message and the usage; /?: the usage; each in a box
// unless /S appears, the usage then in the run log), opens the run log of
// /LOG= (never inside the program's folder or the recorded installation),
// refuses to run without administrator rights, then removes unattended
// (/S) or runs runInteractive (the confirmation and the window), which
// returns its exit code. The run log ends with the exit code returned.
int RunUninstall(std::string_view arguments, bool administrator, const std::function<int()>& runInteractive);
