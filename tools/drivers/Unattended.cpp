#include "Unattended.h"

#include "DriveKit.h"
#include "engine/InstallHost.h"
#include "winlib/WinThread.h"

#include <cstdio>

UnattendedSetupThread::UnattendedSetupThread()
{
    m_worker.SetUnattended(true);
    m_worker.SetQuestionHook([this](const std::string& text, UINT type) {
        m_questions.push_back(text);
        if (m_bEcho) {
            std::printf("[question] %s\n[answer] declined\n", text.c_str());
            std::fflush(stdout);
        }
        return engine::UnattendedAnswer(type);
    });
}

bool UnattendedSetupThread::InstallServingMessages(const std::string& medium, const std::string& install,
                                                   CWnd* window)
{
    m_worker.Configure(medium, install, window);
    if (!m_worker.CreateThread())
        return false;
    winlib::WaitPumpingMessages(m_worker.GetThreadHandle());
    winlib::PumpWaitingMessages();
    return true;
}
