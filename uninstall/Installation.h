// Which installation the uninstaller removes: the one whose "Uninstall.log"
// lies beside the running program (each copy removes the installation it
// belongs to), else, for a copy started from elsewhere (the installation
// medium), the one Setup recorded under the product key. The window and the
// unattended run both ask here.
#pragma once

#include <windows.h>

#include <string>

namespace installation {

// A string value of a key under HKEY_LOCAL_MACHINE (in the view of the
// product's keys, runfront::ProductKeyView), opened for reading
// only, of at most maxBytes bytes. False (out emptied) when the key or the
// value is missing, longer, or no string. The one way the uninstaller reads
// what Setup recorded in the registry.
bool ReadRecordedString(const char* subKey, const char* valueName, DWORD maxBytes, std::string& out);

// The install folder recorded by Setup (the product key's "installPath",
// read by the reader both programs share), with one trailing backslash.
// False (out untouched) when the key or its value is missing, empty or too
// long to read.
bool ReadInstalledPath(std::string& out);

// The folder of the running program, backslash kept.
std::string ProgramFolder();

// The log to replay: "Uninstall.log" beside the program when there is one;
// otherwise the one in the folder Setup recorded; otherwise the path beside
// the program (which does not exist).
std::string LogPath();

}  // namespace installation
