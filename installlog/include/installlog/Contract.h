// What Setup leaves for Uninstall to find, besides the log's entries: the
// registry keys and values Setup writes and Uninstall reads, the log's file
// name and the Programs menu folder of the shortcuts. Plain C++ without Windows headers; the roots are those of
// HKEY_LOCAL_MACHINE.
#pragma once

namespace installlog {

// The product key under HKEY_LOCAL_MACHINE and its values.
inline constexpr char kProductKey[] = "SOFTWARE\\Kestrova\\enggZEMLO\\V8";
inline constexpr char kInstallPathValue[] = "installPath";  // the install folder
inline constexpr char kVersionValue[] = "Ver";              // the product version, "8.00"
// The keys above the product key, which Setup creates with it when they
// are missing.
inline constexpr char kProductParentKey[] = "SOFTWARE\\Kestrova\\enggZEMLO";
inline constexpr char kVendorKey[] = "SOFTWARE\\Kestrova";

// The entry of Windows' list of installed programs, under HKEY_LOCAL_MACHINE.
inline constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZEMLO V8";
inline constexpr char kDisplayNameValue[] = "DisplayName";
inline constexpr char kUninstallStringValue[] = "UninstallString";
// The entry's other values, for the list's details and for deployment tools.
inline constexpr char kDisplayVersionValue[] = "DisplayVersion";
inline constexpr char kPublisherValue[] = "Publisher";
inline constexpr char kDisplayIconValue[] = "DisplayIcon";
inline constexpr char kInstallLocationValue[] = "InstallLocation";
inline constexpr char kEstimatedSizeValue[] = "EstimatedSize";  // REG_DWORD, in KB
inline constexpr char kNoModifyValue[] = "NoModify";            // REG_DWORD 1
inline constexpr char kNoRepairValue[] = "NoRepair";            // REG_DWORD 1
inline constexpr char kQuietUninstallStringValue[] = "QuietUninstallString";
inline constexpr char kInstallDateValue[] = "InstallDate";      // yyyymmdd

// The Active Setup component of an installation for all users: at each
// user's logon the shell runs its StubPath once per user and version, which
// writes that user's AutoCAD profiles. The program that does it lies in the
// install folder.
inline constexpr char kActiveSetupKey[] =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\{12FEC97B-B1B8-4A93-AC00-3947DE1525EE}";
inline constexpr char kActiveSetupVersion[] = "8,0,0,0";
inline constexpr char kUserSetupFileName[] = "UserSetup.exe";
// The switch with which the program configures the user it runs as.
inline constexpr char kUserSetupSwitch[] = "/PROFILE";

// The log's name inside the install folder.
inline constexpr char kLogFileName[] = "Uninstall.log";
// The uninstaller's and the product icon's names inside the install folder
// (the icon is the uninstall entry's DisplayIcon and the AutoCAD shortcuts'
// icon).
inline constexpr char kUninstallerFileName[] = "Uninstall.exe";
inline constexpr char kIconFileName[] = "ZEMLOV8.0.ico";
// The folder Setup makes in the Programs menu for its shortcuts; the
// uninstaller removes a folder outside the installation only by this name.
inline constexpr char kMenuFolderName[] = "direveradi ZEMLO V8.0";

}  // namespace installlog
