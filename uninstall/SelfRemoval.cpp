#include "SelfRemoval.h"

#include "winlib/Handles.h"
#include "winlib/Path.h"
#include "winlib/StringUtil.h"

#include <windows.h>

#include <vector>

#include <ntsecapi.h>
#include <sddl.h>

namespace {
// Program, program, system folder, program's folder, the batch itself,
// system folder twice, the batch's folder.
//
// The batch's own folder goes last, from a second interpreter started
// detached that waits a moment first: an interpreter that keeps its batch
// open while it runs (Wine's does; Windows' reads it line by line) leaves
// the deleted batch in the folder until it ends, so its own rmdir would
// find the folder not empty. Only an empty folder is removed.
const char kBatchFormat[] =
    "@echo off\r\n"
    ":Repeat\r\n"
    "del \"%s\" 2>nul\r\n"
    "if not exist \"%s\" goto Removed\r\n"
    "\"%s\\ping.exe\" -n 2 -w 1000 127.0.0.1 >nul\r\n"
    "goto Repeat\r\n"
    ":Removed\r\n"
    "rmdir \"%s\" 2>nul\r\n"
    "del \"%s\" & start \"\" /b \"%s\\cmd.exe\" /d /c \"\"%s\\ping.exe\" -n 3 127.0.0.1 >nul & rmdir \"%s\" 2>nul\"\r\n";
}  // namespace

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

}  // namespace

std::string SelfRemovalBatchText(const std::string& programPath, const std::string& batchPath,
                                 const std::string& systemFolder)
{
    const std::string program = BatchQuoted(programPath);
    const std::string folder = BatchQuoted(winlib::ParentFolder(programPath));
    const std::string system = BatchQuoted(systemFolder);
    return winlib::Format(kBatchFormat, program.c_str(), program.c_str(), system.c_str(), folder.c_str(),
                          BatchQuoted(batchPath).c_str(), system.c_str(), system.c_str(),
                          BatchQuoted(winlib::ParentFolder(batchPath)).c_str());
}


namespace {
std::string SystemFolder()
{
    char system[MAX_PATH] = {};
    const UINT got = ::GetSystemDirectoryA(system, MAX_PATH);
    return got > 0 && got < MAX_PATH ? std::string(system, got) : std::string();
}

// 64 bits from the system's random source, as 16 hex digits: a name nobody
// can guess ahead.
bool UnpredictableName(const char* format, std::string& name)
{
    unsigned long long value = 0;
    if (!RtlGenRandom(&value, sizeof(value)))
        return false;
    name = winlib::Format(format, value);
    return true;
}

// Only administrators and the system, on the folder and everything in it;
// protected, so that nothing of the temporary folder's entries comes in.
PSECURITY_DESCRIPTOR BatchFolderSecurity()
{
    static const PSECURITY_DESCRIPTOR descriptor = [] {
        PSECURITY_DESCRIPTOR made = nullptr;
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)",
                                                                    SDDL_REVISION_1, &made, nullptr))
            return PSECURITY_DESCRIPTOR(nullptr);
        return made;
    }();
    return descriptor;
}

// Deletes what the handle holds (opened with DELETE access) when it
// closes, and closes it: what this run made goes through the handle it was
// made or held with, never again by its name.
void DeleteThroughHandle(winlib::ScopedHandle& handle)
{
    if (handle) {
        FILE_DISPOSITION_INFO disposition = {TRUE};
        ::SetFileInformationByHandle(handle.get(), FileDispositionInfo, &disposition, sizeof(disposition));
    }
    handle.reset();
}

// Makes a new folder of an unpredictable name in base (with its
// backslash); "" when none could be made.
std::string MakeBatchFolder(const std::string& base)
{
    SECURITY_ATTRIBUTES security = {sizeof(security), BatchFolderSecurity(), FALSE};
    if (security.lpSecurityDescriptor == nullptr)
        return std::string();
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::string name;
        if (!UnpredictableName("ZEMLO-Remove-%016llx", name))
            return std::string();
        const std::string folder = base + name;
        // Fails on a name already taken (a folder, a file, a link).
        if (::CreateDirectoryA(folder.c_str(), &security))
            return folder;
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return std::string();
    }
    return std::string();
}
}  // namespace

bool LaunchSelfRemovalBatch(const std::string& programPath, const std::string& folder,
                            winlib::ScopedProcessInformation& process, std::string* batchPath,
                            SelfRemovalHold* hold)
{
    const std::string system = SystemFolder();
    if (system.empty() || folder.empty())
        return false;
    std::string base = folder;
    winlib::AppendBackslash(base);
    const std::string batchFolder = MakeBatchFolder(base);
    if (batchFolder.empty())
        return false;
    // Nobody renames it while this process runs.
    winlib::ScopedHandle folderHold(::CreateFileA(batchFolder.c_str(), FILE_LIST_DIRECTORY | DELETE | SYNCHRONIZE,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));

    // A new file in the new folder: CREATE_NEW never opens what is already
    // there. Written and kept open sharing reading only.
    std::string name;
    const std::string path = UnpredictableName("DelUS-%016llx.bat", name) ? batchFolder + "\\" + name : std::string();
    winlib::ScopedHandle batch;
    if (!path.empty())
        batch.reset(::CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!batch || !folderHold) {
        DeleteThroughHandle(batch);
        DeleteThroughHandle(folderHold);
        return false;
    }
    const std::string text = SelfRemovalBatchText(programPath, path, system);
    DWORD written = 0;
    const bool complete = ::WriteFile(batch.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                          written == text.size() && ::FlushFileBuffers(batch.get());
    auto discard = [&] {
        DeleteThroughHandle(batch);
        DeleteThroughHandle(folderHold);
    };
    if (!complete) {
        discard();
        return false;
    }

    // The system's own command interpreter by its full path; /d keeps the
    // per-user AutoRun commands out of this (elevated) interpreter.
    const std::string interpreter = system + "\\cmd.exe";
    std::string commandLine = "\"" + interpreter + "\" /d /c \"\"" + path + "\"\"";
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessA(interpreter.c_str(), buffer.data(), nullptr, nullptr, FALSE,
                          CREATE_SUSPENDED | IDLE_PRIORITY_CLASS, nullptr, system.c_str(), &startup, &started)) {
        discard();
        return false;
    }
    process = winlib::ScopedProcessInformation(started);
    if (batchPath != nullptr)
        *batchPath = path;
    if (hold != nullptr) {
        hold->batch = std::move(batch);
        hold->folder = std::move(folderHold);
    }
    return true;
}

bool StartSelfRemoval()
{
    // The program's full file name. The batch's commands take no longer
    // paths than MAX_PATH; one they could not delete would keep the batch
    // looping, so a longer name gets no self-removal.
    const std::string program = winlib::ProgramFileName();
    if (program.empty() || program.size() >= MAX_PATH)
        return false;
    // The system's temporary folder when it is there as a plain folder.
    std::string temp;
    char windows[MAX_PATH] = {};
    const UINT windowsLength = ::GetSystemWindowsDirectoryA(windows, MAX_PATH);
    if (windowsLength > 0 && windowsLength < MAX_PATH) {
        temp = std::string(windows, windowsLength);
        winlib::AppendBackslash(temp);
        temp += "Temp";
        const DWORD attributes = ::GetFileAttributesA(temp.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            temp.clear();
    }
    if (temp.empty()) {
        char own[MAX_PATH + 1] = {};
        const DWORD ownLength = ::GetTempPathA(MAX_PATH + 1, own);
        if (ownLength == 0 || ownLength > MAX_PATH)
            return false;
        temp.assign(own, ownLength);
    }

    // The batch deletes the program file until that succeeds; a read-only
    // file (copied from a CD) would keep it looping for ever.
    const DWORD attributes = ::GetFileAttributesA(program.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        ::SetFileAttributesA(program.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);

    // Held until this process ends: the batch cannot be changed while the
    // uninstaller runs.
    static SelfRemovalHold batchHold;
    winlib::ScopedProcessInformation process;
    if (!LaunchSelfRemovalBatch(program, temp, process, nullptr, &batchHold))
        return false;

    // The batch may run only once the uninstaller stands above it, so that
    // the uninstaller finishes its work and its window while the batch idles
    // in its loop.
    ::SetThreadPriority(process.thread_handle(), THREAD_PRIORITY_IDLE);
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    ::SetPriorityClass(::GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    ::ResumeThread(process.thread_handle());
    return true;
}
