// The exit codes of Setup and Uninstall, the ones an administrator's
// deployment script sees. Plain C++ without Windows headers.
//
// The values are those that Windows Installer and the Win32 error table give
// the same meanings, so deployment tools that already know them (and treat
// every code but 0, 1641 and 3010 as a failure) read ours correctly:
//   1602  ERROR_INSTALL_USEREXIT        the user cancelled
//   1603  ERROR_INSTALL_FAILURE         a fatal error; what was done is undone
//   1604  ERROR_INSTALL_SUSPENDED       "installation suspended, incomplete":
//                                       the run failed and part of it stays
//   1639  ERROR_INVALID_COMMAND_LINE    a bad switch
//    740  ERROR_ELEVATION_REQUIRED      the same code the system gives when
//                                       it cannot start the program elevated
//   1618  ERROR_INSTALL_ALREADY_RUNNING another run on the same installation
//                                       is in progress; nothing was done
//   3010  ERROR_SUCCESS_REBOOT_REQUIRED success; what was in use goes when
//                                       the computer restarts
// Tools act on the last two by themselves: they retry a run that ended with
// 1618 once the other one is over, and count 3010 as a success that waits
// for the restart they schedule. Small numbers (1, 2, ...) were not taken:
// scripts and tools read them as "generic error" and "file not found".
#pragma once

namespace runfront {

enum ExitCode : int {
    // Setup installed the product / Uninstall removed it; also the code after
    // the usage text was asked for with /?.
    kExitSuccess = 0,
    // The user said no or cancelled (Setup's quit or re-install question,
    // Uninstall's confirmation). Nothing was changed, or what was done is
    // undone.
    kExitCancelled = 1602,
    // The run failed and the machine is as it was before it: Setup undid its
    // steps, Uninstall failed before removing anything.
    kExitFailed = 1603,
    // The run failed and part of it stays: Setup could not undo everything,
    // Uninstall removed only part of the product.
    kExitFailedIncomplete = 1604,
    // The command line holds an unknown, repeated or malformed switch;
    // nothing was done.
    kExitBadCommandLine = 1639,
    // The program does not run with administrator rights; nothing was done.
    kExitNotAdministrator = 740,
    // Another Uninstall is removing the same installation; this one touched
    // nothing.
    kExitAlreadyRunning = 1618,
    // The run succeeded, but files in use go only when the computer
    // restarts: the restart finishes the job. Uninstall ends so when
    // nothing else is left; Setup has no step that waits for a restart.
    kExitRestartNeeded = 3010,
};

// A short Chinese (GBK) text for an exit code, for the run log's last line;
// null for a value that is none of the codes above.
const char* ExitCodeMeaning(int code);

}  // namespace runfront
