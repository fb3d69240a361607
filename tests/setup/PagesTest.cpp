// The wizard pages on real windows: each page runs modally from its own
// template while a script, posted to the page once it is up, plays the
// user (clicks are sent on the page's own thread).
#include "FileHelpers.h"
#include "FolderBrowser.h"
#include "ImportHook.h"
#include "RegistryOverride.h"
#include "Pages.h"
#include "TempDir.h"
#include "engine/Destination.h"
#include "engine/InstallStep.h"
#include "installlog/PathRule.h"
#include "runfront/RunSupport.h"
#include "winlib/Handles.h"
#include "winlib/StringUtil.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>

namespace {

constexpr UINT WM_RUN_SCRIPT = WM_APP + 77;

// Runs the page modally; once it is up the script runs on its thread with
// the page's window. Returns the code the page ended with.
template <class Page>
class Scripted : public Page {
public:
    std::function<void(Scripted&, HWND)> script;

    INT_PTR Run()
    {
        static const bool controls = [] {
            INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
            return ::InitCommonControlsEx(&icc) != FALSE;
        }();
        EXPECT_TRUE(controls);
        return Page::DoModal();
    }

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = Page::OnInitDialog();
        this->PostMessage(WM_RUN_SCRIPT);
        return result;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_RUN_SCRIPT) {
            // The system shows a modal dialog once its queue is empty; the
            // script starts before that, so show it now, as it would be.
            this->ShowWindow(SW_SHOW);
            if (script)
                script(*this, this->m_hWnd);
            return 0;
        }
        return Page::WindowProc(message, wParam, lParam);
    }
};

// The user's view of a page's controls.
void Click(HWND page, int id) { ::SendMessageA(::GetDlgItem(page, id), BM_CLICK, 0, 0); }
bool Checked(HWND page, int id) { return ::SendMessageA(::GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
bool Enabled(HWND page, int id) { return ::IsWindowEnabled(::GetDlgItem(page, id)) != FALSE; }
bool Visible(HWND page, int id) { return ::IsWindowVisible(::GetDlgItem(page, id)) != FALSE; }

std::string Text(HWND page, int id)
{
    char text[4096] = {};
    ::GetDlgItemTextA(page, id, text, sizeof(text));
    return text;
}

}  // namespace

// ------------------------------------------------------------------ welcome

TEST(WelcomePage, OpensInTheMiddleOfItsOwnerWithItsIconsAndNextMovesOn)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, "owner", WS_POPUP | WS_VISIBLE, RECT{100, 60, 740, 560}, nullptr, 0));
    const HICON icon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(32516));  // IDI_INFORMATION
    for (WPARAM kind : {ICON_BIG, ICON_SMALL})
        owner.SendMessage(WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));

    Scripted<CWelcomePage> page;
    page.m_pParentWnd = &owner;
    page.script = [&](auto&, HWND hwnd) {
        RECT rect;
        ::GetWindowRect(hwnd, &rect);
        EXPECT_NEAR((rect.left + rect.right) / 2, 420, 1);
        EXPECT_NEAR((rect.top + rect.bottom) / 2, 310, 1);
        for (WPARAM kind : {ICON_BIG, ICON_SMALL})
            EXPECT_EQ(::SendMessageA(hwnd, WM_GETICON, kind, 0), reinterpret_cast<LRESULT>(icon)) << kind;
        Click(hwnd, IDC_NEXT);
    };
    EXPECT_EQ(page.Run(), ID_WIZNEXT);
}

// ---------------------------------------------------------------- agreement

TEST(AgreementText, IsGbkOf1922BytesIn59CrLfLinesWithSectionsApartByOneEmptyLine)
{
    const std::string text = CAgreementPage::AgreementText();
    EXPECT_EQ(text.size(), 1922u);
    const auto count = [&text](const char* part) {
        std::size_t n = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    };
    // No bare CR or LF: 58 line ends make 59 lines, none empty at either
    // end, no two empty ones in a row, at least three sections.
    EXPECT_EQ(count("\r\n"), 58u);
    EXPECT_EQ(count("\r"), 58u);
    EXPECT_EQ(count("\n"), 58u);
    EXPECT_TRUE(text.front() != '\r' && text.back() != '\n');
    EXPECT_EQ(count("\r\n\r\n\r\n"), 0u);
    EXPECT_GE(count("\r\n\r\n"), 2u);
    // Chinese text in the ANSI code page: it turns into UTF-16 and back
    // unchanged, and names both choices.
    EXPECT_EQ(::GetACP(), 936u);
    EXPECT_GT(::MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0), 0);
    EXPECT_NE(text.find("“同意”"), std::string::npos);
    EXPECT_NE(text.find("“不同意”"), std::string::npos);
}

TEST(AgreementPage, FirstShowingDisagreesThenTheChoicesStayExclusiveAndDriveNext)
{
    Scripted<CAgreementPage> page;
    // The two choices, Next and the page's member all tell the same.
    const auto expectChoice = [&page](HWND hwnd, bool agree) {
        EXPECT_EQ(Checked(hwnd, IDC_AGREE), agree);
        EXPECT_EQ(Checked(hwnd, IDC_DISAGREE), !agree) << "separate groups: the page must clear the other";
        EXPECT_EQ(Enabled(hwnd, IDC_NEXT), agree);
        EXPECT_EQ(page.m_bAgree, agree ? TRUE : FALSE);
    };
    page.script = [&](auto&, HWND hwnd) {
        EXPECT_EQ(Text(hwnd, IDC_AGREEMENT_TEXT), CAgreementPage::AgreementText());
        expectChoice(hwnd, false);
        EXPECT_TRUE(Enabled(hwnd, IDC_BACK));
        // A click message on the disabled Next is ignored: the page stays.
        Click(hwnd, IDC_NEXT);
        EXPECT_TRUE(::IsWindowVisible(hwnd));
        Click(hwnd, IDC_AGREE);
        expectChoice(hwnd, true);
        Click(hwnd, IDC_DISAGREE);
        expectChoice(hwnd, false);
        Click(hwnd, IDC_AGREE);
        Click(hwnd, IDC_NEXT);
    };
    EXPECT_EQ(page.Run(), ID_WIZNEXT);
    EXPECT_TRUE(page.m_bAgree);

    // Shown again after Back from the next page: the choice is kept.
    page.script = [&](auto&, HWND hwnd) {
        expectChoice(hwnd, true);
        Click(hwnd, IDC_DISAGREE);
        Click(hwnd, IDC_BACK);
    };
    EXPECT_EQ(page.Run(), ID_WIZBACK);
    EXPECT_FALSE(page.m_bAgree);

    page.script = [](auto&, HWND hwnd) { Click(hwnd, IDCANCEL); };
    EXPECT_EQ(page.Run(), IDCANCEL);
}

// -------------------------------------------------------------- destination

TEST(DestinationPage, ChosenFolderGetsOneBackslashAndNextNeedsARealBackslash)
{
    EXPECT_EQ(CDestinationPage::PathForChosenFolder("D:\\Tools"), "D:\\Tools\\Kestrova\\ZEMLO");
    EXPECT_EQ(CDestinationPage::PathForChosenFolder("D:\\"), "D:\\Kestrova\\ZEMLO");
    // 運 is DF 5C: its second byte is not a backslash.
    EXPECT_EQ(CDestinationPage::PathForChosenFolder("D:\\運"), "D:\\運\\Kestrova\\ZEMLO");
    for (const char* path : {"", "D:", "運"})
        EXPECT_FALSE(CDestinationPage::IsAcceptablePath(path)) << path;
    for (const char* path : {"D:\\", "\\", "  D:\\Tools  "})
        EXPECT_TRUE(CDestinationPage::IsAcceptablePath(path)) << path;
}

TEST(DestinationPage, RefusesSilentlyWithTheTextSelectedThenAcceptsInTheCheckedForm)
{
    // The accepted folder is an empty one of the test's own: whatever a
    // drive of the machine holds (D: is the medium after the main job),
    // no question about a folder with files in it comes up.
    TempDir temp;
    const std::string typed = " " + temp.path() + "\\\\ ";
    const std::string checked = temp.path() + "\\";
    Scripted<CDestinationPage> page;
    page.m_strPath = "C:\\Program Files\\Kestrova\\ZEMLO\\";
    page.script = [&typed](auto& self, HWND hwnd) {
        EXPECT_EQ(Text(hwnd, IDC_PATH), "C:\\Program Files\\Kestrova\\ZEMLO\\");
        ::SetDlgItemTextA(hwnd, IDC_PATH, "D:");
        Click(hwnd, IDC_NEXT);
        // Still open, the focus in the path box with all of it selected.
        EXPECT_TRUE(::IsWindow(hwnd));
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(hwnd, IDC_PATH));
        DWORD from = 99, to = 99;
        ::SendDlgItemMessageA(hwnd, IDC_PATH, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                              reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(from, 0u);
        EXPECT_EQ(to, 2u);
        EXPECT_EQ(self.m_strPath, "D:");
        // Blanks and doubled separators are not the Next check's business:
        // the folder is taken in the regular form it was checked in.
        ::SetDlgItemTextA(hwnd, IDC_PATH, typed.c_str());
        Click(hwnd, IDC_NEXT);
    };
    EXPECT_EQ(page.Run(), ID_WIZNEXT);
    EXPECT_EQ(page.m_strPath, checked);

    // Back keeps the path of the last Next.
    page.script = [](auto&, HWND hwnd) {
        ::SetDlgItemTextA(hwnd, IDC_PATH, "F:\\Typed but not accepted");
        Click(hwnd, IDC_BACK);
    };
    EXPECT_EQ(page.Run(), ID_WIZBACK);
    EXPECT_EQ(page.m_strPath, checked);
}


TEST(DestinationFolder, SeparatorsAreMadeRegularWholeCharacterAtATime)
{
    // 運 is DF 5C in GBK: its second byte is no separator to collapse.
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Mixed/ZEMLO/", "C:\\Mixed\\ZEMLO\\"},
        {" C:\\DblBs\\\\ ", "C:\\DblBs\\"},
        {"C://a\\\\/b", "C:\\a\\b\\"},
        {"\\\\server\\share\\ZEMLO\\", "\\\\server\\share\\ZEMLO\\"},
        {"//server//share/ZEMLO", "\\\\server\\share\\ZEMLO\\"},
        {"D:\\運\\運", "D:\\運\\運\\"},
        {"D:\\運\\\\x", "D:\\運\\x\\"},
        {"  ", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(engine::NormaliseFolder(c.first), c.second) << c.first;
}

namespace {

// The destination page with its messages answered by script.
class AskingDestinationPage : public CDestinationPage {
public:
    std::deque<int> answers;
    std::vector<std::pair<std::string, UINT>> asked;

protected:
    int AskUser(const char* text, UINT type) override
    {
        asked.emplace_back(text, type);
        if (answers.empty())
            return IDOK;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace

// Every folder the page accepts is one the uninstaller removes whole: the
// forms the shared path rule refuses are refused here with their reason,
// and an existing short name is taken in its long form.
TEST(DestinationPage, FormsTheUninstallerCouldNotRemoveAreRefusedWithTheirReason)
{
    TempDir temp;
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());
    testfs::MakeDirs(temp / "Long Folder Name");
    char shortName[MAX_PATH] = {};
    ASSERT_GT(::GetShortPathNameA((temp / "Long Folder Name").c_str(), shortName, MAX_PATH), 0u);
    const std::string notOnADrive = engine::RefusalText(installlog::PathRefusal::kNotOnADrive);
    const std::string badComponent = engine::RefusalText(installlog::PathRefusal::kBadComponent);
    const std::string root = engine::RefusalText(installlog::PathRefusal::kDriveRoot);
    const std::string badCharacter = engine::RefusalText(installlog::PathRefusal::kBadCharacter);
    const struct {
        std::string typed;
        std::string said;  // empty: accepted
        std::string taken;
    } cases[] = {
        {"\\\\server\\share\\ZEMLO", notOnADrive, ""},
        {"\\\\\\share\\ZEMLO", notOnADrive, ""},
        {"C:ZEMLO\\x", notOnADrive, ""},
        {"\\ZEMLO\\x", notOnADrive, ""},
        {"C:\\ZEMLO.\\x", badComponent, ""},
        {"C:\\ZEMLO \\x", badComponent, ""},
        {"C:\\a\\.\\ZEMLO", badComponent, ""},
        {"C:\\a\\..\\ZEMLO", badComponent, ""},
        {"C:\\NUL\\ZEMLO", badComponent, ""},
        {"C:\\", root, ""},
        {"C:\\\\", root, ""},
        {"C:\\ZE*LO\\x", badCharacter, ""},
        {"C:\\ZEMLO\\a:b", badCharacter, ""},
        {"C:\\ZEMLO\x7F\\x", badCharacter, ""},
        {std::string(shortName) + "\\ZEMLO", "", temp / "Long Folder Name\\ZEMLO\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        Scripted<AskingDestinationPage> page;
        page.script = [&](auto& self, HWND hwnd) {
            ::SetDlgItemTextA(hwnd, IDC_PATH, c.typed.c_str());
            Click(hwnd, IDC_NEXT);
            if (!c.said.empty()) {
                EXPECT_TRUE(::IsWindow(hwnd));
                ASSERT_EQ(self.asked.size(), 1u);
                EXPECT_EQ(self.asked[0].first, c.said);
                EXPECT_EQ(self.asked[0].second, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
                Click(hwnd, IDCANCEL);
            }
        };
        EXPECT_EQ(page.Run(), c.said.empty() ? ID_WIZNEXT : IDCANCEL);
        if (c.said.empty()) {
            EXPECT_TRUE(page.asked.empty());
            EXPECT_EQ(page.m_strPath, c.taken);
        }
    }
}

TEST(DestinationPage, RefusesADestinationTooDeepForTheMediumSayingByHowMuch)
{
    TempDir medium;
    // The deepest entry of the medium: 10 + 1 + 40 + 1 + 40 = 92 characters
    // below the destination (图 and 框 count one character each).
    const std::string deep = std::string("Support\\图框") + "\\" + std::string(40, 'd') + "\\" + std::string(40, 'f');
    testfs::WriteFile(medium / deep, "x");
    ASSERT_EQ(engine::DeepestRelativePath(medium.path()), 92u);

    Scripted<AskingDestinationPage> page;
    page.m_strSourceDir = medium.path();
    // 168 characters with the backslash: 168 + 92 = 260, one too many.
    const std::string tooLong = "C:\\" + std::string(164, 'p') + "\\";
    const std::string fits = "C:\\" + std::string(163, 'p') + "\\";
    page.script = [&](auto& self, HWND hwnd) {
        ::SetDlgItemTextA(hwnd, IDC_PATH, tooLong.c_str());
        Click(hwnd, IDC_NEXT);
        EXPECT_TRUE(::IsWindow(hwnd));
        ASSERT_EQ(self.asked.size(), 1u);
        EXPECT_EQ(self.asked[0].first,
                  "安装路径太长：安装后最深的文件路径将有 260 个字符，比允许的 259 个字符多 1 个。\n请选择较短的安装路径。");
        EXPECT_EQ(self.asked[0].second, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(hwnd, IDC_PATH));
        // A control character is refused with a word too.
        ::SetDlgItemTextA(hwnd, IDC_PATH, "C:\\a\tb");
        Click(hwnd, IDC_NEXT);
        EXPECT_EQ(self.asked.size(), 2u);
        ::SetDlgItemTextA(hwnd, IDC_PATH, fits.c_str());
        Click(hwnd, IDC_NEXT);
    };
    EXPECT_EQ(page.Run(), ID_WIZNEXT);
    EXPECT_EQ(page.asked.size(), 2u);
}

TEST(DestinationPage, AFolderWithSomebodysFilesIsAskedAboutNoByDefault)
{
    TempDir folder;
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());
    testfs::WriteFile(folder / "Theirs\\readme.txt", "a user's own");
    testfs::WriteFile(folder / "Earlier\\Uninstall.log", "File Copy: x");
    testfs::WriteFile(folder / "Earlier\\ZEMLO.exe", "MZ");
    ASSERT_TRUE(testreg::Put(HKEY_LOCAL_MACHINE, testreg::kProductKey, "installPath", folder / "Earlier\\"));
    // A log in a folder the product key does not name is somebody's file.
    testfs::WriteFile(folder / "Stray\\Uninstall.log", "File Copy: x");
    testfs::MakeDirs(folder / "Empty");

    Scripted<AskingDestinationPage> stray;
    stray.answers = {IDNO};
    stray.script = [&](auto& self, HWND hwnd) {
        ::SetDlgItemTextA(hwnd, IDC_PATH, (folder / "Stray").c_str());
        Click(hwnd, IDC_NEXT);
        EXPECT_EQ(self.asked.size(), 1u);
        Click(hwnd, IDCANCEL);
    };
    EXPECT_EQ(stray.Run(), IDCANCEL);

    Scripted<AskingDestinationPage> page;
    page.answers = {IDNO, IDYES};
    page.script = [&](auto& self, HWND hwnd) {
        // No: the page stays.
        ::SetDlgItemTextA(hwnd, IDC_PATH, (folder / "Theirs").c_str());
        Click(hwnd, IDC_NEXT);
        EXPECT_TRUE(::IsWindow(hwnd));
        ASSERT_EQ(self.asked.size(), 1u);
        EXPECT_EQ(self.asked[0].first, "目标文件夹中已有文件：\n" + folder / "Theirs\\" +
                                           "\n\n安装会覆盖其中与安装文件同名的文件，卸载时这些文件也会被删除。\n"
                                           "仍要安装到这个文件夹吗？");
        EXPECT_EQ(self.asked[0].second, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
        // Yes: on to the copy.
        Click(hwnd, IDC_NEXT);
    };
    EXPECT_EQ(page.Run(), ID_WIZNEXT);
    EXPECT_EQ(page.asked.size(), 2u);

    // The earlier installation of the product (named by the product key,
    // its log there), an empty folder and a folder that does not exist yet
    // ask nothing.
    for (const std::string& path : {folder / "Earlier", folder / "Empty", folder / "New"}) {
        Scripted<AskingDestinationPage> quiet;
        quiet.script = [&](auto&, HWND hwnd) {
            ::SetDlgItemTextA(hwnd, IDC_PATH, path.c_str());
            Click(hwnd, IDC_NEXT);
        };
        EXPECT_EQ(quiet.Run(), ID_WIZNEXT) << path;
        EXPECT_TRUE(quiet.asked.empty()) << path;
    }
}

// ------------------------------------------------------------- folder picker

namespace {

// Accepts (or cancels) the dialog once it has selected its initial folder.
class AnsweringBrowser : public CFolderBrowser {
public:
    AnsweringBrowser(int answer) : CFolderBrowser(nullptr, nullptr, IDS_BROWSE_TITLE), m_answer(answer) {}
    HWND seenWhileOpen = nullptr;

protected:
    void OnBrowseInitialized() override
    {
        CFolderBrowser::OnBrowseInitialized();
        seenWhileOpen = GetSafeHwnd();
        ::PostMessageA(GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(m_answer, BN_CLICKED), 0);
    }

private:
    int m_answer;
};

}  // namespace

TEST(FolderBrowser, ReturnsTheInitialFolderWhenAcceptedAndNothingWhenCancelled)
{
    const winlib::ScopedComInit com;
    TempDir temp;
    testfs::MakeDirs(temp / "Tools");
    // Wine needs a folder it has seen once before it selects it reliably;
    // Windows selects it at once. Ask twice, take the second answer.
    for (int round = 0; round < 2; ++round) {
        AnsweringBrowser browser(IDOK);
        browser.SetFlags(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT);
        browser.SetInitialFolder(temp / "Tools");
        EXPECT_STREQ(browser.GetBrowseInfo().lpszTitle, "请选择安装路径:");
        const BOOL chosen = browser.Browse();
        EXPECT_NE(browser.seenWhileOpen, nullptr);
        EXPECT_EQ(browser.GetSafeHwnd(), nullptr) << "the dialog handle is cleared after the dialog";
        if (round == 1) {
            EXPECT_TRUE(chosen);
            EXPECT_TRUE(winlib::EqualNoCase(browser.GetFolderPath(), temp / "Tools")) << browser.GetFolderPath();
        }
    }
    AnsweringBrowser root(IDOK);
    root.SetInitialFolder("C:\\");
    ASSERT_TRUE(root.Browse());
    EXPECT_EQ(root.GetFolderPath(), "C:\\");

    AnsweringBrowser cancelled(IDCANCEL);
    cancelled.SetInitialFolder(temp.path());
    EXPECT_FALSE(cancelled.Browse());
    EXPECT_EQ(cancelled.GetFolderPath(), "");
}

// ------------------------------------------------------------ progress page

namespace {

// A medium tree: 2 loose files, Support 3 files in nested folders,
// Controls an empty folder, 图框 one file, 運 (DF 5C) not a product folder.
void MakeMedium(const TempDir& medium)
{
    for (const char* file : {"Setup.exe", "readme.txt", "Support\\acad.mnu", "Support\\2007-09\\Menu\\z.mnu",
                             "Support\\2007-09\\y.lsp", "图框\\A3.dwg", "運\\a.txt", "運\\b.txt"})
        testfs::WriteFile(medium / file, "x");
    testfs::MakeDirs(medium / "Controls");
}

class TestCopyPage : public CCopyPage {
public:
    using CCopyPage::Worker;
    int starts = 0;
    std::deque<int> answers;
    std::vector<std::string> questions;
    // What happens on the page's thread while the question is open.
    std::function<void(HWND)> whileAsking;

protected:
    void StartWorker() override { ++starts; }
    int AskUser(const char* text, UINT type) override
    {
        EXPECT_EQ(type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
        questions.push_back(text);
        if (whileAsking)
            whileAsking(m_hWnd);
        if (answers.empty()) {
            ADD_FAILURE() << "unscripted question";
            return IDNO;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace

// The sum over the product folders and the loose files is checked by the
// progress bar's range below.
TEST(CountFiles, CountsFilesOnlyRecursiveOnDemandAndBlankOrMissingAsNone)
{
    TempDir medium;
    MakeMedium(medium);
    EXPECT_EQ(CCopyPage::CountFiles(medium / "Support", FALSE), 1);
    EXPECT_EQ(CCopyPage::CountFiles("  " + medium / "Support\\ \t", TRUE), 3);
    EXPECT_EQ(CCopyPage::CountFiles(medium / "運", TRUE), 2);
    for (const std::string& none : {medium / "Missing", std::string(), std::string(" \t ")})
        EXPECT_EQ(CCopyPage::CountFiles(none, TRUE), 0) << none;
}

TEST(CopyPage, NormalisesTheFoldersSizesTheBarAndFollowsTheWorkersMessages)
{
    TempDir medium;
    MakeMedium(medium);
    Scripted<TestCopyPage> page;
    page.m_strSourceDir = "  " + medium.path() + " ";
    page.m_strInstallDir = "\tD:\\運 ";
    page.script = [&](auto& self, HWND hwnd) {
        EXPECT_EQ(self.starts, 1);
        EXPECT_EQ(self.m_strSourceDir, medium.path() + "\\");
        EXPECT_EQ(self.m_strInstallDir, "D:\\運\\");
        EXPECT_FALSE(Enabled(hwnd, IDC_NEXT));
        EXPECT_FALSE(Enabled(hwnd, IDC_BACK));
        EXPECT_TRUE(Enabled(hwnd, IDCANCEL));
        EXPECT_FALSE(Visible(hwnd, IDC_CONFIGURING));
        EXPECT_TRUE(Visible(hwnd, IDC_COPY_GROUP));

        auto& bar = static_cast<CPercentProgressCtrl&>(*self.GetDlgItem(IDC_PROGRESS));
        int lower = -1, upper = -1;
        bar.GetRange(lower, upper);
        EXPECT_EQ(lower, 0);
        // Support 3 + Controls 0 + 图框 1 + loose 2; 運 is no product folder.
        EXPECT_EQ(upper, 6 + CCopyPage::kExtraSteps);

        EXPECT_EQ(::SendMessageA(hwnd, WM_SETUP_PROGRESS, reinterpret_cast<WPARAM>("src"),
                                 reinterpret_cast<LPARAM>("D:\\運\\Support")), 1);
        EXPECT_EQ(Text(hwnd, IDC_STATUS), "D:\\運\\Support ...");
        EXPECT_EQ(bar.GetPos(), 1);

        // Neither Enter nor a click on the disabled Next ends this page.
        ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        Click(hwnd, IDC_NEXT);
        EXPECT_TRUE(::IsWindowVisible(hwnd));

        EXPECT_EQ(::SendMessageA(hwnd, WM_SETUP_CONFIGURING, 0, 0), 1);
        EXPECT_EQ(Text(hwnd, IDC_STATUS), "");
        EXPECT_FALSE(Visible(hwnd, IDC_PROGRESS));
        EXPECT_FALSE(Visible(hwnd, IDC_COPY_GROUP));
        EXPECT_TRUE(Visible(hwnd, IDC_CONFIGURING));
        EXPECT_FALSE(Enabled(hwnd, IDCANCEL));
        // Nothing can be stopped any more: Esc asks nothing.
        ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(self.questions.empty());

        ::PostMessageA(hwnd, WM_SETUP_DONE, 0, 0);
    };
    EXPECT_EQ(page.Run(), ID_WIZNEXT);
    EXPECT_FALSE(page.Worker().IsCancelled());
}

TEST(CopyPage, CancelAsksNoKeepsCopyingYesStopsTheWorkerAndLeavesUnlessTheCopyHasFinished)
{
    Scripted<TestCopyPage> page;
    page.answers = {IDNO, IDYES};
    page.script = [&](auto& self, HWND hwnd) {
        Click(hwnd, IDCANCEL);
        EXPECT_TRUE(::IsWindowVisible(hwnd));
        EXPECT_FALSE(self.Worker().IsCancelled());
        ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);  // Esc
    };
    EXPECT_EQ(page.Run(), ID_WIZFINISH);
    EXPECT_TRUE(page.Worker().IsCancelled());
    ASSERT_EQ(page.questions.size(), 2u);
    EXPECT_EQ(page.questions[0],
              "安装没有完成。 如果现在退出安装程序，则不会安装或卸载您请求添加/删除的组件。\n\n"
              "可以稍后再运行安装程序来完成此操作。\n\n真要退出安装程序吗？");

    // A Yes after the worker has finished the copy and the configuration
    // (while the question waited for its answer, its own message loop
    // serving the page) lets the installation end normally.
    Scripted<TestCopyPage> late;
    late.answers = {IDYES};
    late.whileAsking = [](HWND hwnd) {
        ::SendMessageA(hwnd, WM_SETUP_CONFIGURING, 0, 0);
        ::PostMessageA(hwnd, WM_SETUP_DONE, 0, 0);
        MSG msg;
        while (::PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&msg);
    };
    late.script = [](auto&, HWND hwnd) { Click(hwnd, IDCANCEL); };
    EXPECT_EQ(late.Run(), ID_WIZNEXT);
    EXPECT_FALSE(late.Worker().IsCancelled());

    // A failed run leaves the wizard.
    Scripted<TestCopyPage> failed;
    failed.script = [](auto&, HWND hwnd) { ::PostMessageA(hwnd, WM_SETUP_FAILED, 0, 0); };
    EXPECT_EQ(failed.Run(), ID_WIZFINISH);
}

// ------------------------------------------------- progress page, real worker

namespace {

// A medium the real worker runs on: every product folder there.
void MakeWholeMedium(const TempDir& medium)
{
    MakeMedium(medium);
    for (const char* name : engine::ProductFolders())
        testfs::MakeDirs(medium / name);
}

// The progress page with its real worker, the cancel question answered Yes.
class WorkingCopyPage : public CCopyPage {
public:
    using CCopyPage::Worker;
    int asked = 0;

protected:
    int AskUser(const char*, UINT) override
    {
        ++asked;
        return IDYES;
    }
};

}  // namespace

// A whole run through the page is the end-to-end test's; the worker's
// messages are the engine tests', the page's answers to them are above.
TEST(CopyPageWithWorker, AConfirmedCancelStopsTheCopyAndTheWorkerEndsBeforeThePageGoes)
{
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());
    TempDir medium, target;
    MakeWholeMedium(medium);
    auto page = std::make_unique<Scripted<WorkingCopyPage>>();
    page->m_strSourceDir = medium.path();
    page->m_strInstallDir = target / "ZEMLO";
    // While this runs on the page's thread the worker cannot get past its
    // first report, so the cancel comes during the first product folder.
    page->script = [](auto&, HWND hwnd) { Click(hwnd, IDCANCEL); };
    EXPECT_EQ(page->Run(), ID_WIZFINISH);
    EXPECT_EQ(page->asked, 1);
    EXPECT_TRUE(page->Worker().IsCancelled());
    EXPECT_EQ(page->Worker().SourceDir(), medium.path() + "\\");
    EXPECT_EQ(page->Worker().InstallDir(), target / "ZEMLO\\");
    HANDLE thread = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), page->Worker().GetThreadHandle(), ::GetCurrentProcess(), &thread, 0,
                                  FALSE, DUPLICATE_SAME_ACCESS));
    // The page object (and the worker in it) goes only after the worker.
    page.reset();
    EXPECT_EQ(::WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    ::CloseHandle(thread);
    EXPECT_FALSE(testfs::Exists(target / "ZEMLO\\Uninstall.log"));
    EXPECT_FALSE(testfs::Exists(target / "ZEMLO\\图框"));
    EXPECT_FALSE(
        testreg::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZEMLO V8"));
}

TEST(CopyPageWithWorker, ARunLogInsideTheChosenDestinationIsClosedWithAWarningBeforeTheCopy)
{
    RegistryOverride registry;
    ASSERT_TRUE(registry.ok());
    TempDir medium, target;
    MakeWholeMedium(medium);
    testfs::MakeDirs(target / "ZEMLO");
    const std::string log = target / "ZEMLO\\setup.log";
    runfront::RunLog& runLog = runfront::AppRunLog();
    ASSERT_TRUE(runLog.Open(log));
    runLog.Step("before the copy");

    auto page = std::make_unique<Scripted<WorkingCopyPage>>();
    page->m_strSourceDir = medium.path();
    page->m_strInstallDir = target / "ZEMLO";
    page->script = [](auto&, HWND hwnd) { Click(hwnd, IDCANCEL); };
    EXPECT_EQ(page->Run(), ID_WIZFINISH);
    EXPECT_EQ(page->asked, 2);  // the warning, then the cancel question
    page.reset();
    EXPECT_FALSE(runLog.IsOpen());
    const std::vector<std::string> lines = testfs::SplitLines(testfs::ReadFile(log));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("before the copy"), std::string::npos);
    EXPECT_NE(lines[1].find("运行日志到此为止"), std::string::npos) << lines[1];
    EXPECT_EQ(testfs::ListFolder(target / "ZEMLO"), std::vector<std::string>{"setup.log"});
}

// -------------------------------------------------------------- finish page

namespace {

class TestFinishPage : public CFinishPage {
public:
    std::vector<std::string> opened;

protected:
    void OpenFile(const std::string& path) override { opened.push_back(path); }
};

}  // namespace

TEST(FinishPage, OpensAnExistingReadmeOnlyWhenTicked)
{
    TempDir folder;
    testfs::WriteFile(folder / "readme.txt", "hello");
    EXPECT_EQ(CFinishPage::ReadmePath("C:\\x  \t"), "C:\\x\\readme.txt");
    EXPECT_EQ(CFinishPage::ReadmePath("C:\\x\\"), "C:\\x\\readme.txt");

    Scripted<TestFinishPage> page;
    page.m_strPath = folder.path() + "  ";
    page.script = [](auto&, HWND hwnd) {
        EXPECT_TRUE(Checked(hwnd, IDC_README));
        EXPECT_EQ(::GetDlgItem(hwnd, IDCANCEL), nullptr);
        EXPECT_EQ(::GetDlgItem(hwnd, IDC_BACK), nullptr);
        Click(hwnd, IDC_NEXT);
    };
    EXPECT_EQ(page.Run(), ID_WIZFINISH);
    EXPECT_EQ(page.opened, std::vector<std::string>{folder / "readme.txt"});

    page.opened.clear();
    page.script = [](auto&, HWND hwnd) {
        Click(hwnd, IDC_README);
        EXPECT_FALSE(Checked(hwnd, IDC_README));
        Click(hwnd, IDC_NEXT);
    };
    EXPECT_EQ(page.Run(), ID_WIZFINISH);
    EXPECT_TRUE(page.opened.empty());

    page.m_strPath = folder / "nothing here";
    page.script = [](auto&, HWND hwnd) { Click(hwnd, IDC_NEXT); };
    EXPECT_EQ(page.Run(), ID_WIZFINISH);
    EXPECT_TRUE(page.opened.empty());

    // The line about what did not go in.
    page.m_strNotice = engine::InstallOutcome::Completed(2, 0).FinishNotice();
    page.script = [](auto&, HWND hwnd) {
        EXPECT_EQ(Text(hwnd, IDC_NOTICE), "有 2 个文件未能复制。");
        EXPECT_TRUE(Visible(hwnd, IDC_NOTICE));
        Click(hwnd, IDC_NEXT);
    };
    EXPECT_EQ(page.Run(), ID_WIZFINISH);
    page.m_strNotice.clear();

    // Esc keeps the platform's cancel: the frame asks whether to quit.
    page.script = [](auto&, HWND hwnd) { ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0); };
    EXPECT_EQ(page.Run(), IDCANCEL);
}

// ------------------------------------------------------------------- looks

namespace {

// The grain of the button textures comes from rand(); held at the middle of
// its range it is zero, so that a page's button and a reference button
// shaded alike have the same pixels whatever the order of shading.
int MiddleRand() { return RAND_MAX / 2; }

// The pixels of a rectangle of a device context, row by row.
std::vector<COLORREF> Grab(HDC source, int x, int y, int cx, int cy)
{
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC memory = ::CreateCompatibleDC(source);
    HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, cx, cy, source, x, y, SRCCOPY);
    ::GdiFlush();
    std::vector<COLORREF> pixels(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + cx * cy);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    return pixels;
}

// How many pixels two pictures of the same size differ in; -1 when their
// sizes differ.
long Differences(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b)
{
    if (a.size() != b.size())
        return -1;
    long count = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        count += a[i] != b[i];
    return count;
}

SIZE ClientSize(HWND hwnd)
{
    RECT rc = {};
    ::GetClientRect(hwnd, &rc);
    return {rc.right, rc.bottom};
}

// What a button draws of itself, asked to print its client area into a
// memory bitmap (the screen plays no part).
std::vector<COLORREF> Printed(HWND button)
{
    const SIZE size = ClientSize(button);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, size.cx, size.cy);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::SendMessageA(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
    std::vector<COLORREF> pixels = Grab(memory, 0, 0, size.cx, size.cy);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

// What a window shows on the screen.
std::vector<COLORREF> OnScreen(HWND hwnd)
{
    const SIZE size = ClientSize(hwnd);
    HDC dc = ::GetDC(hwnd);
    std::vector<COLORREF> pixels = Grab(dc, 0, 0, size.cx, size.cy);
    ::ReleaseDC(hwnd, dc);
    return pixels;
}

void Pump()
{
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(20);
    }
}

// A top-most window that shows a picture as its background, with the
// reference controls on it.
class ReferenceHost : public CWnd {
public:
    std::vector<COLORREF> background;  // rows of the client width, top first
    int width = 0, height = 0;

    bool Create(int cx, int cy)
    {
        width = cx;
        height = cy;
        background.assign(static_cast<size_t>(cx * cy), RGB(0, 128, 0));
        if (!CreateEx(WS_EX_TOPMOST, "reference", WS_POPUP | WS_VISIBLE, RECT{0, 0, cx, cy}, nullptr, 0))
            return false;
        Pump();
        return true;
    }
    // A child of the class, text, style and client rectangle, bound to
    // control.
    bool Add(CWnd& control, const char* className, const std::string& text, DWORD style, const RECT& r, HFONT font)
    {
        HWND child = ::CreateWindowExA(0, className, text.c_str(), style | WS_CHILD | WS_VISIBLE, r.left, r.top,
                                       r.right - r.left, r.bottom - r.top, m_hWnd,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(++m_nextId)),
                                       ::GetModuleHandleA(nullptr), nullptr);
        ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return child != nullptr && control.SubclassWindow(child);
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_ERASEBKGND)
            return TRUE;
        if (message != WM_PAINT)
            return CWnd::WindowProc(message, wParam, lParam);
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(m_hWnd, &ps);
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                            static_cast<UINT>(height), background.data(), &info, DIB_RGB_COLORS);
        ::EndPaint(m_hWnd, &ps);
        return 0;
    }

private:
    int m_nextId = 100;
};

// Checks the looks a page gives its image buttons and its headline against
// reference controls made alike: each button, normal and pressed, against
// a CImageButton of the same size, style and caption shaded as a hard bump
// (Cancel: a soft bump) with grain 8, highlight 10 and no colouring; the
// headline against a CLabel with the same text and font, shadow on, over
// the same background.
void CheckLooks(HWND page, std::initializer_list<int> buttons)
{
    // The page's headline as shown, and what lies behind it.
    const HWND headline = ::GetDlgItem(page, IDC_HEADLINE);
    ASSERT_NE(headline, nullptr);
    Pump();
    const SIZE headlineSize = ClientSize(headline);
    const std::vector<COLORREF> shownHeadline = OnScreen(headline);
    ::ShowWindow(headline, SW_HIDE);
    Pump();
    const std::vector<COLORREF> behindHeadline = OnScreen(headline);
    ::ShowWindow(headline, SW_SHOW);
    Pump();
    ASSERT_EQ(Differences(OnScreen(headline), shownHeadline), 0) << "the headline shows the same again";
    ASSERT_GT(Differences(shownHeadline, behindHeadline), 0) << "the headline shows its text";

    ReferenceHost host;
    ASSERT_TRUE(host.Create(headlineSize.cx + 20, headlineSize.cy + 120));
    for (int y = 0; y < headlineSize.cy; ++y)
        for (int x = 0; x < headlineSize.cx; ++x)
            host.background[static_cast<size_t>((y + 10) * host.width + x + 10)] =
                behindHeadline[static_cast<size_t>(y * headlineSize.cx + x)];
    CLabel label;
    char text[256] = {};
    ::GetWindowTextA(headline, text, sizeof(text));
    const auto headlineFont = reinterpret_cast<HFONT>(::SendMessageA(headline, WM_GETFONT, 0, 0));
    ASSERT_TRUE(host.Add(label, "STATIC", text, 0, {10, 10, 10 + headlineSize.cx, 10 + headlineSize.cy},
                         headlineFont));
    label.EnableShadow(TRUE);
    ::InvalidateRect(host, nullptr, TRUE);
    Pump();
    EXPECT_EQ(Differences(OnScreen(label), shownHeadline), 0) << "the headline has its drop shadow";

    for (int id : buttons) {
        SCOPED_TRACE(testing::Message() << "button " << id);
        const HWND button = ::GetDlgItem(page, id);
        ASSERT_NE(button, nullptr);
        const SIZE size = ClientSize(button);
        char caption[64] = {};
        ::GetWindowTextA(button, caption, sizeof(caption));
        const DWORD style = static_cast<DWORD>(::GetWindowLongA(button, GWL_STYLE));
        const bool enabled = ::IsWindowEnabled(button) != FALSE;
        const bool focused = ::GetFocus() == button;
        std::vector<COLORREF> normal = Printed(button), pressed;
        if (enabled) {
            ::SendMessageA(button, BM_SETSTATE, TRUE, 0);
            pressed = Printed(button);
            ::SendMessageA(button, BM_SETSTATE, FALSE, 0);
            ASSERT_GT(Differences(pressed, normal), 0) << "the button prints itself";
        }

        CImageButton reference;
        const DWORD kept = style & ~static_cast<DWORD>(0xF | WS_DISABLED | WS_TABSTOP | WS_GROUP | WS_VISIBLE);
        ASSERT_TRUE(host.Add(reference, "BUTTON", caption, kept | BS_PUSHBUTTON, {10, 10 + headlineSize.cy + 10,
                             10 + size.cx, 10 + headlineSize.cy + 10 + size.cy}, headlineFont));
        reference.ApplyShading(id == IDCANCEL ? CImageButton::SHS_SOFTBUMP : CImageButton::SHS_HARDBUMP, 8, 10, 0,
                               0);
        reference.EnableWindow(enabled);
        if (focused)
            reference.SetFocus();
        EXPECT_EQ(Differences(Printed(reference), normal), 0) << "normal look";
        if (enabled) {
            reference.SendMessage(BM_SETSTATE, TRUE);
            EXPECT_EQ(Differences(Printed(reference), pressed), 0) << "pressed look";
        }
        reference.DestroyWindow();
        if (focused)
            ::SetFocus(button);
    }
    host.DestroyWindow();
}

class LooksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        original = PatchImport("msvcrt.dll", "rand", reinterpret_cast<void*>(&MiddleRand));
        ASSERT_NE(original, nullptr);
    }
    void TearDown() override { PatchImport("msvcrt.dll", "rand", original); }
    void* original = nullptr;
};

}  // namespace

TEST_F(LooksTest, EveryPageShadesItsButtonsAndShadowsItsHeadline)
{
    {
        Scripted<CWelcomePage> page;
        page.script = [](auto&, HWND hwnd) {
            CheckLooks(hwnd, {IDC_NEXT, IDCANCEL});
            ::EndDialog(hwnd, IDCANCEL);
        };
        EXPECT_EQ(page.Run(), IDCANCEL);
    }
    {
        Scripted<CAgreementPage> page;
        page.script = [](auto&, HWND hwnd) {
            CheckLooks(hwnd, {IDC_NEXT, IDC_BACK, IDCANCEL});
            ::EndDialog(hwnd, IDCANCEL);
        };
        EXPECT_EQ(page.Run(), IDCANCEL);
    }
    {
        Scripted<CDestinationPage> page;
        page.m_strPath = "C:\\Program Files\\Kestrova\\ZEMLO\\";
        page.script = [](auto&, HWND hwnd) {
            CheckLooks(hwnd, {IDC_NEXT, IDC_BACK, IDCANCEL});
            ::EndDialog(hwnd, IDCANCEL);
        };
        EXPECT_EQ(page.Run(), IDCANCEL);
    }
    {
        TempDir medium;
        MakeMedium(medium);
        Scripted<TestCopyPage> page;
        page.m_strSourceDir = medium.path();
        page.m_strInstallDir = "C:\\Program Files\\Kestrova\\ZEMLO\\";
        page.script = [](auto&, HWND hwnd) {
            CheckLooks(hwnd, {IDC_NEXT, IDC_BACK, IDCANCEL});
            ::EndDialog(hwnd, IDCANCEL);
        };
        EXPECT_EQ(page.Run(), IDCANCEL);
    }
    {
        Scripted<TestFinishPage> page;
        page.m_strPath = "C:\\nowhere";
        page.script = [](auto&, HWND hwnd) {
            CheckLooks(hwnd, {IDC_NEXT});
            ::EndDialog(hwnd, IDCANCEL);
        };
        EXPECT_EQ(page.Run(), IDCANCEL);
    }
}
