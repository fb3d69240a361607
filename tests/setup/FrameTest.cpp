// The wizard frame: start-up, the page loop's moves, the quit question and
// the values handed between the pages.
#include "FileHelpers.h"
#include "FrameFixture.h"
#include "TempDir.h"
#include "winlib/WinThread.h"

namespace {

using Order = std::vector<int>;
using testreg::kProductKey;
const char kTitle[] = "ZEMLO V8.0 安装向导";
const char kDefaultDestination[] = "C:\\Program Files\\Kestrova\\ZEMLO\\";
const UINT kYesNoQuestion = MB_YESNO | MB_ICONQUESTION;

}  // namespace

TEST_F(FrameTest, PageLoopMovesByTheCodeEachPageEndsWith)
{
    const struct { std::vector<INT_PTR> codes; std::deque<int> answers; Order positions; } cases[] = {
        {{ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT}, {}, {0, 1, 2, 3, 4}},
        // IDOK (Enter in a text box), 0 and 12345 show the same page again;
        // a Back on the first page stays there; Finish leaves at once.
        {{ID_WIZBACK, ID_WIZNEXT, IDOK, ID_WIZNEXT, ID_WIZBACK, 0, ID_WIZNEXT, 12345, ID_WIZNEXT, ID_WIZFINISH},
         {},
         {0, 0, 1, 1, 2, 1, 1, 2, 2, 3}},
        // Cancel asks to quit: No shows the same page again, Yes leaves.
        {{ID_WIZNEXT, IDCANCEL, ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, IDCANCEL}, {IDNO, IDYES}, {0, 1, 1, 2, 3, 4}},
        // A page that cannot be shown ends the wizard instead of being
        // retried for ever.
        {{ID_WIZNEXT, -1}, {}, {0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.positions));
        Wizard w;
        w.Codes(c.codes);
        w.frame.answers = c.answers;
        // The frame's own loop ends by its close handling, once the pages
        // have finished their work and before they are destroyed.
        EXPECT_EQ(w.Run(), IDCANCEL);
        EXPECT_EQ(w.Positions(), c.positions);
        EXPECT_EQ(w.frame.initResult, TRUE);
        EXPECT_EQ(w.script.setsMade, 1);
        EXPECT_TRUE(w.script.waitedBeforeDestroy);
        EXPECT_TRUE(w.script.destroyed);
        EXPECT_EQ(w.frame.questions,
                  std::vector<Question>(c.answers.size(), {"真要退出安装程序吗?", kTitle, kYesNoQuestion}));
    }
    // Looking for an earlier installation leaves no key behind.
    EXPECT_FALSE(testreg::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kestrova"));
}

// The exit code and the report come from how the installation ended, not
// from how the pages ended: after a run that did not complete the pages end
// with Finish too.
TEST_F(FrameTest, TheRunsOutcomeDecidesTheExitCodeAndTheReportHoweverThePagesEnded)
{
    using engine::InstallOutcome;
    const std::string nothing = "安装没有完成，本次安装所做的更改已全部撤销，没有安装任何内容。";
    // A move whose earlier installation went (files in use at the restart);
    // one that could not remove it whole, or found its uninstaller at work.
    InstallOutcome moved = InstallOutcome::Completed(0, 0);
    moved.SetEarlierRemoved("C:\\Old\\", true);
    engine::EarlierRemoval notRemoved;
    notRemoved.left = {"C:\\Old\\mine.txt"};
    engine::EarlierRemoval busy;
    busy.result = engine::EarlierRemoval::Result::kBusy;
    const struct {
        std::vector<INT_PTR> codes;
        std::deque<int> answers;  // the quit question
        InstallOutcome run;
        int exitCode;
        std::string report;
    } cases[] = {
        {{ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH}, {}, InstallOutcome::Completed(2, 1), 0, ""},
        {{ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH}, {}, InstallOutcome::Undone(true, {}), 1602, nothing},
        {{ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH}, {}, InstallOutcome::Undone(false, {}), 1603, nothing},
        {{ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH},
         {},
         InstallOutcome::Undone(false, {"C:\\left"}),
         1604,
         "安装没有完成，本次安装所做的更改已撤销，但以下项目未能删除：\nC:\\left\n"},
        {{ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH}, {}, moved, 3010, ""},
        {{ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH},
         {},
         InstallOutcome::EarlierKept("C:\\Old\\", notRemoved),
         1603,
         "以前安装在 C:\\Old 的 ZEMLO V8.0 未能完整卸载，没有安装任何新内容。\n"
         "以下项目留下（详见运行日志），以前的安装仍可用它自己的卸载程序卸载：\nC:\\Old\\mine.txt\n"},
        {{ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH},
         {},
         InstallOutcome::EarlierKept("C:\\Old", busy),
         1618,
         "另一个卸载程序正在卸载以前安装在 C:\\Old 的 ZEMLO V8.0，没有安装任何新内容。\n请等它完成后再运行安装程序。"},
        // No installation: leaving is the user's cancel, a page that could
        // not be shown a failure.
        {{ID_WIZNEXT, IDCANCEL}, {IDYES}, InstallOutcome(), 1602, ""},
        {{ID_WIZNEXT, -1}, {}, InstallOutcome(), 1603, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exitCode);
        Wizard w;
        w.Codes(c.codes);
        w.frame.answers = c.answers;
        w.script.runOutcome = c.run;
        if (!c.report.empty())
            w.frame.answers.push_back(IDOK);
        w.Run();
        EXPECT_EQ(w.frame.Outcome().ExitCode(), c.exitCode);
        std::vector<Question> expected(c.answers.size(), {"真要退出安装程序吗?", kTitle, kYesNoQuestion});
        if (!c.report.empty())
            expected.push_back({c.report, kTitle, MB_OK | MB_ICONINFORMATION});
        EXPECT_EQ(w.frame.questions, expected);
    }
}

TEST_F(FrameTest, ValuesGoInBeforeEachPageAndComeBackAfterItWhateverTheCode)
{
    TempDir elsewhere;  // the source folder does not follow the current folder
    const std::string saved = testfs::CurrentFolder();
    ::SetCurrentDirectoryA(elsewhere.path().c_str());
    Wizard w;
    w.Codes({ID_WIZNEXT});
    w.Step(ID_WIZNEXT, [](ScriptedPages& p) { p.m_bAgree = TRUE; });
    w.Step(ID_WIZBACK, [](ScriptedPages& p) { p.m_strPath = "E:\\Kestrova\\ZEMLO"; });
    // After No to the quit question the page gets what it stored.
    w.Step(IDCANCEL, [](ScriptedPages& p) { p.m_bAgree = FALSE; });
    w.Codes({ID_WIZNEXT, ID_WIZNEXT});
    w.Step(ID_WIZNEXT, [](ScriptedPages& p) { p.m_strSourceDir += "\\"; });
    w.Codes({ID_WIZFINISH});
    w.frame.answers = {IDNO};
    w.Run();
    ::SetCurrentDirectoryA(saved.c_str());

    const std::string programFolder = testfs::ProgramFolder();
    ASSERT_EQ(w.Positions(), (Order{0, 1, 2, 1, 1, 2, 3, 4}));
    const std::vector<PageVisit>& v = w.script.visits;
    EXPECT_EQ(v[0].agree, 7);  // the welcome page gets nothing
    EXPECT_EQ(v[1].agree, FALSE);
    EXPECT_EQ(v[2].destinationPath, kDefaultDestination);
    EXPECT_EQ(v[3].agree, TRUE);
    EXPECT_EQ(v[4].agree, FALSE);
    EXPECT_EQ(v[5].destinationPath, "E:\\Kestrova\\ZEMLO");
    EXPECT_EQ(v[6].copySourceDir + "\\", programFolder);
    EXPECT_EQ(v[6].copyInstallDir, "E:\\Kestrova\\ZEMLO");
    EXPECT_EQ(v[7].finishPath, "E:\\Kestrova\\ZEMLO");
    // The source folder came back from the progress page with its backslash.
    EXPECT_EQ(w.frame.m_strSourceDir, programFolder);
    EXPECT_EQ(w.frame.m_bAgree, FALSE);
}

TEST_F(FrameTest, AnEarlierInstallationIsAskedAboutAndItsFolderOffered)
{
    // An earlier installation is the folder the product key records with
    // its log in it: Yes offers that folder (a folder given with /D= comes
    // first), No ends before any page. A recorded folder without its log,
    // an empty value and one longer than can be read are no installation.
    TempDir temp;
    const std::string withLog = temp / "Old\\", withoutLog = temp / "Gone\\";
    testfs::WriteFile(withLog + "Uninstall.log", "File Copy: " + withLog + "a.txt\r\n");
    testfs::MakeDirs(withoutLog);
    const struct {
        std::string installPath, startDir;
        int answer;  // 0: no question
        std::vector<INT_PTR> codes;
        std::string offered;
    } cases[] = {
        {withLog, "", IDNO, {}, ""},
        {withLog, "", IDYES, {ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH}, withLog},
        {withLog, "D:\\Given", IDYES, {ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH}, "D:\\Given\\"},
        {withoutLog, "", 0, {ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH}, kDefaultDestination},
        {"", "", 0, {ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH}, kDefaultDestination},
        {std::string(3000, 'x'), "", 0, {ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH}, kDefaultDestination},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installPath.substr(0, 40) + " " + c.startDir);
        ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, kProductKey, "installPath", c.installPath));
        Wizard w;
        w.Codes(c.codes);
        w.frame.m_strStartDir = c.startDir;
        if (c.answer != 0)
            w.frame.answers = {c.answer};
        EXPECT_EQ(w.Run(), IDCANCEL);
        EXPECT_EQ(w.frame.questions,
                  std::vector<Question>(c.answer != 0 ? 1 : 0, {"已经安装了本软件!\n是否重新安装?", "警告", kYesNoQuestion}));
        EXPECT_EQ(w.frame.initResult, c.answer == IDNO ? FALSE : TRUE);
        EXPECT_EQ(w.script.setsMade, c.answer == IDNO ? 0 : 1);
        if (c.answer == IDNO) {
            EXPECT_EQ(w.frame.Outcome().ExitCode(), 1602);
        }
        bool shown = false;
        for (const PageVisit& visit : w.script.visits)
            if (visit.position == CWizardPages::kDestination) {
                EXPECT_EQ(visit.destinationPath, c.offered);
                shown = true;
            }
        EXPECT_EQ(shown, c.answer != IDNO);
    }
}

// Another folder than the earlier installation's is a move: asked after
// the destination page; No shows the page again, Yes hands the earlier
// folder to the progress page, which removes it first. The earlier
// installation's own folder, in whatever spelling, is no move.
TEST_F(FrameTest, ChoosingAnotherFolderThanTheEarlierInstallationsAsksBeforeReplacingIt)
{
    TempDir temp;
    const std::string earlier = temp / "Old\\";
    testfs::WriteFile(earlier + "Uninstall.log", "File Copy: " + earlier + "a.txt\r\n");
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, kProductKey, "installPath", earlier));
    const Question reinstall = {"已经安装了本软件!\n是否重新安装?", "警告", kYesNoQuestion};
    const Question move = {"ZEMLO V8.0 已经安装在 " + temp / "Old" +
                               "。\n安装到另一个文件夹之前，将先卸载原来的安装（一次只能有一个安装）。\n是否继续?",
                           kTitle, kYesNoQuestion};
    const auto choose = [](const std::string& folder) {
        return [folder](ScriptedPages& pages) { pages.m_strPath = folder; };
    };

    Wizard w;
    w.Codes({ID_WIZNEXT, ID_WIZNEXT});
    w.Step(ID_WIZNEXT, choose("D:\\Other\\"));
    w.Step(ID_WIZNEXT, nullptr);
    w.Codes({ID_WIZFINISH});
    w.frame.answers = {IDYES, IDNO, IDYES};
    w.Run();
    EXPECT_EQ(w.Positions(), (Order{0, 1, 2, 2, 3}));
    EXPECT_EQ(w.frame.questions, (std::vector<Question>{reinstall, move, move}));
    ASSERT_EQ(w.script.visits.size(), 5u);
    EXPECT_EQ(w.script.visits[2].destinationPath, earlier);
    EXPECT_EQ(w.script.visits[3].destinationPath, "D:\\Other\\");
    EXPECT_EQ(w.script.visits[4].copyInstallDir, "D:\\Other\\");
    EXPECT_EQ(w.script.visits[4].copyEarlierDir, earlier);

    for (const std::string& same : {earlier, temp / "OLD", temp / "Old\\\\"}) {
        SCOPED_TRACE(same);
        Wizard again;
        again.Codes({ID_WIZNEXT, ID_WIZNEXT});
        again.Step(ID_WIZNEXT, choose(same));
        again.Codes({ID_WIZFINISH});
        again.frame.answers = {IDYES};
        again.Run();
        EXPECT_EQ(again.frame.questions, (std::vector<Question>{reinstall}));
        ASSERT_EQ(again.script.visits.size(), 4u);
        EXPECT_EQ(again.script.visits[3].copyEarlierDir, "");
    }
}

TEST_F(FrameTest, BehindThePagesTheFrameCoversTheScreenAndRunsTheSlideshow)
{
    Wizard w;
    w.frame.m_nTimerPeriod = 20;
    TestFrame& f = w.frame;
    w.Step(ID_WIZFINISH, [&](ScriptedPages&) {
        EXPECT_EQ(w.script.parent, f.m_hWnd);
        EXPECT_EQ(f.GetWindowText(), kTitle);
        EXPECT_TRUE(::IsZoomed(f.m_hWnd));
        EXPECT_NE(f.SendMessage(WM_GETICON, ICON_BIG), 0);

        // A tick of the slideshow moves on and repaints the whole frame.
        ::ValidateRect(f.m_hWnd, nullptr);
        const int before = f.m_nPicture;
        f.SendMessage(WM_TIMER, CSetupDlg::kSlideshowTimer);
        EXPECT_EQ(f.m_nPicture, before + 1);
        RECT update, client;
        EXPECT_TRUE(::GetUpdateRect(f.m_hWnd, &update, FALSE));
        f.GetClientRect(&client);
        EXPECT_TRUE(::EqualRect(&update, &client));

        // The real timer runs while a page is shown.
        const DWORD start = ::GetTickCount();
        while (f.m_nPicture < before + 4 && ::GetTickCount() - start < 3000)
            winlib::WaitPumpingMessages(::GetCurrentProcess(), 10);
        EXPECT_GE(f.m_nPicture, before + 4);
    });
    w.Run();
    EXPECT_TRUE(w.frame.m_arrPictures.empty());  // no picture folder beside the test program
}
