#include "winlib/ControlProcess.h"

#include "winlib/Handles.h"

#include <vector>

namespace winlib {
namespace {

// A drive path ("C:\\..." or "C:/...") or a network path ("\\\\server\\..."): regsvr32
// would look any other name up along its search path and load whatever
// module of that name it finds first.
bool IsFullPath(const std::string& path)
{
    const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/') &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    const bool unc = path.size() >= 3 && path[0] == '\\' && path[1] == '\\';
    return drive || unc;
}

}  // namespace

ControlCallResult RunControlServer(const std::string& controlPath, bool unregister, DWORD timeoutMs)
{
    // The program is named by its full path in the system folder, never
    // looked up along the search path, and the control's path is quoted
    // whole. A path with a quotation mark cannot be quoted, and one that
    // is not a full path would be searched for: both refused.
    if (!IsFullPath(controlPath) || controlPath.find('"') != std::string::npos)
        return ControlCallResult::NotStarted;
    char system[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return ControlCallResult::NotStarted;
    const std::string program = std::string(system) + "\\regsvr32.exe";
    const std::string command =
        "\"" + program + "\" /s " + (unregister ? "/u " : "") + "\"" + controlPath + "\"";

    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    ScopedProcessInformation child;
    // The child takes this process's error mode: a control that crashes
    // then ends its process at once instead of holding it in the system's
    // crash dialog (or a debugger) until the time limit.
    const UINT errorMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const BOOL started = ::CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                          nullptr, nullptr, &startup, child.receive());
    ::SetErrorMode(errorMode);
    if (!started)
        return ControlCallResult::NotStarted;
    const HANDLE process = child.process_handle();

    if (::WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process, ERROR_TIMEOUT);
        ::WaitForSingleObject(process, 5000);
        return ControlCallResult::TimedOut;
    }
    DWORD exitCode = 1;
    if (!::GetExitCodeProcess(process, &exitCode))
        return ControlCallResult::Failed;
    return exitCode == 0 ? ControlCallResult::Succeeded : ControlCallResult::Failed;
}

}  // namespace winlib
