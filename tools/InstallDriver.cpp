// Installs a medium with the install worker from the console, printing what
// the progress page would show. Questions are answered by giving up
// (Abort/Cancel), so the driver never waits for a user.
//
// Usage: install_driver <medium folder> <install folder>
#include "engine/SetupThread.h"
#include "winlib/StringUtil.h"
#include "winlib/Wnd.h"

#include <cstdio>
#include <string>

namespace {

class ConsoleSetupThread : public CSetupThread {
protected:
    int AskUser(const std::string& text, UINT type) override
    {
        std::printf("[question] %s\n[answer] give up\n", text.c_str());
        std::fflush(stdout);
        return winlib::DecliningButton(type);
    }
};

class ConsoleProgress : public CWnd {
public:
    int files = 0;
    bool done = false;
    bool failed = false;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_SETUP_PROGRESS:
            ++files;
            std::printf("%s ...\n", reinterpret_cast<const char*>(lParam));
            std::fflush(stdout);
            return 0;
        case WM_SETUP_CONFIGURING:
            std::printf("正在配置系统, 请稍候...\n");
            std::fflush(stdout);
            return 0;
        case WM_SETUP_DONE:
            done = true;
            return 0;
        case WM_SETUP_FAILED:
            failed = true;
            return 0;
        default:
            return CWnd::WindowProc(message, wParam, lParam);
        }
    }
};

// The folders as the progress page hands them over: trimmed, ending in one
// backslash.
std::string Normalised(const char* folder)
{
    std::string path = winlib::Trim(folder);
    winlib::AppendBackslash(path);
    return path;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: install_driver <medium folder> <install folder>\n");
        return 2;
    }
    ConsoleProgress window;
    if (!window.CreateMessageOnly())
        return 3;

    ConsoleSetupThread thread;
    thread.m_strSourceDir = Normalised(argv[1]);
    thread.m_strInstallDir = Normalised(argv[2]);
    thread.m_pMainWnd = &window;
    thread.m_bAutoDelete = FALSE;
    std::printf("medium:  %s\ninstall: %s\n", thread.m_strSourceDir.c_str(), thread.m_strInstallDir.c_str());
    if (!thread.CreateThread())
        return 3;

    // Serve the worker's sent messages until it has ended, then take the
    // messages it posted.
    winlib::WaitPumpingMessages(thread.m_hThread);
    winlib::PumpWaitingMessages();

    std::printf("%d entries copied; %s\n", window.files,
                window.done ? "installation complete" : (window.failed ? "installation failed" : "no result"));
    return window.done ? 0 : 1;
}
