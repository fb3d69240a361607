#include "SetupScenarios.h"

#include "FileHelpers.h"
#include "InstallationCheck.h"
#include "RegistryOverride.h"
#include "runfront/ExitCodes.h"
#include "winlib/Path.h"

#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace wizard {

using namespace gui;

namespace {

const char kNothingInstalled[] = "安装没有完成，本次安装所做的更改已全部撤销，没有安装任何内容。";

// The finish page after the copy, or null.
HWND WaitFinish(Run& run)
{
    HWND finish = run.WaitPage(kReadme);
    Check(finish != nullptr, "the finish page follows the copy");
    return finish;
}

// The finish page's line about the run; the page may be found while it is
// still opening, so it is given a moment to fill it.
std::string NoticeOf(HWND finish)
{
    std::string notice;
    for (const ULONGLONG seen = ::GetTickCount64(); notice.empty() && ::GetTickCount64() - seen < 5000; ::Sleep(20))
        notice = TextOf(::GetDlgItem(finish, kNotice));
    return notice;
}

int Install(Run& run)
{
    const std::string dir = WithBackslash(run.options.folder) + "Kestrova\\ZEMLO\\";
    HWND copy = WalkToCopy(run, run.options.folder, true);
    if (copy == nullptr)
        return 1;
    run.Hold("copying");
    // Declined: the copy goes on.
    if (!CancelCopy(run, copy, false))
        return 1;

    HWND finish = WaitFinish(run);
    if (finish == nullptr)
        return 1;
    Check(IsChecked(finish, kReadme), "the readme box is ticked");
    Check(::GetDlgItem(finish, IDCANCEL) == nullptr && ::GetDlgItem(finish, kBack) == nullptr,
          "the finish page has neither Cancel nor Back");
    run.Hold("finish");
    Click(finish, kNext);
    Check(run.WaitEnd(), "Setup ends after Finish");
    Check(CloseReadme(run.options.timeoutMs), "Finish opens readme.txt");
    installcheck::CheckInstallation(FolderOf(run.options.program), dir, run.options.acadProfile);
    return Failures() == 0 ? 0 : 1;
}

// Setup's peak working set so far in MB as a "name: value" line; false
// when it cannot be read.
bool PrintPeak(Run& run, const char* name)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!::GetProcessMemoryInfo(run.pi.process_handle(), &counters, sizeof(counters)))
        return false;
    std::printf("%s: %.1f\n", name, static_cast<double>(counters.PeakWorkingSetSize) / (1 << 20));
    std::fflush(stdout);
    return true;
}

int Peak(Run& run)
{
    // The welcome page painted over its background: what Setup holds
    // before any file.
    Check(run.WaitPage(kHint) != nullptr, "the welcome page appears");
    ::Sleep(1000);
    Check(PrintPeak(run, "setup_welcome_peak_working_set_mb"), "Setup's working set can be read");
    // A moment more on the page, for whoever samples Setup's memory from
    // outside once the line is out.
    ::Sleep(500);
    HWND copy = WalkToCopy(run, run.options.folder, false);
    if (copy == nullptr)
        return 1;
    SetWorkersSuspended(run.pi.process_id(), run.guiThread, false);
    HWND finish = WaitFinish(run);
    if (finish == nullptr)
        return 1;
    Check(PrintPeak(run, "setup_peak_working_set_mb"), "Setup's working set can be read");
    if (IsChecked(finish, kReadme))
        Click(finish, kReadme);
    Click(finish, kNext);
    Check(run.WaitEnd(), "Setup ends after Finish");
    return Failures() == 0 ? 0 : 1;
}

int InstallHeld(Run& run)
{
    const std::string dir = WithBackslash(run.options.folder) + "Kestrova\\ZEMLO\\";
    HWND copy = WalkToCopy(run, run.options.folder, false);
    if (copy == nullptr)
        return 1;
    SetWorkersSuspended(run.pi.process_id(), run.guiThread, false);
    HWND question = WaitForDialog(run.pi.process_handle(), run.pi.process_id(), "Setup", run.options.timeoutMs, IDIGNORE);
    Check(question != nullptr, "a file that cannot be copied is asked about");
    if (question == nullptr)
        return 1;
    const std::string text = MessageTextOf(question);
    Check(text.find("不能复制文件 " + run.options.heldFile + "\n") != std::string::npos,
          "the question names the file held open");
    Check(::GetWindow(question, GW_OWNER) == copy, "the question is owned by the progress page");
    run.Hold("copy-failure-question");
    Click(question, IDIGNORE);

    HWND finish = WaitFinish(run);
    if (finish == nullptr)
        return 1;
    const std::string notice = NoticeOf(finish);
    // The medium's legacy control is no module: it does not register.
    Check(notice == "有 1 个文件未能复制。有 1 个控件未能注册。",
          "the finish page says one file was not copied and one control not registered (" + notice + ")");
    run.Hold("finish-file-left-out");
    Click(finish, kReadme);
    Click(finish, kNext);
    Check(run.WaitEnd(), "Setup ends after Finish");

    // The held file is neither installed nor recorded; the rest is.
    const std::string medium = FolderOf(run.options.program);
    const std::string relative = run.options.heldFile.substr(medium.size());
    Check(!Exists(dir + relative), "the file held open is not installed");
    const std::vector<std::string> lines = testfs::ReadTextLines(dir + "Uninstall.log");
    Check(!lines.empty(), "the installation has its log");
    bool recorded = false;
    for (const std::string& line : lines)
        recorded = recorded || line == "File Copy: " + dir + relative;
    Check(!recorded, "the file held open is not recorded");
    Check(Exists(dir + "readme.txt"), "the other files are installed");
    return Failures() == 0 ? 0 : 1;
}

int Quit(Run& run)
{
    HWND welcome = run.WaitPage(kHint);
    Check(welcome != nullptr, "the welcome page appears");
    if (welcome == nullptr)
        return 1;
    Click(welcome, IDCANCEL);
    HWND question = run.WaitQuestion(kWizardTitle, run.options.timeoutMs);
    Check(question != nullptr && MessageTextOf(question) == "真要退出安装程序吗?", "Cancel asks whether to quit");
    if (question == nullptr)
        return 1;
    run.Hold("quit-question");
    Click(question, IDNO);
    welcome = run.WaitPage(kHint);
    Check(welcome != nullptr, "No shows the welcome page again");
    if (welcome == nullptr)
        return 1;
    Click(welcome, kNext);
    HWND agreement = run.WaitPage(kAgreementText);
    Check(agreement != nullptr, "Next leads to the agreement page");
    if (agreement == nullptr)
        return 1;
    Click(agreement, IDCANCEL);
    question = run.WaitQuestion(kWizardTitle, run.options.timeoutMs);
    Check(question != nullptr, "Cancel on the agreement page asks too");
    if (question == nullptr)
        return 1;
    Click(question, IDYES);
    Check(run.WaitEnd(), "Yes ends Setup");
    return Failures() == 0 ? 0 : 1;
}

int CancelDuringCopy(Run& run)
{
    HWND copy = WalkToCopy(run, run.options.folder, false);
    if (copy == nullptr)
        return 1;
    if (!CancelCopy(run, copy, true))
        return 1;
    // What was copied is undone; then Setup says that nothing was
    // installed, and ends.
    bool finishSeen = false;
    HWND report = nullptr;
    const ULONGLONG start = ::GetTickCount64();
    while (report == nullptr && ::WaitForSingleObject(run.pi.process_handle(), 20) == WAIT_TIMEOUT &&
           ::GetTickCount64() - start < run.options.timeoutMs) {
        if (FindProcessDialog(run.pi.process_id(), nullptr, kReadme) != nullptr ||
            FindProcessDialog(run.pi.process_id(), kWizardTitle, IDYES) != nullptr)
            finishSeen = true;
        report = FindProcessDialog(run.pi.process_id(), kWizardTitle, IDOK);
    }
    Check(report != nullptr && MessageTextOf(report) == kNothingInstalled, "Setup says that nothing was installed");
    if (report != nullptr) {
        run.Hold("cancel-report");
        Click(report, IDOK);
    }
    Check(run.WaitEnd(), "Setup ends after the report");
    Check(!finishSeen, "no finish page and no further question");
    const std::string dir = WithBackslash(run.options.folder) + "Kestrova\\ZEMLO\\";
    if (run.options.reinstall) {
        // Over an earlier installation: it is there as it was (the end-to-end
        // run compares it file by file).
        Check(Exists(dir + "Uninstall.log"), "the earlier installation's log is back");
        Check(testreg::Text(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath", KEY_WOW64_32KEY) == dir,
              "the product key still names the earlier installation");
        return Failures() == 0 ? 0 : 1;
    }
    Check(!Exists(dir + "Uninstall.log"), "no install log is written");
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
        Check(testreg::Text(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath", view).rfind("<no", 0) == 0,
              "no installPath is recorded");
    return Failures() == 0 ? 0 : 1;
}

// The same cancel over an earlier installation in the same folder: the
// re-install question answered Yes first.
int CancelReinstall(Run& run)
{
    run.options.reinstall = true;
    return CancelDuringCopy(run);
}

int ReinstallNo(Run& run)
{
    HWND question = run.WaitQuestion("警告", run.options.timeoutMs);
    Check(question != nullptr && MessageTextOf(question) == "已经安装了本软件!\n是否重新安装?",
          "an earlier installation brings the re-install question");
    if (question == nullptr)
        return 1;
    Check(FindProcessDialog(run.pi.process_id(), kWizardTitle, kHint) == nullptr, "no page is shown before it");
    run.Hold("reinstall-question");
    Click(question, IDNO);
    bool pageSeen = false;
    const ULONGLONG start = ::GetTickCount64();
    while (::WaitForSingleObject(run.pi.process_handle(), 20) == WAIT_TIMEOUT &&
           ::GetTickCount64() - start < run.options.timeoutMs) {
        if (FindProcessDialog(run.pi.process_id(), kWizardTitle, kHint) != nullptr)
            pageSeen = true;
    }
    Check(::WaitForSingleObject(run.pi.process_handle(), 0) == WAIT_OBJECT_0, "No ends Setup");
    Check(!pageSeen, "no page is shown");
    return Failures() == 0 ? 0 : 1;
}

// A move: the re-install question answered Yes, the earlier installation's
// folder offered and another one typed; the question whether to replace
// the earlier installation answered No (the page again), then Yes; the
// finish page says the earlier one was removed. Then the installation in
// the new folder is checked and the earlier folder must be gone.
int Move(Run& run)
{
    const std::string dir = WithBackslash(run.options.folder);
    const std::string earlier = WithBackslash(run.options.earlier);
    HWND question = run.WaitQuestion("警告", run.options.timeoutMs);
    Check(question != nullptr && MessageTextOf(question) == "已经安装了本软件!\n是否重新安装?",
          "an earlier installation brings the re-install question");
    if (question == nullptr)
        return 1;
    Click(question, IDYES);
    HWND welcome = run.WaitPage(kHint);
    if (welcome == nullptr)
        return 1;
    Click(welcome, kNext);
    HWND agreement = run.WaitPage(kAgreementText);
    if (agreement == nullptr)
        return 1;
    Click(agreement, kAgree);
    ::Sleep(200);
    Click(agreement, kNext);
    HWND page = run.WaitPage(kPath);
    Check(page != nullptr, "the destination page follows");
    if (page == nullptr)
        return 1;
    Check(TextOf(::GetDlgItem(page, kPath)) == earlier, "the destination page offers the earlier installation's folder");
    SetText(::GetDlgItem(page, kPath), dir);
    run.Hold("destination-moved");
    const std::string expected = "ZEMLO V8.0 已经安装在 " + winlib::StripTrailingBackslashes(earlier) +
                                 "。\n安装到另一个文件夹之前，将先卸载原来的安装（一次只能有一个安装）。\n是否继续?";
    for (const int answer : {IDNO, IDYES}) {
        Click(page, kNext);
        question = run.WaitQuestion(kWizardTitle, run.options.timeoutMs);
        Check(question != nullptr && MessageTextOf(question) == expected,
              "another folder brings the question whether to replace the earlier installation");
        if (question == nullptr)
            return 1;
        if (answer == IDNO)
            run.Hold("move-question");
        Click(question, answer);
        WaitGone(question, run.options.timeoutMs);
        if (answer == IDNO) {
            page = run.WaitPage(kPath);
            Check(page != nullptr && TextOf(::GetDlgItem(page, kPath)) == dir,
                  "No shows the destination page again with the folder typed");
            if (page == nullptr)
                return 1;
        }
    }
    HWND finish = WaitFinish(run);
    if (finish == nullptr)
        return 1;
    const std::string notice = NoticeOf(finish);
    // After what did not go in (the medium's legacy control is no module).
    const std::string removed = "以前安装在 " + winlib::StripTrailingBackslashes(earlier) + " 的 ZEMLO V8.0 已卸载。";
    Check(notice == "有 1 个控件未能注册。" + removed,
          "the finish page says the earlier installation was removed (" + notice + ")");
    run.Hold("finish-moved");
    if (IsChecked(finish, kReadme))
        Click(finish, kReadme);
    Click(finish, kNext);
    Check(run.WaitEnd(), "Setup ends after Finish");
    Check(!Exists(earlier), "the earlier installation's folder is gone");
    installcheck::CheckInstallation(FolderOf(run.options.program), dir, run.options.acadProfile);
    return Failures() == 0 ? 0 : 1;
}

}  // namespace

const Scenario kScenarios[] = {
    {"install", 1, runfront::kExitSuccess, &Install},
    {"quit", 0, runfront::kExitCancelled, &Quit},
    {"cancel-copy", 1, runfront::kExitCancelled, &CancelDuringCopy},
    {"reinstall-no", 0, runfront::kExitCancelled, &ReinstallNo},
    {"cancel-reinstall", 1, runfront::kExitCancelled, &CancelReinstall},
    {"install-held", 2, runfront::kExitSuccess, &InstallHeld},
    {"peak", 1, runfront::kExitSuccess, &Peak},
    {"move", 2, runfront::kExitSuccess, &Move},
};

const Scenario* FindScenario(const std::string& name)
{
    for (const Scenario& scenario : kScenarios)
        if (name == scenario.name)
            return &scenario;
    return nullptr;
}

}  // namespace wizard
