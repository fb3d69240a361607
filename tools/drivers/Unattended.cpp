#include "Unattended.h"

#include "DriveKit.h"

#include <cstdio>

int UnattendedSetupThread::AskUser(const std::string& text, UINT type)
{
    m_questions.push_back(text);
    if (m_bEcho) {
        std::printf("[question] %s\n[answer] declined\n", text.c_str());
        std::fflush(stdout);
    }
    return drivekit::DecliningButton(type);
}
