// CFileFind: the find-first/find-next idiom. FindFile looks up the first
// entry; each FindNextFile makes the next entry current and returns FALSE
// when the entry it made current is the last one, so a loop handles the
// current entry after each call until FindNextFile has returned FALSE.
// Entries come in the order the file system's search returns them.
#pragma once

#include "winlib/Handles.h"

#include <windows.h>

#include <string>

class CFileFind {
public:
    CFileFind() = default;
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Starts a search for a path or pattern ("*.*" when null). Returns
    // FALSE when nothing matches; GetLastError then tells why.
    BOOL FindFile(LPCSTR pstrName = nullptr);
    BOOL FindNextFile();
    void Close();

    std::string GetFileName() const;
    // The folder part of the search pattern followed by the entry's name.
    std::string GetFilePath() const;
    std::string GetRoot() const { return m_strRoot; }
    // The entry's size in bytes, as the search found it.
    ULONGLONG GetLength() const
    {
        return (static_cast<ULONGLONG>(m_found.nFileSizeHigh) << 32) | m_found.nFileSizeLow;
    }

    BOOL IsDots() const;
    BOOL IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
    BOOL MatchesMask(DWORD dwMask) const;

private:
    winlib::ScopedFindHandle m_hFind;
    WIN32_FIND_DATAA m_found = {};
    WIN32_FIND_DATAA m_next = {};
    bool m_hasFound = false;
    bool m_hasNext = false;
    std::string m_strRoot;
};
