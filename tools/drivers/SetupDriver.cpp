// Drives the real Setup.exe as a user would, finding its pages by caption
// and control id and clicking with posted button clicks, and checks what
// an installation made.
//
// Usage: setup_driver <Setup.exe> <scenario> [folder] [--hold-ms N] [--timeout-s S]
//                     [--acad-profile KEY]
// Scenarios:
//   install <folder>   every page: the agreement's choices, a destination
//                      without a backslash refused, Back and Next again, the
//                      folder picker choosing <folder>, the cancel question
//                      on the progress page declined, the finish page with
//                      its readme; then the installation in
//                      <folder>\Kestrova\ZEMLO\ is checked (files, registry,
//                      shortcuts, install log, and with --acad-profile the
//                      AutoCAD profile key under HKEY_CURRENT_USER).
//   quit               Cancel + No on the welcome page shows it again;
//                      Cancel + Yes on the agreement page ends Setup.
//   cancel-copy <dir>  installs into <dir>, cancels during the copy and
//                      confirms: Setup undoes what it copied, says that
//                      nothing was installed and ends as cancelled, without
//                      the finish page, having recorded nothing.
//   cancel-reinstall <dir>
//                      as cancel-copy, over the earlier installation in
//                      <dir>\Kestrova\ZEMLO (the re-install question
//                      answered Yes): its log and product key are there
//                      afterwards.
//   reinstall-no       the re-install question answered No ends Setup
//                      before any page.
//   check <dir>        starts nothing: checks the installation in <dir> as
//                      install does (an unattended run made it).
//   install-held <dir> <file>
//                      installs into <dir> while the driver holds the
//                      medium's <file> open: the question about the file
//                      that cannot be copied is answered Ignore, the finish
//                      page says one file was not copied, and the file is
//                      neither installed nor recorded.
//   move <folder> <earlier>
//                      over the earlier installation in <earlier>: the
//                      re-install question answered Yes, <folder> typed on
//                      the destination page, the question whether to
//                      replace the earlier installation answered No (the
//                      page again) and then Yes, the finish page saying it
//                      was removed; then the installation in <folder> is
//                      checked and <earlier> must be gone.
//   peak <folder>      installs into <folder> with the fewest clicks and
//                      prints Setup's peak working set on the welcome page
//                      and on the finish page as
//                      "setup_welcome_peak_working_set_mb: <MB>" and
//                      "setup_peak_working_set_mb: <MB>" (the first one
//                      half a second before leaving the page); then Finish
//                      without the readme (the benchmark's run of the real
//                      program on a large medium; nothing is checked
//                      beyond the pages).
// Each state reached is printed as "state: <name>" and held for N ms (for
// a screenshot). Exit code 0 when every check held, 1 otherwise, 2 on bad
// usage.
#include "InstallationCheck.h"
#include "SetupScenarios.h"
#include "WizardDrive.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace wizard;

namespace {

// The options and the scenario; false on bad usage.
bool ParseOptions(int argc, char** argv, Options& options, const Scenario*& scenario)
{
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--hold-ms" && i + 1 < argc)
            options.holdMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--timeout-s" && i + 1 < argc)
            options.timeoutMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10)) * 1000;
        else if (arg == "--acad-profile" && i + 1 < argc)
            options.acadProfile = argv[++i];
        else if (arg.compare(0, 2, "--") == 0)
            return false;
        else
            positional.push_back(arg);
    }
    if (positional.size() < 2)
        return false;
    options.program = positional[0];
    options.scenario = positional[1];
    if (options.scenario == "check") {
        scenario = nullptr;
    } else {
        scenario = FindScenario(options.scenario);
        if (scenario == nullptr || positional.size() != 2 + static_cast<std::size_t>(scenario->arguments))
            return false;
    }
    if (positional.size() > 2)
        options.folder = positional[2];
    if (positional.size() > 3)
        (options.scenario == "move" ? options.earlier : options.heldFile) = positional[3];
    return scenario != nullptr || positional.size() == 3;
}

// Starts Setup, finds its window thread and drives the scenario; checks
// that Setup ends and with which code. 0 when every check held.
int Drive(Run& run, const Scenario& scenario)
{
    // The medium file that another program holds open (no sharing) for
    // the length of the run.
    winlib::ScopedHandle held;
    if (!run.options.heldFile.empty()) {
        held.reset(::CreateFileA(run.options.heldFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        gui::Check(held.valid(), "the medium file is held open");
    }
    // Started from another drive's folder: Setup finds its medium by its
    // own path, not by the current folder.
    if (!gui::StartProgram(run.options.program, run.pi, "C:\\"))
        return 1;
    int result = 1;
    // The wizard's pages all belong to Setup's one window thread; find it
    // from the first window Setup shows.
    const ULONGLONG start = ::GetTickCount64();
    while (run.guiThread == 0 && ::GetTickCount64() - start < run.options.timeoutMs) {
        if (HWND any = gui::FindProcessDialog(run.pi.process_id(), nullptr))
            run.guiThread = ::GetWindowThreadProcessId(any, nullptr);
        else if (::WaitForSingleObject(run.pi.process_handle(), 20) == WAIT_OBJECT_0)
            break;
    }
    gui::Check(run.guiThread != 0, "Setup shows a window");
    if (run.guiThread != 0)
        result = scenario.drive(run);
    if (::WaitForSingleObject(run.pi.process_handle(), 0) == WAIT_TIMEOUT) {
        gui::Check(false, "Setup has ended");
        gui::SetWorkersSuspended(run.pi.process_id(), run.guiThread, false);
        ::TerminateProcess(run.pi.process_handle(), 1);
        result = 1;
    }
    // Leaving the wizard, declining the re-install and a cancelled (and
    // undone) installation all end as cancelled by the user; installations
    // that went through end with 0.
    DWORD exitCode = STILL_ACTIVE;
    ::GetExitCodeProcess(run.pi.process_handle(), &exitCode);
    gui::Check(exitCode == scenario.expectedExit, "Setup exits with code " + std::to_string(scenario.expectedExit) +
                                                      " (" + std::to_string(exitCode) + ")");
    run.pi.reset();
    gui::State("ended", 0);
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    Run run;
    const Scenario* scenario = nullptr;
    if (!ParseOptions(argc, argv, run.options, scenario)) {
        std::fprintf(stderr, "usage: setup_driver <Setup.exe> install|cancel-copy|peak <folder> | install-held <folder> <file> "
                             "| move <folder> <earlier> | quit | reinstall-no | check <folder> "
                             "[--hold-ms N] [--timeout-s S] [--acad-profile KEY]\n");
        return 2;
    }
    if (scenario == nullptr) {
        // An installation made without the wizard (an unattended run),
        // checked as the wizard's is.
        installcheck::CheckInstallation(FolderOf(run.options.program), WithBackslash(run.options.folder),
                                        run.options.acadProfile);
    } else if (Drive(run, *scenario) != 0) {
        return 1;
    }
    return gui::Failures() == 0 ? 0 : 1;
}
