#include "winlib/ControlProcess.h"

#include "winlib/Handles.h"

#include <vector>

namespace winlib {

namespace {
// Runs the debug loop of a child started with DEBUG_ONLY_THIS_PROCESS until
// it ends, crashes or runs out of time. Must run on the thread that started
// it.
ControlCallResult WatchControlServer(const ScopedProcessInformation& process, DWORD timeoutMs)
{
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    auto endChild = [&process](ControlCallResult result) {
        ::TerminateProcess(process.process_handle(), ERROR_TIMEOUT);
        ::DebugActiveProcessStop(process.process_id());
        ::WaitForSingleObject(process.process_handle(), 5000);
        return result;
    };
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline)
            return endChild(ControlCallResult::TimedOut);
        DEBUG_EVENT event = {};
        if (!::WaitForDebugEvent(&event, static_cast<DWORD>(deadline - now)))
            continue;  // time-out of the wait: checked above
        DWORD continueStatus = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile != nullptr)
                ::CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile != nullptr)
                ::CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The child's own handlers get the first try; the loader's
            // initial breakpoint is ours to pass.
            if (event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT ||
                event.u.Exception.ExceptionRecord.ExceptionCode == 0x4000001F /* STATUS_WX86_BREAKPOINT */)
                break;
            if (event.u.Exception.dwFirstChance == 0) {
                ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_EXCEPTION_NOT_HANDLED);
                return endChild(ControlCallResult::Failed);
            }
            continueStatus = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT: {
            const DWORD exitCode = event.u.ExitProcess.dwExitCode;
            ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
            ::WaitForSingleObject(process.process_handle(), 5000);
            return exitCode == 0 ? ControlCallResult::Succeeded : ControlCallResult::Failed;
        }
        default:
            break;
        }
        ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
    }
}
}  // namespace

ControlCallResult RunControlServer(const std::string& controlPath, bool unregister, DWORD timeoutMs)
{
    // The system's own regsvr32, by its full path: a program of that name in
    // the current folder or on the search path is never the one started.
    char system[MAX_PATH] = {};
    const UINT got = ::GetSystemDirectoryA(system, MAX_PATH);
    if (got == 0 || got >= MAX_PATH || controlPath.empty() || controlPath.find('"') != std::string::npos)
        return ControlCallResult::NotStarted;
    const std::string program = std::string(system) + "\\regsvr32.exe";
    std::string commandLine = "\"" + program + "\" /s " + (unregister ? "/u " : "") + "\"" + controlPath + "\"";
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    // Started as our debuggee: a control that crashes is reported here as
    // an unhandled exception, and the child is ended at once, instead of
    // the system's crash reporting holding it (and its box waiting for a
    // user) until the time limit. The system folder as current folder, so
    // that nothing beside the caller's current folder is picked up while
    // the control loads.
    if (!::CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr, FALSE,
                          CREATE_NO_WINDOW | DEBUG_ONLY_THIS_PROCESS, nullptr, system, &startup, &started))
        return ControlCallResult::NotStarted;
    ScopedProcessInformation process(started);
    return WatchControlServer(process, timeoutMs);
}

}  // namespace winlib
