// Stand-in pages that let the frame run until the real wizard pages are
// in: one small dialog per position with Back, Next and Cancel, and plain
// members for the values the frame hands over. Replaced, together with
// this file, by the real pages.
#include "SetupIds.h"
#include "WizardPages.h"
#include "winlib/Dialog.h"
#include "winlib/StringUtil.h"

#include <array>

namespace {

class CPlaceholderPage : public CDialog {
public:
    CPlaceholderPage(int position, CWnd* pParent) : CDialog(IDD_PLACEHOLDER_PAGE, pParent), m_nPosition(position) {}

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        ::SetDlgItemTextA(m_hWnd, IDC_PLACEHOLDER_TEXT,
                          winlib::Format("第 %d 页 (共 %d 页)", m_nPosition + 1, int(CWizardPages::kCount)).c_str());
        ::EnableWindow(GetDlgItemHwnd(IDC_PLACEHOLDER_BACK), m_nPosition > CWizardPages::kWelcome);
        return TRUE;
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDC_PLACEHOLDER_NEXT) {
                EndDialog(ID_WIZNEXT);
                return 0;
            }
            if (LOWORD(wParam) == IDC_PLACEHOLDER_BACK) {
                EndDialog(ID_WIZBACK);
                return 0;
            }
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }

private:
    int m_nPosition;
};

class CPlaceholderPages : public CWizardPages {
public:
    explicit CPlaceholderPages(CWnd* pParent)
        : m_pages{{{kWelcome, pParent}, {kAgreement, pParent}, {kDestination, pParent}, {kCopy, pParent},
                   {kFinish, pParent}}}
    {
    }

    INT_PTR DoModal(int n) override { return m_pages.at(static_cast<std::size_t>(n)).DoModal(); }
    BOOL& AgreementAgree() override { return m_bAgree; }
    std::string& DestinationPath() override { return m_strPath; }
    std::string& CopySourceDir() override { return m_strSourceDir; }
    std::string& CopyInstallDir() override { return m_strInstallDir; }
    std::string& FinishPath() override { return m_strFinishPath; }

private:
    std::array<CPlaceholderPage, kCount> m_pages;
    BOOL m_bAgree = FALSE;
    std::string m_strPath;
    std::string m_strSourceDir;
    std::string m_strInstallDir;
    std::string m_strFinishPath;
};

}  // namespace

std::unique_ptr<CWizardPages> CreateSetupPages(CWnd* pParent)
{
    return std::make_unique<CPlaceholderPages>(pParent);
}
