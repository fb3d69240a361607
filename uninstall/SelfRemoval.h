// Self-removal of the uninstaller: a running program cannot delete its own
// file, and its folder cannot go while the file is in it. So a small batch
// file in a fresh folder of its own (in the system's temporary folder)
// keeps deleting the program file until the program has ended, then removes
// the program's folder and itself with its folder.
//
// The batch runs in an elevated command interpreter, which reads it again by
// name for every line: nobody else may change it while it waits. Its folder
// is made new (an unpredictable name, failing when the name is taken) with
// security that lets only administrators and the system in, protected from
// the temporary folder's own entries; the batch is made new in it; and the
// uninstaller holds the batch open, sharing reading only (the interpreter
// reads it; nobody writes, renames or deletes it), and the folder open
// without delete sharing (nobody renames it to put another in its place),
// for as long as it runs. Once it has ended, the folder's security and its
// place keep it: the system's temporary folder (the Windows folder's
// "Temp") lets ordinary users make things in it but not delete or rename
// what others made, where the user's own temporary folder would let the
// user rename anything in it.
#pragma once

#include <windows.h>

#include "winlib/Handles.h"

#include <string>

// The text of the batch for a program file, every line ending in CR LF:
//   @echo off / :Repeat / del "<program>" 2>nul /
//   if not exist "<program>" goto Removed /
//   "<system folder>\ping.exe" -n 2 -w 1000 127.0.0.1 >nul / goto Repeat /
//   :Removed / rmdir "<folder>" 2>nul /
//   del "<batch>" & rmdir "<batch's folder>" 2>nul
// It deletes the program file, the program's folder and itself with its
// own folder (on one line: the interpreter reads no line once the batch is
// gone), nothing else; between tries it waits about a second (the system's ping, named
// by its full path so that no program of that name in the batch's folder
// is run). A "%" in a path is written "%%": the command interpreter expands
// percent signs in a batch file even inside quotes.
std::string SelfRemovalBatchText(const std::string& programPath, const std::string& batchPath,
                                 const std::string& systemFolder);

// What keeps the batch unchanged while the uninstaller runs.
struct SelfRemovalHold {
    winlib::ScopedHandle folder;
    winlib::ScopedHandle batch;
    void reset()
    {
        batch.reset();
        folder.reset();
    }
};

// Makes a new folder of an unpredictable name ("ZEMLO-Remove-<16 hex
// digits>") in folder with the administrators-only security above, writes
// the batch for programPath in it as a new file ("DelUS-<16 hex
// digits>.bat", CREATE_NEW: nothing already there is opened or followed),
// and starts it through the system's command interpreter, hidden,
// suspended, at idle priority, with the system folder as its current folder
// (a batch's own folder could not be removed while it is current). hold,
// when given, receives the batch's handle (written, shared for reading
// only) and its folder's (no delete sharing); otherwise they are closed on
// return. False when no batch could be
// written or started (a batch written but not started is deleted again,
// with its folder).
bool LaunchSelfRemovalBatch(const std::string& programPath, const std::string& folder,
                            winlib::ScopedProcessInformation& process, std::string* batchPath = nullptr,
                            SelfRemovalHold* hold = nullptr);


// The self-removal of the running program: clears the program file's
// read-only attribute (which would keep the batch's delete failing for
// ever), launches the batch in the system's temporary folder (the Windows
// folder's "Temp"; this process's own, GetTempPath, where there is none),
// holding the batch until this process ends, then raises the
// calling thread and this process above it and lets it run. False when there is no self-removal: the program's path
// does not fit, or no batch could be made or started.
bool StartSelfRemoval();
