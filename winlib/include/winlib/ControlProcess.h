// Calls the self-registration of a control module in a child process, so
// that a control which crashes or hangs in DllRegisterServer or
// DllUnregisterServer cannot take the calling program with it.
#pragma once

#include <windows.h>

#include <string>

namespace winlib {

enum class ControlCallResult { Succeeded, Failed, TimedOut, NotStarted };

// Runs the system's regsvr32 ("<system folder>\regsvr32.exe /s [/u] \"path\"") in a child process,
// waits up to timeoutMs, ends it on time-out.
ControlCallResult RunControlServer(const std::string& controlPath, bool unregister, DWORD timeoutMs);

}  // namespace winlib
