// Shell links read back as the shell loads them (IShellLinkA and
// IPersistFile::Load), for the checks of what an installation made and for
// showing it. The calling thread must have COM started.
#pragma once

#include <string>

namespace testlink {

struct Shortcut {
    bool loaded = false;  // false: no shell link could be loaded from the file
    std::string target;   // as stored (SLGP_RAWPATH)
    std::string arguments;
    std::string workingFolder;
    std::string icon;  // empty when the link names none
    int iconIndex = 0;
};

Shortcut ReadShortcut(const std::string& path);

// Saves a shell link at path to target, as Setup makes its shortcuts;
// starts COM on the calling thread for the call. False when it could not.
bool SaveShortcut(const std::string& path, const std::string& target);

}  // namespace testlink
