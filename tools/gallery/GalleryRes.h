// Resource ids of the controls gallery.
#pragma once

#define IDD_GALLERY 200
#define IDC_HEADING 1002
#define IDC_INTRO 1003
#define IDC_TYPE0 1100  // 1100 to 1108: one button per texture type
#define IDC_NORMAL 1200
#define IDC_HOVER 1201
#define IDC_PRESSED 1202
#define IDC_CHECKED 1203
#define IDC_DISABLED 1204
#define IDC_FOCUSED 1205
#define IDC_DEFAULT 1206
#define IDC_FLAT 1207
#define IDC_CHECK_OFF 1300
#define IDC_CHECK_ON 1301
#define IDC_RADIO1 1302
#define IDC_RADIO2 1303
#define IDC_RADIO3 1304
#define IDC_PROGRESS0 1400  // 1400 to 1405: 0, 42, 50, 100, 130 percent and a caption
#define IDC_BACK 1001
#define IDC_NEXT 1000
