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

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The wizard pages.
#define IDD_WELCOME_PAGE 129
#define IDD_AGREEMENT_PAGE 134
#define IDD_DESTINATION_PAGE 135
#define IDD_COPY_PAGE 136
#define IDD_FINISH_PAGE 137

// Strings: the folder picker's title and the progress page's cancel
// question.
#define IDS_BROWSE_TITLE 102
#define IDS_CANCEL_COPY 103

// Controls of the pages; the same number means the same role on every page.
#define IDC_NEXT 1000           // Next, or Finish on the finish page
#define IDC_BACK 1001
#define IDC_HEADLINE 1002       // the shadowed headline
#define IDC_HINT 1003           // welcome page: how to go on
#define IDC_AGREEMENT_TEXT 1005
#define IDC_BROWSE 1008         // destination page: "..." opens the folder picker
#define IDC_PATH 1009           // destination page: the path box
#define IDC_PROGRESS 1010
#define IDC_README 1012         // finish page: open readme.txt
#define IDC_COPY_GROUP 1013     // progress page: "复制文件" group box
#define IDC_CONFIGURING 1014    // progress page: shown while configuring
#define IDC_STATUS 1015         // progress page: the path being copied
#define IDC_DISAGREE 1016
#define IDC_AGREE 1017
#define IDC_NOTICE 1018         // finish page: what did not go in
