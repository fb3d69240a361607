#include "winlib/StdioFile.h"

#include "winlib/SysError.h"
#include "winlib/WinApp.h"

#include <vector>

void CFileException::Set(LONG lOsError, const std::string& fileName)
{
    m_lOsError = lOsError;
    m_cause = OsErrorToCause(lOsError);
    m_strFileName = fileName;
}

int CFileException::OsErrorToCause(LONG lOsError)
{
    switch (lOsError) {
    case NO_ERROR:
        return none;
    case ERROR_FILE_NOT_FOUND:
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return accessDenied;
    case ERROR_INVALID_HANDLE:
        return invalidFile;
    case ERROR_CURRENT_DIRECTORY:
        return removeCurrentDir;
    case ERROR_CANNOT_MAKE:
        return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
        return badSeek;
    case ERROR_SHARING_VIOLATION:
        return sharingViolation;
    case ERROR_LOCK_VIOLATION:
        return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return diskFull;
    case ERROR_HANDLE_EOF:
        return endOfFile;
    default:
        return genericException;
    }
}

std::string CFileException::GetErrorMessage() const
{
    std::string text = m_strFileName;
    const std::string system = winlib::FormatSystemMessage(static_cast<DWORD>(m_lOsError));
    if (!system.empty()) {
        if (!text.empty())
            text += "\n";
        text += system;
    }
    if (text.empty())
        text = "?";
    return text;
}

int CFileException::ReportError(UINT nType, HWND hwndOwner) const
{
    if ((nType & MB_ICONMASK) == 0)
        nType |= MB_ICONEXCLAMATION;
    return ::MessageBoxA(hwndOwner, GetErrorMessage().c_str(), AfxGetAppName(), nType);
}

BOOL CStdioFile::Fail(CFileException* pError) const
{
    if (pError != nullptr)
        pError->Set(static_cast<LONG>(::GetLastError()), m_strFileName);
    return FALSE;
}

BOOL CStdioFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    Close();
    m_strFileName = lpszFileName != nullptr ? lpszFileName : "";
    m_bText = (nOpenFlags & typeBinary) == 0;

    DWORD access = GENERIC_READ;
    switch (nOpenFlags & 3) {
    case modeWrite:
        access = GENERIC_WRITE;
        break;
    case modeReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    default:
        break;
    }
    DWORD share = 0;
    switch (nOpenFlags & 0x70) {
    case shareDenyWrite:
        share = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        share = FILE_SHARE_WRITE;
        break;
    case shareDenyNone:
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    default:  // compatibility and exclusive: no sharing
        break;
    }
    DWORD disposition = OPEN_EXISTING;
    if (nOpenFlags & modeCreate)
        disposition = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    HANDLE h = ::CreateFileA(m_strFileName.c_str(), access, share, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Fail(pError);
    m_hFile.reset(h);
    return TRUE;
}

BOOL CStdioFile::Write(const void* lpBuf, UINT nCount, CFileException* pError)
{
    if (!m_hFile.valid()) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return Fail(pError);
    }
    const char* data = static_cast<const char*>(lpBuf);
    if (!m_bText)
        return WriteAll(data, nCount, pError);
    // Text mode: each LF goes out as CR LF. The text is translated a block
    // at a time, so that writing a large text (a whole install log) holds
    // no second copy of it.
    constexpr UINT kBlock = 64 * 1024;
    std::string translated;
    translated.reserve(2 * kBlock);
    for (UINT done = 0; done < nCount;) {
        const UINT end = nCount - done > kBlock ? done + kBlock : nCount;
        translated.clear();
        for (; done < end; ++done) {
            if (data[done] == '\n')
                translated += '\r';
            translated += data[done];
        }
        if (!WriteAll(translated.data(), static_cast<UINT>(translated.size()), pError))
            return FALSE;
    }
    return TRUE;
}

BOOL CStdioFile::WriteAll(const char* data, UINT nCount, CFileException* pError)
{
    DWORD written = 0;
    if (!::WriteFile(m_hFile.get(), data, nCount, &written, nullptr))
        return Fail(pError);
    if (written != nCount) {
        ::SetLastError(ERROR_DISK_FULL);
        return Fail(pError);
    }
    return TRUE;
}

int CStdioFile::Read(void* lpBuf, UINT nCount, CFileException* pError)
{
    if (!m_hFile.valid()) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        Fail(pError);
        return -1;
    }
    char* out = static_cast<char*>(lpBuf);
    DWORD got = 0;
    if (!::ReadFile(m_hFile.get(), out, nCount, &got, nullptr)) {
        Fail(pError);
        return -1;
    }
    if (!m_bText)
        return static_cast<int>(got);

    // CR LF becomes LF, in place. A CR that ends this read but is followed
    // by LF in the file is turned into that LF.
    DWORD kept = 0;
    for (DWORD i = 0; i < got; ++i) {
        if (out[i] == '\r') {
            if (i + 1 < got) {
                if (out[i + 1] == '\n')
                    continue;
            } else {
                char next = 0;
                DWORD more = 0;
                if (::ReadFile(m_hFile.get(), &next, 1, &more, nullptr) && more == 1) {
                    if (next == '\n') {
                        out[kept++] = '\n';
                        continue;
                    }
                    LARGE_INTEGER back;
                    back.QuadPart = -1;
                    ::SetFilePointerEx(m_hFile.get(), back, nullptr, FILE_CURRENT);
                }
            }
        }
        out[kept++] = out[i];
    }
    return static_cast<int>(kept);
}

LONGLONG CStdioFile::GetLength(CFileException* pError) const
{
    LARGE_INTEGER size;
    if (!m_hFile.valid() || !::GetFileSizeEx(m_hFile.get(), &size)) {
        if (!m_hFile.valid())
            ::SetLastError(ERROR_INVALID_HANDLE);
        Fail(pError);
        return -1;
    }
    return size.QuadPart;
}

BOOL CStdioFile::Close(CFileException* pError)
{
    if (!m_hFile.valid())
        return TRUE;
    // Closed here rather than by the owner, because a failed close (data
    // that could not be written out) has to be reported.
    HANDLE h = m_hFile.release();
    if (!::CloseHandle(h))
        return Fail(pError);
    return TRUE;
}
