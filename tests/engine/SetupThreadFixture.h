// The fixture of the install worker tests: a medium and a destination in a
// fresh temporary folder, the registry redirected, a recording window that
// the worker reports to, and a worker whose questions are answered by
// script.
#pragma once

#include "FileHelpers.h"
#include "RecordingWindow.h"
#include "RegistryOverride.h"
#include "TempDir.h"
#include "engine/SetupThread.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct PromptRecord {
    std::string text;
    UINT type = 0;
};

// A worker whose AskUser takes its answers from a script instead of a box.
// An unscripted question is recorded and answered with the button that
// declines it (Abort, Cancel, or OK for a plain notice).
class ScriptedSetupThread : public CSetupThread {
public:
    struct Answer {
        int button;
        std::function<void()> before;  // runs on the worker before answering
    };
    std::deque<Answer> answers;
    std::vector<PromptRecord> prompts;

protected:
    int AskUser(const std::string& text, UINT type) override;
};

class SetupThreadTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Makes the seven product folders on the medium, empty.
    void MakeProductFolders();
    // medium + relative (relative uses backslashes).
    std::string Medium(const std::string& relative = "") const { return m_medium + relative; }
    std::string Install(const std::string& relative = "") const { return m_install + relative; }
    void PutMediumFile(const std::string& relative, const std::string& content = "x");

    // Runs the worker to its end; fails the test when it hangs.
    void RunInstall();
    std::vector<std::string> LogLines() const { return testfs::SplitLines(thread.m_strLog); }
    // The destination paths of the progress messages, in order.
    std::vector<std::string> ProgressDestinations() const;

    TempDir temp;
    RegistryOverride registry;
    RecordingWindow window;
    ScriptedSetupThread thread;

    std::string m_medium;   // ends in a backslash
    std::string m_install;  // ends in a backslash
};
