// usersetup_bench: how long a user's logon waits for the per-user step of
// an installation for all users: UserSetup.exe /PROFILE, from its start to
// its exit, as the shell starts it, writing the profiles of two AutoCAD
// releases (2004 and 2008) for a user who has none of the product's yet.
//
// Usage: usersetup_bench --medium DIR [--rounds R] [--work DIR]
//
// The medium's UserSetup.exe is copied into "<work>\usersetup" (an
// installation folder of its own). The stand-in releases are written into
// the real registry of the prefix (the child process cannot share a
// redirected one) and removed again afterwards; the run refuses to start
// when the prefix has AutoCAD keys of its own. Each round removes the
// product's profiles first. Figures are printed as "name: value" lines on
// stdout.
#include "BenchSupport.h"
#include "FileHelpers.h"
#include "winlib/Handles.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

using namespace bench;

const char kAutodesk[] = "Software\\Autodesk";
const char kProfile[] = "<<enggZEMLO V8>>";

struct Release {
    const char* name;
    const char* code;
    const char* folder;
};
const Release kReleases[] = {
    {"R16.0", "ACAD-201:804", "AutoCAD 2004"},
    {"R17.1", "ACAD-6001:804", "AutoCAD 2008"},
};

std::string ProfilesKey(const Release& release)
{
    return std::string(kAutodesk) + "\\AutoCAD\\" + release.name + "\\" + release.code + "\\Profiles";
}

bool Put(HKEY root, const std::string& key, const char* name, const std::string& value)
{
    return ::RegSetKeyValueA(root, key.c_str(), name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1)) ==
           ERROR_SUCCESS;
}

bool KeyExists(HKEY root, const std::string& key)
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(opened);
    return true;
}

// The releases as AutoCAD leaves them: the product code per user, the
// folder machine-wide, the user's default profile with its support path.
bool WriteReleases(const std::string& work)
{
    for (const Release& release : kReleases) {
        const std::string releaseKey = std::string(kAutodesk) + "\\AutoCAD\\" + release.name;
        const std::string folder = work + "\\" + release.folder;
        if (!Put(HKEY_CURRENT_USER, releaseKey, "CurVer", release.code) ||
            !Put(HKEY_LOCAL_MACHINE, releaseKey + "\\" + release.code, "AcadLocation", folder) ||
            !Put(HKEY_CURRENT_USER, ProfilesKey(release) + "\\<<未命名配置>>\\General", "ACAD", folder + "\\support"))
            return false;
    }
    return true;
}

// Seconds from starting the command line to the program's exit; negative
// when it could not be started, did not end in time or did not succeed.
double TimeRun(const std::string& commandLine, const std::string& folder)
{
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const Stopwatch clock;
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info)) {
        std::fprintf(stderr, "usersetup_bench: cannot start %s (error %lu)\n", commandLine.c_str(), ::GetLastError());
        return -1;
    }
    winlib::ScopedHandle process(info.hProcess);
    winlib::ScopedHandle thread(info.hThread);
    const DWORD waited = ::WaitForSingleObject(process.get(), 30000);
    const double seconds = clock.Seconds();
    DWORD code = STILL_ACTIVE;
    if (waited != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), 10000);
    }
    ::GetExitCodeProcess(process.get(), &code);
    if (waited != WAIT_OBJECT_0 || code != 0) {
        std::fprintf(stderr, "usersetup_bench: %s ended with %lu\n", commandLine.c_str(), code);
        return -1;
    }
    return seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string medium, work;
    unsigned rounds = 5;
    bool ok = argc % 2 == 1;
    for (int i = 1; ok && i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--medium")
            medium = argv[i + 1];
        else if (arg == "--work")
            work = argv[i + 1];
        else
            ok = arg == "--rounds" && ParseNumber(argv[i + 1], rounds) && rounds > 0;
    }
    if (!ok || medium.empty() || !NormaliseWorkFolder(medium) || !NormaliseWorkFolder(work)) {
        std::fprintf(stderr, "usage: usersetup_bench --medium DIR [--rounds R] [--work DIR]\n");
        return 2;
    }
    if (KeyExists(HKEY_CURRENT_USER, kAutodesk) || KeyExists(HKEY_LOCAL_MACHINE, kAutodesk)) {
        std::fprintf(stderr, "usersetup_bench: this prefix has AutoCAD keys of its own; nothing measured\n");
        return 1;
    }
    const std::string folder = work + "\\usersetup";
    const std::string program = folder + "\\UserSetup.exe";
    testfs::MakeDirs(folder);
    if (!::CopyFileA((medium + "\\UserSetup.exe").c_str(), program.c_str(), FALSE)) {
        std::fprintf(stderr, "usersetup_bench: no UserSetup.exe in %s\n", medium.c_str());
        return 1;
    }

    double first = -1, best = -1;
    bool written = WriteReleases(folder);
    for (unsigned round = 0; written && round < rounds; ++round) {
        for (const Release& release : kReleases)
            ::RegDeleteTreeA(HKEY_CURRENT_USER, (ProfilesKey(release) + "\\" + kProfile).c_str());
        const double seconds = TimeRun("\"" + program + "\" /PROFILE", folder);
        // A run that wrote no profile measured something else.
        for (const Release& release : kReleases)
            written = written && KeyExists(HKEY_CURRENT_USER, ProfilesKey(release) + "\\" + kProfile);
        std::fprintf(stderr, "usersetup_bench: round %u: %.1f ms\n", round + 1, seconds * 1e3);
        if (round == 0)
            first = seconds;
        KeepBest(best, seconds, seconds >= 0);
    }
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kAutodesk);
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kAutodesk);
    ::DeleteFileA(program.c_str());
    ::RemoveDirectoryA(folder.c_str());
    if (!written) {
        std::fprintf(stderr, "usersetup_bench: the profiles were not written; nothing measured\n");
        return 1;
    }
    PrintFigure("usersetup_start_to_exit_ms", 1, best * 1e3);
    PrintFigure("usersetup_start_to_exit_first_ms", 1, first * 1e3);
    std::printf("usersetup_start_to_exit_target_ms: 100\n");
    std::fflush(stdout);
    return 0;
}
