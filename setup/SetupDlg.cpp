#include "SetupDlg.h"

#include "SetupIds.h"
#include "SetupRun.h"
#include "engine/Destination.h"
#include "installlog/Contract.h"
#include "runfront/RunSupport.h"
#include "winlib/Path.h"
#include "winlib/RegKey.h"
#include "winlib/StringUtil.h"
#include "winlib/WinApp.h"

namespace {

const char kPictureFolder[] = "\\安装界面\\";
const char kPicturePattern[] = "*.jpg";
const char kWizardTitle[] = "ZEMLO V8.0 安装向导";
const char kReinstallQuestion[] = "已经安装了本软件!\n是否重新安装?";
const char kReinstallCaption[] = "警告";
const char kQuitQuestion[] = "真要退出安装程序吗?";
const char kMoveQuestion[] =
    "ZEMLO V8.0 已经安装在 %s。\n安装到另一个文件夹之前，将先卸载原来的安装（一次只能有一个安装）。\n是否继续?";

}  // namespace

CSetupDlg::CSetupDlg(CWnd* pParent) : CDialog(IDD, pParent)
{
    const CWinApp* app = AfxGetApp();
    m_hIcon = app != nullptr ? app->LoadIcon(IDR_MAINFRAME)
                             : ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CSetupDlg::~CSetupDlg() = default;

BOOL CSetupDlg::DestroyWindow()
{
    if (m_hWnd != nullptr)
        KillTimer(kSlideshowTimer);
    return CDialog::DestroyWindow();
}

void CSetupDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
}

BOOL CSetupDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_strSourceDir = winlib::ProgramFolder();
    FindPictures(m_strSourceDir + kPictureFolder, kPicturePattern, m_arrPictures);

    // An earlier installation (its folder recorded in the product key, its
    // log there): ask before installing again, and offer its folder.
    std::string& earlier = m_strEarlierDir;
    earlier.clear();
    if (engine::FindEarlierInstallation(earlier) &&
        Ask(kReinstallQuestion, kReinstallCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        m_outcome = engine::InstallOutcome::LeftByUser();
        PostMessage(WM_CLOSE);
        return FALSE;
    }

    SetWindowText(kWizardTitle);
    m_bAgree = FALSE;
    // A folder given on the command line (/D=) is offered first, else the
    // earlier installation's, else the default one.
    m_strInstallDir = engine::NormaliseFolder(m_strStartDir);
    if (m_strInstallDir.empty())
        m_strInstallDir = earlier.empty() ? std::string(kDefaultInstallDir) : earlier;
    ShowWindow(SW_SHOWMAXIMIZED);
    SetTimer(kSlideshowTimer, static_cast<UINT>(m_nTimerPeriod));

    std::unique_ptr<CWizardPages> pages = CreatePages();
    if (pages) {
        const WizardEnd end = RunPages(*pages);
        // The progress page's worker may still be running after a cancel
        // (undoing what it did); it must be done with the pages before
        // they go.
        pages->WaitUntilIdle();
        // An installation that did not complete decides however the pages
        // ended; the user learns that nothing was installed, or what was
        // left.
        const engine::InstallOutcome run = pages->RunOutcome();
        if (run.IsUndone())
            m_outcome = run;
        else if (end == WizardEnd::kLeft)
            m_outcome = engine::InstallOutcome::LeftByUser();
        else if (end == WizardEnd::kPageFailed)
            m_outcome = engine::InstallOutcome::Refused();
        else if (run.IsCompleted())
            m_outcome = run;
        else
            m_outcome = engine::InstallOutcome::Completed(run.IgnoredFiles(), run.FailedControls());
        const std::string report = m_outcome.Report();
        if (!report.empty())
            Ask(report.c_str(), kWizardTitle, MB_OK | MB_ICONINFORMATION);
    } else {
        m_outcome = engine::InstallOutcome::Refused();
    }
    // Ends the frame's own modal loop as soon as it starts.
    PostMessage(WM_CLOSE);
    pages.reset();
    return TRUE;
}

std::unique_ptr<CWizardPages> CSetupDlg::CreatePages()
{
    return CreateSetupPages(this);
}

int CSetupDlg::AskUser(const char* text, const char* caption, UINT type)
{
    return MessageBox(text, caption, type);
}

int CSetupDlg::Ask(const char* text, const char* caption, UINT type)
{
    return runfront::LogAnswer(text, AskUser(text, caption, type));
}

CSetupDlg::WizardEnd CSetupDlg::RunPages(CWizardPages& pages)
{
    static const char* const kPageNames[CWizardPages::kCount] = {"欢迎", "许可协议", "安装路径", "安装进度", "完成"};
    int n = CWizardPages::kWelcome;
    while (n < CWizardPages::kCount) {
        runfront::AppRunLog().Step(std::string("显示页面: ") + kPageNames[n]);
        HandIn(pages, n);
        const INT_PTR code = pages.DoModal(n);
        TakeBack(pages, n);
        switch (code) {
        case ID_WIZNEXT:
            // Another folder than the earlier installation's: asked first;
            // No shows the destination page again.
            if (n == CWizardPages::kDestination && !ConfirmMove())
                break;
            ++n;
            break;
        case ID_WIZBACK:
            // The first page offers no Back; should one arrive anyway, the
            // first page is shown again.
            if (n > CWizardPages::kWelcome)
                --n;
            break;
        case ID_WIZFINISH:
            return WizardEnd::kFinished;
        case IDCANCEL:
            if (Ask(kQuitQuestion, kWizardTitle, MB_YESNO | MB_ICONQUESTION) == IDYES)
                return WizardEnd::kLeft;
            break;
        case -1:
            // The page could not be created: showing it again would only
            // fail again, for ever.
            runfront::AppRunLog().Failure("页面无法显示", ::GetLastError());
            return WizardEnd::kPageFailed;
        default:
            // Any other code (IDOK from Enter in a text box, say) shows the
            // same page again.
            break;
        }
    }
    return WizardEnd::kFinished;
}

bool CSetupDlg::ConfirmMove()
{
    m_strReplaceDir.clear();
    if (m_strEarlierDir.empty() || winlib::IsSameFolder(m_strEarlierDir, m_strInstallDir))
        return true;
    const std::string question = winlib::Format(kMoveQuestion, winlib::StripTrailingBackslashes(m_strEarlierDir).c_str());
    if (Ask(question.c_str(), kWizardTitle, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    m_strReplaceDir = m_strEarlierDir;
    return true;
}

void CSetupDlg::HandIn(CWizardPages& pages, int n)
{
    switch (n) {
    case CWizardPages::kAgreement:
        pages.AgreementAgree() = m_bAgree;
        break;
    case CWizardPages::kDestination:
        pages.DestinationPath() = m_strInstallDir;
        pages.DestinationSourceDir() = m_strSourceDir;
        break;
    case CWizardPages::kCopy:
        pages.CopySourceDir() = m_strSourceDir;
        pages.CopyInstallDir() = m_strInstallDir;
        pages.CopyAudience() = m_audience;
        pages.CopyEarlierDir() = m_strReplaceDir;
        break;
    case CWizardPages::kFinish:
        pages.FinishPath() = m_strInstallDir;
        pages.FinishNotice() = m_strNotice;
        break;
    default:
        break;
    }
}

void CSetupDlg::TakeBack(CWizardPages& pages, int n)
{
    switch (n) {
    case CWizardPages::kAgreement:
        m_bAgree = pages.AgreementAgree();
        break;
    case CWizardPages::kDestination:
        m_strInstallDir = pages.DestinationPath();
        break;
    case CWizardPages::kCopy:
        // The progress page has given the folder its trailing backslash.
        m_strSourceDir = pages.CopySourceDir();
        m_strNotice = pages.CopyNotice();
        break;
    default:
        break;
    }
}

void CSetupDlg::OnPaint()
{
    if (!::IsIconic(m_hWnd)) {
        Default();
        return;
    }
    // Minimised: the program icon, centred.
    PaintMinimizedIcon(m_hIcon);
}

LRESULT CSetupDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_ERASEBKGND: {
        RECT rect;
        GetClientRect(&rect);
        PaintBackground(reinterpret_cast<HDC>(wParam), rect);
        return TRUE;
    }
    case WM_TIMER:
        if (wParam == kSlideshowTimer) {
            ++m_nPicture;
            Invalidate(TRUE);
        }
        break;
    case WM_DESTROY:
        // The system's modal loop destroys the window without going
        // through DestroyWindow: stop the slideshow here too.
        KillTimer(kSlideshowTimer);
        break;
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
