// Helpers for driving another process's windows as a user would: finding
// its dialogs, clicking buttons, reading texts, holding its worker threads,
// and reporting each check and each state reached on standard output.
#pragma once

#include "DriveKit.h"
#include "winlib/Handles.h"

#include <windows.h>

#include <string>

namespace gui {

using drivekit::Click;
using drivekit::Exists;
using drivekit::KeyExists;
using drivekit::TextOf;

// Prints "ok: what" or "FAILED: what" and counts the failures.
void Check(bool ok, const char* what);
inline void Check(bool ok, const std::string& what) { Check(ok, what.c_str()); }
int Failures();
// Prints "state: name" and holds the given time (for a screenshot).
void State(const char* name, DWORD holdMs);

// A visible dialog (class #32770) of the process with that caption (any
// caption when null) that has a control with controlId (any dialog when
// 0), or null. With includeHidden also one that is not shown yet (a modal
// dialog shows itself only after its initialisation).
HWND FindProcessDialog(DWORD processId, const char* caption, int controlId = 0, bool includeHidden = false);
// Polls every 20 ms until such a dialog appears, the process ends or the
// time is up.
HWND WaitForDialog(HANDLE process, DWORD processId, const char* caption, DWORD timeoutMs, int controlId = 0);
// A visible dialog of the process owned by owner, or null.
HWND FindOwnedDialog(DWORD processId, HWND owner);
// Waits until the window is gone or hidden; true when it went in time.
bool WaitGone(HWND hwnd, DWORD timeoutMs);

// The text of a message box (its static 0xFFFF).
std::string MessageTextOf(HWND box);

// Suspends (or resumes) one thread.
void SetThreadSuspended(DWORD threadId, bool suspend);
// Suspends (or resumes) every thread of the process except guiThreadId;
// returns how many threads that was.
int SetWorkersSuspended(DWORD processId, DWORD guiThreadId, bool suspend);
// The number of threads of the process besides guiThreadId.
int CountWorkers(DWORD processId, DWORD guiThreadId);


// Starts program with currentFolder (its own folder when empty) as current
// folder and its standard handles on NUL; process then holds its handles.
// arguments, when given, follow the quoted program name and a blank in the
// command line exactly as written. False, with the error reported as a
// failed check, when it cannot be started.
bool StartProgram(const std::string& program, winlib::ScopedProcessInformation& process,
                  const std::string& currentFolder = "", const std::string& arguments = "");
// Starts a whole command line as the shell starts one (the program is its
// first word, quoted when it holds blanks), otherwise as StartProgram.
bool StartCommandLine(const std::string& commandLine, winlib::ScopedProcessInformation& process,
                      const std::string& currentFolder);

}  // namespace gui
