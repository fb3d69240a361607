// The five pages of the installation wizard: welcome, agreement,
// destination folder, progress and finish. Each is a modal dialog run by
// the wizard frame, which assigns the public members below before a page
// runs and reads them after it ends; a page ends itself with ID_WIZBACK,
// ID_WIZNEXT, ID_WIZFINISH or IDCANCEL.
#pragma once

#include "SetupIds.h"
#include "controls/ImageButton.h"
#include "controls/Label.h"
#include "controls/PercentProgressCtrl.h"
#include "engine/SetupThread.h"
#include "winlib/Controls.h"
#include "winlib/Dialog.h"

#include <string>

// Whether a WM_COMMAND's wParam is a click on the page's button id while
// that button is enabled.
BOOL IsClick(const CWnd& page, WPARAM wParam, int id);

// The steps every page takes when it opens: the frame's icons, the
// headline's shadow and the looks of the image buttons (cancel may be
// null on a page without one).
void InitWizardPage(CDialog& page, CLabel& headline, std::initializer_list<CImageButton*> buttons,
                    CImageButton* cancel);

class CWelcomePage : public CDialog {
public:
    enum { IDD = IDD_WELCOME_PAGE };
    explicit CWelcomePage(CWnd* pParent = nullptr);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    CImageButton m_btnCancel;
    CImageButton m_btnNext;
    CLabel m_ctlHint;
    CLabel m_ctlHeadline;
};

class CAgreementPage : public CDialog {
public:
    enum { IDD = IDD_AGREEMENT_PAGE };
    explicit CAgreementPage(CWnd* pParent = nullptr);

    // The agreement shown on the page.
    static const char* AgreementText();

    BOOL m_bAgree = FALSE;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnAgree();
    void OnDisagree();
    // Selects one choice, clears the other and enables Next to match.
    void Choose(BOOL bAgree);

    CLabel m_ctlHeadline;
    CImageButton m_btnCancel;
    CWnd m_ctlText;
    CImageButton m_btnNext;
    CImageButton m_btnBack;
    CButton m_btnDisagree;
    CButton m_btnAgree;
};

class CDestinationPage : public CDialog {
public:
    enum { IDD = IDD_DESTINATION_PAGE };
    explicit CDestinationPage(CWnd* pParent = nullptr);

    // The folders the folder picker appends to the chosen one.
    static constexpr const char* kProductSubfolder = "Kestrova\\ZEMLO";
    // The path box text for a folder chosen in the folder picker: the
    // folder, one backslash, then the product's sub-folders.
    static std::string PathForChosenFolder(const std::string& folder);
    // Whether Next accepts a path: not empty, with at least one backslash.
    static BOOL IsAcceptablePath(const std::string& path);

    std::string m_strPath;
    // The medium's folder, whose deepest path must fit below the
    // destination.
    std::string m_strSourceDir;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnBrowse();
    void OnNext();
    // Whether the destination can be installed into: a path without
    // control characters, short enough for the deepest installed path, and
    // a folder the user agrees to install into when it already holds files.
    // Says why not when it cannot.
    bool ConfirmDestination(const std::string& path);
    // Keeps the page open with the path box's whole text selected.
    void RefusePath();
    // Shows a message or question owned by the page; returns the button.
    virtual int AskUser(const char* text, UINT type);
    // AskUser, with the text and the answer in the run log.
    int Ask(const char* text, UINT type);

    CImageButton m_btnCancel;
    CLabel m_ctlHeadline;
    CWnd m_ctlPath;
    CImageButton m_btnNext;
    CButton m_btnBrowse;
    CImageButton m_btnBack;
};

class CCopyPage : public CDialog {
public:
    enum { IDD = IDD_COPY_PAGE };
    // The progress bar's range goes this far past the number of files, for
    // the sub-folders the copy also reports.
    static constexpr int kExtraSteps = 15;

    explicit CCopyPage(CWnd* pParent = nullptr);
    // Waits (serving messages) for a worker that still runs.
    ~CCopyPage() override;

    // The number of files the worker copies from m_strSourceDir: the files
    // of the seven product folder trees and the loose files of the folder.
    int CountAllFiles() const;
    // The files in folder, and with bRecursive those of all its
    // sub-folders. A blank or missing folder has none.
    static int CountFiles(const std::string& folder, BOOL bRecursive);

    // Returns once the worker, if one was started, has ended, serving this
    // thread's messages meanwhile.
    void WaitForWorker();

    // After the worker has ended: how its run ended.
    const engine::InstallOutcome& RunOutcome() const { return m_thread.Outcome(); }

    std::string m_strSourceDir;
    std::string m_strInstallDir;
    engine::Audience m_audience;
    // The earlier installation a move replaces (removed before anything is
    // copied), or empty.
    std::string m_strEarlierDir;
    // Set when the worker reports the end of a complete run.
    std::string m_strNotice;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Enter does not end this page: it ends only when the worker reports
    // or the user confirms the cancel question.
    void OnOK() override;
    // Asks whether to stop the installation; on Yes tells the worker to
    // stop and leaves the wizard.
    void OnCancel() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Configures the worker and starts it.
    virtual void StartWorker();
    // Puts the cancel question to the user; returns the button chosen.
    virtual int AskUser(const char* text, UINT type);
    // AskUser, with the question and its answer in the run log.
    int Ask(const char* text, UINT type);

    LRESULT OnProgress(WPARAM wParam, LPARAM lParam);
    LRESULT OnConfiguring(WPARAM wParam, LPARAM lParam);
    LRESULT OnDone(WPARAM wParam, LPARAM lParam);
    LRESULT OnFailed(WPARAM wParam, LPARAM lParam);

    CStatic m_ctlConfiguring;
    CStatic m_ctlGroup;
    CImageButton m_btnCancel;
    CLabel m_ctlHeadline;
    CPercentProgressCtrl m_ctlProgress;
    CImageButton m_btnNext;
    CImageButton m_btnBack;
    HWND m_hwndStatus = nullptr;  // the status line, looked up once

    // The worker as the page configured it, for a subclass to inspect.
    const CSetupThread& Worker() const { return m_thread; }

private:
    CSetupThread m_thread;
};

class CFinishPage : public CDialog {
public:
    enum { IDD = IDD_FINISH_PAGE };
    explicit CFinishPage(CWnd* pParent = nullptr);

    // The readme file of the installation in folder.
    static std::string ReadmePath(const std::string& folder);

    std::string m_strPath;
    // A line about what did not go in ("有 N 个文件未能复制。"), or empty.
    std::string m_strNotice;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinish();
    // Opens a file with the shell; a test replaces it.
    virtual void OpenFile(const std::string& path);

    CLabel m_ctlHeadline;
    CButton m_btnReadme;
    CImageButton m_btnFinish;
};
