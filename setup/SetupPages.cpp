// The page set the wizard frame runs: one object of each page class, built
// with the frame as parent.
#include "Pages.h"
#include "WizardPages.h"

namespace {

class CSetupPages : public CWizardPages {
public:
    explicit CSetupPages(CWnd* pParent)
        : m_welcome(pParent), m_agreement(pParent), m_destination(pParent), m_copy(pParent), m_finish(pParent)
    {
    }

    INT_PTR DoModal(int n) override
    {
        switch (n) {
        case kWelcome:
            return m_welcome.DoModal();
        case kAgreement:
            return m_agreement.DoModal();
        case kDestination:
            return m_destination.DoModal();
        case kCopy:
            return m_copy.DoModal();
        case kFinish:
            return m_finish.DoModal();
        default:
            return -1;
        }
    }

    BOOL& AgreementAgree() override { return m_agreement.m_bAgree; }
    std::string& DestinationPath() override { return m_destination.m_strPath; }
    std::string& CopySourceDir() override { return m_copy.m_strSourceDir; }
    std::string& CopyInstallDir() override { return m_copy.m_strInstallDir; }
    engine::Audience& CopyAudience() override { return m_copy.m_audience; }
    std::string& CopyEarlierDir() override { return m_copy.m_strEarlierDir; }
    std::string& FinishPath() override { return m_finish.m_strPath; }
    std::string& DestinationSourceDir() override { return m_destination.m_strSourceDir; }
    std::string& CopyNotice() override { return m_copy.m_strNotice; }
    std::string& FinishNotice() override { return m_finish.m_strNotice; }
    void WaitUntilIdle() override { m_copy.WaitForWorker(); }
    engine::InstallOutcome RunOutcome() const override { return m_copy.RunOutcome(); }

private:
    CWelcomePage m_welcome;
    CAgreementPage m_agreement;
    CDestinationPage m_destination;
    CCopyPage m_copy;
    CFinishPage m_finish;
};

}  // namespace

std::unique_ptr<CWizardPages> CreateSetupPages(CWnd* pParent)
{
    return std::make_unique<CSetupPages>(pParent);
}
