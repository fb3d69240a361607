// Setup as a program: its command line, the rights it needs, and the two
// ways it runs, the wizard and the unattended installation an
// administrator's deployment tool starts with /S.
#pragma once

#include "engine/Audience.h"
#include "runfront/CommandLine.h"

#include <functional>
#include <string>
#include <string_view>

// The folder the wizard offers and an unattended run installs into when no
// /D= is given.
inline constexpr char kDefaultInstallDir[] = "C:\\Program Files\\Kestrova\\ZEMLO\\";

// Installs from the medium in sourceDir into the folder of options (/D=,
// else the earlier installation's, else the default) with no window: an
// earlier installation is installed over in its own folder, and replaced
// (removed first) when /D= names another; every question the installation
// would ask is answered with the answer that stops it, so that the run
// fails and undoes what it did.
// Returns the exit code (runfront::ExitCode).
int RunUnattendedSetup(const std::string& sourceDir, const runfront::CommandLineOptions& options);

// The whole program for the arguments of its command line: reads them
// (a bad switch: its message and the usage; /?: the usage; each in a box
// unless /S appears, the usage then in the run log), opens the run log of
// /LOG= (never inside the medium, an earlier installation or the folder to
// install into), refuses to run without administrator rights, then
// installs unattended (/S) or runs the wizard through runWizard, which gets
// the /D= folder (or an empty text) and whom to install for (/ALLUSERS, or
// an account that is nobody's), and returns its exit code. The run log ends
// with the exit code returned.
int RunSetup(std::string_view arguments, bool administrator,
             const std::function<int(const std::string& installDir, const engine::Audience& audience)>& runWizard);
