// Runs a program with a command line given word for word (the Linux side
// cannot: Wine quotes every argument that holds a blank) and reports how it
// went: every window it showed, and its exit code.
//
//   run_program <program> <arguments> [--no-window] [--answer-box] [--hold-file F] [--timeout-s S]
//   run_program --active-setup <component key> [the same options]
//
// The second form runs an Active Setup component's command as the shell
// does at a user's logon: the StubPath value of the key under
// HKEY_LOCAL_MACHINE, its environment strings expanded, as the whole
// command line (its first word names the program), as the running user.
//
// --no-window   a visible window of the program is a failure (an
//               unattended run shows none)
// --answer-box  the program is expected to show one message box: its text
//               is printed and it is answered with its first button
// --hold-file   F is held open for the run (reading shared, nothing else),
//               as another program holding it would
// Prints "exit code: N" last; exits 0 when every check passed, else 1.
#include "GuiDrive.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The command line of the component's StubPath (a REG_EXPAND_SZ comes
// expanded); false, with the reason printed, without one.
bool ReadStubPath(const std::string& component, std::string& commandLine)
{
    // The shell of 64-bit Windows runs the components of both registry
    // views; the product writes its own in the 32-bit one.
    LONG result = ERROR_FILE_NOT_FOUND;
    char value[4096] = {};
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY key = nullptr;
        result = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, component.c_str(), 0, KEY_QUERY_VALUE | view, &key);
        if (result != ERROR_SUCCESS)
            continue;
        DWORD size = sizeof(value);
        result = ::RegGetValueA(key, nullptr, "StubPath", RRF_RT_REG_SZ, nullptr, value, &size);
        ::RegCloseKey(key);
        if (result == ERROR_SUCCESS)
            break;
    }
    if (result != ERROR_SUCCESS || value[0] == '\0') {
        gui::Check(false, "the component " + component + " has a StubPath (error " + std::to_string(result) + ")");
        return false;
    }
    commandLine = value;
    std::printf("StubPath: %s\n", commandLine.c_str());
    return true;
}

// The first visible top-level window of the process.
HWND VisibleWindowOf(DWORD processId)
{
    return drivekit::FindProcessWindow(processId, false, [](HWND) { return true; });
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: run_program <program> <arguments> [--no-window] [--answer-box] [--hold-file F] [--timeout-s S]\n"
                             "       run_program --active-setup <component key> [options]\n");
        return 2;
    }
    const std::string program = argv[1];
    const std::string arguments = argv[2];
    bool noWindow = false;
    bool answerBox = false;
    winlib::ScopedHandle held;
    DWORD timeoutMs = 120000;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-window") == 0)
            noWindow = true;
        else if (std::strcmp(argv[i], "--answer-box") == 0)
            answerBox = true;
        else if (std::strcmp(argv[i], "--timeout-s") == 0 && i + 1 < argc)
            timeoutMs = static_cast<DWORD>(std::atoi(argv[++i])) * 1000;
        else if (std::strcmp(argv[i], "--hold-file") == 0 && i + 1 < argc) {
            held.reset(::CreateFileA(argv[++i], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            if (!held) {
                std::fprintf(stderr, "cannot hold %s open (error %lu)\n", argv[i], ::GetLastError());
                return 2;
            }
        }
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }

    winlib::ScopedProcessInformation pi;
    if (program == "--active-setup") {
        std::string commandLine;
        if (!ReadStubPath(arguments, commandLine) || !gui::StartCommandLine(commandLine, pi, "C:\\"))
            return 1;
    } else if (!gui::StartProgram(program, pi, "C:\\", arguments)) {
        return 1;
    }
    bool windowSeen = false;
    bool boxAnswered = false;
    const ULONGLONG start = ::GetTickCount64();
    while (::WaitForSingleObject(pi.process_handle(), 20) == WAIT_TIMEOUT) {
        if (::GetTickCount64() - start > timeoutMs)
            break;
        const HWND window = VisibleWindowOf(pi.process_id());
        if (window == nullptr)
            continue;
        if (!windowSeen) {
            char caption[256] = {};
            ::GetWindowTextA(window, caption, sizeof(caption));
            std::printf("window: %s\n", caption);
            windowSeen = true;
        }
        if (answerBox && !boxAnswered) {
            if (HWND box = gui::FindProcessDialog(pi.process_id(), nullptr, 0xFFFF)) {
                std::printf("box: %s\n", gui::MessageTextOf(box).c_str());
                gui::Click(box, ::GetDlgItem(box, IDOK) != nullptr ? IDOK : IDCANCEL);
                boxAnswered = true;
            }
        }
        if (noWindow) {
            // Nothing may wait for a click: the run is ended here.
            break;
        }
    }
    if (::WaitForSingleObject(pi.process_handle(), 0) == WAIT_TIMEOUT) {
        gui::Check(false, "the program has ended by itself");
        ::TerminateProcess(pi.process_handle(), 1);
        ::WaitForSingleObject(pi.process_handle(), 5000);
    }
    if (noWindow)
        gui::Check(!windowSeen, "the program shows no window");
    if (answerBox)
        gui::Check(boxAnswered, "the program shows a message box");
    DWORD exitCode = STILL_ACTIVE;
    ::GetExitCodeProcess(pi.process_handle(), &exitCode);
    std::printf("exit code: %lu\n", static_cast<unsigned long>(exitCode));
    std::fflush(stdout);
    return gui::Failures() == 0 ? 0 : 1;
}
