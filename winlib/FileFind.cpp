#include "winlib/FileFind.h"

#include "winlib/Path.h"
#include "winlib/StringUtil.h"

#include <cstring>

BOOL CFileFind::FindFile(LPCSTR pstrName)
{
    Close();
    const std::string pattern = pstrName != nullptr ? pstrName : "*.*";
    HANDLE h = ::FindFirstFileA(pattern.c_str(), &m_next);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    m_hFind.reset(h);
    m_hasNext = true;

    // The root is everything up to and including the last separator, or
    // the drive ("C:") of a pattern such as "C:*.txt".
    std::size_t cut = winlib::FindLastSeparator(pattern);
    if ((cut == std::string::npos || cut < 1) && pattern.size() > 1 && pattern[1] == ':' &&
        !winlib::IsLeadByte(pattern[0]))
        cut = 1;
    m_strRoot = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (!m_hasNext)
        return FALSE;
    m_found = m_next;
    m_hasFound = true;
    m_hasNext = ::FindNextFileA(m_hFind.get(), &m_next) != FALSE;
    return m_hasNext ? TRUE : FALSE;
}

void CFileFind::Close()
{
    m_hFind.reset();
    m_hasFound = m_hasNext = false;
    m_strRoot.clear();
}

std::string CFileFind::GetFileName() const
{
    return m_hasFound ? std::string(m_found.cFileName) : std::string();
}

std::string CFileFind::GetFilePath() const
{
    return m_strRoot + GetFileName();
}

BOOL CFileFind::IsDots() const
{
    if (!m_hasFound || !IsDirectory())
        return FALSE;
    return std::strcmp(m_found.cFileName, ".") == 0 || std::strcmp(m_found.cFileName, "..") == 0;
}

BOOL CFileFind::MatchesMask(DWORD dwMask) const
{
    return m_hasFound && (m_found.dwFileAttributes & dwMask) != 0;
}
