// Whose is it: the rules by which the uninstaller tells what a recorded
// entry names today. Two installations of the product can stand side by
// side (another folder, the same shortcut names, the same controls): the
// last one written owns the shortcuts of those names and the controls'
// registrations, and removing the other one must leave them.
//
//   - A shortcut outside the installation is this installation's only when
//     it loads as a shell link whose target lies inside the installation
//     folder (or is that folder). Anything else under that name (a link to
//     another installation, a file that is no link) is kept.
//   - A control is unregistered only when the registration the system
//     holds names this very file (see ControlRegistration).
//   - The product key's parents, which Setup created with it, go when they
//     are empty once the product key is gone.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ownership {

// True when path (normal form, see InstallScope.h) is folder or lies
// inside it: by its text first, ignoring the case of ASCII letters; then,
// for another spelling of the same folder (a short 8.3 name, a link), by
// the identity on disk of each existing folder above it.
bool LiesIn(const std::string& path, const std::string& folder);

// The target of a shortcut file as the shell stores it (environment
// strings expanded); false when the file does not load as a shell link or
// names no file system target. Starts COM on the calling thread for the
// call.
bool ReadShortcutTarget(const std::string& linkPath, std::string& target);

// True when the file at linkPath is a shortcut whose target LiesIn the
// installation folder (normal form).
bool ShortcutPointsInto(const std::string& linkPath, const std::string& installFolder);

// True when a recorded shortcut (normal form) is to be kept: it lies
// outside the installation folder, is there, and is not a shortcut into
// the installation (another installation's of the same name, or no
// shortcut at all). A shortcut inside the installation goes with it.
bool KeepsShortcut(const std::string& linkPath, const std::string& installFolder);

// KeepsShortcut for the file the handle holds (opened with read access):
// the link is read from that very file, so what is judged is what is then
// deleted through the same handle. A file that does not load as a shell
// link is kept.
bool KeepsHeldShortcut(HANDLE link, const std::string& installFolder);

// What the system's class registrations say of a control file: the classes
// whose InprocServer32 names a file of the control's name (its last
// component, long or short form), and whether those name this file.
enum class ControlRegistration {
    None,        // no class names a file of that name: nothing tells whose it is
    Ours,        // every such class names this file
    OthersOnly,  // every such class names another file of that name (another installation's)
    Shared,      // some name this file, some another: unregistering would take the other's too
};

// The judgement for the server paths (the InprocServer32 values, as the
// registry holds them) of every registered class.
ControlRegistration ClassifyRegistration(const std::string& controlPath, const std::vector<std::string>& servers);

// The InprocServer32 default values of every class under
// HKEY_CLASSES_ROOT\CLSID, in the registry view the flag selects (0: this
// program's own; KEY_WOW64_32KEY or KEY_WOW64_64KEY: the other one, for a
// control of the other bitness, which its own regsvr32 registered there).
std::vector<std::string> RegisteredServers(REGSAM view = 0);

// ClassifyRegistration for a control file on disk, against the classes of
// the view of its machine type.
ControlRegistration FindRegistration(const std::string& controlPath);

// Deletes SOFTWARE\Kestrova\enggZEMLO, then SOFTWARE\Kestrova, under
// HKEY_LOCAL_MACHINE, each only when it holds neither values nor sub-keys:
// the keys Setup created above the product key, never one somebody else
// filled. Each key is checked and deleted through one open handle. The
// names of the keys deleted, in that order.
std::vector<std::string> RemoveEmptyProductParents();

// The same for the keys above the Active Setup component, "Installed
// Components" and then "Active Setup" under SOFTWARE\Microsoft, in the
// product's view. Windows always has other components there; a system
// without them (a new Wine prefix's 32-bit view) got them from Setup with
// the component, and they go with it when nothing else is in them.
std::vector<std::string> RemoveEmptyComponentParents();

}  // namespace ownership
