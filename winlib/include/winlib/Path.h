// Path helpers for 8-bit paths in the ANSI code page (GBK on a Chinese
// Windows). They walk whole characters (see StringUtil.h): a double-byte
// character whose second byte is 0x5C is never taken for a backslash.
#pragma once

#include <windows.h>

#include <string>

namespace winlib {

// folder and name with one backslash between them: none is added when folder
// is empty or already ends in a backslash or a slash.
std::string JoinPath(const std::string& folder, const std::string& name);

// Everything before the last backslash character of path ("C:\A\b.exe"
// gives "C:\A", "C:\b.exe" gives "C:"); a path without a backslash is
// returned whole.
std::string ParentFolder(const std::string& path);

// path without its trailing backslash characters ("C:\A\\" gives "C:\A",
// "C:\" gives "C:").
std::string StripTrailingBackslashes(std::string path);

// Byte index of the last backslash or slash character of s, or npos.
std::size_t FindLastSeparator(const std::string& s);

// True when the two paths name the same folder on disk, however they are
// spelt (case, a trailing backslash, another name for the same folder);
// when either cannot be opened, when their texts agree ignoring case and
// trailing backslashes.
bool IsSameFolder(const std::string& first, const std::string& second);

// The full file name of the running program (GetModuleFileNameA into a
// buffer that grows until the name fits, so a long path is never cut).
// Empty when the system cannot tell.
std::string ProgramFileName();

// The folder of the running program, without a trailing backslash
// (ParentFolder of ProgramFileName).
std::string ProgramFolder();

// The current folder, whatever its length; empty when it cannot be read.
std::string CurrentFolder();

// Saves the current folder when made and sets it back when destroyed, so
// that a function may change the folder for a search without leaving it
// changed on any way out.
class CurrentFolderKeeper {
public:
    CurrentFolderKeeper() : m_saved(CurrentFolder()) {}
    ~CurrentFolderKeeper()
    {
        if (!m_saved.empty())
            ::SetCurrentDirectoryA(m_saved.c_str());
    }
    CurrentFolderKeeper(const CurrentFolderKeeper&) = delete;
    CurrentFolderKeeper& operator=(const CurrentFolderKeeper&) = delete;

    // False when the current folder could not be read (nothing is restored).
    bool saved() const { return !m_saved.empty(); }
    const std::string& folder() const { return m_saved; }

private:
    std::string m_saved;
};

}  // namespace winlib
