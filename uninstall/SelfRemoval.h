// Self-removal of the uninstaller: a running program cannot delete its own
// file, and its folder cannot go while the file is in it. So a small batch
// file in the root of the current drive keeps deleting the program file
// until the program has ended, then removes the program's folder and
// itself.
#pragma once

#include <windows.h>

#include <string>

// The batch's own path: the root folder of the current drive. It is also
// the batch's command line and the target of its last line.
extern const char kSelfRemovalBatchPath[];

// The folder of a program file: the path cut at its last backslash (a GBK
// trail byte 0x5C is not one), without the backslash. A path without a
// backslash is its own folder.
std::string ProgramFolderOf(const std::string& programPath);

// The text of the batch for a program file, every line ending in CR LF:
//   :Repeat / del "<program>" / del "Filedelr.avi" /
//   if exist "<program>" goto Repeat / rmdir "<folder>" / del "\DelUS.bat"
// A "%" in a path is written "%%": the command interpreter expands percent
// signs in a batch file even inside quotes.
std::string SelfRemovalBatchText(const std::string& programPath);

// TRUE when the two paths name the same folder on disk, however they are
// spelt (case, a trailing backslash, another name for the same folder);
// when either cannot be opened, when their texts agree ignoring case and
// trailing backslashes.
bool IsSameFolder(const std::string& first, const std::string& second);

// Deletes a file, clearing its read-only attribute first when that is what
// keeps it (files copied from a CD keep the attribute).
BOOL DeleteFileEvenIfReadOnly(const std::string& path);

// Writes the batch for the running program (clearing the program file's
// read-only attribute, which would keep the batch's delete failing for
// ever) and starts it hidden and
// suspended at idle priority; then raises the calling thread and this
// process above it and lets it run. Every failure ends the step silently:
// there is then no self-removal.
void StartSelfRemoval();
