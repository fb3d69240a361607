// CImageButton: an owner-drawn button with a computed background texture.
// ApplyShading builds, once, a shaded 8-bit palette image with random grain
// from the system button colours and derives from it the normal, hover,
// pressed and disabled images and the two dotted lines of the focus frame.
// The button tracks the mouse for its hover look, keeps the pressed look
// right while the mouse is dragged in and out with the button held, and can
// act as a check box or radio button with its own checked flag; a radio
// button that becomes checked clears the others of its dialog group.
#pragma once

#include "controls/ShadeDib.h"
#include "winlib/Controls.h"

// Posted to the other items of a radio button's group when it becomes
// checked.
constexpr UINT WM_IMAGEBUTTON_GROUPCHECK = WM_USER + 0x100;

class CImageButton : public CButton {
public:
    // Texture types of ApplyShading; 0 and anything above 8 give noise.
    enum ShadeType : UINT {
        SHS_NOISE = 0,
        SHS_DIAGSHADE = 1,
        SHS_HSHADE = 2,
        SHS_VSHADE = 3,
        SHS_HBUMP = 4,
        SHS_VBUMP = 5,
        SHS_SOFTBUMP = 6,
        SHS_HARDBUMP = 7,
        SHS_METAL = 8,
    };

    CImageButton();
    ~CImageButton() override;

    // Builds the six images for the window's current size. type: texture;
    // granularity: grain amplitude; highlight: percent the hover and
    // pressed palettes move toward the highlight colour; colouring: percent
    // the palette moves toward colour.
    void ApplyShading(UINT type, BYTE granularity = 8, BYTE highlight = 10, BYTE colouring = 0,
                      COLORREF colour = RGB(0, 0, 0));
    // BS_LEFT, BS_RIGHT or anything else (centred), as in the style.
    void SetCaptionAlign(UINT alignment);

protected:
    void PreSubclassWindow() override;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Values of m_nKind.
    enum Kind { KIND_PUSH = 0, KIND_CHECKBOX = 2, KIND_RADIO = 4 };

    void FillTexture(UINT type, int g, int cx, int cy);
    void OnMouseMove(WPARAM wParam, LPARAM lParam);
    void OnLButtonDown();
    void OnLButtonUp(LPARAM lParam);
    void OnSetCheck(WPARAM wParam);
    BOOL IsCursorOver(LPARAM lParam) const;

    BYTE m_bChecked;
    BYTE m_bPushLike;
    int m_nKind;
    CShadeDib m_dibNormal;
    CShadeDib m_dibDown;
    CShadeDib m_dibDisabled;
    CShadeDib m_dibOver;
    CShadeDib m_dibFocusH;
    CShadeDib m_dibFocusV;
    BYTE m_bHover;
    BYTE m_bMouseDown;
    short m_nFocusMargin;
    COLORREF m_crText;
    BOOL m_bBorder;
    UINT m_uTextFormat;
    BYTE m_bFlat;
};
