// The wizard frame: start-up, the page loop's moves, the quit question and
// the values handed between the pages.
#include "FrameFixture.h"
#include "TempDir.h"
#include "winlib/WinThread.h"

namespace {

using Order = std::vector<int>;
const char kProductKey[] = "SOFTWARE\\Kestrova\\enggZEMLO\\V8";
const UINT kYesNoQuestion = MB_YESNO | MB_ICONQUESTION;

void SetInstallPath(const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyA(HKEY_LOCAL_MACHINE, kProductKey, &key), ERROR_SUCCESS);
    EXPECT_EQ(::RegSetValueExA(key, "installPath", 0, REG_SZ, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    ::RegCloseKey(key);
}

}  // namespace

TEST_F(FrameTest, NextOnEveryPageRunsEachOnceThenTheFrameClosesItself)
{
    Codes({ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT});
    EXPECT_EQ(Run(), IDCANCEL);  // the frame's own loop ends by its close handling
    EXPECT_EQ(Positions(), (Order{0, 1, 2, 3, 4}));
    EXPECT_TRUE(frame.questions.empty());
    EXPECT_EQ(frame.initResult, TRUE);
    EXPECT_EQ(script.setsMade, 1);
    EXPECT_TRUE(script.waitedBeforeDestroy);
    EXPECT_TRUE(script.destroyed);
    // Looking for an earlier installation made the product key.
    HKEY key = nullptr;
    EXPECT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    ::RegCloseKey(key);
}

TEST_F(FrameTest, BackFinishAndUnknownCodesMoveAsTheyShould)
{
    // IDOK (Enter in a text box), 0 and 12345 show the same page again; a
    // Back on the first page stays there; Finish leaves at once.
    Codes({ID_WIZBACK, ID_WIZNEXT, IDOK, ID_WIZNEXT, ID_WIZBACK, 0, ID_WIZNEXT, 12345, ID_WIZNEXT, ID_WIZFINISH});
    Run();
    EXPECT_EQ(Positions(), (Order{0, 0, 1, 1, 2, 1, 1, 2, 2, 3}));
    EXPECT_TRUE(frame.questions.empty());
}

TEST_F(FrameTest, CancelAsksToQuitNoShowsTheSamePageYesLeaves)
{
    Codes({ID_WIZNEXT, IDCANCEL, ID_WIZNEXT, ID_WIZNEXT, ID_WIZNEXT, IDCANCEL});
    frame.answers = {IDNO, IDYES};
    Run();
    EXPECT_EQ(Positions(), (Order{0, 1, 1, 2, 3, 4}));
    ASSERT_EQ(frame.questions.size(), 2u);
    EXPECT_EQ(frame.questions[1].text, "真要退出安装程序吗?");
    EXPECT_EQ(frame.questions[1].caption, "ZEMLO V8.0 安装向导");
    EXPECT_EQ(frame.questions[1].type, kYesNoQuestion);
    EXPECT_TRUE(script.destroyed);
}

TEST_F(FrameTest, APageThatCannotBeShownEndsTheWizardInsteadOfRetryingForEver)
{
    Codes({ID_WIZNEXT, -1});
    Run();
    EXPECT_EQ(Positions(), (Order{0, 1}));
}

TEST_F(FrameTest, ValuesGoInBeforeEachPageAndComeBackAfterIt)
{
    TempDir elsewhere;  // the source folder does not follow the current folder
    char saved[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, saved);
    ::SetCurrentDirectoryA(elsewhere.path().c_str());
    Codes({ID_WIZNEXT});
    Step(ID_WIZNEXT, [](ScriptedPages& p, TestFrame&) { p.m_bAgree = TRUE; });
    Step(ID_WIZNEXT, [](ScriptedPages& p, TestFrame&) { p.m_strPath = "D:\\Tools\\Kestrova\\ZEMLO"; });
    Step(ID_WIZNEXT, [](ScriptedPages& p, TestFrame&) { p.m_strSourceDir += "\\"; });
    Codes({ID_WIZFINISH});
    Run();
    ::SetCurrentDirectoryA(saved);

    char program[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, program, MAX_PATH);
    const std::string programFolder = std::string(program).substr(0, std::string(program).rfind('\\'));
    ASSERT_EQ(script.visits.size(), 5u);
    EXPECT_EQ(script.visits[0].agree, 7);  // the welcome page gets nothing
    EXPECT_EQ(script.visits[1].agree, FALSE);
    EXPECT_EQ(script.visits[2].destinationPath, "C:\\Program Files\\Kestrova\\ZEMLO\\");
    EXPECT_EQ(script.visits[3].copySourceDir, programFolder);
    EXPECT_EQ(script.visits[3].copyInstallDir, "D:\\Tools\\Kestrova\\ZEMLO");
    EXPECT_EQ(script.visits[4].finishPath, "D:\\Tools\\Kestrova\\ZEMLO");
    // The source folder came back from the progress page with its backslash.
    EXPECT_EQ(frame.m_strSourceDir, programFolder + "\\");
    EXPECT_EQ(frame.m_bAgree, TRUE);
}

TEST_F(FrameTest, BackFromTheDestinationKeepsTheAgreementAndTheStoredPath)
{
    Codes({ID_WIZNEXT});
    Step(ID_WIZNEXT, [](ScriptedPages& p, TestFrame&) { p.m_bAgree = TRUE; });
    Step(ID_WIZBACK, [](ScriptedPages& p, TestFrame&) { p.m_strPath = "E:\\Kestrova\\ZEMLO"; });
    // Values come back whatever the code: after No the page gets what it stored.
    Step(IDCANCEL, [](ScriptedPages& p, TestFrame&) { p.m_bAgree = FALSE; });
    Codes({ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH});
    frame.answers = {IDNO};
    Run();
    EXPECT_EQ(Positions(), (Order{0, 1, 2, 1, 1, 2, 3}));
    EXPECT_EQ(script.visits[3].agree, TRUE);
    EXPECT_EQ(script.visits[4].agree, FALSE);
    EXPECT_EQ(script.visits[5].destinationPath, "E:\\Kestrova\\ZEMLO");
    EXPECT_EQ(script.visits[6].copyInstallDir, "E:\\Kestrova\\ZEMLO");
}

TEST_F(FrameTest, AnEmptyInstallPathStillAsksAndNoEndsBeforeAnyPage)
{
    SetInstallPath("", 1);
    frame.answers = {IDNO};
    EXPECT_EQ(Run(), IDCANCEL);
    ASSERT_EQ(frame.questions.size(), 1u);
    EXPECT_EQ(frame.questions[0].text, "已经安装了本软件!\n是否重新安装?");
    EXPECT_EQ(frame.questions[0].caption, "警告");
    EXPECT_EQ(frame.questions[0].type, kYesNoQuestion);
    EXPECT_EQ(frame.initResult, FALSE);
    EXPECT_EQ(script.setsMade, 0);
}

TEST_F(FrameTest, YesInstallsAgainIntoTheDefaultFolderNotTheOldOne)
{
    SetInstallPath("D:\\Old\\", 8);
    frame.answers = {IDYES};
    Codes({ID_WIZNEXT, ID_WIZNEXT, ID_WIZFINISH});
    Run();
    ASSERT_EQ(script.visits.size(), 3u);
    EXPECT_EQ(script.visits[2].destinationPath, "C:\\Program Files\\Kestrova\\ZEMLO\\");
}

TEST_F(FrameTest, AnInstallPathLongerThanTheBufferCountsAsNotInstalled)
{
    const std::string tooLong(3000, 'x');
    SetInstallPath(tooLong.c_str(), 3001);
    Codes({ID_WIZFINISH});
    Run();
    EXPECT_TRUE(frame.questions.empty());
}

TEST_F(FrameTest, BehindThePagesTheFrameCoversTheScreenAndRunsTheSlideshow)
{
    frame.m_nTimerPeriod = 20;
    Step(ID_WIZFINISH, [this](ScriptedPages&, TestFrame& f) {
        EXPECT_EQ(script.parent, f.m_hWnd);
        EXPECT_EQ(f.GetWindowText(), "ZEMLO V8.0 安装向导");
        EXPECT_TRUE(::IsZoomed(f.m_hWnd));
        EXPECT_NE(f.SendMessage(WM_GETICON, ICON_BIG), 0);

        // A tick of another timer changes nothing; the slideshow's moves on
        // and repaints the whole frame.
        ::ValidateRect(f.m_hWnd, nullptr);
        const int before = f.m_nPicture;
        f.SendMessage(WM_TIMER, 99);
        EXPECT_EQ(f.m_nPicture, before);
        EXPECT_FALSE(::GetUpdateRect(f.m_hWnd, nullptr, FALSE));
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
    Run();
    EXPECT_TRUE(frame.m_arrPictures.empty());  // no picture folder beside the test program
}
