#include "Unattended.h"

#include "DriveKit.h"
#include "engine/InstallHost.h"
#include "winlib/WinThread.h"

#include <cstdio>

int UnattendedSetupThread::AskUser(const std::string& text, UINT type)
{
    m_questions.push_back(text);
    if (m_bEcho) {
        std::printf("[question] %s\n[answer] declined\n", text.c_str());
        std::fflush(stdout);
    }
    return engine::UnattendedAnswer(type);
}

bool UnattendedSetupThread::InstallServingMessages(const std::string& medium, const std::string& install,
                                                   CWnd* window)
{
    m_strSourceDir = medium;
    m_strInstallDir = install;
    m_pMainWnd = window;
    m_bAutoDelete = FALSE;
    if (!CreateThread())
        return false;
    winlib::WaitPumpingMessages(GetThreadHandle());
    winlib::PumpWaitingMessages();
    return true;
}
