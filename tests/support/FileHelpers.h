// Small file-system helpers for the tests, all on the ANSI (GBK) API that
// the programs use.
#pragma once

#include "DriveKit.h"

#include <windows.h>

#include <string>
#include <vector>

namespace testfs {

// Writes content to path (binary), making the missing folders first; false
// when it could not be written whole.
bool WriteFile(const std::string& path, const std::string& content);
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
// The first bytes of a module as far as its machine type goes: a DOS header
// pointing at lfanew, the "PE" signature, a file header for machine and an
// optional header (zeroes) starting with magic (IMAGE_NT_OPTIONAL_HDR*_MAGIC).
std::string ModuleHeaders(WORD machine, WORD magic, LONG lfanew = 0x80);
// Removes a file or a whole tree, clearing read-only, hidden and system
// flags; a folder link inside (or at path) goes as the link, never what it
// leads to. True when nothing is left at path.
bool RemoveTree(const std::string& path);
using drivekit::ListFolder;
// The folder of the running test program, with its backslash.
std::string ProgramFolder();
// The process's current folder.
std::string CurrentFolder();
// The lines sorted, for listings whose order the system decides.
std::vector<std::string> Sorted(std::vector<std::string> lines);
// Splits a text at LF into lines; a final LF does not give an empty line.
std::vector<std::string> SplitLines(const std::string& text);
// The lines of a text file without their CR LF (or LF); none when it cannot
// be read.
std::vector<std::string> ReadTextLines(const std::string& path);

// Links for the tests of what the programs do with links. Wine 8's
// CreateSymbolicLinkA makes nothing, but Wine shows a Unix symbolic link as
// a link: a folder link carries FILE_ATTRIBUTE_REPARSE_POINT and is
// followed, a file link is followed and carries no such attribute. These
// run the host's own programs (Wine starts a Unix program named by its Z:
// path) on the Unix names of the paths, and wait until the result shows.
// False when no link could be made here (not under Wine, say): the test
// then skips.
//
// Makes link, which must not exist, pointing at target (which need not).
bool MakeUnixSymlink(const std::string& link, const std::string& target);
// Replaces the file or folder at path by a link to target, in one rename
// (the link is made beside it and renamed over it; a folder is moved to
// path + ".swapped" first), so that a program working on path meets either
// the old object or the link, never nothing.
bool SwapForUnixSymlink(const std::string& path, const std::string& target);
// Removes a link made by the two above, never what it leads to (Wine's
// RemoveDirectoryA and DeleteFileA act on the target), also when it
// dangles. False when it could not be removed here.
bool RemoveUnixSymlink(const std::string& link);
// Sets the Unix mode bits of a file or folder of the prefix (mode in
// octal, "777"), as a user of the host would; Wine derives the security it
// reports from them. False when that cannot be done here.
bool ChmodUnix(const std::string& path, const std::string& mode);
// The Unix name of a path of the prefix; empty when there is none.
std::string UnixPathOf(const std::string& path);

}  // namespace testfs
