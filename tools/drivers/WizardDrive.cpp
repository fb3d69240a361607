#include "WizardDrive.h"

#include "winlib/StringUtil.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

namespace wizard {

using namespace gui;

const char kWizardTitle[] = "ZEMLO V8.0 安装向导";

namespace {

const char kDefaultPath[] = "C:\\Program Files\\Kestrova\\ZEMLO\\";

HWND FocusOf(DWORD thread)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// Chooses folder in the folder picker the "..." button opens: the path is
// written into Setup's memory and selected with BFFM_SETSELECTION (Wine
// sometimes passes over the first selection of a folder: it is sent
// twice), then OK. True when the picker opened and closed.
bool PickFolder(Run& run, HWND page, const std::string& folder)
{
    Click(page, kBrowse);
    HWND picker = nullptr;
    const ULONGLONG start = ::GetTickCount64();
    while (picker == nullptr && ::GetTickCount64() - start < run.options.timeoutMs) {
        picker = FindOwnedDialog(run.pi.process_id(), page);
        if (picker == nullptr)
            ::Sleep(20);
    }
    Check(picker != nullptr, "the folder picker opens, owned by the destination page");
    if (picker == nullptr)
        return false;
    const winlib::ScopedHandle process(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE,
                                                     run.pi.process_id()));
    void* remote = process ? ::VirtualAllocEx(process.get(), nullptr, folder.size() + 1, MEM_COMMIT, PAGE_READWRITE)
                           : nullptr;
    if (remote != nullptr &&
        ::WriteProcessMemory(process.get(), remote, folder.c_str(), folder.size() + 1, nullptr)) {
        for (int i = 0; i < 2; ++i) {
            ::SendMessageTimeoutA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remote), SMTO_BLOCK,
                                  5000, nullptr);
            ::Sleep(300);
        }
    }
    run.Hold("folder-picker");
    Click(picker, IDOK);
    const bool closed = WaitGone(picker, run.options.timeoutMs);
    if (remote != nullptr)
        ::VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    Check(closed, "the folder picker closes with OK");
    return closed;
}

// The text of a window as the window system keeps it, read without a
// message: it works while the window's thread is suspended.
std::wstring StoredText(HWND hwnd)
{
    wchar_t text[1024] = {};
    ::InternalGetWindowText(hwnd, text, 1024);
    return text;
}

// Holds Setup's worker while the progress page shows a path being copied.
// The worker is held only where it holds nothing the page's thread could
// need: that thread is stopped first, so the worker soon waits for it in
// its next progress report; then the worker is stopped and the page's
// thread let go, which handles the report and shows a new path. Only that
// new path proves the worker was caught waiting in its report (and not,
// say, in the middle of copying a file); otherwise it runs another moment.
// True when the page is held with a path shown. guiHeld: the caller has
// already stopped the page's thread (once), and this takes it over.
bool HoldCopy(Run& run, HWND page, bool guiHeld)
{
    const HWND status = ::GetDlgItem(page, kStatus);
    for (int i = 0; i < 500; ++i) {
        if (i > 0 || !guiHeld)
            SetThreadSuspended(run.guiThread, true);
        ::Sleep(20);
        const int held = SetWorkersSuspended(run.pi.process_id(), run.guiThread, true);
        const std::wstring before = StoredText(status);
        SetThreadSuspended(run.guiThread, false);
        for (int wait = 0; wait < 50; ++wait) {
            // A thread started after the hold is not held: stop the page's
            // thread again at once.
            if (CountWorkers(run.pi.process_id(), run.guiThread) != held)
                break;
            const std::wstring now = StoredText(status);
            if (!now.empty() && now != before) {
                ::Sleep(300);  // the page paints what it has
                return true;
            }
            ::Sleep(2);
        }
        SetWorkersSuspended(run.pi.process_id(), run.guiThread, false);
        if (!::IsWindow(page))
            return false;
        ::Sleep(1);
    }
    return false;
}

}  // namespace

HWND Run::WaitPage(int controlId)
{
    return WaitForDialog(pi.process_handle(), pi.process_id(), kWizardTitle, options.timeoutMs, controlId);
}

HWND Run::WaitQuestion(const char* caption, DWORD timeoutMs)
{
    return WaitForDialog(pi.process_handle(), pi.process_id(), caption, timeoutMs, IDYES);
}

bool Run::WaitEnd()
{
    return ::WaitForSingleObject(pi.process_handle(), options.timeoutMs) == WAIT_OBJECT_0;
}

std::string WithBackslash(std::string path)
{
    winlib::AppendBackslash(path);
    return path;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = winlib::FindLastBackslash(path);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void SetText(HWND control, const std::string& text)
{
    ::SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_BLOCK, 2000,
                          nullptr);
}

bool IsChecked(HWND dialog, int id)
{
    DWORD_PTR state = 0;
    ::SendMessageTimeoutA(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_BLOCK, 2000, &state);
    return state == BST_CHECKED;
}

bool Enabled(HWND dialog, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE;
}

// Welcome page, agreement accepted, destination typed (or picked):
// returns the progress page, held with its worker suspended, or null.
HWND WalkToCopy(Run& run, const std::string& destination, bool full)
{
    if (run.options.reinstall) {
        HWND question = run.WaitQuestion("警告", run.options.timeoutMs);
        Check(question != nullptr && MessageTextOf(question) == "已经安装了本软件!\n是否重新安装?",
              "an earlier installation brings the re-install question");
        if (question == nullptr)
            return nullptr;
        Click(question, IDYES);
    }
    HWND welcome = run.WaitPage(kHint);
    Check(welcome != nullptr, "the welcome page appears");
    if (welcome == nullptr)
        return nullptr;
    if (full)
        run.Hold("welcome");
    Click(welcome, kNext);

    HWND agreement = run.WaitPage(kAgreementText);
    Check(agreement != nullptr, "the agreement page follows");
    if (agreement == nullptr)
        return nullptr;
    if (full) {
        Check(TextOf(::GetDlgItem(agreement, kAgreementText)).size() == 1922, "the agreement text is shown whole");
        Check(IsChecked(agreement, kDisagree) && !IsChecked(agreement, kAgree), "first showing: 不同意 is selected");
        Check(!Enabled(agreement, kNext), "first showing: Next is disabled");
        run.Hold("agreement");
    }
    Check(TextOf(::GetDlgItem(agreement, kAgree)) == "同意", "the agree choice reads 同意");
    Click(agreement, kAgree);
    ::Sleep(200);
    Check(IsChecked(agreement, kAgree) && !IsChecked(agreement, kDisagree), "同意 selected, 不同意 cleared");
    Check(Enabled(agreement, kNext), "同意 enables Next");
    Click(agreement, kNext);

    HWND page = run.WaitPage(kPath);
    Check(page != nullptr, "the destination page follows");
    if (page == nullptr)
        return nullptr;
    Check(TextOf(::GetDlgItem(page, kPath)) == kDefaultPath, "the destination starts as the default folder");
    if (full) {
        run.Hold("destination");
        // Back to the agreement and forward again: the choice stays.
        Click(page, kBack);
        agreement = run.WaitPage(kAgreementText);
        Check(agreement != nullptr && IsChecked(agreement, kAgree) && Enabled(agreement, kNext),
              "back on the agreement page, 同意 is still selected and Next enabled");
        if (agreement == nullptr)
            return nullptr;
        Click(agreement, kNext);
        page = run.WaitPage(kPath);
        if (page == nullptr)
            return nullptr;
        // A destination without a backslash is refused without a word.
        SetText(::GetDlgItem(page, kPath), "D:");
        Click(page, kNext);
        ::Sleep(500);
        Check(::IsWindowVisible(page) != FALSE, "D: (no backslash) is refused: the page stays");
        Check(FocusOf(run.guiThread) == ::GetDlgItem(page, kPath), "the path box has the focus");
        const LRESULT selection = ::SendMessageA(::GetDlgItem(page, kPath), EM_GETSEL, 0, 0);
        Check(LOWORD(selection) == 0 && HIWORD(selection) == 2, "the whole path is selected");
        Check(FindOwnedDialog(run.pi.process_id(), page) == nullptr, "no message is shown");
        run.Hold("destination-refused");
        const std::string expected = WithBackslash(destination) + "Kestrova\\ZEMLO";
        bool picked = false;
        for (int attempt = 0; attempt < 2 && !picked; ++attempt) {
            if (!PickFolder(run, page, destination))
                return nullptr;
            picked = TextOf(::GetDlgItem(page, kPath)) == expected;
        }
        Check(picked, "the folder picker puts " + expected + " into the path box");
        if (!picked)
            SetText(::GetDlgItem(page, kPath), expected);
        run.Hold("destination-picked");
    } else {
        SetText(::GetDlgItem(page, kPath), WithBackslash(destination) + "Kestrova\\ZEMLO");
    }
    // Next starts the copy. However small the medium, the copy must not
    // run to its end before it is held: from the click on, Setup's window
    // thread runs only in short slices, stopped between them, until the
    // copy's worker exists. The worker then stops by itself in its first
    // progress report, which the stopped window thread cannot take.
    // The page starts its worker as the last step of opening, so a new
    // thread counts only once the page exists (found, if still hidden,
    // without a message to it); threads that come or go before the page
    // set the count to beat.
    SetThreadSuspended(run.guiThread, true);
    int opening = CountWorkers(run.pi.process_id(), run.guiThread);
    Click(page, kNext);
    HWND copy = nullptr;
    const ULONGLONG start = ::GetTickCount64();
    while (::GetTickCount64() - start < run.options.timeoutMs) {
        SetThreadSuspended(run.guiThread, false);
        ::SwitchToThread();
        SetThreadSuspended(run.guiThread, true);
        const int now = CountWorkers(run.pi.process_id(), run.guiThread);
        if (now > opening) {
            copy = FindProcessDialog(run.pi.process_id(), kWizardTitle, kProgress, true);
            if (copy != nullptr)
                break;
        }
        opening = now;  // threads that came or went before the page
        if (::WaitForSingleObject(run.pi.process_handle(), 0) == WAIT_OBJECT_0)
            break;
    }
    Check(copy != nullptr, "the progress page follows");
    if (copy == nullptr) {
        SetThreadSuspended(run.guiThread, false);
        return nullptr;
    }
    const bool held = HoldCopy(run, copy, true);
    Check(held, "the progress page shows the path being copied");
    if (!held)
        return nullptr;
    // With the worker held the page's thread is idle and shows the page.
    const ULONGLONG shown = ::GetTickCount64();
    while (!::IsWindowVisible(copy) && ::GetTickCount64() - shown < 5000)
        ::Sleep(20);
    Check(::IsWindowVisible(copy) != FALSE, "the progress page is shown while the worker is held");
    Check(!Enabled(copy, kNext) && !Enabled(copy, kBack) && Enabled(copy, IDCANCEL),
          "while copying: Next and Back disabled, Cancel enabled");
    Check(::IsWindowVisible(::GetDlgItem(copy, kCopyGroup)) && ::IsWindowVisible(::GetDlgItem(copy, kProgress)),
          "while copying: the group box and the progress bar are shown");
    std::printf("status: %s\n", TextOf(::GetDlgItem(copy, kStatus)).c_str());
    return copy;
}

// Asks the progress page's cancel question and answers it. The worker is
// held meanwhile; it goes on when the question has been answered.
bool CancelCopy(Run& run, HWND copy, bool yes)
{
    Click(copy, IDCANCEL);
    HWND question = run.WaitQuestion("Setup", 10000);
    Check(question != nullptr, "the cancel question appears");
    if (question == nullptr) {
        SetWorkersSuspended(run.pi.process_id(), run.guiThread, false);
        return false;
    }
    Check(MessageTextOf(question) ==
              "安装没有完成。 如果现在退出安装程序，则不会安装或卸载您请求添加/删除的组件。\n\n"
              "可以稍后再运行安装程序来完成此操作。\n\n真要退出安装程序吗？",
          "the cancel question asks whether to leave the unfinished installation");
    Check(::GetWindow(question, GW_OWNER) == copy, "the question is owned by the progress page");
    run.Hold("copy-cancel-question");
    Click(question, yes ? IDYES : IDNO);
    WaitGone(question, run.options.timeoutMs);
    SetWorkersSuspended(run.pi.process_id(), run.guiThread, false);
    return true;
}

namespace {

// The first visible window whose caption names the readme.
BOOL CALLBACK FindReadme(HWND hwnd, LPARAM param)
{
    char caption[256] = {};
    ::GetWindowTextA(hwnd, caption, sizeof(caption));
    if (::IsWindowVisible(hwnd) && std::strstr(caption, "readme") != nullptr) {
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool CloseReadme(DWORD timeoutMs)
{
    HWND found = nullptr;
    const ULONGLONG start = ::GetTickCount64();
    while (found == nullptr && ::GetTickCount64() - start < timeoutMs) {
        ::EnumWindows(&FindReadme, reinterpret_cast<LPARAM>(&found));
        if (found == nullptr)
            ::Sleep(100);
    }
    if (found == nullptr)
        return false;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(found, &pid);
    ::PostMessageA(found, WM_CLOSE, 0, 0);
    const winlib::ScopedHandle viewer(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (viewer)
        ::WaitForSingleObject(viewer.get(), 10000);
    return true;
}

}  // namespace wizard
