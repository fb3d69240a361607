// The controls gallery: one dialog with the shared controls in every look
// they have (each texture type, the button states and kinds, progress bars
// at several positions and with a caption, shadowed and plain labels) over
// a coloured background, in the programs' font. For looking at the
// controls; not part of the installation medium.
//
// Usage: controls_gallery [seconds]   (closes itself after that many
// seconds when given)
#include "GalleryRes.h"
#include "controls/ImageButton.h"
#include "controls/Label.h"
#include "controls/PercentProgressCtrl.h"
#include "winlib/Dialog.h"
#include "winlib/Gdi.h"
#include "winlib/WinApp.h"

#include <commctrl.h>

#include <cstdlib>

namespace {

const UINT_PTR kCloseTimer = 1;

class CGalleryDlg : public CDialog {
public:
    explicit CGalleryDlg(UINT closeAfterSeconds) : CDialog(IDD_GALLERY), m_nCloseAfter(closeAfterSeconds) {}

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_HEADING, m_heading);
        DDX_Control(pDX, IDC_INTRO, m_intro);
        for (int i = 0; i < 9; ++i)
            DDX_Control(pDX, IDC_TYPE0 + i, m_types[i]);
        for (int i = 0; i < kStates; ++i)
            DDX_Control(pDX, IDC_NORMAL + i, m_states[i]);
        DDX_Control(pDX, IDC_CHECK_OFF, m_checkOff);
        DDX_Control(pDX, IDC_CHECK_ON, m_checkOn);
        for (int i = 0; i < 3; ++i)
            DDX_Control(pDX, IDC_RADIO1 + i, m_radios[i]);
        for (int i = 0; i < 6; ++i)
            DDX_Control(pDX, IDC_PROGRESS0 + i, m_bars[i]);
        DDX_Control(pDX, IDC_BACK, m_back);
        DDX_Control(pDX, IDC_NEXT, m_next);
        DDX_Control(pDX, IDCANCEL, m_cancel);
    }

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_heading.EnableShadow(TRUE);

        for (UINT i = 0; i < 9; ++i)
            m_types[i].ApplyShading(i, 8, 10, 0, 0);
        for (CImageButton& b : m_states)
            b.ApplyShading(CImageButton::SHS_HARDBUMP, 8, 10, 0, 0);
        for (CImageButton* b : {&m_checkOff, &m_checkOn, &m_radios[0], &m_radios[1], &m_radios[2]})
            b->ApplyShading(CImageButton::SHS_SOFTBUMP, 8, 10, 0, 0);
        m_back.ApplyShading(CImageButton::SHS_HARDBUMP, 8, 10, 0, 0);
        m_next.ApplyShading(CImageButton::SHS_HARDBUMP, 8, 10, 0, 0);
        m_cancel.ApplyShading(CImageButton::SHS_SOFTBUMP, 8, 10, 0, 0);

        m_states[2].SendMessage(BM_SETSTATE, TRUE);      // pressed
        m_states[3].SendMessage(BM_SETCHECK, TRUE);      // checked, push-like
        m_checkOn.SendMessage(BM_SETCHECK, TRUE);
        m_radios[1].SendMessage(BM_SETCHECK, TRUE);

        const int positions[6] = {0, 42, 50, 100, 130, 60};
        for (int i = 0; i < 6; ++i) {
            m_bars[i].SetRange(0, 100);
            m_bars[i].SetStep(1);
            m_bars[i].EnableText(TRUE);
            m_bars[i].SetPos(positions[i]);
        }
        m_bars[5].SetWindowText("正在复制文件...");

        if (m_nCloseAfter > 0)
            SetTimer(kCloseTimer, m_nCloseAfter * 1000);
        // The hover look needs the pointer over the button.
        RECT rc;
        m_states[1].GetWindowRect(&rc);
        ::SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        m_states[1].PostMessage(WM_MOUSEMOVE, 0, MAKELPARAM((rc.right - rc.left) / 2, (rc.bottom - rc.top) / 2));
        // The focus look: the focused button, keyboard cues shown.
        m_states[5].SetFocus();
        SendMessage(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL));
        return FALSE;
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_ERASEBKGND:
            PaintBackground(reinterpret_cast<HDC>(wParam));
            return TRUE;
        case WM_TIMER:
            if (wParam == kCloseTimer) {
                KillTimer(kCloseTimer);
                EndDialog(IDOK);
                return 0;
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_NEXT || LOWORD(wParam) == IDC_BACK)
                return 0;  // the gallery's buttons do nothing
            break;
        default:
            break;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }

private:
    // Bands from dark blue at the top to light sky at the bottom, standing
    // in for the wizard's background picture.
    void PaintBackground(HDC hdc)
    {
        CDC dc(hdc);
        RECT rc;
        GetClientRect(&rc);
        const int height = rc.bottom - rc.top;
        for (int y = 0; y < height; y += 4) {
            const int t = height > 0 ? (y * 255) / height : 0;
            dc.FillSolidRect(0, y, rc.right, 4, RGB(40 + t / 3, 100 + t / 3, 170 + t / 4));
        }
    }

    static const int kStates = 8;
    UINT m_nCloseAfter;
    CLabel m_heading;
    CLabel m_intro;
    CImageButton m_types[9];
    CImageButton m_states[kStates];
    CImageButton m_checkOff;
    CImageButton m_checkOn;
    CImageButton m_radios[3];
    CPercentProgressCtrl m_bars[6];
    CImageButton m_back;
    CImageButton m_next;
    CImageButton m_cancel;
};

class CGalleryApp : public CWinApp {
public:
    BOOL InitInstance() override
    {
        ::InitCommonControls();
        const UINT seconds = __argc > 1 ? static_cast<UINT>(std::atoi(__argv[1])) : 0;
        CGalleryDlg dlg(seconds);
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
        return FALSE;
    }
};

CGalleryApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return AfxWinMain(hInstance);
}
