// Small file-system helpers for the tests, all on the ANSI (GBK) API that
// the programs use.
#pragma once

#include "DriveKit.h"

#include <windows.h>

#include <string>
#include <vector>

namespace testfs {

// Writes content to path (binary), making the missing folders first.
void WriteFile(const std::string& path, const std::string& content);
// The bytes of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// Makes every missing folder of path.
void MakeDirs(const std::string& path);
// GetFileAttributesA, INVALID_FILE_ATTRIBUTES when missing.
inline DWORD Attributes(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }
using drivekit::Exists;
inline bool IsDirectory(const std::string& path)
{
    return Exists(path) && (Attributes(path) & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
// The attributes with FILE_ATTRIBUTE_ARCHIVE left out: Wine reports it for
// every file, Windows only where it was set, and nothing here sets it.
inline DWORD AttributesWithoutArchive(const std::string& path)
{
    return Exists(path) ? Attributes(path) & ~FILE_ATTRIBUTE_ARCHIVE : INVALID_FILE_ATTRIBUTES;
}
// Removes a file or a whole tree, clearing read-only and hidden flags.
void RemoveTree(const std::string& path);
using drivekit::ListFolder;
// The folder of the running test program, with its backslash.
std::string ProgramFolder();
// The process's current folder.
std::string CurrentFolder();
// The lines sorted, for listings whose order the system decides.
std::vector<std::string> Sorted(std::vector<std::string> lines);
// Splits a text at LF into lines; a final LF does not give an empty line.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace testfs
