// Self-removal of the uninstaller: a running program cannot delete its own
// file, and its folder cannot go while the file is in it. So a small batch
// file in the uninstaller's own temporary folder keeps deleting the program
// file until the program has ended, then removes the program's folder and
// itself.
#pragma once

#include <windows.h>

#include "winlib/Handles.h"

#include <string>

// The text of the batch for a program file, every line ending in CR LF:
//   @echo off / :Repeat / del "<program>" 2>nul /
//   if not exist "<program>" goto Removed /
//   "<system folder>\ping.exe" -n 2 -w 1000 127.0.0.1 >nul / goto Repeat /
//   :Removed / rmdir "<folder>" 2>nul / del "<batch>"
// It deletes the program file, the program's folder and itself, nothing
// else; between tries it waits about a second (the system's ping, named
// by its full path so that no program of that name in the batch's folder
// is run). A "%" in a path is written "%%": the command interpreter expands
// percent signs in a batch file even inside quotes.
std::string SelfRemovalBatchText(const std::string& programPath, const std::string& batchPath,
                                 const std::string& systemFolder);

// Writes the batch for programPath as a new file of an unpredictable name
// ("DelUS-<16 hex digits>.bat") in folder, created with CREATE_NEW so that
// nothing already there is opened or followed, and starts it through the
// system's command interpreter, hidden, suspended, at idle priority, with
// folder as its current folder. False when no batch could be written or
// started (a batch written but not started is deleted again).
bool LaunchSelfRemovalBatch(const std::string& programPath, const std::string& folder,
                            winlib::ScopedProcessInformation& process, std::string* batchPath = nullptr);


// The self-removal of the running program: clears the program file's
// read-only attribute (which would keep the batch's delete failing for
// ever), launches the batch in this process's temporary folder
// (GetTempPath), then raises the calling thread and this process above it
// and lets it run. False when there is no self-removal: the program's path
// does not fit, or no batch could be made or started.
bool StartSelfRemoval();
