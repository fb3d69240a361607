// What the console tools put in place of the wizard's progress page: a
// worker whose questions nobody answers. (The window that takes its
// messages is the test kit's RecordingWindow.)
#pragma once

#include "engine/SetupThread.h"
#include "winlib/Wnd.h"

#include <string>
#include <vector>

// The product's own worker run unattended (its own answers: the choice that
// declines each question, which stops the installation), with a question
// hook that keeps every question (and echoes it to stdout when m_bEcho is
// set).
class UnattendedSetupThread {
public:
    UnattendedSetupThread();

    std::vector<std::string> m_questions;
    bool m_bEcho = false;

    // Installs from the medium folder into the install folder (each ending
    // in a backslash), reporting to window (to none when null): starts the
    // worker, serves this thread's messages (the worker's sends to the
    // window) until it has ended, then takes the messages it posted. False
    // when the worker could not be started.
    bool InstallServingMessages(const std::string& medium, const std::string& install, CWnd* window);
    const CSetupThread& Worker() const { return m_worker; }

private:
    CSetupThread m_worker;
};
