// Calls the self-registration of a control module in a child process, so
// that a control which crashes or hangs in DllRegisterServer or
// DllUnregisterServer cannot take the calling program with it. The child is
// the system's regsvr32 of the control's own machine type: a 32-bit
// regsvr32 cannot load a 64-bit module, nor the other way round.
#pragma once

#include <windows.h>

#include <string>

namespace winlib {

// WrongMachine: the module is of a kind this Windows cannot run (a 64-bit
// control on 32-bit Windows, a module for another processor).
enum class ControlCallResult { Succeeded, Failed, TimedOut, NotStarted, WrongMachine };

// The machine type in a module's PE header.
enum class ModuleMachine {
    NotAModule,  // no PE header (too short, no "MZ"/"PE" signature, a header that contradicts itself)
    X86,         // PE32, i386
    X64,         // PE32+, x86-64
    Other,       // a module for another processor
};

// Reads the header of the open file from its start (moves the file
// pointer). A file that cannot be read counts as no module.
ModuleMachine ReadModuleMachine(HANDLE file);

// What the choice of regsvr32 depends on: this program's bitness, whether
// Windows is 64-bit, and the Windows folder (GetSystemWindowsDirectory).
struct RegServerPlatform {
    bool program64 = false;
    bool windows64 = false;
    std::string windowsFolder;
};

// The platform this program runs on.
RegServerPlatform CurrentRegServerPlatform();

// The full path of the regsvr32 that can load a module of this machine
// type, or "" when none on this platform can. On 64-bit Windows the 64-bit
// one is "System32" to a 64-bit program and "Sysnative" to a 32-bit one
// (whose "System32" is redirected to the 32-bit folder); the 32-bit one is
// "SysWOW64". On 32-bit Windows only the 32-bit one exists, in "System32".
std::string ChooseRegServer(ModuleMachine machine, const RegServerPlatform& platform);

// Runs "<regsvr32> /s [/u] \"path\"" in a child process, waits up to
// timeoutMs, ends it on time-out. The control is opened first and held,
// neither writable nor deletable by others, until the child has ended, so
// the module regsvr32 loads is the one whose header chose it; a control
// that is a link (a reparse point) is refused, and a file that is no module
// fails without a child. machine, when given, receives the module's type;
// platform, when given, stands for CurrentRegServerPlatform().
ControlCallResult RunControlServer(const std::string& controlPath, bool unregister, DWORD timeoutMs,
                                   ModuleMachine* machine = nullptr, const RegServerPlatform* platform = nullptr);

// The same for a control the caller has opened and checked and holds
// (control, with read access; opened without write or delete sharing, and
// with read sharing so that regsvr32 can load it), named by controlPath,
// which must be the path of that very file: the caller's handle is what
// keeps the file regsvr32 loads the one checked. A handle on a link (a
// reparse point) or a folder is refused.
ControlCallResult RunControlServerHeld(HANDLE control, const std::string& controlPath, bool unregister,
                                       DWORD timeoutMs, ModuleMachine* machine = nullptr,
                                       const RegServerPlatform* platform = nullptr);

// Why a call did not succeed, for the run log (GBK): empty for Succeeded.
std::string DescribeControlCall(ControlCallResult result, ModuleMachine machine);

}  // namespace winlib
