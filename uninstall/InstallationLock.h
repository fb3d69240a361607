// One uninstaller at a time per installation: a named mutex whose name is
// derived from the installation's folder. Two copies of Uninstall on the
// same installation (a double click, a deployment tool starting it while
// the user does) would replay the same log at once, each counting the
// other's deletions as failures; the second one therefore stops before it
// touches anything.
//
// The name lies in the "Global\" namespace: the installation is the
// machine's (its keys lie under HKEY_LOCAL_MACHINE), so an administrator in
// another session (remote desktop, fast user switching) is removing the same
// one. Creating a global object needs the right to, which administrators
// hold, and Uninstall runs only with administrator rights.
#pragma once

#include "winlib/Handles.h"

#include <windows.h>

#include <string>

// The mutex's name for an installation folder: "Global\ZEMLO-V8-Uninstall-"
// and 16 hexadecimal digits of a hash of the folder's normal form (long
// names, no trailing backslash, ASCII letters in upper case), so that every
// spelling of one folder gives one name and no name holds a backslash.
std::string InstallationLockName(const std::string& folder);

class CInstallationLock {
public:
    enum class State {
        Held,        // this process holds the lock for the folder
        Busy,        // another uninstaller holds it
        Unavailable  // the system gave no lock: the run goes on without one
    };

    CInstallationLock() = default;
    CInstallationLock(const CInstallationLock&) = delete;
    CInstallationLock& operator=(const CInstallationLock&) = delete;

    // Takes the lock for the folder; any lock held before is let go first.
    State Acquire(const std::string& folder);
    // The system's error when the lock was Unavailable.
    DWORD Error() const { return m_dwError; }

private:
    winlib::ScopedHandle m_mutex;
    DWORD m_dwError = ERROR_SUCCESS;
};
