#pragma once

#include <windows.h>

#include <string>

namespace winlib {

// The system's text for an error code (FormatMessage from the system
// table, language neutral), as the system gives it, normally ending in a
// line break. Empty when the system has no text for the code.
std::string FormatSystemMessage(DWORD error);

}  // namespace winlib
