// The self-removal batch while it waits: a stand-in program file is held
// open (as the running uninstaller holds its own) for a while, the real
// batch is started for it as the uninstaller starts it, and once the file
// is released the batch must delete it, its folder and itself. Printed:
// the CPU seconds of the batch's command interpreter from its start to its
// end, the same with the programs it starts (its waits), the wait, and how
// long the batch took to finish after the release.
//
// Usage: selfremoval_bench [--wait-s S]   (default 10)
#include "SelfRemoval.h"
#include "winlib/Handles.h"
#include "winlib/Path.h"
#include "winlib/StringUtil.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

double Seconds(const FILETIME& t)
{
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
}

double Seconds(const LARGE_INTEGER& t)
{
    return static_cast<double>(t.QuadPart) / 1e7;
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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

    char temp[MAX_PATH + 1] = {};
    const DWORD got = ::GetTempPathA(MAX_PATH + 1, temp);
    if (got == 0 || got > MAX_PATH)
        return 1;
    const std::string work =
        winlib::JoinPath(std::string(temp, got), winlib::Format("zemlo-selfremoval-%lu", ::GetCurrentProcessId()));
    const std::string app = work + "\\App";
    const std::string program = app + "\\Uninstall.exe";
    ::CreateDirectoryA(work.c_str(), nullptr);
    ::CreateDirectoryA(app.c_str(), nullptr);
    ::CreateDirectoryA((work + "\\Batch").c_str(), nullptr);
    {
        winlib::ScopedHandle file(
            ::CreateFileA(program.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            std::fprintf(stderr, "selfremoval_bench: cannot write %s\n", program.c_str());
            return 1;
        }
    }
    // Held as a running program holds its file: no delete sharing.
    winlib::ScopedHandle held(
        ::CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));

    winlib::ScopedProcessInformation batch;
    std::string batchPath;
    if (!held || !LaunchSelfRemovalBatch(program, work + "\\Batch", batch, &batchPath)) {
        std::fprintf(stderr, "selfremoval_bench: the batch did not start\n");
        return 1;
    }
    // The batch and whatever it starts, counted together.
    winlib::ScopedHandle job(::CreateJobObjectA(nullptr, nullptr));
    const bool inJob = job && ::AssignProcessToJobObject(job.get(), batch.process_handle());
    ::ResumeThread(batch.thread_handle());

    ::Sleep(waitSeconds * 1000);
    const bool waited = ::WaitForSingleObject(batch.process_handle(), 0) == WAIT_TIMEOUT;
    held.reset();
    const ULONGLONG released = ::GetTickCount64();
    const bool ended = ::WaitForSingleObject(batch.process_handle(), 30000) == WAIT_OBJECT_0;
    const double endSeconds = static_cast<double>(::GetTickCount64() - released) / 1000.0;
    if (!ended)
        ::TerminateProcess(batch.process_handle(), 1);

    FILETIME created, exited, kernel, user;
    const double own = ::GetProcessTimes(batch.process_handle(), &created, &exited, &kernel, &user)
                           ? Seconds(kernel) + Seconds(user)
                           : -1;
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    const bool counted = inJob && ::QueryInformationJobObject(job.get(), JobObjectBasicAccountingInformation,
                                                              &accounting, sizeof(accounting), nullptr);
    const bool clean = !Exists(program) && !Exists(app) && !Exists(batchPath);

    std::printf("selfremoval_wait_s: %u\n", waitSeconds);
    std::printf("selfremoval_batch_cpu_s: %.3f\n", own);
    // With its waits, where the system keeps the job's accounting (Wine
    // answers zero: then the figure is left out rather than printed wrong).
    const double withWaits = Seconds(accounting.TotalUserTime) + Seconds(accounting.TotalKernelTime);
    if (counted && withWaits > 0 && withWaits >= own)
        std::printf("selfremoval_batch_with_waits_cpu_s: %.3f\n", withWaits);
    std::printf("selfremoval_batch_cpu_target_s: 1\n");
    std::printf("selfremoval_end_after_release_s: %.2f\n", endSeconds);
    std::printf("selfremoval_waited_and_removed: %s\n", waited && ended && clean ? "yes" : "no");

    ::RemoveDirectoryA((work + "\\Batch").c_str());
    ::DeleteFileA(program.c_str());
    ::RemoveDirectoryA(app.c_str());
    ::RemoveDirectoryA(work.c_str());
    return waited && ended && clean ? 0 : 1;
}
