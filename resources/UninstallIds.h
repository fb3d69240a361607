// Resource and control ids of Uninstall: its window, its About box and the
// window's controls. (The icon and the window's template number are in
// resource.h, which this header includes.)
#pragma once

#include "resource.h"

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_UNINSTALL_ABOUTBOX 100
#define IDS_UNINSTALL_ABOUTBOX 101   // "关于 Uninstall(&A)..."

// Controls of the uninstall window.
#define IDC_UNINSTALL_PROGRESS 1000  // progress bar, one step per recorded file
#define IDC_UNINSTALL_STATUS 1001    // the path being deleted
#define IDC_UNINSTALL_THANKS 1002    // thank-you label with its shadow
#define IDC_UNINSTALL_FINISHED 1003  // "卸载完成!", hidden until the end
#define IDC_UNINSTALL_GROUP 1004     // "删除文件" group box

// The system-menu command of the About box (a multiple of 16, below 0xF000).
#define IDM_UNINSTALL_ABOUTBOX 0x0010
