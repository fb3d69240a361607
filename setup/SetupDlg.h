// CSetupDlg: the wizard frame of Setup. A borderless dialog shown
// maximised, so that it covers the screen with the background slideshow;
// from its initialisation it checks for an earlier installation and runs
// the five wizard pages one after another, carrying the agreement choice,
// the source folder and the destination folder from page to page. When
// the pages are done, for whatever reason, the frame closes itself.
#pragma once

#include "WizardPages.h"
#include "resource.h"
#include "winlib/Dialog.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CSetupDlg : public CDialog {
public:
    enum { IDD = IDD_SETUP_DIALOG };

    // The slideshow timer and its period.
    static constexpr UINT_PTR kSlideshowTimer = 356;
    static constexpr int kSlideshowPeriod = 5000;
    // Every picture is fitted into a canvas of this size, which is then
    // stretched over the whole frame.
    static constexpr int kCanvasWidth = 1024;
    static constexpr int kCanvasHeight = 768;
    static constexpr COLORREF kCanvasColor = RGB(255, 255, 255);
    static constexpr COLORREF kCanvasBorderColor = RGB(192, 192, 192);
    // The frame's surface when there is no picture to show.
    static constexpr COLORREF kNoPictureColor = RGB(0, 128, 128);

    explicit CSetupDlg(CWnd* pParent = nullptr);
    ~CSetupDlg() override;

    // Stops the slideshow, then destroys the window.
    BOOL DestroyWindow() override;

    // Fills list with folder + name for every plain file in folder that
    // matches pattern, in the order the system's search returns them. The
    // process's current folder is the same afterwards. A missing folder
    // gives an empty list.
    void FindPictures(const std::string& folder, const char* pattern, std::vector<std::string>& list);
    // A new bitmap of cx x cy (compatible with the screen) holding the
    // source bitmap stretched over it, pixel for pixel as CopyImage would
    // stretch it; null when it cannot be made. The caller owns it.
    static HBITMAP StretchedCopy(HBITMAP source, int cx, int cy);
    // Decodes a picture file and fits it into a new canvas bitmap of
    // kCanvasWidth x kCanvasHeight that the caller owns; null when the file
    // cannot be decoded.
    HBITMAP LoadPicture(const std::string& path);
    // Paints the background into rect of hdc: the picture m_nPicture
    // (wrapped to the first one after the last), or the no-picture colour
    // when there is none or it cannot be decoded. Decodes afresh each time
    // and keeps nothing.
    void PaintBackground(HDC hdc, const RECT& rect);

    BOOL m_bAgree = FALSE;
    std::string m_strSourceDir;   // without a trailing backslash
    std::string m_strInstallDir;  // with a trailing backslash
    // Whom the installation is for (the running user unless /ALLUSERS or
    // an account that is nobody's).
    engine::Audience m_audience;
    // The destination offered first (/D=); when empty, the earlier
    // installation's folder or else the default one.
    std::string m_strStartDir;
    int m_nTimerPeriod = kSlideshowPeriod;
    int m_nPicture = 0;
    std::vector<std::string> m_arrPictures;
    HICON m_hIcon = nullptr;
    // The finish page's line about what did not go in, from the progress
    // page.
    std::string m_strNotice;
    // How the wizard ended: installed, left by the user, or an
    // installation that did not complete (undone whole or in part); the
    // program's exit code is its ExitCode().
    const engine::InstallOutcome& Outcome() const { return m_outcome; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // The frame's whole work: start-up checks, then the page loop. FALSE
    // when the user declines to install again.
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Builds the wizard's pages with the frame as parent.
    virtual std::unique_ptr<CWizardPages> CreatePages();
    // Puts a question to the user in a message box owned by the frame and
    // returns the button chosen.
    virtual int AskUser(const char* text, const char* caption, UINT type);
    // AskUser, with the question and its answer in the run log.
    int Ask(const char* text, const char* caption, UINT type);

private:
    enum class WizardEnd { kFinished, kLeft, kPageFailed };
    // Runs the pages until the user leaves the wizard or passes the last
    // page, or a page cannot be shown.
    WizardEnd RunPages(CWizardPages& pages);
    // After the destination page: true when the folder chosen is the
    // earlier installation's (or there is none), or the user agrees that
    // the earlier one is removed first (it is then the one to replace).
    bool ConfirmMove();
    void HandIn(CWizardPages& pages, int n);
    void TakeBack(CWizardPages& pages, int n);
    void OnPaint();

    engine::InstallOutcome m_outcome;
    // The earlier installation found at the start, and the one the
    // progress page is to remove first (a move), each with its trailing
    // backslash, or empty.
    std::string m_strEarlierDir;
    std::string m_strReplaceDir;
};
