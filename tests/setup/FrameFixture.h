// A real wizard frame (template 102, under Xvfb) with the registry
// redirected, scripted pages in place of the real ones, and its questions
// answered by script.
#pragma once

#include "RegistryOverride.h"
#include "SetupDlg.h"
#include "SetupIds.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>

// What the page members held when a page was shown.
struct PageVisit {
    int position;
    BOOL agree;
    std::string destinationPath, copySourceDir, copyInstallDir, finishPath, copyEarlierDir;
};

struct Question {
    std::string text, caption;
    UINT type;
    bool operator==(const Question& o) const { return text == o.text && caption == o.caption && type == o.type; }
};
inline void PrintTo(const Question& q, std::ostream* os) { *os << q.caption << ": " << q.text << " (" << q.type << ")"; }

// One step per showing of a page: the code it ends with, and what it does
// while shown. The members start with values the frame never hands in.
struct ScriptedPages : CWizardPages {
    using Action = std::function<void(ScriptedPages&)>;
    struct Script {
        std::deque<std::pair<INT_PTR, Action>> steps;
        std::vector<PageVisit> visits;
        int setsMade = 0;
        HWND parent = nullptr;
        bool waitedBeforeDestroy = false, destroyed = false;
        // How the installation of the progress page ended, as the pages
        // report it once idle (none by default).
        engine::InstallOutcome runOutcome;
    };
    explicit ScriptedPages(Script& s) : script(s) { ++script.setsMade; }
    ~ScriptedPages() override { script.destroyed = true; }
    INT_PTR DoModal(int n) override
    {
        script.visits.push_back({n, m_bAgree, m_strPath, m_strSourceDir, m_strInstallDir, m_strFinishPath, m_strEarlierDir});
        if (script.steps.empty()) {
            ADD_FAILURE() << "page " << n << " shown more often than scripted";
            return ID_WIZFINISH;
        }
        auto step = script.steps.front();
        script.steps.pop_front();
        if (step.second)
            step.second(*this);
        return step.first;
    }
    BOOL& AgreementAgree() override { return m_bAgree; }
    std::string& DestinationPath() override { return m_strPath; }
    std::string& CopySourceDir() override { return m_strSourceDir; }
    std::string& CopyInstallDir() override { return m_strInstallDir; }
    engine::Audience& CopyAudience() override { return m_audience; }
    std::string& CopyEarlierDir() override { return m_strEarlierDir; }
    std::string& FinishPath() override { return m_strFinishPath; }
    std::string& DestinationSourceDir() override { return m_strDestinationSource; }
    std::string& CopyNotice() override { return m_strCopyNotice; }
    std::string& FinishNotice() override { return m_strFinishNotice; }
    void WaitUntilIdle() override { script.waitedBeforeDestroy = !script.destroyed; }
    engine::InstallOutcome RunOutcome() const override { return script.runOutcome; }

    BOOL m_bAgree = 7;
    std::string m_strPath = "unset", m_strSourceDir = "unset", m_strInstallDir = "unset", m_strFinishPath = "unset";
    std::string m_strDestinationSource, m_strCopyNotice, m_strFinishNotice;
    std::string m_strEarlierDir = "unset";
    engine::Audience m_audience;
    Script& script;
};

class TestFrame : public CSetupDlg {
public:
    explicit TestFrame(ScriptedPages::Script& s) : script(s) {}
    ScriptedPages::Script& script;
    std::deque<int> answers;  // an unscripted question fails and gets Yes
    std::vector<Question> questions;
    BOOL initResult = -1;

protected:
    std::unique_ptr<CWizardPages> CreatePages() override
    {
        script.parent = m_hWnd;
        return std::make_unique<ScriptedPages>(script);
    }
    int AskUser(const char* text, const char* caption, UINT type) override
    {
        questions.push_back({text, caption, type});
        if (answers.empty()) {
            ADD_FAILURE() << "unscripted question: " << text;
            return IDYES;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    BOOL OnInitDialog() override { return initResult = CSetupDlg::OnInitDialog(); }
};

// One run of a frame with scripted pages.
struct Wizard {
    void Codes(const std::vector<INT_PTR>& codes)
    {
        for (INT_PTR code : codes)
            script.steps.push_back({code, nullptr});
    }
    void Step(INT_PTR code, ScriptedPages::Action action) { script.steps.push_back({code, std::move(action)}); }
    // Runs the frame to its end; returns what DoModal returned.
    INT_PTR Run()
    {
        const INT_PTR result = frame.DoModal();
        EXPECT_TRUE(script.steps.empty()) << "scripted page endings not reached";
        EXPECT_TRUE(frame.answers.empty()) << "answers not asked for";
        return result;
    }
    std::vector<int> Positions() const
    {
        std::vector<int> positions;
        for (const PageVisit& visit : script.visits)
            positions.push_back(visit.position);
        return positions;
    }

    ScriptedPages::Script script;
    TestFrame frame{script};
};

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry.ok()); }
    RegistryOverride registry;
};
