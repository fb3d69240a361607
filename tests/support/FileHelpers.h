// Small file-system helpers for the tests, all on the ANSI (GBK) API that
// the programs use.
#pragma once

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
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
// GetFileAttributesA, INVALID_FILE_ATTRIBUTES when missing.
DWORD Attributes(const std::string& path);
// The attributes with FILE_ATTRIBUTE_ARCHIVE left out: Wine reports it for
// every file, Windows only where it was set, and nothing here sets it.
DWORD AttributesWithoutArchive(const std::string& path);
// Removes a file or a whole tree, clearing read-only and hidden flags.
void RemoveTree(const std::string& path);
// Names of the entries of a folder (no dots), in the system's order.
std::vector<std::string> ListFolder(const std::string& folder);
// Splits a text at LF into lines; a final LF does not give an empty line.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace testfs
