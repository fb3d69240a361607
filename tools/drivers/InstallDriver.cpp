// Installs a medium with the install worker from the console, printing what
// the progress page would show. Questions are answered by giving up
// (Abort/Cancel), so the driver never waits for a user.
//
// Usage: install_driver <medium folder> <install folder>
#include "RecordingWindow.h"
#include "Unattended.h"
#include "winlib/StringUtil.h"

#include <cstdio>
#include <string>

namespace {

// Prints what the progress page would show.
void ShowProgress(const RecordedMessage& message)
{
    if (message.message == WM_SETUP_PROGRESS)
        std::printf("%s ...\n", message.lText.c_str());
    else if (message.message == WM_SETUP_CONFIGURING)
        std::printf("正在配置系统, 请稍候...\n");
    else
        return;
    std::fflush(stdout);
}

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
    RecordingWindow window(RecordingWindow::Keep::Counts);
    if (window.GetSafeHwnd() == nullptr)
        return 3;
    window.onMessage = &ShowProgress;

    UnattendedSetupThread thread;
    thread.m_bEcho = true;
    const std::string medium = Normalised(argv[1]);
    const std::string install = Normalised(argv[2]);
    std::printf("medium:  %s\ninstall: %s\n", medium.c_str(), install.c_str());
    // The worker's sent messages are served until it has ended, then the
    // messages it posted are taken.
    if (!thread.InstallServingMessages(medium, install, &window))
        return 3;

    const bool done = window.Count(WM_SETUP_DONE) > 0;
    std::printf("%d entries copied; %s\n", window.Count(WM_SETUP_PROGRESS),
                done ? "installation complete"
                     : (window.Count(WM_SETUP_FAILED) > 0 ? "installation failed" : "no result"));
    return done ? 0 : 1;
}
