// What an installation of the sample medium must have made, whoever made
// it (the wizard, or an unattended run): checked file by file against the
// medium, in the registry, through its shortcuts and its "Uninstall.log".
// Each check is reported by gui::Check.
#pragma once

#include <string>

namespace installcheck {

// medium: the medium's folder; dir: the installation folder; both end in a
// backslash. acadProfile, when not empty: the AutoCAD profile key expected
// under HKEY_CURRENT_USER.
void CheckInstallation(const std::string& medium, const std::string& dir, const std::string& acadProfile);

}  // namespace installcheck
