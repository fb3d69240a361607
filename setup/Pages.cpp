#include "FolderBrowser.h"
#include "Pages.h"
#include "engine/Destination.h"
#include "runfront/RunSupport.h"
#include "winlib/StringUtil.h"

#include <io.h>

#include <shellapi.h>

BOOL IsClick(const CWnd& page, WPARAM wParam, int id)
{
    // A disabled button still reports the clicks a program sends it
    // (BM_CLICK); they must not pass the checks that disabled it.
    return LOWORD(wParam) == id && HIWORD(wParam) == BN_CLICKED && ::IsWindowEnabled(::GetDlgItem(page.m_hWnd, id));
}

void InitWizardPage(CDialog& page, CLabel& headline, std::initializer_list<CImageButton*> buttons,
                    CImageButton* cancel)
{
    // The frame's icons, so that the page shows the program's icon too.
    const HWND frame = page.GetParent();
    for (WPARAM kind : {static_cast<WPARAM>(ICON_BIG), static_cast<WPARAM>(ICON_SMALL)}) {
        const LRESULT icon = frame != nullptr ? ::SendMessageA(frame, WM_GETICON, kind, 0) : 0;
        page.SendMessage(WM_SETICON, kind, icon);
    }
    headline.EnableShadow(TRUE);
    for (CImageButton* button : buttons)
        button->ApplyShading(CImageButton::SHS_HARDBUMP, 8, 10, 0, 0);
    if (cancel != nullptr)
        cancel->ApplyShading(CImageButton::SHS_SOFTBUMP, 8, 10, 0, 0);
}

// ---------------------------------------------------------------- welcome

CWelcomePage::CWelcomePage(CWnd* pParent) : CDialog(IDD, pParent) {}

void CWelcomePage::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
    DDX_Control(pDX, IDC_NEXT, m_btnNext);
    DDX_Control(pDX, IDC_HINT, m_ctlHint);
    DDX_Control(pDX, IDC_HEADLINE, m_ctlHeadline);
}

BOOL CWelcomePage::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The texts lie on the white panel below them. Transparent windows are
    // painted after the siblings beneath them, so the panel cannot paint
    // over the texts; the classic template has no place for that style.
    for (CWnd* label : {static_cast<CWnd*>(&m_ctlHint), static_cast<CWnd*>(&m_ctlHeadline)}) {
        const LONG_PTR exStyle = ::GetWindowLongPtrA(label->m_hWnd, GWL_EXSTYLE);
        ::SetWindowLongPtrA(label->m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_TRANSPARENT);
    }
    InitWizardPage(*this, m_ctlHeadline, {&m_btnNext}, &m_btnCancel);
    return TRUE;
}

LRESULT CWelcomePage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && IsClick(*this, wParam, IDC_NEXT)) {
        EndDialog(ID_WIZNEXT);
        return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

// -------------------------------------------------------------- agreement

CAgreementPage::CAgreementPage(CWnd* pParent) : CDialog(IDD, pParent) {}

void CAgreementPage::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_HEADLINE, m_ctlHeadline);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
    DDX_Control(pDX, IDC_AGREEMENT_TEXT, m_ctlText);
    DDX_Control(pDX, IDC_NEXT, m_btnNext);
    DDX_Control(pDX, IDC_BACK, m_btnBack);
    DDX_Control(pDX, IDC_DISAGREE, m_btnDisagree);
    DDX_Control(pDX, IDC_AGREE, m_btnAgree);
}

BOOL CAgreementPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    InitWizardPage(*this, m_ctlHeadline, {&m_btnNext, &m_btnBack}, &m_btnCancel);
    m_ctlText.SetWindowText(AgreementText());
    Choose(m_bAgree);
    return TRUE;
}

void CAgreementPage::Choose(BOOL bAgree)
{
    // Each choice is a group of its own, so the system does not clear one
    // when the other is selected: the page keeps them exclusive.
    m_btnAgree.SetCheck(bAgree ? BST_CHECKED : BST_UNCHECKED);
    m_btnDisagree.SetCheck(bAgree ? BST_UNCHECKED : BST_CHECKED);
    m_btnNext.EnableWindow(bAgree);
    m_bAgree = bAgree;
}

void CAgreementPage::OnAgree()
{
    Choose(m_btnAgree.GetCheck() == BST_CHECKED);
}

void CAgreementPage::OnDisagree()
{
    Choose(m_btnDisagree.GetCheck() != BST_CHECKED);
}

LRESULT CAgreementPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        if (IsClick(*this, wParam, IDC_NEXT)) {
            EndDialog(ID_WIZNEXT);
            return 0;
        }
        if (IsClick(*this, wParam, IDC_BACK)) {
            EndDialog(ID_WIZBACK);
            return 0;
        }
        if (IsClick(*this, wParam, IDC_AGREE)) {
            OnAgree();
            return 0;
        }
        if (IsClick(*this, wParam, IDC_DISAGREE)) {
            OnDisagree();
            return 0;
        }
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

// ------------------------------------------------------------ destination

CDestinationPage::CDestinationPage(CWnd* pParent) : CDialog(IDD, pParent) {}

std::string CDestinationPage::PathForChosenFolder(const std::string& folder)
{
    std::string path = folder;
    winlib::AppendBackslash(path);
    return path + kProductSubfolder;
}

BOOL CDestinationPage::IsAcceptablePath(const std::string& path)
{
    return !path.empty() && winlib::FindLastBackslash(path) != std::string::npos;
}

void CDestinationPage::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
    DDX_Control(pDX, IDC_HEADLINE, m_ctlHeadline);
    DDX_Control(pDX, IDC_PATH, m_ctlPath);
    DDX_Control(pDX, IDC_NEXT, m_btnNext);
    DDX_Control(pDX, IDC_BROWSE, m_btnBrowse);
    DDX_Control(pDX, IDC_BACK, m_btnBack);
}

BOOL CDestinationPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    InitWizardPage(*this, m_ctlHeadline, {&m_btnNext, &m_btnBack}, &m_btnCancel);
    m_ctlPath.SetWindowText(m_strPath.c_str());
    return TRUE;
}

void CDestinationPage::OnBrowse()
{
    CFolderBrowser browser(this, nullptr, IDS_BROWSE_TITLE);
    browser.SetFlags(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT);
    browser.SetInitialFolder(m_ctlPath.GetWindowText());
    if (!browser.Browse())
        return;
    m_ctlPath.SetWindowText(PathForChosenFolder(browser.GetFolderPath()).c_str());
}

namespace {

const char kPathTooLongText[] =
    "安装路径太长：安装后最深的文件路径将有 %u 个字符，比允许的 %u 个字符多 %u 个。\n请选择较短的安装路径。";
const char kFolderNotEmptyText[] =
    "目标文件夹中已有文件：\n%s\n\n安装会覆盖其中与安装文件同名的文件，卸载时这些文件也会被删除。\n"
    "仍要安装到这个文件夹吗？";

}  // namespace

int CDestinationPage::AskUser(const char* text, UINT type)
{
    return MessageBox(text, nullptr, type);
}

int CDestinationPage::Ask(const char* text, UINT type)
{
    return runfront::LogAnswer(text, AskUser(text, type));
}

void CDestinationPage::RefusePath()
{
    m_ctlPath.SetFocus();
    m_ctlPath.SendMessage(EM_SETSEL, 0, -1);
    m_ctlPath.SendMessage(EM_SCROLLCARET);
}

bool CDestinationPage::ConfirmDestination(const std::string& path)
{
    using Verdict = engine::DestinationCheck::Verdict;
    const engine::DestinationCheck check = engine::CheckDestination(path, m_strSourceDir);
    switch (check.verdict) {
    case Verdict::kAccepted:
        // Installed in the form that was checked (regular, long names).
        m_strPath = check.folder;
        return true;
    case Verdict::kInvalid:
        Ask(engine::RefusalText(check.refusal), MB_OK | MB_ICONEXCLAMATION);
        return false;
    case Verdict::kTooDeep: {
        const auto limit = static_cast<unsigned>(engine::kLongestInstalledPath);
        const auto length = static_cast<unsigned>(check.deepest);
        Ask(winlib::Format(kPathTooLongText, length, limit, length - limit).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    case Verdict::kHoldsOtherFiles:
        // Somebody's files (not an earlier installation of this product):
        // installing would overwrite and later delete those of the same
        // names, so the user decides, and No is the default.
        if (Ask(winlib::Format(kFolderNotEmptyText, check.folder.c_str()).c_str(),
                MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return false;
        m_strPath = check.folder;
        return true;
    }
    return false;
}

void CDestinationPage::OnNext()
{
    m_strPath = m_ctlPath.GetWindowText();
    if (!IsAcceptablePath(m_strPath)) {
        // Refused without a word: the whole text is selected for retyping.
        RefusePath();
        return;
    }
    if (!ConfirmDestination(m_strPath)) {
        RefusePath();
        return;
    }
    EndDialog(ID_WIZNEXT);
}

LRESULT CDestinationPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        if (IsClick(*this, wParam, IDC_NEXT)) {
            OnNext();
            return 0;
        }
        if (IsClick(*this, wParam, IDC_BACK)) {
            // The path box is not read: the page keeps the path of the
            // last Next, or the one handed in.
            EndDialog(ID_WIZBACK);
            return 0;
        }
        if (IsClick(*this, wParam, IDC_BROWSE)) {
            OnBrowse();
            return 0;
        }
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

// ----------------------------------------------------------------- finish

CFinishPage::CFinishPage(CWnd* pParent) : CDialog(IDD, pParent) {}

std::string CFinishPage::ReadmePath(const std::string& folder)
{
    std::string path = winlib::TrimRight(folder);
    winlib::AppendBackslash(path);
    return path + "readme.txt";
}

void CFinishPage::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_HEADLINE, m_ctlHeadline);
    DDX_Control(pDX, IDC_README, m_btnReadme);
    DDX_Control(pDX, IDC_NEXT, m_btnFinish);
}

BOOL CFinishPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    InitWizardPage(*this, m_ctlHeadline, {&m_btnFinish}, nullptr);
    m_btnReadme.SetCheck(BST_CHECKED);
    ::SetDlgItemTextA(m_hWnd, IDC_NOTICE, m_strNotice.c_str());
    return TRUE;
}

void CFinishPage::OpenFile(const std::string& path)
{
    ::ShellExecuteA(nullptr, "OPEN", path.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void CFinishPage::OnFinish()
{
    if (m_btnReadme.GetCheck() == BST_CHECKED) {
        const std::string readme = ReadmePath(m_strPath);
        if (::_access(readme.c_str(), 0) == 0)
            OpenFile(readme);
    }
    EndDialog(ID_WIZFINISH);
}

LRESULT CFinishPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && IsClick(*this, wParam, IDC_NEXT)) {
        OnFinish();
        return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
