#include "winlib/ControlProcess.h"

#include "winlib/Handles.h"
#include "winlib/RegistryView.h"
#include "winlib/StringUtil.h"

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

// Reads exactly size bytes at offset; false when the file is shorter.
bool ReadAt(HANDLE file, LONGLONG offset, void* buffer, DWORD size)
{
    LARGE_INTEGER position;
    position.QuadPart = offset;
    if (!::SetFilePointerEx(file, position, nullptr, FILE_BEGIN))
        return false;
    DWORD got = 0;
    return ::ReadFile(file, buffer, size, &got, nullptr) && got == size;
}

}  // namespace

ModuleMachine ReadModuleMachine(HANDLE file)
{
    IMAGE_DOS_HEADER dos = {};
    if (!ReadAt(file, 0, &dos, sizeof(dos)) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0)
        return ModuleMachine::NotAModule;
    // The signature, the file header and the optional header's magic, which
    // says PE32 or PE32+ and must agree with the machine.
    const LONGLONG at = dos.e_lfanew;
    DWORD signature = 0;
    IMAGE_FILE_HEADER header = {};
    WORD magic = 0;
    if (!ReadAt(file, at, &signature, sizeof(signature)) || signature != IMAGE_NT_SIGNATURE ||
        !ReadAt(file, at + sizeof(signature), &header, sizeof(header)) ||
        header.SizeOfOptionalHeader < sizeof(magic) ||
        !ReadAt(file, at + sizeof(signature) + sizeof(header), &magic, sizeof(magic)))
        return ModuleMachine::NotAModule;
    const bool pe32 = magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC;
    const bool pe32plus = magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    if (!pe32 && !pe32plus)
        return ModuleMachine::NotAModule;
    switch (header.Machine) {
    case IMAGE_FILE_MACHINE_I386:
        return pe32 ? ModuleMachine::X86 : ModuleMachine::NotAModule;
    case IMAGE_FILE_MACHINE_AMD64:
        return pe32plus ? ModuleMachine::X64 : ModuleMachine::NotAModule;
    default:
        return ModuleMachine::Other;
    }
}

RegServerPlatform CurrentRegServerPlatform()
{
    RegServerPlatform platform;
    platform.program64 = sizeof(void*) == 8;
    platform.windows64 = Is64BitWindows();
    char folder[MAX_PATH] = {};
    const UINT length = ::GetSystemWindowsDirectoryA(folder, MAX_PATH);
    if (length != 0 && length < MAX_PATH)
        platform.windowsFolder.assign(folder, length);
    return platform;
}

std::string ChooseRegServer(ModuleMachine machine, const RegServerPlatform& platform)
{
    if (platform.windowsFolder.empty())
        return std::string();
    const char* folder = nullptr;
    switch (machine) {
    case ModuleMachine::X86:
        folder = platform.windows64 ? "SysWOW64" : "System32";
        break;
    case ModuleMachine::X64:
        if (platform.windows64)
            folder = platform.program64 ? "System32" : "Sysnative";
        break;
    case ModuleMachine::NotAModule:
    case ModuleMachine::Other:
        break;
    }
    if (folder == nullptr)
        return std::string();
    std::string program = platform.windowsFolder;
    AppendBackslash(program);
    return program + folder + "\\regsvr32.exe";
}

ControlCallResult RunControlServer(const std::string& controlPath, bool unregister, DWORD timeoutMs,
                                   ModuleMachine* machine, const RegServerPlatform* platform)
{
    if (machine != nullptr)
        *machine = ModuleMachine::NotAModule;
    // The program is named by its full path in the system folder, never
    // looked up along the search path, and the control's path is quoted
    // whole. A path with a quotation mark cannot be quoted, and one that
    // is not a full path would be searched for: both refused.
    if (!IsFullPath(controlPath) || controlPath.find('"') != std::string::npos)
        return ControlCallResult::NotStarted;

    // The control itself (a link is opened as the link), held until the
    // child has ended: without write or delete sharing nobody can change
    // it or put another file in its place between the header read here and
    // regsvr32's load, which opens it for reading only.
    const ScopedHandle control(::CreateFileA(controlPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!control)
        return ControlCallResult::Failed;
    return RunControlServerHeld(control.get(), controlPath, unregister, timeoutMs, machine, platform);
}

ControlCallResult RunControlServerHeld(HANDLE control, const std::string& controlPath, bool unregister,
                                       DWORD timeoutMs, ModuleMachine* machine, const RegServerPlatform* platform)
{
    if (machine != nullptr)
        *machine = ModuleMachine::NotAModule;
    if (!IsFullPath(controlPath) || controlPath.find('"') != std::string::npos)
        return ControlCallResult::NotStarted;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(control, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return ControlCallResult::NotStarted;
    const ModuleMachine kind = ReadModuleMachine(control);
    if (machine != nullptr)
        *machine = kind;
    // regsvr32 could load nothing from it.
    if (kind == ModuleMachine::NotAModule)
        return ControlCallResult::Failed;
    const std::string program = ChooseRegServer(kind, platform != nullptr ? *platform : CurrentRegServerPlatform());
    if (program.empty())
        return ControlCallResult::WrongMachine;

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

std::string DescribeControlCall(ControlCallResult result, ModuleMachine machine)
{
    switch (result) {
    case ControlCallResult::Succeeded:
        return std::string();
    case ControlCallResult::Failed:
        return machine == ModuleMachine::NotAModule ? "不是可以注册的模块" : "控件的自注册报告失败";
    case ControlCallResult::TimedOut:
        return "regsvr32 超过时限没有结束，已被终止";
    case ControlCallResult::NotStarted:
        return "路径不能交给 regsvr32，或 regsvr32 未能启动";
    case ControlCallResult::WrongMachine:
        return machine == ModuleMachine::X64 ? "64 位控件，32 位 Windows 不能运行"
                                             : "控件是其他处理器的模块，本机的 Windows 不能运行";
    }
    return std::string();
}

}  // namespace winlib
