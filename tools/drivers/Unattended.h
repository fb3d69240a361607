// What the console tools put in place of the wizard's progress page: a
// worker whose questions nobody answers. (The window that takes its
// messages is the test kit's RecordingWindow.)
#pragma once

#include "engine/SetupThread.h"
#include "winlib/Wnd.h"

#include <string>
#include <vector>

// The worker as the wizard runs it, except that no box is put on screen:
// every question is kept (and echoed to stdout when m_bEcho is set) and
// answered with the choice that declines it, which stops the installation.
class UnattendedSetupThread : public CSetupThread {
public:
    std::vector<std::string> m_questions;
    bool m_bEcho = false;

    // Installs from the medium folder into the install folder (each ending
    // in a backslash), reporting to window (to none when null): starts the
    // worker, serves this thread's messages (the worker's sends to the
    // window) until it has ended, then takes the messages it posted. False
    // when the worker could not be started.
    bool InstallServingMessages(const std::string& medium, const std::string& install, CWnd* window);

protected:
    int AskUser(const std::string& text, UINT type) override;
};
