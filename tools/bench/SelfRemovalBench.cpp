// The self-removal batch while it waits: a stand-in program file is held
// open (as the running uninstaller holds its own) for a while, the real
// batch is started for it as the uninstaller starts it, and once the file
// is released the batch must delete it, its folder and itself. Printed:
// the CPU seconds of the batch's command interpreter over the first three
// seconds (as long as the uninstaller's finished window is commonly left
// open) and from its start to its end, the same with the programs it
// starts (its waits), the wait, and how long the batch took to finish
// after the release. The tests check that it waits, ends and deletes only
// its three things; what the waiting costs is measured here.
//
// Usage: selfremoval_bench [--wait-s S]   (default 10)
#include "FileHelpers.h"
#include "SelfRemoval.h"
#include "TempDir.h"
#include "winlib/Handles.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The first seconds of the wait whose CPU time is printed apart.
constexpr unsigned kFirstSeconds = 3;

double Seconds(const FILETIME& t)
{
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
}

double Seconds(const LARGE_INTEGER& t)
{
    return static_cast<double>(t.QuadPart) / 1e7;
}

// The CPU seconds of the process so far; negative when not known.
double CpuSeconds(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    return ::GetProcessTimes(process, &created, &exited, &kernel, &user) ? Seconds(kernel) + Seconds(user) : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    unsigned waitSeconds = 10;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--wait-s") == 0 && i + 1 < argc) {
            waitSeconds = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            std::fprintf(stderr, "usage: selfremoval_bench [--wait-s S]\n");
            return 2;
        }
    }

    const TempDir work;
    const std::string app = work / "App";
    const std::string program = app + "\\Uninstall.exe";
    const std::string batchFolder = work / "Batch";
    testfs::MakeDirs(batchFolder);
    if (!testfs::WriteFile(program, std::string())) {
        std::fprintf(stderr, "selfremoval_bench: cannot write %s\n", program.c_str());
        return 1;
    }
    // Held as a running program holds its file: no delete sharing.
    winlib::ScopedHandle held(
        ::CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));

    winlib::ScopedProcessInformation batch;
    std::string batchPath;
    if (!held || !LaunchSelfRemovalBatch(program, batchFolder, batch, &batchPath)) {
        std::fprintf(stderr, "selfremoval_bench: the batch did not start\n");
        return 1;
    }
    // The batch and whatever it starts, counted together.
    winlib::ScopedHandle job(::CreateJobObjectA(nullptr, nullptr));
    const bool inJob = job && ::AssignProcessToJobObject(job.get(), batch.process_handle());
    ::ResumeThread(batch.thread_handle());

    const unsigned firstSeconds = std::min(kFirstSeconds, waitSeconds);
    ::Sleep(firstSeconds * 1000);
    const double first = CpuSeconds(batch.process_handle());
    ::Sleep((waitSeconds - firstSeconds) * 1000);
    const bool waited = ::WaitForSingleObject(batch.process_handle(), 0) == WAIT_TIMEOUT;
    held.reset();
    const ULONGLONG released = ::GetTickCount64();
    const bool ended = ::WaitForSingleObject(batch.process_handle(), 30000) == WAIT_OBJECT_0;
    const double endSeconds = static_cast<double>(::GetTickCount64() - released) / 1000.0;
    if (!ended)
        ::TerminateProcess(batch.process_handle(), 1);

    const double own = CpuSeconds(batch.process_handle());
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    const bool counted = inJob && ::QueryInformationJobObject(job.get(), JobObjectBasicAccountingInformation,
                                                              &accounting, sizeof(accounting), nullptr);
    const bool clean = !testfs::Exists(program) && !testfs::Exists(app) && !testfs::Exists(batchPath);

    std::printf("selfremoval_wait_s: %u\n", waitSeconds);
    // A batch that spins takes a whole core: as many seconds as it waited.
    std::printf("selfremoval_batch_cpu_first_%us_s: %.3f\n", firstSeconds, first);
    std::printf("selfremoval_batch_cpu_first_%us_target_s: 1\n", firstSeconds);
    std::printf("selfremoval_batch_cpu_s: %.3f\n", own);
    // With its waits, where the system keeps the job's accounting (Wine
    // answers zero: then the figure is left out rather than printed wrong).
    const double withWaits = Seconds(accounting.TotalUserTime) + Seconds(accounting.TotalKernelTime);
    if (counted && withWaits > 0 && withWaits >= own)
        std::printf("selfremoval_batch_with_waits_cpu_s: %.3f\n", withWaits);
    std::printf("selfremoval_batch_cpu_target_s: 1\n");
    std::printf("selfremoval_end_after_release_s: %.2f\n", endSeconds);
    std::printf("selfremoval_waited_and_removed: %s\n", waited && ended && clean ? "yes" : "no");
    return waited && ended && clean ? 0 : 1;
}
