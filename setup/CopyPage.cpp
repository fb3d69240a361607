#include "Pages.h"
#include "EarlierInstallation.h"
#include "engine/Destination.h"
#include "engine/InstallStep.h"
#include "winlib/FileFind.h"
#include "runfront/RunSupport.h"
#include "winlib/StringUtil.h"
#include "winlib/WinApp.h"
#include "winlib/WinThread.h"

namespace {

// The folder trimmed of blanks at both ends, its separators made regular,
// ending in one backslash.
std::string Normalised(const std::string& folder)
{
    std::string result = engine::NormaliseFolder(folder);
    winlib::AppendBackslash(result);
    return result;
}

}  // namespace

CCopyPage::CCopyPage(CWnd* pParent) : CDialog(IDD, pParent) {}

CCopyPage::~CCopyPage()
{
    WaitForWorker();
}

void CCopyPage::WaitForWorker()
{
    // The worker sends to this thread synchronously while it copies:
    // serving messages meanwhile lets those sends return (a send to a page
    // that is gone fails at once).
    if (m_thread.GetThreadHandle() != nullptr)
        winlib::WaitPumpingMessages(m_thread.GetThreadHandle());
}

int CCopyPage::CountFiles(const std::string& folder, BOOL bRecursive)
{
    std::string root = winlib::Trim(folder);
    if (root.empty())
        return 0;
    winlib::AppendBackslash(root);
    CFileFind finder;
    BOOL more = finder.FindFile((root + "*.*").c_str());
    int count = 0;
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots())
            continue;
        if (!finder.IsDirectory())
            ++count;
        else if (bRecursive)
            count += CountFiles(finder.GetFilePath(), TRUE);
    }
    return count;
}

int CCopyPage::CountAllFiles() const
{
    int count = 0;
    for (const char* name : engine::ProductFolders())
        count += CountFiles(m_strSourceDir + name, TRUE);
    return count + CountFiles(m_strSourceDir, FALSE);
}

void CCopyPage::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CONFIGURING, m_ctlConfiguring);
    DDX_Control(pDX, IDC_COPY_GROUP, m_ctlGroup);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
    DDX_Control(pDX, IDC_HEADLINE, m_ctlHeadline);
    DDX_Control(pDX, IDC_PROGRESS, m_ctlProgress);
    DDX_Control(pDX, IDC_NEXT, m_btnNext);
    DDX_Control(pDX, IDC_BACK, m_btnBack);
}

BOOL CCopyPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    InitWizardPage(*this, m_ctlHeadline, {&m_btnNext, &m_btnBack}, &m_btnCancel);
    m_btnNext.EnableWindow(FALSE);
    m_hwndStatus = GetDlgItemHwnd(IDC_STATUS);

    m_strSourceDir = Normalised(m_strSourceDir);
    m_strInstallDir = Normalised(m_strInstallDir);
    const int files = CountAllFiles();

    m_ctlProgress.EnableText(TRUE);
    m_ctlProgress.SetRange(0, files + kExtraSteps);
    m_ctlProgress.SetStep(1);

    StartWorker();
    return TRUE;
}

void CCopyPage::StartWorker()
{
    // One run per page object: a worker that still runs is never
    // reconfigured under its feet.
    if (m_thread.GetThreadHandle() != nullptr)
        return;
    // The run log never lies inside what is installed.
    runfront::RunLog& log = runfront::AppRunLog();
    if (!log.Protect(m_strInstallDir))
        AskUser(log.Problem().c_str(), MB_OK | MB_ICONWARNING);
    m_thread.Configure(m_strSourceDir, m_strInstallDir, this);
    m_thread.SetAudience(m_audience);
    if (!m_strEarlierDir.empty())
        m_thread.ReplaceEarlier(m_strEarlierDir, &RemoveEarlierInstallation);
    m_thread.CreateThread(0, 0, nullptr);
}

int CCopyPage::AskUser(const char* text, UINT type)
{
    return MessageBox(text, nullptr, type);
}

int CCopyPage::Ask(const char* text, UINT type)
{
    return runfront::LogAnswer(text, AskUser(text, type));
}

void CCopyPage::OnOK() {}

void CCopyPage::OnCancel()
{
    // Once the files are copied the installation can no longer be stopped
    // (the Cancel button is disabled then); Esc and the close box are
    // ignored too instead of promising a stop that cannot happen.
    if (!m_btnCancel.IsWindowEnabled())
        return;
    char text[512] = {};
    ::LoadStringA(AfxGetInstanceHandle(), IDS_CANCEL_COPY, text, sizeof(text));
    if (Ask(text, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    // The copy may have finished while the question was open: the
    // installation goes on to its end whatever the answer, so the wizard
    // goes on too rather than claim that nothing was installed.
    if (!m_btnCancel.IsWindowEnabled())
        return;
    // The worker undoes what it did before it ends; once it has begun to
    // write the log the installation can no longer be stopped and the page
    // waits for its end.
    if (!m_thread.Cancel())
        return;
    EndDialog(ID_WIZFINISH);
}

LRESULT CCopyPage::OnProgress(WPARAM, LPARAM lParam)
{
    const char* destination = reinterpret_cast<const char*>(lParam);
    ::SetWindowTextA(m_hwndStatus, winlib::Format("%s ...", destination != nullptr ? destination : "").c_str());
    m_ctlProgress.StepIt();
    return 1;
}

LRESULT CCopyPage::OnConfiguring(WPARAM, LPARAM)
{
    ::SetWindowTextA(m_hwndStatus, "");
    m_ctlProgress.ShowWindow(SW_HIDE);
    m_ctlGroup.ShowWindow(SW_HIDE);
    m_ctlConfiguring.ShowWindow(SW_SHOW);
    m_btnCancel.EnableWindow(FALSE);
    return 1;
}

LRESULT CCopyPage::OnDone(WPARAM, LPARAM)
{
    // The worker set its outcome before it posted this.
    m_strNotice = m_thread.Outcome().FinishNotice();
    m_btnNext.EnableWindow(TRUE);
    EndDialog(ID_WIZNEXT);
    return 1;
}

LRESULT CCopyPage::OnFailed(WPARAM, LPARAM)
{
    EndDialog(ID_WIZFINISH);
    return 1;
}

LRESULT CCopyPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETUP_PROGRESS:
        return OnProgress(wParam, lParam);
    case WM_SETUP_CONFIGURING:
        return OnConfiguring(wParam, lParam);
    case WM_SETUP_DONE:
        return OnDone(wParam, lParam);
    case WM_SETUP_FAILED:
        return OnFailed(wParam, lParam);
    case WM_COMMAND:
        if (IsClick(*this, wParam, IDC_NEXT)) {
            EndDialog(ID_WIZNEXT);
            return 0;
        }
        break;
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
