// Resource ids and page codes of Setup only (the ids both programs share
// stay in resource.h).
#pragma once

// The codes a wizard page ends with; the frame moves back, forward or out.
#ifndef ID_WIZBACK
#define ID_WIZBACK 0x3023
#endif
#ifndef ID_WIZNEXT
#define ID_WIZNEXT 0x3024
#endif
#ifndef ID_WIZFINISH
#define ID_WIZFINISH 0x3025
#endif

// The stand-in page shown until the real pages are in (one template for
// all five positions).
#define IDD_PLACEHOLDER_PAGE 900
#define IDC_PLACEHOLDER_NEXT 1000
#define IDC_PLACEHOLDER_BACK 1001
#define IDC_PLACEHOLDER_TEXT 1002
