// The control registration in a child process: what it refuses to start,
// how a registration that cannot work is reported, which regsvr32 serves a
// module of each machine type, and that the control cannot change under
// regsvr32. (The engine tests run it on probe controls that register,
// fail, crash and hang.)
#include "FileHelpers.h"
#include "TempDir.h"
#include "winlib/ControlProcess.h"
#include "winlib/Handles.h"
#include "winlib/StringUtil.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <future>
#include <string>

using winlib::ChooseRegServer;
using winlib::ControlCallResult;
using winlib::ModuleMachine;
using winlib::RegServerPlatform;
using winlib::RunControlServer;

namespace {

// The machine type of a file, read through a handle as the registration does.
ModuleMachine MachineOf(const std::string& path)
{
    const winlib::ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file.valid()) << path;
    return winlib::ReadModuleMachine(file.get());
}

std::string Headers(WORD machine, WORD magic)
{
    return testfs::ModuleHeaders(machine, magic);
}

std::string Written(const TempDir& dir, const std::string& name, const std::string& content)
{
    const std::string path = dir / name;
    testfs::WriteFile(path, content);
    return path;
}

RegServerPlatform Platform(bool program64, bool windows64, const std::string& folder = "C:\\Windows")
{
    RegServerPlatform platform;
    platform.program64 = program64;
    platform.windows64 = windows64;
    platform.windowsFolder = folder;
    return platform;
}

// Sets ZEMLO_PROBE_MARKERS for the probe controls' children while it lives.
class ProbeMarkers {
public:
    ProbeMarkers() { ::SetEnvironmentVariableA("ZEMLO_PROBE_MARKERS", m_dir.path().c_str()); }
    ~ProbeMarkers() { ::SetEnvironmentVariableA("ZEMLO_PROBE_MARKERS", nullptr); }
    bool Has(const std::string& name) const { return testfs::Exists(m_dir / name); }

private:
    TempDir m_dir;
};

}  // namespace

TEST(RunControlServer, RefusesWhatCannotBeQuotedAndReportsAFailedRegistration)
{
    // Nothing to name, or a quotation mark that would end the quoted path
    // and let the rest pass as further arguments: no process is started.
    EXPECT_EQ(RunControlServer("", false, 10000), ControlCallResult::NotStarted);
    EXPECT_EQ(RunControlServer("C:\\a\" /u \"C:\\b.ocx", false, 10000), ControlCallResult::NotStarted);
    // A name that is not a full path would be looked up along regsvr32's
    // search path: refused too, whatever form it takes.
    for (const char* relative : {"kernel32.dll", "Controls\\x.ocx", "\\x.ocx", "C:x.ocx"})
        EXPECT_EQ(RunControlServer(relative, false, 10000), ControlCallResult::NotStarted) << relative;

    // A missing file and a file that is no module both fail, both ways.
    TempDir temp;
    EXPECT_EQ(RunControlServer(temp / "missing.ocx", false, 30000), ControlCallResult::Failed);
    const std::string text = temp / "text.ocx";
    FILE* file = std::fopen(text.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("not a module", file);
    std::fclose(file);
    EXPECT_EQ(RunControlServer(text, false, 30000), ControlCallResult::Failed);
    EXPECT_EQ(RunControlServer(text, true, 30000), ControlCallResult::Failed);
}

TEST(ModuleMachine, ReadFromThePeHeader)
{
    // Real modules of both kinds: a 64-bit control of this build and a
    // 32-bit one built with the i686 compiler.
    EXPECT_EQ(MachineOf(PROBE_REGISTERS_OCX), ModuleMachine::X64);
    EXPECT_EQ(MachineOf(ZEMLO_X86_CONTROL), ModuleMachine::X86);

    TempDir dir;
    EXPECT_EQ(MachineOf(Written(dir, "x86.ocx", Headers(IMAGE_FILE_MACHINE_I386, IMAGE_NT_OPTIONAL_HDR32_MAGIC))),
              ModuleMachine::X86);
    EXPECT_EQ(MachineOf(Written(dir, "x64.ocx", Headers(IMAGE_FILE_MACHINE_AMD64, IMAGE_NT_OPTIONAL_HDR64_MAGIC))),
              ModuleMachine::X64);
    // A module for another processor (ARM64) is a module, of no kind this
    // program knows a regsvr32 for.
    EXPECT_EQ(MachineOf(Written(dir, "arm64.ocx", Headers(0xAA64, IMAGE_NT_OPTIONAL_HDR64_MAGIC))),
              ModuleMachine::Other);
}

TEST(ModuleMachine, AnythingElseIsNoModule)
{
    TempDir dir;
    const std::string x86 = Headers(IMAGE_FILE_MACHINE_I386, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    // A DOS header alone, its e_lfanew pointing past the end or backwards.
    const auto dosOnly = [&x86](LONG lfanew) {
        std::string bytes = x86.substr(0, sizeof(IMAGE_DOS_HEADER));
        std::memcpy(&bytes[offsetof(IMAGE_DOS_HEADER, e_lfanew)], &lfanew, sizeof(lfanew));
        return bytes;
    };
    std::string noSignature = x86;
    noSignature[0x80 + 1] = 'X';
    const struct {
        const char* name;
        std::string content;
    } cases[] = {
        {"empty", ""},
        {"text", "not a module, just text long enough to hold a DOS header's worth of bytes and then some more"},
        {"mz-only", "MZ"},
        {"short-dos-header", x86.substr(0, 40)},
        {"cut-before-pe", x86.substr(0, 0x80 + 10)},
        {"lfanew-past-end", dosOnly(0x7FFFFFF0)},
        {"lfanew-negative", dosOnly(-4)},
        {"lfanew-zero", dosOnly(0)},
        {"no-pe-signature", noSignature},
        // A header that contradicts itself: i386 with a PE32+ optional
        // header, x86-64 with a PE32 one, or a magic of neither.
        {"i386-pe32plus", Headers(IMAGE_FILE_MACHINE_I386, IMAGE_NT_OPTIONAL_HDR64_MAGIC)},
        {"amd64-pe32", Headers(IMAGE_FILE_MACHINE_AMD64, IMAGE_NT_OPTIONAL_HDR32_MAGIC)},
        {"bad-magic", Headers(IMAGE_FILE_MACHINE_I386, 0x107)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MachineOf(Written(dir, std::string(c.name) + ".ocx", c.content)), ModuleMachine::NotAModule)
            << c.name;
}

TEST(ChooseRegServer, TheRegsvr32OfTheModulesOwnKind)
{
    // A 64-bit program (only on 64-bit Windows): its System32 is the 64-bit
    // folder, the 32-bit one is SysWOW64.
    const RegServerPlatform x64 = Platform(true, true);
    EXPECT_EQ(ChooseRegServer(ModuleMachine::X64, x64), "C:\\Windows\\System32\\regsvr32.exe");
    EXPECT_EQ(ChooseRegServer(ModuleMachine::X86, x64), "C:\\Windows\\SysWOW64\\regsvr32.exe");
    // A 32-bit program on 64-bit Windows: its System32 would be redirected
    // to the 32-bit folder; the 64-bit regsvr32 is reached through
    // Sysnative, named in full.
    const RegServerPlatform wow64 = Platform(false, true);
    EXPECT_EQ(ChooseRegServer(ModuleMachine::X64, wow64), "C:\\Windows\\Sysnative\\regsvr32.exe");
    EXPECT_EQ(ChooseRegServer(ModuleMachine::X86, wow64), "C:\\Windows\\SysWOW64\\regsvr32.exe");
    // 32-bit Windows: no 64-bit regsvr32 at all, and no SysWOW64.
    const RegServerPlatform x86 = Platform(false, false);
    EXPECT_EQ(ChooseRegServer(ModuleMachine::X86, x86), "C:\\Windows\\System32\\regsvr32.exe");
    EXPECT_EQ(ChooseRegServer(ModuleMachine::X64, x86), "");
    // What is no module, or one for another processor, has none anywhere.
    for (const RegServerPlatform& platform : {x64, wow64, x86}) {
        EXPECT_EQ(ChooseRegServer(ModuleMachine::NotAModule, platform), "");
        EXPECT_EQ(ChooseRegServer(ModuleMachine::Other, platform), "");
    }
    // The Windows folder as the system gives it: at a drive's root it ends
    // in a backslash; a GBK name whose last byte is 0x5C (淺 is 9C 5C) does
    // not; without one nothing is named.
    EXPECT_EQ(ChooseRegServer(ModuleMachine::X86, Platform(false, false, "D:\\")), "D:\\System32\\regsvr32.exe");
    EXPECT_EQ(ChooseRegServer(ModuleMachine::X86, Platform(false, false, "C:\\淺")),
              "C:\\淺\\System32\\regsvr32.exe");
    EXPECT_EQ(ChooseRegServer(ModuleMachine::X86, Platform(false, false, "")), "");
}

TEST(ChooseRegServer, ThisProgramsPlatform)
{
    const RegServerPlatform platform = winlib::CurrentRegServerPlatform();
    EXPECT_EQ(platform.program64, sizeof(void*) == 8);
    EXPECT_TRUE(platform.windows64 || !platform.program64);
    char windows[MAX_PATH] = {};
    ASSERT_NE(::GetSystemWindowsDirectoryA(windows, MAX_PATH), 0u);
    EXPECT_EQ(platform.windowsFolder, windows);
    // The regsvr32 this program takes for its own kind of module is the
    // system's.
    char system[MAX_PATH] = {};
    ASSERT_NE(::GetSystemDirectoryA(system, MAX_PATH), 0u);
    const std::string own = ChooseRegServer(platform.program64 ? ModuleMachine::X64 : ModuleMachine::X86, platform);
    EXPECT_TRUE(winlib::EqualNoCase(own, std::string(system) + "\\regsvr32.exe")) << own;
}

TEST(RunControlServer, AModuleThisWindowsCannotRunIsNotRegistered)
{
    ProbeMarkers markers;
    ModuleMachine machine = ModuleMachine::NotAModule;
    // The 64-bit probe on a 32-bit Windows: no regsvr32 is started, so the
    // control never registers, and the reason says why.
    const RegServerPlatform x86 = Platform(false, false, winlib::CurrentRegServerPlatform().windowsFolder);
    EXPECT_EQ(RunControlServer(PROBE_REGISTERS_OCX, false, 30000, &machine, &x86), ControlCallResult::WrongMachine);
    EXPECT_EQ(machine, ModuleMachine::X64);
    EXPECT_FALSE(markers.Has("ProbeRegisters.ocx.started"));
    EXPECT_EQ(winlib::DescribeControlCall(ControlCallResult::WrongMachine, machine), "64 位控件，32 位 Windows 不能运行");

    // A module for another processor, on this very Windows.
    TempDir dir;
    const std::string arm64 = Written(dir, "arm64.ocx", Headers(0xAA64, IMAGE_NT_OPTIONAL_HDR64_MAGIC));
    EXPECT_EQ(RunControlServer(arm64, false, 30000, &machine), ControlCallResult::WrongMachine);
    EXPECT_EQ(machine, ModuleMachine::Other);
    EXPECT_FALSE(winlib::DescribeControlCall(ControlCallResult::WrongMachine, machine).empty());

    // The same probe on this platform registers, through the regsvr32 of
    // its kind.
    EXPECT_EQ(RunControlServer(PROBE_REGISTERS_OCX, false, 30000, &machine), ControlCallResult::Succeeded);
    EXPECT_EQ(machine, ModuleMachine::X64);
    EXPECT_TRUE(markers.Has("ProbeRegisters.ocx.registered"));
    EXPECT_EQ(RunControlServer(PROBE_REGISTERS_OCX, true, 30000), ControlCallResult::Succeeded);
    EXPECT_FALSE(markers.Has("ProbeRegisters.ocx.registered"));
}

TEST(RunControlServer, TheControlCannotBeReplacedWhileRegsvr32Runs)
{
    ProbeMarkers markers;
    TempDir dir;
    const std::string control = dir / "Hangs.ocx";
    const std::string other = dir / "Other.ocx";
    ASSERT_TRUE(::CopyFileA(PROBE_HANGS_OCX, control.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(PROBE_REGISTERS_OCX, other.c_str(), FALSE));
    auto call = std::async(std::launch::async, [&control] { return RunControlServer(control, false, 6000); });
    // Once regsvr32 has loaded it (its registration has begun) ...
    for (int i = 0; i < 200 && !markers.Has("Hangs.ocx.started"); ++i)
        ::Sleep(50);
    ASSERT_TRUE(markers.Has("Hangs.ocx.started"));
    // ... the file can be neither written, nor deleted, nor renamed, nor
    // replaced by another.
    const winlib::ScopedHandle writer(::CreateFileA(control.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_FALSE(writer.valid());
    EXPECT_FALSE(::DeleteFileA(control.c_str()));
    EXPECT_FALSE(::MoveFileExA(control.c_str(), (dir / "moved.ocx").c_str(), 0));
    EXPECT_FALSE(::MoveFileExA(other.c_str(), control.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(call.get(), ControlCallResult::TimedOut);
    // Let go once the child has ended.
    bool deleted = false;
    for (int i = 0; i < 50 && !(deleted = ::DeleteFileA(control.c_str()) != FALSE); ++i)
        ::Sleep(100);
    EXPECT_TRUE(deleted);
}

TEST(RunControlServer, AControlThatIsALinkIsRefused)
{
    ProbeMarkers markers;
    TempDir dir;
    const std::string target = dir / "Target.ocx";
    const std::string link = dir / "Linked.ocx";
    ASSERT_TRUE(::CopyFileA(PROBE_REGISTERS_OCX, target.c_str(), FALSE));
    if (!testfs::MakeUnixSymlink(link, target))
        GTEST_SKIP() << "no link can be made here";
    const DWORD attributes = ::GetFileAttributesA(link.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        EXPECT_EQ(RunControlServer(link, false, 30000), ControlCallResult::NotStarted);
        EXPECT_FALSE(markers.Has("Linked.ocx.started"));
        EXPECT_FALSE(markers.Has("Target.ocx.started"));
    }
    ASSERT_TRUE(testfs::RemoveUnixSymlink(link));
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 || attributes == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "Wine 8 shows a file link without FILE_ATTRIBUTE_REPARSE_POINT; on Windows it carries one";
}
