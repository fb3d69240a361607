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
#include "engine/SetupThread.h"
#include "winlib/StringUtil.h"
#include "winlib/SysError.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

using Lines = std::vector<std::string>;

struct PromptRecord {
    std::string text;
    UINT type = 0;
    bool operator==(const PromptRecord& o) const { return text == o.text && type == o.type; }
};
inline void PrintTo(const PromptRecord& p, std::ostream* os) { *os << p.text << " (" << p.type << ")"; }

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
    int AskUser(const std::string& text, UINT type) override
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
};

class SetupThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registry.ok());
        ASSERT_TRUE(window.GetSafeHwnd() != nullptr);
        testfs::MakeDirs(temp / "medium");
        thread.m_strSourceDir = m_medium = temp / "medium\\";
        thread.m_strInstallDir = m_install = temp / "dest\\";
    }

    // Makes the seven product folders on the medium, empty.
    void MakeProductFolders()
    {
        for (const char* name : CSetupThread::ProductFolders())
            testfs::MakeDirs(m_medium + name);
    }
    // medium + relative (relative uses backslashes).
    std::string Medium(const std::string& relative = "") const { return m_medium + relative; }
    std::string Install(const std::string& relative = "") const { return m_install + relative; }
    void PutMediumFile(const std::string& relative, const std::string& content = "x")
    {
        testfs::WriteFile(m_medium + relative, content);
    }
    void SetInstallDir(const std::string& dir) { thread.m_strInstallDir = m_install = dir; }

    // Runs the worker to its end; fails the test when it hangs.
    void RunInstall() { ASSERT_TRUE(window.RunThread(thread)) << "the install worker did not end"; }
    Lines LogLines() const { return testfs::SplitLines(thread.Log()); }
    // The progress message of a medium entry, sent to the window's thread.
    std::string Progress(const std::string& entry) const
    {
        return TraceLine(WM_SETUP_PROGRESS, true, Medium(entry), Install(entry));
    }

    TempDir temp;
    RegistryOverride registry;
    RecordingWindow window;
    ScriptedSetupThread thread;

    std::string m_medium;   // ends in a backslash
    std::string m_install;  // ends in a backslash
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
