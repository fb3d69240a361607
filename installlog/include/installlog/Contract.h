// What Setup leaves for Uninstall to find, besides the log's entries: the
// registry keys and values Setup writes and Uninstall reads, and the log's
// file name. Plain C++ without Windows headers; the roots are those of
// HKEY_LOCAL_MACHINE.
#pragma once

namespace installlog {

// The product key under HKEY_LOCAL_MACHINE and its values.
inline constexpr char kProductKey[] = "SOFTWARE\\Kestrova\\enggZEMLO\\V8";
inline constexpr char kInstallPathValue[] = "installPath";  // the install folder
inline constexpr char kVersionValue[] = "Ver";              // the product version, "8.00"

// The entry of Windows' list of installed programs, under HKEY_LOCAL_MACHINE.
inline constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZEMLO V8";
inline constexpr char kDisplayNameValue[] = "DisplayName";
inline constexpr char kUninstallStringValue[] = "UninstallString";

// The log's name inside the install folder.
inline constexpr char kLogFileName[] = "Uninstall.log";

}  // namespace installlog
