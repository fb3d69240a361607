// Drives the real Setup.exe as a user would, finding its pages by caption
// and control id and clicking with posted button clicks, and checks what
// an installation made.
//
// Usage: setup_driver <Setup.exe> <scenario> [folder] [--hold-ms N] [--timeout-s S]
//                     [--acad-profile KEY]
// Scenarios:
//   install <folder>   every page: the agreement's choices, a destination
//                      without a backslash refused, Back and Next again, the
//                      folder picker choosing <folder>, the cancel question
//                      on the progress page declined, the finish page with
//                      its readme; then the installation in
//                      <folder>\Kestrova\ZEMLO\ is checked (files, registry,
//                      shortcuts, install log, and with --acad-profile the
//                      AutoCAD profile key under HKEY_CURRENT_USER).
//   quit               Cancel + No on the welcome page shows it again;
//                      Cancel + Yes on the agreement page ends Setup.
//   cancel-copy <dir>  installs into <dir>, cancels during the copy and
//                      confirms: Setup undoes what it copied, says that
//                      nothing was installed and ends as cancelled, without
//                      the finish page, having recorded nothing.
//   reinstall-no       the re-install question answered No ends Setup
//                      before any page.
//   check <dir>        starts nothing: checks the installation in <dir> as
//                      install does (an unattended run made it).
//   install-held <dir> <file>
//                      installs into <dir> while the driver holds the
//                      medium's <file> open: the question about the file
//                      that cannot be copied is answered Ignore, the finish
//                      page says one file was not copied, and the file is
//                      neither installed nor recorded.
//   peak <folder>      installs into <folder> with the fewest clicks and
//                      prints Setup's peak working set on the welcome page
//                      and on the finish page as
//                      "setup_welcome_peak_working_set_mb: <MB>" and
//                      "setup_peak_working_set_mb: <MB>" (the first one
//                      half a second before leaving the page); then Finish
//                      without the readme (the benchmark's run of the real
//                      program on a large medium; nothing is checked
//                      beyond the pages).
// Each state reached is printed as "state: <name>" and held for N ms (for
// a screenshot). Exit code 0 when every check held, 1 otherwise, 2 on bad
// usage.
#include "GuiDrive.h"
#include "runfront/ExitCodes.h"
#include "winlib/Handles.h"
#include "winlib/StringUtil.h"

#include <objbase.h>
#include <psapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace gui;

namespace {

const char kWizardTitle[] = "ZEMLO V8.0 安装向导";
const char kNothingInstalled[] = "安装没有完成，本次安装所做的更改已全部撤销，没有安装任何内容。";
const char kDefaultPath[] = "C:\\Program Files\\Kestrova\\ZEMLO\\";
const char kProductKey[] = "SOFTWARE\\Kestrova\\enggZEMLO\\V8";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZEMLO V8";
const char* const kProductFolders[] = {"Support", "Controls", "图框", "模板", "Database", "Data", "Temp"};

// Controls that tell the pages apart.
enum { kNext = 1000, kBack = 1001, kHint = 1003, kAgreementText = 1005, kBrowse = 1008, kPath = 1009,
       kProgress = 1010, kReadme = 1012, kCopyGroup = 1013, kStatus = 1015, kDisagree = 1016, kAgree = 1017,
       kNotice = 1018 };

struct Options {
    std::string program, scenario, folder, acadProfile, heldFile;
    DWORD holdMs = 0;
    DWORD timeoutMs = 60000;
};

struct Run {
    Options options;
    winlib::ScopedProcessInformation pi;
    DWORD guiThread = 0;

    HWND WaitPage(int controlId)
    {
        return WaitForDialog(pi.process_handle(), pi.process_id(), kWizardTitle, options.timeoutMs, controlId);
    }
    // A message box of Setup with that caption.
    HWND WaitQuestion(const char* caption, DWORD timeoutMs)
    {
        return WaitForDialog(pi.process_handle(), pi.process_id(), caption, timeoutMs, IDYES);
    }
    bool WaitEnd()
    {
        return ::WaitForSingleObject(pi.process_handle(), options.timeoutMs) == WAIT_OBJECT_0;
    }
    void Hold(const char* state) { State(state, options.holdMs); }
};

std::string WithBackslash(std::string s)
{
    winlib::AppendBackslash(s);
    return s;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = winlib::FindLastBackslash(path);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Sets the text of a control of another process (WM_SETTEXT is carried
// across processes by the system).
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

// Welcome page, agreement accepted, destination typed (or picked):
// returns the progress page, held with its worker suspended, or null.
HWND WalkToCopy(Run& run, const std::string& destination, bool full)
{
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

// ------------------------------------------------------------- checks

// Every file of the medium's tree at source is in the installed tree with
// the same size.
void CompareTree(const std::string& source, const std::string& target, int& files, int& missing)
{
    WIN32_FIND_DATAA data;
    const winlib::ScopedFindHandle find(::FindFirstFileA((source + "\\*").c_str(), &data));
    if (!find)
        return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!Exists(target + "\\" + name))
                ++missing;
            CompareTree(source + "\\" + name, target + "\\" + name, files, missing);
            continue;
        }
        ++files;
        WIN32_FILE_ATTRIBUTE_DATA installed;
        if (!::GetFileAttributesExA((target + "\\" + name).c_str(), GetFileExInfoStandard, &installed) ||
            installed.nFileSizeLow != data.nFileSizeLow) {
            std::printf("missing or different: %s\\%s\n", target.c_str(), name.c_str());
            ++missing;
        }
    } while (::FindNextFileA(find.get(), &data));
}

std::string RegText(HKEY root, const char* key, const char* value)
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return "<no key>";
    winlib::ScopedRegKey guard(opened);
    char text[2048] = {};
    DWORD size = sizeof(text) - 1;
    if (::RegQueryValueExA(opened, value, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
        return "<no value>";
    return text;
}

std::vector<std::string> LogLines(const std::string& path)
{
    std::vector<std::string> lines;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return lines;
    char line[4096];
    while (std::fgets(line, sizeof(line), file) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        lines.push_back(text);
    }
    std::fclose(file);
    return lines;
}

// A REG_DWORD value, or -1 when it is missing or of another type.
long long RegDword(HKEY root, const char* key, const char* value)
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return -1;
    winlib::ScopedRegKey guard(opened);
    DWORD type = 0, data = 0, size = sizeof(data);
    if (::RegQueryValueExA(opened, value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return -1;
    return data;
}

// The total size of the files below folder, in bytes.
unsigned long long TreeBytes(const std::string& folder)
{
    unsigned long long bytes = 0;
    WIN32_FIND_DATAA data;
    winlib::ScopedFindHandle find(::FindFirstFileA((folder + "*").c_str(), &data));
    if (!find.valid())
        return 0;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            bytes += TreeBytes(folder + name + "\\");
        else
            bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    } while (::FindNextFileA(find.get(), &data));
    return bytes;
}

// The entry in the list of installed programs, beside its name and command.
void CheckUninstallEntry(const std::string& dir)
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    const std::string today = winlib::Format("%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    const std::string location = dir.substr(0, dir.size() - 1);
    Check(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion") == "8.0", "the uninstall entry's DisplayVersion");
    Check(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher") == "Kestrova", "the uninstall entry's Publisher");
    Check(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon") == dir + "ZEMLOV8.0.ico" &&
              Exists(dir + "ZEMLOV8.0.ico"),
          "the uninstall entry's DisplayIcon is the installed icon");
    Check(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation") == location,
          "the uninstall entry's InstallLocation");
    Check(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString") == "\"" + dir + "Uninstall.exe\" /S",
          "the uninstall entry's QuietUninstallString is the quoted uninstaller with /S");
    Check(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallDate") == today, "the uninstall entry's InstallDate is today");
    Check(RegDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify") == 1, "the uninstall entry's NoModify is 1");
    Check(RegDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoRepair") == 1, "the uninstall entry's NoRepair is 1");
    // The copied files, less the log and the shortcuts written afterwards:
    // at most the installed folder's size, and more than nothing.
    const long long size = RegDword(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize");
    const unsigned long long installedKb = (TreeBytes(dir) + 1023) / 1024;
    std::printf("EstimatedSize: %lld KB, installed folder: %llu KB\n", size, installedKb);
    Check(size > 0 && static_cast<unsigned long long>(size) <= installedKb &&
              static_cast<unsigned long long>(size) + 64 >= installedKb,
          "the uninstall entry's EstimatedSize is the installed size in KB");
}

void CheckInstallation(const Options& options, const std::string& medium, const std::string& dir)
{
    int files = 0, missing = 0;
    for (const char* name : kProductFolders) {
        Check(Exists(dir + name), std::string("installed folder ") + name);
        CompareTree(medium + name, dir + name, files, missing);
    }
    std::printf("product files: %d, missing or different: %d\n", files, missing);
    Check(files > 0 && missing == 0, "every file of the seven product folders is installed");
    for (const char* name : {"Uninstall.exe", "readme.txt", "ZEMLO.exe"})
        Check(Exists(dir + name), std::string("installed loose file ") + name);

    const std::string log = dir + "Uninstall.log";
    const DWORD attributes = ::GetFileAttributesA(log.c_str());
    Check(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN),
          "Uninstall.log is there, hidden");
    const std::vector<std::string> lines = LogLines(log);
    Check(!lines.empty() && lines.back() == "File Copy: " + log, "the log's last line records the log itself");
    int recorded = 0, absent = 0, links = 0, badLinks = 0;
    const winlib::ScopedComInit com;
    for (const std::string& line : lines) {
        const std::string prefix = "File Copy: ";
        if (line.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string path = line.substr(prefix.size());
        ++recorded;
        if (!Exists(path)) {
            std::printf("recorded but absent: %s\n", path.c_str());
            ++absent;
        }
        if (path.size() > 4 && winlib::EqualNoCase(path.substr(path.size() - 4), ".lnk")) {
            ++links;
            winlib::ScopedComPtr<IShellLinkA> link;
            bool good = false;
            if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                             link.receive_void()))) {
                winlib::ScopedComPtr<IPersistFile> file;
                if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.receive_void()))) {
                    wchar_t wide[MAX_PATH] = {};
                    ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
                    char target[MAX_PATH] = {};
                    if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
                        SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0))) {
                        std::printf("shortcut: %s -> %s\n", path.c_str(), target);
                        // AutoCAD's own program is not there: its shortcut
                        // points into the stand-in AutoCAD folder.
                        good = target[0] != '\0';
                    }
                }
            }
            if (!good)
                ++badLinks;
        }
    }
    std::printf("log: %d recorded files, %d absent, %d shortcuts\n", recorded, absent, links);
    Check(recorded > files && absent == 0, "every file the log records is there");
    Check(links >= 3 && badLinks == 0, "the recorded shortcuts load as shell links with a target");

    Check(RegText(HKEY_LOCAL_MACHINE, kProductKey, "installPath") == dir, "the product key holds installPath");
    Check(RegText(HKEY_LOCAL_MACHINE, kProductKey, "Ver").rfind("<no", 0) != 0, "the product key holds Ver");
    Check(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName") == "direveradi ZEMLO V8.0",
          "the uninstall entry names the product");
    Check(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").find(dir + "Uninstall.exe") !=
              std::string::npos,
          "the uninstall entry names the installed Uninstall.exe");
    CheckUninstallEntry(dir);
    if (!options.acadProfile.empty())
        Check(KeyExists(HKEY_CURRENT_USER, options.acadProfile), "the AutoCAD profile is written");
}

// Closes the readme the finish page opened (in whatever program shows
// text files); true when a window showing it came up.
bool CloseReadme(DWORD timeoutMs)
{
    struct Search {
        HWND found = nullptr;
    } search;
    const ULONGLONG start = ::GetTickCount64();
    while (search.found == nullptr && ::GetTickCount64() - start < timeoutMs) {
        ::EnumWindows(
            [](HWND hwnd, LPARAM param) CALLBACK -> BOOL {
                char caption[256] = {};
                ::GetWindowTextA(hwnd, caption, sizeof(caption));
                if (::IsWindowVisible(hwnd) && std::strstr(caption, "readme") != nullptr) {
                    reinterpret_cast<Search*>(param)->found = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr)
            ::Sleep(100);
    }
    if (search.found == nullptr)
        return false;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(search.found, &pid);
    ::PostMessageA(search.found, WM_CLOSE, 0, 0);
    const winlib::ScopedHandle viewer(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (viewer)
        ::WaitForSingleObject(viewer.get(), 10000);
    return true;
}

// ------------------------------------------------------------ scenarios

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

    HWND finish = run.WaitPage(kReadme);
    Check(finish != nullptr, "the finish page follows the copy");
    if (finish == nullptr)
        return 1;
    Check(IsChecked(finish, kReadme), "the readme box is ticked");
    Check(::GetDlgItem(finish, IDCANCEL) == nullptr && ::GetDlgItem(finish, kBack) == nullptr,
          "the finish page has neither Cancel nor Back");
    run.Hold("finish");
    Click(finish, kNext);
    Check(run.WaitEnd(), "Setup ends after Finish");
    Check(CloseReadme(run.options.timeoutMs), "Finish opens readme.txt");
    CheckInstallation(run.options, FolderOf(run.options.program), dir);
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
    HWND finish = run.WaitPage(kReadme);
    Check(finish != nullptr, "the finish page follows the copy");
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

    HWND finish = run.WaitPage(kReadme);
    Check(finish != nullptr, "the finish page follows the copy");
    if (finish == nullptr)
        return 1;
    // The page may be found while it is still opening: give it a moment.
    std::string notice;
    for (const ULONGLONG seen = ::GetTickCount64(); notice.empty() && ::GetTickCount64() - seen < 5000; ::Sleep(20))
        notice = TextOf(::GetDlgItem(finish, kNotice));
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
    const std::vector<std::string> lines = LogLines(dir + "Uninstall.log");
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
    Check(!Exists(dir + "Uninstall.log"), "no install log is written");
    Check(RegText(HKEY_LOCAL_MACHINE, kProductKey, "installPath").rfind("<no", 0) == 0,
          "no installPath is recorded");
    return Failures() == 0 ? 0 : 1;
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

bool ParseOptions(int argc, char** argv, Options& options)
{
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--hold-ms" && i + 1 < argc)
            options.holdMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--timeout-s" && i + 1 < argc)
            options.timeoutMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10)) * 1000;
        else if (arg == "--acad-profile" && i + 1 < argc)
            options.acadProfile = argv[++i];
        else if (arg.compare(0, 2, "--") == 0)
            return false;
        else
            positional.push_back(arg);
    }
    if (positional.size() < 2)
        return false;
    options.program = positional[0];
    options.scenario = positional[1];
    if (positional.size() > 2)
        options.folder = positional[2];
    if (options.scenario == "install-held")
        options.heldFile = positional.size() == 4 ? positional[3] : std::string();
    if (options.scenario == "install-held")
        return positional.size() == 4;
    const bool needsFolder =
        options.scenario == "install" || options.scenario == "cancel-copy" || options.scenario == "peak";
    return needsFolder == (positional.size() == 3) &&
           (needsFolder || options.scenario == "quit" || options.scenario == "reinstall-no");
}

}  // namespace

int main(int argc, char** argv)
{
    Run run;
    // An installation made without the wizard (an unattended run), checked
    // as the wizard's is.
    if (argc >= 4 && std::strcmp(argv[2], "check") == 0) {
        for (int i = 4; i + 1 < argc; i += 2)
            if (std::strcmp(argv[i], "--acad-profile") == 0)
                run.options.acadProfile = argv[i + 1];
        CheckInstallation(run.options, FolderOf(argv[1]), WithBackslash(argv[3]));
        return Failures() == 0 ? 0 : 1;
    }
    if (!ParseOptions(argc, argv, run.options)) {
        std::fprintf(stderr, "usage: setup_driver <Setup.exe> install|cancel-copy|peak <folder> | install-held <folder> <file> "
                             "| quit | reinstall-no "
                             "[--hold-ms N] [--timeout-s S] [--acad-profile KEY]\n");
        return 2;
    }
    // The medium file that another program holds open (no sharing) for
    // the length of the run.
    winlib::ScopedHandle held;
    if (!run.options.heldFile.empty()) {
        held.reset(::CreateFileA(run.options.heldFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        Check(held.valid(), "the medium file is held open");
    }
    // Started from another drive's folder: Setup finds its medium by its
    // own path, not by the current folder.
    if (!StartProgram(run.options.program, run.pi, "C:\\"))
        return 1;
    int result = 1;
    // The wizard's pages all belong to Setup's one window thread; find it
    // from the first window Setup shows.
    const ULONGLONG start = ::GetTickCount64();
    while (run.guiThread == 0 && ::GetTickCount64() - start < run.options.timeoutMs) {
        if (HWND any = FindProcessDialog(run.pi.process_id(), nullptr))
            run.guiThread = ::GetWindowThreadProcessId(any, nullptr);
        else if (::WaitForSingleObject(run.pi.process_handle(), 20) == WAIT_OBJECT_0)
            break;
    }
    Check(run.guiThread != 0, "Setup shows a window");
    if (run.guiThread != 0) {
        if (run.options.scenario == "install")
            result = Install(run);
        else if (run.options.scenario == "quit")
            result = Quit(run);
        else if (run.options.scenario == "cancel-copy")
            result = CancelDuringCopy(run);
        else if (run.options.scenario == "install-held")
            result = InstallHeld(run);
        else if (run.options.scenario == "peak")
            result = Peak(run);
        else
            result = ReinstallNo(run);
    }
    if (::WaitForSingleObject(run.pi.process_handle(), 0) == WAIT_TIMEOUT) {
        Check(false, "Setup has ended");
        SetWorkersSuspended(run.pi.process_id(), run.guiThread, false);
        ::TerminateProcess(run.pi.process_handle(), 1);
        result = 1;
    }
    // Leaving the wizard, declining the re-install and a cancelled (and
    // undone) installation all end as cancelled by the user; installations
    // that went through end with 0.
    DWORD exitCode = STILL_ACTIVE;
    ::GetExitCodeProcess(run.pi.process_handle(), &exitCode);
    const bool installs = run.options.scenario == "install" || run.options.scenario == "install-held" ||
                          run.options.scenario == "peak";
    const DWORD expectedExit = installs ? runfront::kExitSuccess : runfront::kExitCancelled;
    Check(exitCode == expectedExit,
          "Setup exits with code " + std::to_string(expectedExit) + " (" + std::to_string(exitCode) + ")");
    run.pi.reset();
    State("ended", 0);
    return result != 0 || Failures() != 0 ? 1 : 0;
}
