#include "GuiDrive.h"

#include "winlib/Handles.h"

#include "winlib/StringUtil.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

namespace gui {

namespace {

int g_failures = 0;

// A dialog (class #32770) with that caption (any when null), with a control
// controlId (any dialog when 0), owned by owner (any owner when null).
bool IsDialogWanted(HWND hwnd, const char* wantedCaption, int controlId, HWND owner)
{
    char cls[64] = {};
    char caption[256] = {};
    ::GetClassNameA(hwnd, cls, sizeof(cls));
    ::GetWindowTextA(hwnd, caption, sizeof(caption));
    if (std::strcmp(cls, "#32770") != 0)
        return false;
    if (wantedCaption != nullptr && std::strcmp(caption, wantedCaption) != 0)
        return false;
    if (controlId != 0 && ::GetDlgItem(hwnd, controlId) == nullptr)
        return false;
    return owner == nullptr || ::GetWindow(hwnd, GW_OWNER) == owner;
}

}  // namespace

void Check(bool ok, const char* what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    std::fflush(stdout);
    if (!ok)
        ++g_failures;
}

int Failures()
{
    return g_failures;
}

void State(const char* name, DWORD holdMs)
{
    std::printf("state: %s\n", name);
    std::fflush(stdout);
    if (holdMs > 0)
        ::Sleep(holdMs);
}

HWND FindProcessDialog(DWORD processId, const char* caption, int controlId, bool includeHidden)
{
    return drivekit::FindProcessWindow(processId, includeHidden, [caption, controlId](HWND hwnd) {
        return IsDialogWanted(hwnd, caption, controlId, nullptr);
    });
}

HWND FindOwnedDialog(DWORD processId, HWND owner)
{
    return drivekit::FindProcessWindow(
        processId, false, [owner](HWND hwnd) { return IsDialogWanted(hwnd, nullptr, 0, owner); });
}

HWND WaitForDialog(HANDLE process, DWORD processId, const char* caption, DWORD timeoutMs, int controlId)
{
    const ULONGLONG start = ::GetTickCount64();
    while (::GetTickCount64() - start < timeoutMs) {
        if (HWND hwnd = FindProcessDialog(processId, caption, controlId))
            return hwnd;
        if (::WaitForSingleObject(process, 20) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

bool WaitGone(HWND hwnd, DWORD timeoutMs)
{
    const ULONGLONG start = ::GetTickCount64();
    while (::IsWindow(hwnd) && ::IsWindowVisible(hwnd)) {
        if (::GetTickCount64() - start >= timeoutMs)
            return false;
        ::Sleep(20);
    }
    return true;
}

std::string MessageTextOf(HWND box)
{
    return TextOf(::GetDlgItem(box, 0xFFFF));
}

void SetThreadSuspended(DWORD threadId, bool suspend)
{
    const winlib::ScopedHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId));
    if (!thread)
        return;
    if (suspend)
        ::SuspendThread(thread.get());
    else
        ::ResumeThread(thread.get());
}

namespace {

// Calls act with each thread of the process but guiThreadId; returns how
// many there were.
template <class Act>
int ForEachWorker(DWORD processId, DWORD guiThreadId, Act act)
{
    const winlib::ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot)
        return 0;
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != processId || entry.th32ThreadID == guiThreadId)
            continue;
        ++count;
        act(entry.th32ThreadID);
    }
    return count;
}

}  // namespace

int SetWorkersSuspended(DWORD processId, DWORD guiThreadId, bool suspend)
{
    return ForEachWorker(processId, guiThreadId, [suspend](DWORD id) { SetThreadSuspended(id, suspend); });
}

int CountWorkers(DWORD processId, DWORD guiThreadId)
{
    return ForEachWorker(processId, guiThreadId, [](DWORD) {});
}

namespace {

// CreateProcess with the standard handles on NUL; program may be null (the
// command line's first word names it, as the shell takes it).
bool Start(const char* program, std::string commandLine, const std::string& folder,
           winlib::ScopedProcessInformation& process)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    const winlib::ScopedHandle nul(::CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                                 nullptr));
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul.get();
    startup.hStdOutput = nul.get();
    startup.hStdError = nul.get();
    const BOOL started = ::CreateProcessA(program, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                         folder.c_str(), &startup, process.receive());
    if (!started) {
        // In the report, where whoever reads it looks for the reason.
        Check(false, winlib::Format("%s starts (error %lu)", program != nullptr ? program : commandLine.c_str(),
                                    ::GetLastError()));
        return false;
    }
    return true;
}

}  // namespace

bool StartProgram(const std::string& program, winlib::ScopedProcessInformation& process,
                  const std::string& currentFolder, const std::string& arguments)
{
    const std::size_t slash = winlib::FindLastBackslash(program);
    const std::string folder = !currentFolder.empty() ? currentFolder
                               : slash == std::string::npos ? std::string(".")
                                                            : program.substr(0, slash);
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    return Start(program.c_str(), commandLine, folder, process);
}

bool StartCommandLine(const std::string& commandLine, winlib::ScopedProcessInformation& process,
                      const std::string& currentFolder)
{
    return Start(nullptr, commandLine, currentFolder, process);
}

}  // namespace gui
