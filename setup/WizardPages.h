// CWizardPages: the five pages of the installation wizard as the frame
// sees them. The frame builds one set when its page loop starts (each page
// with the frame as parent), runs the pages by position, hands values to
// them through the members below before a page runs and reads them back
// after it ends, and destroys the set when the loop is over.
#pragma once

#include <windows.h>

#include "engine/Audience.h"
#include "engine/InstallOutcome.h"

#include <memory>
#include <string>

class CWnd;

class CWizardPages {
public:
    // Positions of the pages in the wizard.
    enum Position {
        kWelcome = 0,
        kAgreement = 1,
        kDestination = 2,
        kCopy = 3,
        kFinish = 4,
        kCount = 5
    };

    CWizardPages() = default;
    virtual ~CWizardPages() = default;
    CWizardPages(const CWizardPages&) = delete;
    CWizardPages& operator=(const CWizardPages&) = delete;

    // Runs the page at position n modally and returns the code it ended
    // with: ID_WIZBACK, ID_WIZNEXT, ID_WIZFINISH, IDCANCEL, or any other
    // value (the frame then shows the page again); -1 when the page could
    // not be shown at all.
    virtual INT_PTR DoModal(int n) = 0;

    // The pages' own members that carry values between the pages.
    virtual BOOL& AgreementAgree() = 0;            // agreement page: m_bAgree
    virtual std::string& DestinationPath() = 0;    // destination page: m_strPath
    virtual std::string& CopySourceDir() = 0;      // progress page: m_strSourceDir
    virtual std::string& CopyInstallDir() = 0;     // progress page: m_strInstallDir
    virtual engine::Audience& CopyAudience() = 0;  // progress page: m_audience
    virtual std::string& CopyEarlierDir() = 0;     // progress page: m_strEarlierDir
    virtual std::string& FinishPath() = 0;         // finish page: m_strPath
    virtual std::string& DestinationSourceDir() = 0;  // destination page: m_strSourceDir
    virtual std::string& CopyNotice() = 0;            // progress page: m_strNotice
    virtual std::string& FinishNotice() = 0;          // finish page: m_strNotice

    // Returns once no page has work running any more (the progress page's
    // install worker has ended), handling this thread's messages while it
    // waits, because the worker sends to the progress page synchronously.
    // The frame calls it before it destroys the pages.
    virtual void WaitUntilIdle() {}
    // After WaitUntilIdle: how the installation the progress page ran
    // ended (kNotFinished when none was run).
    virtual engine::InstallOutcome RunOutcome() const { return engine::InstallOutcome(); }
};

// The pages Setup runs, built with pParent (the frame) as their parent.
std::unique_ptr<CWizardPages> CreateSetupPages(CWnd* pParent);
