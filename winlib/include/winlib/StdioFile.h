// A file opened by path, with an optional text mode in which LF is written
// as CR LF and CR LF is read as LF, and the file error that describes what
// went wrong. No exceptions: every operation returns its success and fills
// the caller's CFileException on failure.
#pragma once

#include "winlib/Handles.h"

#include <windows.h>

#include <string>

class CFileException {
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    CFileException() = default;
    CFileException(int cause, LONG lOsError, const std::string& fileName)
        : m_cause(cause), m_lOsError(lOsError), m_strFileName(fileName) {}

    // Fills this object from a system error code.
    void Set(LONG lOsError, const std::string& fileName);
    static int OsErrorToCause(LONG lOsError);

    // The text of the standard file-error box: the file name, then the
    // system's text for the error code.
    std::string GetErrorMessage() const;
    // Shows the standard file-error box (caption: the application's name)
    // and returns the button pressed.
    int ReportError(UINT nType = MB_OK, HWND hwndOwner = nullptr) const;

    int m_cause = none;
    LONG m_lOsError = 0;
    std::string m_strFileName;
};

class CStdioFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000
    };

    CStdioFile() = default;
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;

    BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // Writes nCount bytes; in text mode each LF is written as CR LF, the
    // text translated and written in blocks of 64 KB (no copy of a large
    // text is held).
    BOOL Write(const void* lpBuf, UINT nCount, CFileException* pError = nullptr);
    // Reads up to nCount bytes of the file; in text mode CR LF arrives as
    // LF, so fewer characters may come back than bytes were read. Returns
    // the number of characters stored; -1 after an error.
    int Read(void* lpBuf, UINT nCount, CFileException* pError = nullptr);
    // The length of the file in bytes, or -1 after an error.
    LONGLONG GetLength(CFileException* pError = nullptr) const;
    BOOL Close(CFileException* pError = nullptr);
    bool IsOpen() const { return m_hFile.valid(); }

private:
    BOOL Fail(CFileException* pError) const;
    // One WriteFile of nCount bytes; a short write is a full disk.
    BOOL WriteAll(const char* data, UINT nCount, CFileException* pError);

    winlib::ScopedHandle m_hFile;
    bool m_bText = false;
    std::string m_strFileName;
};
