// The uninstall window on an installation in a temporary folder, run
// modally from its own template with the real worker: what its bar and
// status line show while the recorded files go, and once all is done.
#include "FileHelpers.h"
#include "RegistryOverride.h"
#include "TempDir.h"
#include "UninstallDlg.h"
#include "UninstallIds.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the window shows at one moment.
struct Shown {
    int lower = -1, upper = -1, position = -1;
    std::string status;
    bool statusVisible = false, barVisible = false, finishEnabled = false;
};

// The window, watched after each of the worker's reports has been handled.
// A run that does not end within a minute closes the window with -2.
class WatchedUninstallDlg : public CUninstallDlg {
public:
    Shown opened, filesDone, done;
    std::vector<Shown> afterFile;
    std::vector<std::string> reported;  // the paths the worker reported
    // Whether the status line was always given the colours and brush the
    // system gives it.
    bool statusColoursAsSystem = true;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CUninstallDlg::OnInitDialog();
        opened = Now();
        ::SetTimer(m_hWnd, kGiveUp, 60000, nullptr);
        return result;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_UNINSTALL_FILE && lParam != 0)
            reported.push_back(reinterpret_cast<const char*>(lParam));
        const LRESULT result = CUninstallDlg::WindowProc(message, wParam, lParam);
        switch (message) {
        case WM_UNINSTALL_FILE:
            afterFile.push_back(Now());
            statusColoursAsSystem = StatusColoursAsSystem() && statusColoursAsSystem;
            break;
        case WM_UNINSTALL_FILES_DONE:
            filesDone = Now();
            break;
        case WM_UNINSTALL_DONE:
            done = Now();
            // The user presses the finish button.
            ::PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, IDOK)));
            break;
        case WM_TIMER:
            if (wParam == kGiveUp)
                EndDialog(-2);
            break;
        default:
            break;
        }
        return result;
    }

private:
    static constexpr UINT_PTR kGiveUp = 77;
    // Asks the window for the status line's colours, as the line does when
    // it paints, and the system's default handling of the dialog the same.
    bool StatusColoursAsSystem()
    {
        const HWND status = ::GetDlgItem(m_hWnd, IDC_UNINSTALL_STATUS);
        struct Answer {
            LRESULT brush;
            COLORREF text, back;
            int mode;
        };
        auto ask = [status](auto&& handler) {
            const HDC dc = ::CreateCompatibleDC(nullptr);
            Answer answer;
            answer.brush = handler(reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(status));
            answer.text = ::GetTextColor(dc);
            answer.back = ::GetBkColor(dc);
            answer.mode = ::GetBkMode(dc);
            ::DeleteDC(dc);
            return answer;
        };
        const Answer ours = ask([this](WPARAM w, LPARAM l) { return ::SendMessageA(m_hWnd, WM_CTLCOLORSTATIC, w, l); });
        const Answer system =
            ask([this](WPARAM w, LPARAM l) { return ::DefDlgProcA(m_hWnd, WM_CTLCOLORSTATIC, w, l); });
        return ours.brush == system.brush && ours.text == system.text && ours.back == system.back &&
               ours.mode == system.mode;
    }
    Shown Now()
    {
        Shown shown;
        m_ctlProgress.GetRange(shown.lower, shown.upper);
        shown.position = m_ctlProgress.GetPos();
        char text[1024] = {};
        ::GetDlgItemTextA(m_hWnd, IDC_UNINSTALL_STATUS, text, sizeof(text));
        shown.status = text;
        shown.statusVisible = ::IsWindowVisible(::GetDlgItem(m_hWnd, IDC_UNINSTALL_STATUS)) != FALSE;
        shown.barVisible = ::IsWindowVisible(::GetDlgItem(m_hWnd, IDC_UNINSTALL_PROGRESS)) != FALSE;
        shown.finishEnabled = ::IsWindowEnabled(::GetDlgItem(m_hWnd, IDOK)) != FALSE;
        return shown;
    }
};

}  // namespace

TEST(UninstallWindow, BarCountsTheRecordedFilesAndStepsOncePerFileWhileTheStatusLineNamesIt)
{
    static const bool progressClass = [] {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_PROGRESS_CLASS};
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    ASSERT_TRUE(progressClass);
    TempDir temp;
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());

    // An installation as Setup records it: files (one read-only, one
    // already gone), a control that is not there, its folders, and the log
    // itself as the last file.
    const std::string folder = temp / "ZEMLO";
    testfs::MakeDirs(folder + "\\Support");
    testfs::WriteFile(folder + "\\ZEMLO.exe", "exe");
    testfs::WriteFile(folder + "\\Support\\土方.dat", "data");
    ::SetFileAttributesA((folder + "\\Support\\土方.dat").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::vector<std::string> files = {folder + "\\ZEMLO.exe", folder + "\\Support\\土方.dat",
                                            folder + "\\gone.txt", folder + "\\Uninstall.log"};
    std::string log = "Made Dir: " + folder + "\n" + "Made Dir: " + folder + "\\Support\n";
    log += "Reg Ctrl: " + folder + "\\Controls\\absent.ocx\n";
    for (const std::string& file : files)
        log += "File Copy: " + file + "\n";
    // Text mode, as Setup writes it.
    std::string onDisk;
    for (char c : log)
        onDisk += c == '\n' ? std::string("\r\n") : std::string(1, c);
    testfs::WriteFile(folder + "\\Uninstall.log", onDisk);
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kestrova\\enggZEMLO\\V8", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(key, "installPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                               static_cast<DWORD>(folder.size() + 1)),
              ERROR_SUCCESS);
    ::RegCloseKey(key);

    WatchedUninstallDlg window;
    ASSERT_EQ(window.DoModal(), IDOK);

    // Opened: the bar spans the recorded files, nothing done yet.
    const int count = static_cast<int>(files.size());
    EXPECT_EQ(window.opened.lower, 0);
    EXPECT_EQ(window.opened.upper, count);
    EXPECT_EQ(window.opened.position, 0);
    EXPECT_FALSE(window.opened.finishEnabled);

    // One step for every recorded file, deleted or not, with its path on
    // the status line while it is handled.
    EXPECT_EQ(window.reported, files);
    ASSERT_EQ(window.afterFile.size(), files.size());
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(files[static_cast<size_t>(i)]);
        const Shown& shown = window.afterFile[static_cast<size_t>(i)];
        EXPECT_EQ(shown.position, i + 1);
        EXPECT_EQ(shown.upper, count);
        EXPECT_EQ(shown.status, files[static_cast<size_t>(i)] + " ... ");
        EXPECT_TRUE(shown.statusVisible && shown.barVisible);
    }
    // However often the line repaints, in the colours the system gives it.
    EXPECT_TRUE(window.statusColoursAsSystem);

    // After the files the status line is empty; at the end it and the bar
    // are gone and Finish can be pressed.
    EXPECT_EQ(window.filesDone.status, "");
    EXPECT_EQ(window.filesDone.position, count);
    EXPECT_EQ(window.done.status, "");
    EXPECT_FALSE(window.done.statusVisible || window.done.barVisible);
    EXPECT_TRUE(window.done.finishEnabled);

    // Nothing of the installation is left.
    EXPECT_FALSE(testfs::Exists(folder));
}
