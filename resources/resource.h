// Resource ids shared by the resource scripts and the programs.
#pragma once

#define IDR_MAINFRAME 128   // the programs' icon
#define IDD_SETUP_DIALOG 102
#define IDD_UNINSTALL_DIALOG 102
