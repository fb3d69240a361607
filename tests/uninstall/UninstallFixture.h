// The fixture of the uninstall worker tests: a fresh temporary folder, every
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

using Lines = std::vector<std::string>;

// The worker as the window runs it, except that a file error is recorded
// instead of shown and the self-removal (it would delete the test program)
// only notes how many messages the window had received by then.
class TestUninstallThread : public CUninstallThread {
public:
    std::vector<CFileException> fileErrors;
    std::vector<std::size_t> selfRemovals;
    RecordingWindow* window = nullptr;

protected:
    void ReportFileError(const CFileException& error) override { fileErrors.push_back(error); }
    void RemoveSelf() override { selfRemovals.push_back(window->messages.size()); }
};

// The roots of the log's "RegDB Key" entries, by their digit; every other
// root text means the last.
inline const HKEY kLogRoots[5] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                                  HKEY_CURRENT_CONFIG};

using testreg::KeyExists;

// What the run left, one line per entry: "<reason> <entry text>", in the
// order the passes met them.
inline Lines LeftLines(const CUninstallThread& thread)
{
    Lines lines;
    for (const LeftEntry& entry : thread.Outcome().Left()) {
        const char* reason = "";
        switch (entry.reason) {
        case LeftReason::Refused: reason = "refused"; break;
        case LeftReason::RemovedAtRestart: reason = "at-restart"; break;
        case LeftReason::NotRemoved: reason = "not-removed"; break;
        case LeftReason::NotUnregistered: reason = "not-unregistered"; break;
        case LeftReason::InUseUnprotected: reason = "in-use-unprotected"; break;
        case LeftReason::ForeignShortcut: reason = "kept-shortcut"; break;
        case LeftReason::HoldsForeign: reason = "kept-folder"; break;
        }
        lines.push_back(std::string(reason) + " " + entry.text);
    }
    return lines;
}

inline void CreateKey(HKEY root, const std::string& subKey)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << subKey;
    ::RegCloseKey(key);
}

class UninstallTest : public ::testing::Test {
protected:
    // HKEY_USERS and HKEY_CURRENT_CONFIG are redirected too (besides the
    // three roots of RegistryOverride), to fresh keys "ZemloTestUsers" and
    // "ZemloTestConfig" inside the redirected HKEY_CURRENT_USER.
    void SetUp() override
    {
        ASSERT_TRUE(registry.ok());
        for (int i = 0; i < 2; ++i) {
            const char* name = i == 0 ? "ZemloTestUsers" : "ZemloTestConfig";
            ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                        &extraRoots[i], nullptr), ERROR_SUCCESS);
            ASSERT_EQ(::RegOverridePredefKey(kLogRoots[3 + i], extraRoots[i]), ERROR_SUCCESS);
        }
        ASSERT_TRUE(window.GetSafeHwnd() != nullptr);
        thread.window = &window;
        thread.m_pMainWnd = &window;
    }
    void TearDown() override
    {
        ::SetEnvironmentVariableA("ZEMLO_PROBE_MARKERS", nullptr);
        for (int i = 0; i < 2; ++i) {
            ::RegOverridePredefKey(kLogRoots[3 + i], nullptr);
            if (extraRoots[i] != nullptr)
                ::RegCloseKey(extraRoots[i]);
        }
    }

    // Writes the bytes as the log file at logPath and reads it with the
    // worker; fails the test when the read fails.
    void LoadLog(const std::string& bytes, const std::string& logPath = "")
    {
        const std::string path = logPath.empty() ? Path("Uninstall.log") : logPath;
        testfs::WriteFile(path, bytes);
        ASSERT_TRUE(thread.ReadLog(path.c_str()));
        ASSERT_TRUE(thread.fileErrors.empty());
    }
    void RunUninstall() { ASSERT_TRUE(window.RunThread(thread)) << "the uninstall worker did not end"; }

    // The stand-in controls leave their marker files in Markers\ (the
    // environment is inherited by the uninstaller's child processes).
    std::string Marker(const std::string& control, const char* suffix) const
    {
        return Path("Markers\\" + control + suffix);
    }
    void UseMarkers()
    {
        testfs::MakeDirs(Path("Markers"));
        ASSERT_TRUE(::SetEnvironmentVariableA("ZEMLO_PROBE_MARKERS", Path("Markers").c_str()));
    }

    std::string Path(const std::string& relative) const { return temp / relative; }

    TempDir temp;
    RegistryOverride registry;
    HKEY extraRoots[2] = {};
    RecordingWindow window;
    TestUninstallThread thread;
};
