// What both programs need around an administrator's run: the one run log
// of the process, the readable name of a message box's answer, and whether
// the process holds administrator rights.
#pragma once

#include <windows.h>

#include <string>

#include "winlib/RunLog.h"

namespace winlib {

// The run log of this process. It stays closed (and so does nothing) until
// the program opens it for /LOG=; every layer may write to it.
RunLog& AppRunLog();

// The caption of a message box button (IDYES and so on) as the user sees
// it, in Chinese; "<n>" for a value that is no button.
std::string ButtonText(int button);

// True when the process runs with administrator rights: its token holds the
// Administrators group enabled. A token filtered by User Account Control
// holds the group for deny only and is not counted.
bool HasAdministratorRights();
// The same test for a given token (an impersonation token, as
// CheckTokenMembership takes it).
bool TokenHasAdministratorRights(HANDLE token);

}  // namespace winlib
