// Registering and unregistering a control in a child process: a control
// that crashes or hangs in its entry point then takes only the child with
// it, never the program that asked.
#pragma once

#include <windows.h>

#include <string>

namespace winlib {
enum class ControlCallResult { Succeeded, Failed, TimedOut, NotStarted };
// Runs the system's regsvr32 ("<system folder>\regsvr32.exe /s [/u] \"path\"") in a child process,
// waits up to timeoutMs, ends it on time-out.
ControlCallResult RunControlServer(const std::string& controlPath, bool unregister, DWORD timeoutMs);
}
