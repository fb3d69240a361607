// Calling the self-registration entries of a control file (an ActiveX
// control or any module that exports DllRegisterServer and
// DllUnregisterServer), as regsvr32 does.
#pragma once

#include <windows.h>

#include <string>

namespace winlib {

enum class ControlEntry { Register, Unregister };

enum class ControlCallResult {
    Succeeded,     // the entry ran and returned S_OK
    NotFullPath,   // the path is not a full path (drive or UNC); nothing loaded
    NotLoaded,     // the file is missing or is no module this process can load
    NoEntry,       // the module does not export the entry
    EntryFailed    // the entry ran and returned anything but S_OK (S_FALSE too)
};

// Loads the control from its full path (the modules it needs are looked
// for in its own folder and in the system folder only), calls
// DllRegisterServer or DllUnregisterServer, and unloads it.
// A relative path is refused: it would be looked for along the module
// search path and could load some other file of that name.
ControlCallResult CallControlEntry(const std::string& path, ControlEntry entry);

}  // namespace winlib
