#pragma once

#include <windows.h>

#include <string>

namespace winlib {

// The system's text for an error code (FormatMessage from the system
// table, language neutral), as the system gives it, normally ending in a
// line break. Empty when the system has no text for the code.
std::string FormatSystemMessage(DWORD error);

// For a catch (...) block at the edge of a window procedure or a thread,
// where nothing may unwind further: reports the exception being handled
// ("<where>: <what()>") with OutputDebugStringA, and in a debug build also
// in a message box. Never throws.
void ReportUnhandledException(const char* where) noexcept;

}  // namespace winlib
