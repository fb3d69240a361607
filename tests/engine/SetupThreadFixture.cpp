#include "SetupThreadFixture.h"

int ScriptedSetupThread::AskUser(const std::string& text, UINT type)
{
    prompts.push_back({text, type});
    if (answers.empty())
        return winlib::DecliningButton(type);
    Answer answer = answers.front();
    answers.pop_front();
    if (answer.before)
        answer.before();
    return answer.button;
}

void SetupThreadTest::SetUp()
{
    ASSERT_TRUE(registry.ok());
    ASSERT_TRUE(window.GetSafeHwnd() != nullptr);
    m_medium = temp / "medium\\";
    m_install = temp / "dest\\";
    testfs::MakeDirs(temp / "medium");
    thread.m_strSourceDir = m_medium;
    thread.m_strInstallDir = m_install;
}

void SetupThreadTest::MakeProductFolders()
{
    for (const char* name : CSetupThread::ProductFolders())
        testfs::MakeDirs(m_medium + name);
}

void SetupThreadTest::PutMediumFile(const std::string& relative, const std::string& content)
{
    testfs::WriteFile(m_medium + relative, content);
}

void SetupThreadTest::RunInstall()
{
    ASSERT_TRUE(window.RunThread(thread)) << "the install worker did not end";
}

std::vector<std::string> SetupThreadTest::ProgressDestinations() const
{
    std::vector<std::string> paths;
    for (const RecordedMessage& m : window.Of(WM_SETUP_PROGRESS))
        paths.push_back(m.lText);
    return paths;
}
