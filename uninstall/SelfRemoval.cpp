#include "SelfRemoval.h"

#include "winlib/Handles.h"
#include "winlib/Path.h"
#include "winlib/StringUtil.h"

#include <windows.h>

#include <vector>

#include <ntsecapi.h>

namespace {
// Program, program, system folder, program's folder, the batch itself.
const char kBatchFormat[] =
    "@echo off\r\n"
    ":Repeat\r\n"
    "del \"%s\" 2>nul\r\n"
    "if not exist \"%s\" goto Removed\r\n"
    "\"%s\\ping.exe\" -n 2 -w 1000 127.0.0.1 >nul\r\n"
    "goto Repeat\r\n"
    ":Removed\r\n"
    "rmdir \"%s\" 2>nul\r\n"
    "del \"%s\"\r\n";
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
    return winlib::Format(kBatchFormat, program.c_str(), program.c_str(), BatchQuoted(systemFolder).c_str(),
                          folder.c_str(), BatchQuoted(batchPath).c_str());
}


namespace {
std::string SystemFolder()
{
    char system[MAX_PATH] = {};
    const UINT got = ::GetSystemDirectoryA(system, MAX_PATH);
    return got > 0 && got < MAX_PATH ? std::string(system, got) : std::string();
}

// A name nobody can guess ahead: 64 bits from the system's random source.
bool UnpredictableBatchName(std::string& name)
{
    unsigned long long value = 0;
    if (!RtlGenRandom(&value, sizeof(value)))
        return false;
    name = winlib::Format("DelUS-%016llx.bat", value);
    return true;
}
}  // namespace

bool LaunchSelfRemovalBatch(const std::string& programPath, const std::string& folder,
                            winlib::ScopedProcessInformation& process, std::string* batchPath)
{
    const std::string system = SystemFolder();
    if (system.empty() || folder.empty())
        return false;
    std::string base = folder;
    winlib::AppendBackslash(base);

    // A new file: CREATE_NEW never opens what is already there, so nothing
    // planted at the name (a file, a link) is written or followed. A name
    // taken by chance is followed by a fresh one.
    std::string path;
    winlib::ScopedHandle batch;
    for (int attempt = 0; attempt < 4 && !batch; ++attempt) {
        std::string name;
        if (!UnpredictableBatchName(name))
            return false;
        path = base + name;
        batch.reset(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    }
    if (!batch)
        return false;
    const std::string text = SelfRemovalBatchText(programPath, path, system);
    DWORD written = 0;
    const bool complete = ::WriteFile(batch.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                          written == text.size();
    batch.reset();
    if (!complete) {
        ::DeleteFileA(path.c_str());
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
                          CREATE_SUSPENDED | IDLE_PRIORITY_CLASS, nullptr, base.c_str(), &startup, &started)) {
        ::DeleteFileA(path.c_str());
        return false;
    }
    process = winlib::ScopedProcessInformation(started);
    if (batchPath != nullptr)
        *batchPath = path;
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
    char temp[MAX_PATH + 1] = {};
    const DWORD tempLength = ::GetTempPathA(MAX_PATH + 1, temp);
    if (tempLength == 0 || tempLength > MAX_PATH)
        return false;

    // The batch deletes the program file until that succeeds; a read-only
    // file (copied from a CD) would keep it looping for ever.
    const DWORD attributes = ::GetFileAttributesA(program.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        ::SetFileAttributesA(program.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);

    winlib::ScopedProcessInformation process;
    if (!LaunchSelfRemovalBatch(program, std::string(temp, tempLength), process))
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
