// The fixture of the log replay tests: a fresh temporary folder, every
// registry root the log can name redirected to temporary keys, a recording
// window the worker reports to, and a worker that shows no box and starts
// no batch.
#pragma once

#include "FileHelpers.h"
#include "RecordingWindow.h"
#include "RegistryOverride.h"
#include "TempDir.h"
#include "UninstallThread.h"
#include "winlib/StdioFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The worker as the window runs it, except that a file error is recorded
// instead of shown and the self-removal is only counted (it would delete
// the test program).
class TestUninstallThread : public CUninstallThread {
public:
    std::vector<CFileException> fileErrors;
    int selfRemovals = 0;
    // Messages the window had recorded when the self-removal ran.
    std::size_t messagesAtSelfRemoval = 0;
    RecordingWindow* window = nullptr;

protected:
    void ReportFileError(const CFileException& error) override { fileErrors.push_back(error); }
    void RemoveSelf() override
    {
        ++selfRemovals;
        if (window != nullptr)
            messagesAtSelfRemoval = window->messages.size();
    }
};

// HKEY_USERS and HKEY_CURRENT_CONFIG redirected (besides the three roots of
// RegistryOverride) to fresh keys inside the redirected HKEY_CURRENT_USER.
class ExtraRootsOverride {
public:
    ExtraRootsOverride();
    ~ExtraRootsOverride();
    bool ok() const { return m_ok; }

private:
    HKEY m_users = nullptr;
    HKEY m_config = nullptr;
    bool m_ok = false;
};

class UninstallTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Writes text as the log file (bytes as given) and reads it with the
    // worker; fails the test when the read fails.
    void LoadLog(const std::string& bytes);
    // Runs the worker to its end; fails the test when it hangs.
    void RunUninstall();
    // The paths of the WM_UNINSTALL_FILE messages, in order.
    std::vector<std::string> ReportedFiles() const;
    // The message numbers the window received, in order.
    std::vector<UINT> MessageOrder() const;

    std::string Path(const std::string& relative) const { return temp / relative; }

    TempDir temp;
    RegistryOverride registry;
    ExtraRootsOverride extraRoots;
    RecordingWindow window;
    TestUninstallThread thread;
};

namespace regtest {
bool KeyExists(HKEY root, const std::string& subKey);
void CreateKey(HKEY root, const std::string& subKey);
}  // namespace regtest
