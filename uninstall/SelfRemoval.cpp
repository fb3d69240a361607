#include "SelfRemoval.h"

#include "winlib/Handles.h"
#include "winlib/Path.h"
#include "winlib/StringUtil.h"

#include <windows.h>

const char kSelfRemovalBatchPath[] = "\\DelUS.bat";

namespace {
const char kBatchFormat[] =
    ":Repeat\r\n"
    "del \"%s\"\r\n"
    "del \"Filedelr.avi\"\r\n"
    "if exist \"%s\" goto Repeat\r\n"
    "rmdir \"%s\"\r\n"
    "del \"%s\"\r\n";
}  // namespace

std::string ProgramFolderOf(const std::string& programPath)
{
    return winlib::ParentFolder(programPath);
}

namespace {
// A path as the batch must spell it: "%" doubled. (0x25 is never a GBK
// trail byte, so a byte replacement is safe.)
std::string BatchQuoted(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        out += c;
        if (c == '%')
            out += '%';
    }
    return out;
}

bool FolderIdentity(const std::string& folder, BY_HANDLE_FILE_INFORMATION& info)
{
    winlib::ScopedHandle handle(::CreateFileA(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return handle && ::GetFileInformationByHandle(handle.get(), &info) != FALSE;
}
}  // namespace

std::string SelfRemovalBatchText(const std::string& programPath)
{
    const std::string program = BatchQuoted(programPath);
    const std::string folder = BatchQuoted(ProgramFolderOf(programPath));
    return winlib::Format(kBatchFormat, program.c_str(), program.c_str(), folder.c_str(), kSelfRemovalBatchPath);
}

bool IsSameFolder(const std::string& first, const std::string& second)
{
    BY_HANDLE_FILE_INFORMATION a = {};
    BY_HANDLE_FILE_INFORMATION b = {};
    if (FolderIdentity(first, a) && FolderIdentity(second, b))
        return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
               a.nFileIndexLow == b.nFileIndexLow;
    return winlib::EqualNoCase(winlib::StripTrailingBackslashes(first), winlib::StripTrailingBackslashes(second));
}

BOOL DeleteFileEvenIfReadOnly(const std::string& path)
{
    if (::DeleteFileA(path.c_str()))
        return TRUE;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0)
        return FALSE;
    ::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return ::DeleteFileA(path.c_str());
}

void StartSelfRemoval()
{
    // The program's full file name. The batch's commands take no longer
    // paths than MAX_PATH; one they could not delete would keep the batch
    // looping, so a longer name gets no self-removal.
    const std::string program = winlib::ProgramFileName();
    if (program.empty() || program.size() >= MAX_PATH)
        return;

    // The batch deletes the program file until that succeeds; a read-only
    // file (copied from a CD) would keep it looping for ever.
    const DWORD attributes = ::GetFileAttributesA(program.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        ::SetFileAttributesA(program.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);

    const std::string text = SelfRemovalBatchText(program);
    {
        winlib::ScopedHandle batch(::CreateFileA(kSelfRemovalBatchPath, GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                                 nullptr));
        if (!batch)
            return;
        // Exactly the text's bytes: no terminating zero.
        DWORD written = 0;
        ::WriteFile(batch.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }

    // Started suspended, hidden, at idle priority, in the drive's root
    // (where its "Filedelr.avi" lies).
    char commandLine[] = "\\DelUS.bat";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE,
                          CREATE_SUSPENDED | IDLE_PRIORITY_CLASS, nullptr, "\\", &startup, &process))
        return;

    // The batch may run only once the uninstaller stands above it, so that
    // the uninstaller finishes its work and its window while the batch idles
    // in its loop.
    ::SetThreadPriority(process.hThread, THREAD_PRIORITY_IDLE);
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    ::SetPriorityClass(::GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    ::CloseHandle(process.hProcess);
    ::ResumeThread(process.hThread);
    ::CloseHandle(process.hThread);
}
