#include "SelfRemoval.h"

#include "winlib/Handles.h"
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
    const std::size_t slash = winlib::FindLastBackslash(programPath);
    if (slash == std::string::npos)
        return programPath;
    return programPath.substr(0, slash);
}

std::string SelfRemovalBatchText(const std::string& programPath)
{
    const std::string folder = ProgramFolderOf(programPath);
    return winlib::Format(kBatchFormat, programPath.c_str(), programPath.c_str(), folder.c_str(),
                          kSelfRemovalBatchPath);
}

void StartSelfRemoval()
{
    // The program's full file name. A name that does not fit the buffer
    // comes back cut short; a batch built from it would wait for or remove
    // the wrong file and folder, so there is no self-removal then.
    char program[MAX_PATH];
    const DWORD got = ::GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (got == 0 || got >= MAX_PATH)
        return;

    const std::string text = SelfRemovalBatchText(std::string(program, got));
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
