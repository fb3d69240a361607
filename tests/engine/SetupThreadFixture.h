// The fixture of the install worker tests: a medium and a destination in a
// fresh temporary folder, the registry redirected, a recording window that
// the worker reports to, and a worker whose questions are answered by
// script. Also the two questions of the copy steps and the reading of a
// string value.
#pragma once

#include "FileHelpers.h"
#include "RecordingWindow.h"
#include "RegistryOverride.h"
#include "TempDir.h"
#include "engine/InstallHost.h"
#include "engine/InstallJob.h"
#include "engine/InstallStep.h"
#include "engine/SetupThread.h"
#include "winlib/StringUtil.h"
#include "winlib/SysError.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using Lines = std::vector<std::string>;

struct PromptRecord {
    std::string text;
    UINT type = 0;
    bool operator==(const PromptRecord& o) const { return text == o.text && type == o.type; }
};
inline void PrintTo(const PromptRecord& p, std::ostream* os) { *os << p.text << " (" << p.type << ")"; }

// Answers questions from a script instead of a box: the worker's (through
// its question hook) and a step's (through the scripted host). An
// unscripted question is recorded and answered with the product's own
// unattended answer, the button that declines it (Abort, Cancel, or OK for
// a plain notice).
struct QuestionScript {
    struct Answer {
        int button;
        std::function<void()> before;  // runs before answering
    };
    std::deque<Answer> answers;
    std::vector<PromptRecord> prompts;

    int Ask(const std::string& text, UINT type)
    {
        prompts.push_back({text, type});
        if (answers.empty())
            return engine::UnattendedAnswer(type);
        Answer answer = answers.front();
        answers.pop_front();
        if (answer.before)
            answer.before();
        return answer.button;
    }
    CSetupThread::QuestionHook Hook()
    {
        return [this](const std::string& text, UINT type) { return Ask(text, type); };
    }
};

// What a step gets in place of the worker when a test runs it on its own:
// questions answered by the script, progress sent to the test's window as
// the worker sends it, and a cancel flag the test sets.
class ScriptedHost : public engine::InstallHost {
public:
    ScriptedHost(QuestionScript& script, CWnd& window) : m_script(script), m_window(window) {}
    int AskUser(const std::string& text, UINT type) override { return m_script.Ask(text, type); }
    void NotifyFileCopied(const std::string& source, const std::string& destination) override
    {
        ::SendMessageA(m_window.GetSafeHwnd(), WM_SETUP_PROGRESS, reinterpret_cast<WPARAM>(source.c_str()),
                       reinterpret_cast<LPARAM>(destination.c_str()));
    }
    BOOL IsCancelled() const override { return cancelled ? TRUE : FALSE; }

    bool cancelled = false;

private:
    QuestionScript& m_script;
    CWnd& m_window;
};

class SetupThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registry.ok());
        ASSERT_TRUE(window.GetSafeHwnd() != nullptr);
        testfs::MakeDirs(temp / "medium");
        m_medium = temp / "medium\\";
        m_install = temp / "dest\\";
        thread.SetQuestionHook(script.Hook());
    }

    // Makes the seven product folders on the medium, empty.
    void MakeProductFolders()
    {
        for (const char* name : engine::ProductFolders())
            testfs::MakeDirs(m_medium + name);
    }
    // medium + relative (relative uses backslashes).
    std::string Medium(const std::string& relative = "") const { return m_medium + relative; }
    std::string Install(const std::string& relative = "") const { return m_install + relative; }
    void PutMediumFile(const std::string& relative, const std::string& content = "x")
    {
        testfs::WriteFile(m_medium + relative, content);
    }
    // Before the first Job() or RunInstall().
    void SetInstallDir(const std::string& dir) { m_install = dir; }
    void SetControlTimeout(DWORD timeoutMs)
    {
        m_controlTimeoutMs = timeoutMs;
        thread.SetControlTimeout(timeoutMs);
    }

    // The steps' shared state for a step run on its own (no worker), made
    // on first use for the fixture's folders.
    engine::InstallJob& Job()
    {
        if (!m_job)
            m_job = std::make_unique<engine::InstallJob>(host, m_medium, m_install, m_controlTimeoutMs);
        return *m_job;
    }
    engine::TreeCopier& Copier() { return Job().copier; }

    // Runs the worker over the fixture's folders to its end; fails the
    // test when it hangs.
    void RunInstall()
    {
        thread.Configure(m_medium, m_install, &window);
        ASSERT_TRUE(window.RunThread(thread)) << "the install worker did not end";
    }
    // The install log's text: the job's, when steps ran on their own, else
    // the worker's.
    Lines LogLines() const { return testfs::SplitLines(m_job ? m_job->record.Log().str() : thread.LogText()); }
    // The progress message of a medium entry, sent to the window's thread.
    std::string Progress(const std::string& entry) const
    {
        return TraceLine(WM_SETUP_PROGRESS, true, Medium(entry), Install(entry));
    }

    TempDir temp;
    RegistryOverride registry;
    RecordingWindow window;
    QuestionScript script;
    CSetupThread thread;
    ScriptedHost host{script, window};

    std::string m_medium;   // ends in a backslash
    std::string m_install;  // ends in a backslash
    DWORD m_controlTimeoutMs = CSetupThread::kControlTimeoutMs;
    std::unique_ptr<engine::InstallJob> m_job;
};

// Every file and folder below folder with each file's attributes and
// content, one line each, in the system's order.
inline void DumpTree(const std::string& folder, Lines& lines)
{
    for (const std::string& name : testfs::ListFolder(folder)) {
        const std::string path = folder + "\\" + name;
        if (testfs::IsDirectory(path)) {
            lines.push_back(path + "\\");
            DumpTree(path, lines);
        } else {
            const std::string content = testfs::ReadFile(path);
            lines.push_back(path + " " + std::to_string(testfs::AttributesWithoutArchive(path)) + " " +
                            (content.size() <= 64 ? content : std::to_string(std::hash<std::string>()(content))));
        }
    }
}

inline Lines DumpTree(const std::string& folder)
{
    Lines lines;
    DumpTree(folder, lines);
    return lines;
}

inline std::string MissingFolderText(DWORD error, const std::string& path)
{
    return winlib::FormatSystemMessage(error) + "\n找不到安装文件的路径 " + path +
           "，\n点击“重试”按钮试图重新查找该安装文件路径；\n点击“忽略”按钮将跳过该路径下的操作并继续执行；"
           "\n点击“取消”按钮将终止程序运行。";
}

inline std::string CreateFailedText(DWORD error, const std::string& path)
{
    return winlib::FormatSystemMessage(error) + "\n不能创建文件夹 " + path +
           " ，\n点击“重试”按钮试图重新创建文件夹；\n点击“取消”按钮将终止程序运行。";
}

namespace testreg {

// Every key and value below key of root, one line each ("key" or
// "key|name|type|data" with the data in hex), in the system's order.
inline void Dump(HKEY root, const std::string& key, Lines& lines)
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, key.empty() ? nullptr : key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return;
    lines.push_back(key);
    char name[1024];
    std::vector<BYTE> data(65536);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof(name), type = 0, dataSize = static_cast<DWORD>(data.size());
        if (::RegEnumValueA(opened, i, name, &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
            break;
        std::string hex;
        for (DWORD b = 0; b < dataSize; ++b)
            hex += winlib::Format("%02X", data[b]);
        lines.push_back(key + "|" + name + "|" + std::to_string(type) + "|" + hex);
    }
    std::vector<std::string> subKeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof(name);
        if (::RegEnumKeyExA(opened, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subKeys.push_back(name);
    }
    ::RegCloseKey(opened);
    for (const std::string& sub : subKeys)
        Dump(root, key.empty() ? sub : key + "\\" + sub, lines);
}

// The whole (redirected) hive.
inline Lines Dump(HKEY root)
{
    Lines lines;
    Dump(root, "", lines);
    return lines;
}

// A string value's data, or "<missing>".
inline std::string Get(HKEY root, const std::string& key, const std::string& name)
{
    std::vector<char> data(16384);
    DWORD size = static_cast<DWORD>(data.size());
    if (::RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, data.data(), &size) != ERROR_SUCCESS)
        return "<missing>";
    return data.data();
}

}  // namespace testreg
